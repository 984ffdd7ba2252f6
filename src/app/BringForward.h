// Bringing a running copy of an item's program forward instead of starting another one.
#pragma once

#include "ItemData.h"

#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace lodestar {

// How long after a window was brought forward the next click on the same program goes to its next window.
constexpr DWORD kForwardTurnMs = 3000;

// The window to bring forward among a program's windows, listed front to back. Outside a turn, the front
// one. In a turn, the one after `last` in the order of their handles, the first again after the last: the
// order does not change as windows come forward, so every window has its turn. Null for no windows.
HWND NextWindowInTurn(std::span<const HWND> windows, HWND last, bool inTurn);

// The windows the taskbar shows for the processes whose executable is `program` (a full path), front to
// back: visible top-level windows, neither tool windows nor owned ones unless marked as application
// windows.
std::vector<HWND> ProgramWindows(const std::string& program);

// When the program the item's command starts shows a window, restores it if minimised, makes it the
// foreground window and gives true; false, doing nothing, when the command starts no program of its own
// (a document, a folder, a web address, a shell object) or its program shows no window.
bool BringItemForward(const TItemData& item);

} // namespace lodestar
