// Text at the legacy boundary.
//
// In memory all text is UTF-8. Stored bytes (item streams, private clipboard formats, the old INI files)
// hold text in the system's default ANSI code page. Conversions happen only through these functions,
// and every byte limit of stored text counts bytes of that legacy encoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lodestar {

// The system's legacy encoding. One instance exists per process: Windows asks the OS, the native
// build (tests, fuzzers, benchmarks) uses iconv with CP932.
class LegacyCodec {
public:
    virtual ~LegacyCodec() = default;
    // Both directions substitute a replacement for what cannot be converted; neither throws.
    virtual std::string Encode(std::string_view utf8) const = 0;
    virtual std::string Decode(std::string_view legacy) const = 0;
    // Length in bytes of the legacy character whose first byte is `lead` (1 for single-byte code pages).
    virtual std::size_t CharLength(unsigned char lead) const = 0;
};

// The process's codec; defined by the platform library the program links.
const LegacyCodec& Legacy();

std::string ToLegacy(std::string_view utf8);
std::string FromLegacy(std::string_view legacy);

// Largest prefix of `legacy` that is at most maxBytes long and ends on a character boundary.
std::size_t LegacyCutPoint(std::string_view legacy, std::size_t maxBytes);
std::string_view CutLegacy(std::string_view legacy, std::size_t maxBytes);
// The text without a trailing incomplete character (as left by a cut made without looking).
std::string_view WholeLegacyChars(std::string_view legacy);

// Number of bytes the UTF-8 text takes in the legacy encoding.
std::size_t LegacyLength(std::string_view utf8);
// Length of the longest prefix of the UTF-8 text whose legacy form fits in maxBytes; the prefix ends on a
// whole character, and characters the legacy encoding lacks count as their replacement's bytes.
std::size_t Utf8CutPoint(std::string_view utf8, std::size_t maxBytes);
// That prefix, as it is: the cut follows the legacy byte count but never converts the text.
std::string CutToLegacyBytes(std::string_view utf8, std::size_t maxBytes);
// Whether the legacy form reads back as the same text (false for an emoji, or for "é" on a Japanese
// system, where the legacy form holds a replacement).
bool KeptByLegacy(std::string_view utf8);
// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Whether the item stream's writer keeps the whole text (a string field holds at most 260 legacy bytes,
// no terminator): what does not fit would be stored cut, and start something else.
bool FitsStoredString(std::string_view utf8);

bool IsAscii(std::string_view text);

// The first `count` characters (code points) of UTF-8 text.
std::string CutCharacters(std::string_view utf8, std::size_t count);

} // namespace lodestar
