#include "LegacyText.h"

#include "ItemStream.h"

#include <algorithm>

namespace lodestar {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every ANSI code page Windows uses as a system code page is an ASCII superset, so ASCII text needs no
// conversion; that keeps the common case (paths, URLs) cheap.
std::string CutCharacters(std::string_view utf8, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < utf8.size(); ++n) {
        ++pos;
        // Continuation bytes belong to the character before them.
        while (pos < utf8.size() && (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return std::string(utf8.substr(0, pos));
}

std::string ToLegacy(std::string_view utf8) {
    return IsAscii(utf8) ? std::string(utf8) : Legacy().Encode(utf8);
}

std::string FromLegacy(std::string_view legacy) {
    return IsAscii(legacy) ? std::string(legacy) : Legacy().Decode(legacy);
}

namespace {
std::size_t WalkChars(std::string_view legacy, std::size_t maxBytes) {
    const LegacyCodec& codec = Legacy();
    std::size_t pos = 0;
    while (pos < maxBytes) {
        std::size_t len = codec.CharLength(static_cast<unsigned char>(legacy[pos]));
        if (len == 0) len = 1;
        if (pos + len > maxBytes) break;
        pos += len;
    }
    return pos;
}
} // namespace

std::size_t LegacyCutPoint(std::string_view legacy, std::size_t maxBytes) {
    if (legacy.size() <= maxBytes) return legacy.size();
    return WalkChars(legacy, maxBytes);
}

std::string_view WholeLegacyChars(std::string_view legacy) {
    if (IsAscii(legacy)) return legacy;
    return legacy.substr(0, WalkChars(legacy, legacy.size()));
}

std::string_view CutLegacy(std::string_view legacy, std::size_t maxBytes) {
    return legacy.substr(0, LegacyCutPoint(legacy, maxBytes));
}

std::size_t LegacyLength(std::string_view utf8) {
    return IsAscii(utf8) ? utf8.size() : Legacy().Encode(utf8).size();
}

std::string CutToLegacyBytes(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes && IsAscii(utf8)) return std::string(utf8);
    std::string legacy = ToLegacy(utf8);
    if (legacy.size() <= maxBytes) return std::string(utf8);
    return FromLegacy(CutLegacy(legacy, maxBytes));
}

bool FitsStoredString(std::string_view utf8) {
    return LegacyLength(utf8) <= kMaxStoredString;
}

} // namespace lodestar
