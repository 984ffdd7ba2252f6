// Hotkeys as the program stores them: a 16-bit shortcut word with the virtual-key code in the low 13 bits
// and the modifiers Shift 0x2000, Ctrl 0x4000, Alt 0x8000.
#pragma once

#include <cstdint>

namespace lodestar {

constexpr std::uint16_t kShortcutShift = 0x2000;
constexpr std::uint16_t kShortcutCtrl = 0x4000;
constexpr std::uint16_t kShortcutAlt = 0x8000;
constexpr std::uint16_t kShortcutKeyMask = 0x1FFF;

// The shortcut word of a key pressed with the modifiers held.
constexpr std::uint16_t ShortCutOf(unsigned key, bool shift, bool ctrl, bool alt) {
    return static_cast<std::uint16_t>((key & kShortcutKeyMask) | (shift ? kShortcutShift : 0) |
                                      (ctrl ? kShortcutCtrl : 0) | (alt ? kShortcutAlt : 0));
}

// The system's hotkey modifier flags for a shortcut word (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4; never
// the Windows key).
constexpr unsigned HotKeyModifiers(std::uint16_t shortcut) {
    return ((shortcut & kShortcutAlt) ? 1u : 0u) | ((shortcut & kShortcutCtrl) ? 2u : 0u) |
           ((shortcut & kShortcutShift) ? 4u : 0u);
}

// The key passed to the system: the word without its three modifier bits.
constexpr unsigned HotKeyVirtualKey(std::uint16_t shortcut) {
    return shortcut & ~static_cast<unsigned>(kShortcutShift | kShortcutCtrl | kShortcutAlt) & 0xFFFFu;
}

// The hotkey control's value (the same form as a shortcut file's hotkey, which HotkeyToShortCut in
// ItemRules.h reads): the virtual key in the low byte and, in the high byte, Shift 0x01, Ctrl 0x02, Alt
// 0x04 and 0x08 for keys of the extended keyboard (arrows, Insert, Delete, Home, End, Page Up and Down,
// the keypad's /, Num Lock, the Windows and application keys).
constexpr unsigned kHotKeyControlShift = 0x01;
constexpr unsigned kHotKeyControlCtrl = 0x02;
constexpr unsigned kHotKeyControlAlt = 0x04;
constexpr unsigned kHotKeyControlExtended = 0x08;

// Keys whose name the system reads with the extended flag (virtual-key codes of the system).
constexpr bool IsExtendedVirtualKey(unsigned key) {
    return (key >= 0x21 && key <= 0x28)     // Page Up, Page Down, End, Home, arrows
           || key == 0x2D || key == 0x2E    // Insert, Delete
           || key == 0x6F || key == 0x90    // keypad divide, Num Lock
           || (key >= 0x5B && key <= 0x5D); // Windows keys, application key
}

// The control's value for a shortcut word; a word whose key is none or no virtual key (above 0xFF) shows
// as none.
constexpr unsigned HotKeyControlFromShortcut(std::uint16_t shortcut) {
    const unsigned key = shortcut & kShortcutKeyMask;
    if (key == 0 || key > 0xFFu) return 0;
    const unsigned flags = ((shortcut & kShortcutShift) ? kHotKeyControlShift : 0u) |
                           ((shortcut & kShortcutCtrl) ? kHotKeyControlCtrl : 0u) |
                           ((shortcut & kShortcutAlt) ? kHotKeyControlAlt : 0u) |
                           (IsExtendedVirtualKey(key) ? kHotKeyControlExtended : 0u);
    return key | (flags << 8);
}

// The item editor's rule for global hotkeys: a key alone, or with only Shift, only Ctrl or only Alt,
// becomes Ctrl+Alt plus the key; two or three modifiers stay as typed. None stays none.
constexpr std::uint16_t WithHotKeyModifiers(std::uint16_t shortcut) {
    if ((shortcut & kShortcutKeyMask) == 0) return 0;
    const unsigned modifiers = shortcut & (kShortcutShift | kShortcutCtrl | kShortcutAlt);
    const bool single = modifiers == 0 || modifiers == kShortcutShift || modifiers == kShortcutCtrl ||
                        modifiers == kShortcutAlt;
    if (!single) return shortcut;
    return static_cast<std::uint16_t>((shortcut & kShortcutKeyMask) | kShortcutCtrl | kShortcutAlt);
}

} // namespace lodestar
