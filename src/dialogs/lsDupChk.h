// The dialog in which the user chooses how a chain entry finds out that its program already runs: by the
// entry's own program file, by a named program file, or by a window title pattern.
#pragma once

#include "Dialog.h"

#include <functional>
#include <string>

namespace lodestar {

class TFormDupChk final : public TDialog {
public:
    TFormDupChk();

    // Shows the dialog for a check mode (1 standard, 2 program file name, 3 window title; others show as
    // standard) and its text. On OK, mode and text take the chosen check and the result is true; on
    // cancel they keep their values and the result is false.
    bool EditDupCheck(int& mode, std::string& text);
    // Places the dialog's window before it first appears (PlaceDialog over the dialog that opened it).
    void SetPlacement(std::function<void(HWND dialog)> place) { placement_ = std::move(place); }

private:
    void OnInit() override;

    void rbStdClick(); // shared by the three radio buttons
    void EditExeNameChange();
    void EditWndTitleChange();
    void btnOKClick();
    void btnHelpClick();

    void Select(int radioId);
    void UpdateEditColors();

    int mode_ = 0;
    std::string text_;
    std::function<void(HWND)> placement_;
};

} // namespace lodestar
