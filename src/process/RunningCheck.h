// Whether a chain entry's program already runs. A program counts as running when it owns a top-level
// window: processes without windows are not seen.
#pragma once

#include "ItemData.h"

#include <windows.h>

#include <string>
#include <vector>

namespace lodestar {

// False when the entry's DupCheckMode finds its program running:
//   1  the program of Cmd (SplitCommandLine), or else the whole Cmd, ends in ".EXE" or ".COM" (any
//      case) and a window's process has its file name;
//   2  a window's process has the file name DupCheckText;
//   3  a visible window's title matches the pattern DupCheckText (see WildcardMatch);
// file names compared with ASCII letters folded. Any other mode, and every executable that cannot be
// learnt, lets the entry start. Looks at every top-level window: not for the GUI thread.
bool MayStart(const TChildIcon& entry);

// Top-level windows, visible or not, in the order the system lists them.
std::vector<HWND> TopLevelWindows();

// The executable of the window's process: a full path or a bare file name, as the system tells it;
// empty when it cannot be learnt.
std::string GetWindowExePath(HWND window);

// The executable of a process opened with PROCESS_QUERY_LIMITED_INFORMATION, as a full path in the
// form the system stores it (short names possible); empty when the system does not tell it.
std::string ProcessImagePath(HANDLE process);

} // namespace lodestar
