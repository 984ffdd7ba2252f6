// The dialog that asks how long the program waits after Windows starts it before it shows its icons,
// before its shortcut goes into the Startup folder.
#pragma once

#include "Dialog.h"

#include <functional>
#include <optional>

namespace lodestar {

class TFormRegStartUp final : public TDialog {
public:
    TFormRegStartUp();

    // Shows the dialog; the chosen delay in whole seconds (0..10) on OK, none on cancel.
    std::optional<int> AskDelay();
    // Places the dialog's window before it first appears (PlaceDialog over the dialog that opened it).
    void SetPlacement(std::function<void(HWND dialog)> place) { placement_ = std::move(place); }

private:
    void OnInit() override;
    void trackDelayChange();

    int delay_ = 0;
    std::function<void(HWND)> placement_;
};

} // namespace lodestar
