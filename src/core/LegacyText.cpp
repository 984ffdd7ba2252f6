#include "LegacyText.h"

#include "ItemStream.h"

#include <algorithm>
#include <vector>

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

std::size_t Utf8CutPoint(std::string_view utf8, std::size_t maxBytes) {
    if (IsAscii(utf8)) return std::min(utf8.size(), maxBytes);
    const auto fits = [&](std::size_t end) {
        return Legacy().Encode(utf8.substr(0, end)).size() <= maxBytes;
    };
    if (fits(utf8.size())) return utf8.size();
    // The ends of the characters; the longest prefix that fits is found by halving, each try measured
    // whole, so that the answer holds for whatever the codec makes of malformed text.
    std::vector<std::size_t> ends;
    for (std::size_t pos = 0; pos < utf8.size();) {
        // A lead byte takes the continuation bytes its form asks for; any other byte stands alone.
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::size_t start = pos++;
        while (pos < utf8.size() && pos - start < length &&
               (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80)
            ++pos;
        ends.push_back(pos);
    }
    std::size_t low = 0; // the first `low` characters fit
    std::size_t high = ends.size() - 1;
    while (low < high) {
        const std::size_t mid = (low + high + 1) / 2;
        if (fits(ends[mid - 1]))
            low = mid;
        else
            high = mid - 1;
    }
    return low ? ends[low - 1] : 0;
}

std::string CutToLegacyBytes(std::string_view utf8, std::size_t maxBytes) {
    return std::string(utf8.substr(0, Utf8CutPoint(utf8, maxBytes)));
}

bool KeptByLegacy(std::string_view utf8) {
    return IsAscii(utf8) || FromLegacy(ToLegacy(utf8)) == utf8;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - pos < length) return false;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[pos + i]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        pos += length;
    }
    return true;
}

bool FitsStoredString(std::string_view utf8) {
    return LegacyLength(utf8) <= kMaxStoredString;
}

} // namespace lodestar
