// The INI files of versions up to 2.61: one file per group in the program's folder, read the way the
// Windows profile functions (GetPrivateProfileString, GetPrivateProfileInt) read them, so that an
// imported file yields exactly what those versions saw in it.
#pragma once

#include "ItemData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lodestar {

// The bytes of an INI file as UTF-8 text. A byte order mark (a file an editor saved as Unicode) selects
// UTF-8, UTF-16LE or UTF-16BE; without one the bytes are legacy text. Malformed sequences become U+FFFD.
std::string DecodeIniBytes(std::string_view bytes);

// Case-insensitive form of a section or key name: letters of the scripts a legacy code page can hold
// (Latin, Greek, Cyrillic, Roman numerals, full-width Latin) in lower case, as Windows ignores their case
// in names (Wine only that of ASCII letters). Bytes that are not UTF-8 pass unchanged.
std::string FoldIniName(std::string_view name);

// GetPrivateProfileInt's conversion of a value that was found (quotes already removed): blanks and
// control characters skipped, one sign, a "0x", "0o" or "0b" prefix, digits of that base up to the first
// other character, 32-bit wraparound; only the first 29 characters count. An empty value gives `def`.
int ProfileInteger(std::string_view value, int def);

// Where the profile functions remove quotes: a value starting and ending with the same double or single
// quote loses both (a lone quote stays).
std::string_view StripProfileQuotes(std::string_view value);

// One parsed INI file.
//
// Lines end at any run of CR and LF. Each line is trimmed of blanks (space, tab, VT, FF and the DOS end
// mark ^Z). "[name]" starts a section named by the text up to the line's last "]" (trimmed); "[" without
// "]" is an ordinary line. Other lines are keys: the trimmed text before the first "=" is the name, the
// trimmed text after it the value; a line without "=" is a key without value. Comments (";") are keys
// too, which the listing leaves out. Lines before the first section belong to an unnamed section. Names
// are compared case-insensitively, and where a section or key name occurs more than once the first
// occurrence hides the others. A NUL ends a name or a value, as the profile functions hand them out as C
// strings.
class TIniText {
public:
    TIniText() = default;
    static TIniText Parse(std::string_view utf8);
    static TIniText FromFileBytes(std::string_view bytes) { return Parse(DecodeIniBytes(bytes)); }

    // GetPrivateProfileString with a key name: the value without its quotes; nothing when the section
    // or the key is missing or the key's first occurrence has no "=".
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // GetPrivateProfileInt; a boolean is an integer that is not zero.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // GetPrivateProfileString without a key name: the names of the section's keys that have a value, in
    // file order and with repeats, leaving out comments (names starting with ";"); as there, the section
    // name is taken untrimmed. Where the profile function gives an empty name, which ends its list and so
    // hides every later key, the name is left out and the list goes on.
    std::vector<std::string> KeyNames(std::string_view section) const;
    std::vector<std::string> SectionNames() const;

private:
    struct TKey {
        std::string Name;
        std::optional<std::string> Value; // trimmed, quotes kept; none for a line without "="
    };
    struct TSection {
        std::string Name;
        std::vector<TKey> Keys;
        std::unordered_map<std::string, std::size_t> FirstKey; // folded name -> index in Keys
    };

    const TSection* FindSection(std::string_view foldedName) const;
    const TKey* FindKey(std::string_view section, std::string_view key) const;

    std::vector<TSection> sections_;
    std::unordered_map<std::string, std::size_t> firstSection_; // folded name -> index in sections_
};

// The name of a group's file: "LODESTAR.INI" for group 0, "LODEST01.INI" .. "LODEST09.INI" for the others.
// A group outside 0..9 is a programming error (EProgramError).
std::string IniFileName(int group);

// One key of section "Entries" that makes an item.
struct TIniEntry {
    std::string Name;
    std::string Cmd;
    friend bool operator==(const TIniEntry&, const TIniEntry&) = default;
};

// The keys of section "Entries" in file order, each name once (the first spelling, trimmed as a look-up
// trims it; its value is the one GetPrivateProfileString gives for it), without those whose value is empty.
std::vector<TIniEntry> ReadIniEntries(const TIniText& ini);

// Appends one item per entry: Cmd from "Entries", Tip, DefDir and CustomIcon from the sections of those
// names, WndSize from "WindowSize" (0 unless 0..2) and HotKey from "HotKey" (its low 16 bits), all under
// the item's name. The list must be empty: anything else is a programming error (EProgramError).
void ReadIniItems(const TIniText& ini, std::vector<TItemData>& list);

// [Group] Name; empty when absent, which means the group is shown by its number.
std::string ReadIniGroupName(const TIniText& ini);

// Section "Options" of the group 0 file.
struct TIniOptions {
    bool ShowMainIcon = true;
    bool ClickType = false;
    int NotifyNotFound = 1;
    bool DereferLinks = false;
    bool DnDTimer = true;
    int Interval = 500;
    bool ConfirmDelete = true;
    bool HideLinkOverlay = false;
    std::string DefIconPath;
    friend bool operator==(const TIniOptions&, const TIniOptions&) = default;
};

TIniOptions ReadIniOptions(const TIniText& ini);

// The drag-and-drop interval's position on its track bar (hundreds of milliseconds, 3 to 12): the middle
// position 5 for a value outside 300..1200.
int IntervalTrackPosition(int value);

} // namespace lodestar
