// The text rules behind making items from files and choosing their icons: hotkey and window state of a
// shortcut, menu captions, URL schemes, the suffix Japanese Windows adds to shortcut names, and which
// look-up an item's command gets for its icon. Byte positions count UTF-8 bytes.
#pragma once

#include "CommandLine.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lodestar {

// A shortcut file's hotkey (virtual key in the low byte, HOTKEYF_SHIFT 0x100, HOTKEYF_CONTROL 0x200 and
// HOTKEYF_ALT 0x400 in the high byte) as a stored shortcut word (HotKey.h). HOTKEYF_EXT and any other
// high bit are dropped.
std::uint16_t HotkeyToShortCut(std::uint16_t shellHotkey);

// A shortcut's show command (SW_ value) as an item's window size: the minimising ones (2, 6, 7) give
// wsMinimized, SW_SHOWMAXIMIZED (3) wsMaximized, everything else wsNormal.
std::uint8_t ShowCmdToWndSize(int showCmd);

// Menu captions take "&" as the mnemonic mark; doubled, it shows as itself.
std::string EscapeAmpersands(std::string_view text);

// Whether the text starts with a URL scheme and its colon: 2 to 7 characters before the first ":", the
// first an ASCII letter, the others ASCII letters, digits or one of ! " _ $ % & ' ( ) * , - . @.
// A drive letter ("C:\x") is too short to count.
bool IsUrlScheme(std::string_view text);

// The scheme an icon is looked up for: the text before "://" when it has no blank, else the text before
// the first ":" when IsUrlScheme holds. None otherwise (an empty scheme is none).
std::optional<std::string> UrlSchemeOf(std::string_view text);

// Japanese Windows names a new shortcut "<target> へのショートカット" (older versions with half-width
// katakana). Each of the two suffixes, full-width first, is removed when its first occurrence is not at
// the very start and ends the name; the blank before it stays.
std::string RemoveShortcutSuffix(std::string_view name);

// The drive part of a path: "C:" for "C:..." , "\\server\share" for a UNC path, else empty.
std::string DrivePart(std::string_view path);

// The program's own small icons (kinds 0 to 4) and the ones made from shell icons, with or without the
// red cross that marks something missing.
enum TStockIcon : int {
    siVBar = 0,             // the main tray icon
    siNew = 1,              // a blank sheet
    siUndef = 2,            // a sheet with a question mark
    siDial = 3,             // a dial-up connection
    siCross = 4,            // the red cross alone
    siMissingHardDisk = 5,  // shell icon 8 with the cross
    siMissingFloppy = 6,    // shell icon 6 with the cross
    siMissingCdRom = 7,     // shell icon 11 with the cross
    siMissingRemovable = 8, // shell icon 7 with the cross
    siNetworkDrive = 9,     // shell icon 10, the disconnected network drive (carries its own mark)
    siMissingFolder = 10,   // shell icon 3 with the cross
    siMissingFile = 11,     // the blank sheet with the cross
};
constexpr int kStockIconCount = 12;

// The stock icon for a path that the shell had no icon for, by the type GetDriveType reports for its
// drive: none for a type above 6 (there is no such type).
std::optional<TStockIcon> DriveStockIcon(unsigned driveType, bool endsInBackslash);

// What a command's icon is looked up from.
struct TIconLookup {
    bool DialUp = false; // a dial-up connection started through rundll32: the program's own icon
    std::string Target;  // otherwise the file, folder or shell name the shell is asked about
    friend bool operator==(const TIconLookup&, const TIconLookup&) = default;
};

// "rundll32 rnaui.dll,..." starts a dial-up connection; "explorer ::{CLSID}" opens a shell folder, whose
// icon is that of the folder; any other command shows its program's icon.
TIconLookup CommandIconLookup(const TCmd& cmd);

// The name of a chain entry's program for its path: the last element, or for a drive root ("C:\")
// the root without its backslash.
std::string PathDisplayName(std::string_view path);

// A shortcut word (HotKey.h) as menus show it: "Shift+", "Ctrl+", "Alt+" in that order, then the key's
// name: letters, digits, F1 to F24 and the named keys (BkSp, Tab, Enter, Esc, Space, PgUp, PgDn, End,
// Home, Left, Up, Right, Down, Ins, Del) by fixed names, any other key by `systemKeyName` (the
// keyboard's own name for it). Empty for no key, or for a key nobody can name.
std::string ShortcutText(std::uint16_t shortcut,
                         const std::function<std::string(unsigned key)>& systemKeyName);

} // namespace lodestar
