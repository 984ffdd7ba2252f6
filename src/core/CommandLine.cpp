#include "CommandLine.h"

#include "LegacyText.h"

#include <charconv>
#include <cstdint>

namespace lodestar {

namespace {

constexpr std::size_t kUnquotedLimit = 256;
constexpr std::size_t kQuotedLimit = 257;

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// The text up to the legacy byte limit, cut on a whole character.
std::string_view CutText(std::string_view text, std::size_t maxLegacyBytes) {
    return text.substr(0, Utf8CutPoint(text, maxLegacyBytes));
}

// A quoted program ends at the first quote followed by a space, an unquoted one at the first space; `cut`
// keeps the text up to a number of legacy bytes.
template <typename Cut> TCmd SplitWith(std::string_view line, Cut cut) {
    TCmd cmd;
    if (line.empty()) return cmd;
    if (line.front() == '"') {
        line = cut(line, kQuotedLimit);
        const std::size_t quote = line.find("\" ");
        std::string_view path;
        if (quote == std::string_view::npos) {
            // No closing quote before a space: the program runs to the 256th byte.
            path = cut(line, kQuotedLimit - 1);
            if (!path.empty()) path.remove_prefix(1);
        } else {
            // A line that starts with a quote and a space has an empty program.
            path = quote == 0 ? std::string_view() : line.substr(1, quote - 1);
            cmd.Params = std::string(TrimBlanks(line.substr(quote + 2)));
        }
        if (!path.empty() && path.back() == '"') path.remove_suffix(1);
        cmd.Path = std::string(path);
    } else {
        line = cut(line, kUnquotedLimit);
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) {
            // Without a space the program takes at most 255 bytes.
            cmd.Path = std::string(cut(line, kUnquotedLimit - 1));
        } else {
            cmd.Path = std::string(line.substr(0, space));
            cmd.Params = std::string(line.substr(space + 1));
        }
    }
    return cmd;
}

} // namespace

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The line is split as it is: spaces and quotes are ASCII and never part of a longer UTF-8 character, so
// names the legacy code page lacks reach the program unchanged; only the limits count legacy bytes.
// Malformed text, which no system string holds, is split in the legacy encoding, as it always was.
TCmd SplitCommandLine(std::string_view commandLine) {
    const std::string_view line = TrimBlanks(commandLine);
    if (IsValidUtf8(line)) return SplitWith(line, CutText);
    const std::string legacy = ToLegacy(line);
    const TCmd cmd = SplitWith(legacy, CutLegacy);
    return TCmd{FromLegacy(cmd.Path), FromLegacy(cmd.Params)};
}

std::string QuoteIfSpaced(std::string_view text) {
    if (text.find(' ') == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string JoinCommandLine(const TCmd& cmd) {
    std::string line = QuoteIfSpaced(cmd.Path);
    if (!cmd.Params.empty()) {
        line += ' ';
        line += cmd.Params;
    }
    return line;
}

std::string SubstituteParam(std::string_view templ, std::string_view file) {
    const std::size_t at = templ.find("%1");
    if (at == std::string_view::npos) return std::string(templ);
    std::string result(templ.substr(0, at));
    result += file;
    result += templ.substr(at + 2);
    return result;
}

int SplitIconLocation(std::string& location) {
    const std::size_t comma = location.rfind(',');
    if (comma == std::string::npos) return 0;
    std::string_view number = std::string_view(location).substr(comma + 1);
    number = number.substr(0, 260);
    // Leading blanks and a plus sign are accepted, as the old integer conversion did; nothing may follow.
    while (!number.empty() && (number.front() == ' ' || number.front() == '\t'))
        number.remove_prefix(1);
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    if (number.empty()) return 0;
    std::int32_t index = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), index);
    if (ec != std::errc() || end != number.data() + number.size()) return 0;
    location.resize(comma);
    return index;
}

std::string_view UnquotedPath(std::string_view path) {
    const std::string_view trimmed = TrimBlanks(path);
    if (trimmed.size() < 2 || trimmed.front() != '"' || trimmed.back() != '"') return trimmed;
    return trimmed.substr(1, trimmed.size() - 2);
}

std::string AddBackslash(std::string_view path) {
    std::string result(path);
    if (result.empty() || result.back() != '\\') result += '\\';
    return result;
}

std::string RemoveBackslash(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return std::string(path);
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t at = path.find_last_of("\\/:");
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const std::size_t at = path.find_last_of("\\/:");
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const std::size_t at = path.find_last_of(".\\/:");
    return at == std::string_view::npos || path[at] != '.' ? std::string() : std::string(path.substr(at));
}

} // namespace lodestar
