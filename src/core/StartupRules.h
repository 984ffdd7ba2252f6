// What the Startup registration writes and asks: the delay argument of the program's shortcut, the
// shell's hotkey word of a shortcut, and the list of shortcuts offered for removal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lodestar {

// The argument that makes the program wait `seconds` (the dialog's 0..10) before it shows its icons: "/d:"
// and milliseconds; the program reads four digits, so 10 seconds and more are written as 9999.
std::string StartupDelayArgument(int seconds);

// A stored shortcut word (Shift 0x2000, Ctrl 0x4000, Alt 0x8000 over the key code in the low 13 bits) as
// the shell's hotkey word: the key code in the low byte, HOTKEYF_SHIFT 0x01, HOTKEYF_CONTROL 0x02 and
// HOTKEYF_ALT 0x04 in the high byte.
std::uint16_t ShortCutToShellHotkey(std::uint16_t shortCut);

// The names of the shortcuts about to be removed, one per line (ended by CR LF): at most eight, then a
// line of one full-width space and a line telling how many more there are.
std::string RemovalListText(const std::vector<std::string>& names);

} // namespace lodestar
