// Starting an icon item: program, parameters, working folder and window size worked out from the item,
// handed to the shell, the shell's failures told in the program's words, and the item's chain started.
#pragma once

#include <windows.h>

#include <string>

namespace lodestar {

class TForm1;
class TIconItem;

// `byHotKey` is true when the item's global hotkey started it: held Shift and Alt are then ignored. An item
// set to bring its program forward does that, when the program shows a window, instead of starting
// (Shift+click starts it all the same).
void LaunchItem(TForm1& form, TIconItem& item, bool byHotKey);

// Opens the shell's property sheet of the item's target.
void ShowItemProperties(const TIconItem& item, HWND owner);

// How a shell result code of a start of `cmd` is told to the user. For "no association" (31) this is the
// answer when no command for files of unknown type exists either.
struct TLaunchReport {
    enum class TKind { None, Box, Beep };
    TKind Kind = TKind::None;
    std::string Text;
    UINT Flags = 0;
};
TLaunchReport LaunchReport(INT_PTR code, const std::string& cmd, int notifyNotFound);

} // namespace lodestar
