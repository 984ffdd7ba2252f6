// Hotkeys as the program stores them: a 16-bit shortcut word with the virtual-key code in the low 13 bits
// and the modifiers Shift 0x2000, Ctrl 0x4000, Alt 0x8000.
#pragma once

#include <cstdint>

namespace lodestar {

constexpr std::uint16_t kShortcutShift = 0x2000;
constexpr std::uint16_t kShortcutCtrl = 0x4000;
constexpr std::uint16_t kShortcutAlt = 0x8000;
constexpr std::uint16_t kShortcutKeyMask = 0x1FFF;

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

} // namespace lodestar
