#include "IniText.h"

#include "Errors.h"
#include "LegacyText.h"

#include <unordered_set>

namespace lodestar {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The well-formed UTF-8 character at `pos` and its length; length 0 when the bytes there are not one.
struct TDecoded {
    char32_t Cp = 0;
    std::size_t Length = 0;
};

TDecoded DecodeUtf8At(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(pos);
    if (lead < 0x80) return {lead, 1};
    // Overlong forms, surrogates and code points beyond U+10FFFF are rejected by the minimum and the checks
    // after the loop.
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4) return {};
    char32_t cp = lead & (0x7F >> length);
    const char32_t min = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (text.size() - pos < length) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = byte(pos + i);
        if ((next & 0xC0) != 0x80) return {};
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    return {cp, length};
}

std::string SanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const TDecoded d = DecodeUtf8At(text, pos);
        if (d.Length == 0) {
            AppendUtf8(out, kReplacement);
            ++pos;
        } else {
            out.append(text.substr(pos, d.Length));
            pos += d.Length;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char32_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    };
    const std::size_t count = bytes.size() / 2; // an odd last byte is no character
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

char32_t FoldChar(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c == 0x178) return 0xFF;
    // Latin Extended-A pairs its capitals with the next code point, on even code points in two runs and
    // on odd ones in two others; the few letters without a partner sit between the runs.
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c % 2 == 0 ? c + 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c == 0x3C2) return 0x3C3; // final sigma has the same capital as sigma
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x2160 && c <= 0x216F) return c + 0x10;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;
    return c;
}

bool IsProfileBlank(char c) {
    // ^Z is the DOS end-of-file mark that old editors left at the end of a file.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

std::string_view TrimProfile(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string CutAtNul(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

constexpr std::string_view kEntries = "Entries";

} // namespace

std::string DecodeIniBytes(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return SanitizeUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
    return FromLegacy(bytes);
}

std::string FoldIniName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        const TDecoded d = DecodeUtf8At(name, pos);
        if (d.Length == 0) {
            out += name[pos++];
        } else {
            AppendUtf8(out, FoldChar(d.Cp));
            pos += d.Length;
        }
    }
    return out;
}

int ProfileInteger(std::string_view value, int def) {
    if (value.empty()) return def;
    // The profile function reads the value into a buffer of 30 characters before converting it. Only
    // ASCII can be converted, so counting bytes here counts the same characters.
    value = value.substr(0, 29);
    std::size_t pos = 0;
    while (pos < value.size() && static_cast<unsigned char>(value[pos]) <= ' ')
        ++pos;
    bool negative = false;
    if (pos < value.size() && (value[pos] == '+' || value[pos] == '-')) negative = value[pos++] == '-';
    unsigned base = 10;
    if (value.size() - pos >= 2 && value[pos] == '0') {
        const char prefix = value[pos + 1];
        base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
        if (base != 10) pos += 2;
    }
    std::uint32_t total = 0;
    for (; pos < value.size(); ++pos) {
        const char c = value[pos];
        unsigned digit = 36;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'z')
            digit = static_cast<unsigned>(c - 'a') + 10;
        else if (c >= 'A' && c <= 'Z')
            digit = static_cast<unsigned>(c - 'A') + 10;
        if (digit >= base) break;
        total = total * base + digit; // wraps, as the 32-bit conversion does
    }
    if (negative) total = 0u - total;
    return static_cast<int>(total);
}

std::string_view StripProfileQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

TIniText TIniText::Parse(std::string_view text) {
    TIniText ini;
    // Keys before the first section header belong to a section without a name, which also hides a later
    // "[]".
    ini.sections_.emplace_back();
    ini.firstSection_.emplace(std::string(), 0);
    std::size_t current = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimProfile(text.substr(pos, end - pos));
        pos = text.find_first_not_of("\r\n", end);
        if (pos == std::string_view::npos) pos = text.size();
        if (line.empty()) continue;

        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                TSection section;
                section.Name = CutAtNul(TrimProfile(line.substr(1, close - 1)));
                current = ini.sections_.size();
                ini.firstSection_.try_emplace(FoldIniName(section.Name), current);
                ini.sections_.push_back(std::move(section));
                continue;
            }
        }

        TKey key;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            key.Name = CutAtNul(line);
        } else {
            key.Name = CutAtNul(TrimProfile(line.substr(0, equals)));
            key.Value = CutAtNul(TrimProfile(line.substr(equals + 1)));
        }
        TSection& section = ini.sections_[current];
        section.FirstKey.try_emplace(FoldIniName(key.Name), section.Keys.size());
        section.Keys.push_back(std::move(key));
    }
    return ini;
}

