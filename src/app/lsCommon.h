// Items made from files (shortcuts, Internet shortcuts, anything dropped on the program) and the icons
// items are shown with. No function here shows a message or throws for a missing file, a broken
// shortcut or an icon that cannot be had: an icon function that finds nothing returns no icon or a stock
// icon, as described with it. Every returned icon belongs to the caller.
#pragma once

#include "Handles.h"
#include "ItemData.h"
#include "ItemRules.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lodestar {

// --- Items from files (lsCommonFiles.cpp) ---

// Whether the ID list names something in the file system (SFGAO_FILESYSTEM). When there is no list, or
// the shell cannot tell, whether there is a path.
bool IsFileSystemObject(std::string_view path, const IdList& idList);

TItemData MakeItemData(std::string tip, std::string cmd, IdList idList, std::string defDir,
                       std::string customIcon, std::uint8_t wndSize, std::uint16_t hotKey,
                       TChildIconList children);

// Reads an Internet shortcut (.url) into `item`, which is reset first: Cmd is its URL; when there is one,
// Tip is the file's name without folder and extension, HotKey its hotkey and CustomIcon "file,index" of
// its icon. A file that cannot be read gives an empty record.
void ReadInternetShortcut(std::string_view path, TItemData& item);

// The item a file stands for, into `item` (reset first). An Internet shortcut gives its URL; a shortcut
// its target with arguments (the program part quoted when it has a blank, in its long form when the file
// or folder is there), working folder, icon, window size, hotkey and the shortcut's name without the
// suffix Japanese Windows adds; a shortcut to a shell object that has no path (Control Panel, My
// Computer) its ID list. True when the result can be started. Any other file, and an Internet shortcut
// without a URL, gives an empty record and false: callers take the path itself.
bool ItemFromFile(std::string_view path, TItemData& item);

// A chain entry's default name: the shell's display name of its ID list, else its program's file name
// (a drive root's name for a drive root).
std::string ChildDefaultName(std::string_view cmd, const IdList& idList);

// An item's name: its Tip, or the default name when the Tip is empty.
std::string ItemName(const TItemData& item);

// --- Icons (lsCommonIcons.cpp) ---

// Icons are square; `size` is their side in pixels. 16 is the small icon at 100 % scale, and the
// notification area's size at other scales comes from TrayIconSize (Dpi.h).

// A stock icon (TStockIcon): the program's own from its resources, or a shell icon, with the red cross
// where the kind says so. A kind outside 0..11, or one that yields nothing, gives siUndef; nothing only
// when the program carries no resources.
UniqueIcon StockIcon(int kind, int size = 16);

// An item's icon: from CustomIcon ("file,index"; index -1 or an icon that cannot be extracted gives
// siUndef), else the command's, else the ID list's, else siNew.
UniqueIcon ItemIcon(std::string_view customIcon, std::string_view cmd, const IdList& idList, int size = 16);

// The icon of a command's program as the shell shows it (without the shortcut arrow when the program
// hides link overlays), or FallbackIcon for what the shell has no icon for.
UniqueIcon CommandIcon(std::string_view cmd, int size = 16);

// The icon for a program the shell has none for: a URL scheme's icon; for a path, a stock icon by the
// type of its drive (a missing file or folder, a missing drive); siUndef when nothing fits.
UniqueIcon FallbackIcon(std::string_view text, int size = 16);

// The icon with the red cross, drawn for the icon's size, laid over it; the icon itself when the cross
// cannot be drawn.
UniqueIcon MarkMissing(UniqueIcon icon);

// `top` drawn over `base` where it is opaque; the result is opaque where either is (see OverlayPixels).
// `base` itself comes back when either icon cannot be read. `top` stays the caller's.
UniqueIcon OverlayIcon(UniqueIcon base, HICON top);

// A gray copy of the icon (each pixel the mean of its blue, green and red; alpha and mask kept). When
// the icon cannot be read, a plain copy of it; nothing only for no icon.
UniqueIcon GrayIcon(HICON icon);

// A copy of the icon with the running mark (RunningMarkPixels) drawn for its size in the top-left corner.
// When the icon cannot be read, a plain copy of it; nothing only for no icon.
UniqueIcon MarkRunning(HICON icon);

} // namespace lodestar
