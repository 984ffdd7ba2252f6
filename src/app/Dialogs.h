// How the main window opens the management dialogs and starts items. The dialogs and the launcher are
// separate units; the main window reaches them only through these seams, which they fill when linked.
#pragma once

#include "Handles.h"
#include "ItemData.h"

#include <functional>
#include <optional>
#include <vector>

namespace lodestar {

class TForm1;
class TIconItem;

struct TOptionsResult {
    // The rows of the dialog's item list for the shown group, in row order.
    std::vector<TItemData> ShownItems;
    // Their icons as the dialog showed them, where it had one (the same look-up made them): the tray
    // takes these instead of extracting every icon again.
    std::vector<UniqueIcon> ShownIcons;
    // The dialog wrote the shown group's items itself (they replaced a group read incompletely).
    bool ShownGroupWritten = false;
};

struct TProgramDialogs {
    // Shows the options dialog modally; a value when the user pressed OK.
    std::function<std::optional<TOptionsResult>(TForm1& form)> OpenOptions;
    // Runs the item editor on the record; true when the user accepted (the record then holds the result).
    std::function<bool(TForm1& form, TItemData& record)> EditItem;
    // Starts an item (clicked, or by its hotkey).
    std::function<void(TForm1& form, TIconItem& item, bool byHotKey)> LaunchItem;
    // Shows the shell's property sheet of the item's target.
    std::function<void(TForm1& form, TIconItem& item)> ShowItemProperties;
};

// The program's dialogs; until a dialog is linked in, its entry says so in a message box.
TProgramDialogs& ProgramDialogs();

} // namespace lodestar