const TIniText::TSection* TIniText::FindSection(std::string_view foldedName) const {
    const auto found = firstSection_.find(std::string(foldedName));
    return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

const TIniText::TKey* TIniText::FindKey(std::string_view section, std::string_view key) const {
    const TSection* s = FindSection(FoldIniName(TrimProfile(section)));
    if (!s) return nullptr;
    const auto found = s->FirstKey.find(FoldIniName(TrimProfile(key)));
    return found == s->FirstKey.end() ? nullptr : &s->Keys[found->second];
}

std::optional<std::string> TIniText::ReadString(std::string_view section, std::string_view key) const {
    const TKey* k = FindKey(section, key);
    if (!k || !k->Value) return std::nullopt;
    return std::string(StripProfileQuotes(*k->Value));
}

std::string TIniText::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    std::optional<std::string> value = ReadString(section, key);
    return value ? std::move(*value) : std::string(def);
}

int TIniText::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const std::optional<std::string> value = ReadString(section, key);
    return value ? ProfileInteger(*value, def) : def;
}

bool TIniText::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> TIniText::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    const TSection* s = FindSection(FoldIniName(section));
    if (!s) return names;
    for (const TKey& key : s->Keys) {
        if (key.Value && !key.Name.empty() && key.Name.front() != ';') names.push_back(key.Name);
    }
    return names;
}

std::vector<std::string> TIniText::SectionNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        if (!sections_[i].Name.empty()) names.push_back(sections_[i].Name);
    }
    return names;
}

std::string IniFileName(int group) {
    if (group < 0 || group >= kGroupCount)
        throw EProgramError("Program Error: グループ番号 " + std::to_string(group) +
                            " のINIファイルはありません。");
    if (group == 0) return "LODESTAR.INI";
    return "LODEST0" + std::to_string(group) + ".INI";
}

std::vector<TIniEntry> ReadIniEntries(const TIniText& ini) {
    std::vector<TIniEntry> entries;
    std::unordered_set<std::string> seen;
    for (const std::string& listed : ini.KeyNames(kEntries)) {
        // Names are looked up trimmed (blanks before a NUL stay in a listed name), and a name met before
        // reads the first occurrence's value again: it is the same item.
        std::string name(TrimProfile(listed));
        if (!seen.insert(FoldIniName(name)).second) continue;
        std::string cmd = ini.ReadString(kEntries, name, "");
        if (!cmd.empty()) entries.push_back({std::move(name), std::move(cmd)});
    }
    return entries;
}

void ReadIniItems(const TIniText& ini, std::vector<TItemData>& list) {
    if (!list.empty())
        throw EProgramError("Program Error: ReadItemListのパラメータには空のListしか渡せません。");
    const std::vector<TIniEntry> entries = ReadIniEntries(ini);
    list.reserve(entries.size());
    for (const TIniEntry& entry : entries) {
        TItemData item;
        item.Cmd = entry.Cmd;
        item.Tip = ini.ReadString("Tips", entry.Name, "");
        item.DefDir = ini.ReadString("DefDir", entry.Name, "");
        item.CustomIcon = ini.ReadString("CustomIcon", entry.Name, "");
        const int wndSize = ini.ReadInteger("WindowSize", entry.Name, 0);
        item.WndSize = wndSize >= wsNormal && wndSize <= wsMaximized ? static_cast<std::uint8_t>(wndSize) : 0;
        item.HotKey =
            static_cast<std::uint16_t>(static_cast<std::uint32_t>(ini.ReadInteger("HotKey", entry.Name, 0)));
        list.push_back(std::move(item));
    }
    list.shrink_to_fit();
}

std::string ReadIniGroupName(const TIniText& ini) {
    return ini.ReadString("Group", "Name", "");
}

TIniOptions ReadIniOptions(const TIniText& ini) {
    constexpr std::string_view s = "Options";
    const TIniOptions d;
    TIniOptions o;
    o.ShowMainIcon = ini.ReadBool(s, "ShowMainIcon", d.ShowMainIcon);
    o.ClickType = ini.ReadBool(s, "ClickType", d.ClickType);
    o.NotifyNotFound = ini.ReadInteger(s, "NotifyNotFound", d.NotifyNotFound);
    o.DereferLinks = ini.ReadBool(s, "DereferLinks", d.DereferLinks);
    o.DnDTimer = ini.ReadBool(s, "DnDTimer", d.DnDTimer);
    o.Interval = ini.ReadInteger(s, "Interval", d.Interval);
    o.ConfirmDelete = ini.ReadBool(s, "Confirm@Del", d.ConfirmDelete);
    o.HideLinkOverlay = ini.ReadBool(s, "HideLinkOverlay", d.HideLinkOverlay);
    o.DefIconPath = ini.ReadString(s, "DefIconPath", d.DefIconPath);
    return o;
}

int IntervalTrackPosition(int value) {
    return value < 300 || value > 1200 ? 5 : value / 100;
}

} // namespace lodestar
