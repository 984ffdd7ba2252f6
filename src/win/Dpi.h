// Display scale: the dots per inch the program draws for, and what the 96-dpi sizes of its design become.
// The program is per-monitor aware (its manifest says so), so every size it reads or sets is in physical
// pixels and nothing is stretched by the system.
#pragma once

#include <windows.h>

namespace lodestar {

// 100 % display scale.
constexpr int kDefaultDpi = 96;

// The DPI of the monitor the taskbar is on (the primary monitor when there is no taskbar). Where the
// system cannot tell monitors apart, the DPI the system was started with.
int TaskbarDpi();

// The DPI of a window's monitor as the window sees it; the system's where the system cannot tell.
int WindowDpi(HWND window);

// The small icon's side at `dpi` (SM_CXSMICON). Systems before Windows 10 1607 know only their own DPI
// and answer with that one's.
int SmallIconSizeForDpi(int dpi);

// The large icon's side at `dpi` (SM_CXICON), likewise: what a dialog's 32-pixel picture becomes.
int IconSizeForDpi(int dpi);

// A horizontal scroll bar's height at `dpi` (SM_CYHSCROLL), likewise.
int ScrollBarHeightForDpi(int dpi);

// The side of the icons the notification area shows now.
int TrayIconSize();

// A length of the 96-dpi design at `dpi`, rounded to the nearest pixel.
int ScaleForDpi(int pixels, int dpi);

} // namespace lodestar
