// The child editor: the dialog in which one entry of an item's chain is created or changed: its target,
// working folder and window size, what it waits for and how long it is delayed, whether it ends with the
// parent program and whether it is skipped while its program already runs. It borrows the item editor's
// browse menu, folder browser and warning.
#pragma once

#include "Dialog.h"
#include "ItemData.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace lodestar {

class TFormChild final : public TDialog {
public:
    // The item editor that opened it is its owner.
    explicit TFormChild(TComponent* owner = nullptr);
    ~TFormChild() override;

    // The open child editor, or null.
    static TFormChild* Instance();

    // The caption for a new entry, set by the opener before EditChild.
    void SetNewCaption();
    // Shows the dialog for the entry at zero-based `position` in the chain (for a new entry the number of
    // rows). True when the user confirmed with OK and the entry then has a command or an ID list; only
    // then has the entry changed.
    bool EditChild(TChildIcon& child, int position);

    // The dialog's target when it is a shell object; setting it runs the ID list rule.
    const IdList& TargetIdList() const { return idList_; }
    void SetIDList(const IdList& list);

private:
    void OnInit() override;
    void FormCreate();
    void LoadChild();
    void FormShow();
    void WriteBack(TChildIcon& child);
    // The item editor's window while it is shown, else null.
    static HWND EditorWindow();

    void editCmdChange();
    void editCmdExit();
    void sbBrowseClick();
    void sbBwDefDirClick();
    void cbSingleInstanceClick();
    void btnCustomDupCheckClick();
    void btnOKClick();
    void btnHelp3Click();
    bool FormKeyDown(const MSG& message);

    void UpdateName();
    void UpdatePreview();
    void UpdateOkButton();

    TChildIcon* child_ = nullptr;
    std::optional<TChildIcon> confirmed_; // the entry as OK wrote it back
    int position_ = 0;
    bool newCaption_ = false;
    IdList idList_;
    int dupCheckMode_ = 0;
    std::string dupCheckText_;
    UniqueIcon preview_;
};

} // namespace lodestar
