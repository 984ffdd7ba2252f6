#include "StartupRules.h"

#include <algorithm>

namespace lodestar {

namespace {
constexpr int kMaxDelayMs = 9999;
constexpr std::size_t kListedNames = 8;
} // namespace

std::string StartupDelayArgument(int seconds) {
    const long ms = std::clamp<long>(seconds, 0, 1000) * 1000L;
    return "/d:" + std::to_string(std::min<long>(ms, kMaxDelayMs));
}

std::uint16_t ShortCutToShellHotkey(std::uint16_t shortCut) {
    std::uint16_t modifiers = 0;
    if (shortCut & 0x2000) modifiers |= 0x01;
    if (shortCut & 0x4000) modifiers |= 0x02;
    if (shortCut & 0x8000) modifiers |= 0x04;
    // Only the low byte holds a key: a code above 255 does not fit the shell's word.
    return static_cast<std::uint16_t>((modifiers << 8) | (shortCut & 0x00FF));
}

std::string RemovalListText(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < kListedNames; ++i)
        text += names[i] + "\r\n";
    if (names.size() > kListedNames) {
        text += "　\r\n";
        text += "　他 " + std::to_string(names.size() - kListedNames) + "個のファイル...\r\n";
    }
    return text;
}

} // namespace lodestar
