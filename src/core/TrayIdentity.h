// The identifiers the program's notification icons carry towards the shell, and what Windows 11's own
// per-icon records say about them. Windows remembers per program and identifier whether the user wants an
// icon in the taskbar or in the overflow, so an icon keeps its identifier for as long as the user sees it as
// the same icon: across group switches, reloads and restarts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {

// The main icon keeps the identifier it always had as the first icon of the program.
constexpr std::uint32_t kMainIconId = 1;
// Icons with no identity of their own are counted from here, above every fixed identifier.
constexpr std::uint32_t kFirstCountedIconId = 0x10000;

// Item n (1..200) of group g (0..9) is 1000 * (g + 1) + n: item 7 of group 0 is 1007, item 200 of group 9
// is 10200. 0 for a group or number outside those ranges (such an icon keeps a counted identifier).
std::uint32_t ItemIconId(int group, int number);

// One of Windows 11's records under HKCU\Control Panel\NotifyIconSettings.
struct TNotifyIconRecord {
    std::string ExecutablePath;
    std::optional<std::uint32_t> UID; // missing for icons that identify themselves by a GUID
    bool Promoted = false;            // "IsPromoted" 1: shown in the taskbar
};

// Windows writes a path inside a known folder as "{GUID}\rest", the GUID naming the folder.
struct TKnownFolderPath {
    std::string FolderId; // with its braces, as written
    std::string Rest;     // what follows the backslash
};
// nullopt for a path that does not begin with a well-formed GUID in braces and a backslash.
std::optional<TKnownFolderPath> SplitKnownFolderPath(const std::string& path);

// How many of the program's icons `ids` lie in the overflow: those without a promoted record of the
// program. An icon with no record at all counts as hidden, since Windows 11 puts every new icon in the
// overflow. `isProgram` tells whether a record's path names the program.
std::size_t CountHiddenIcons(const std::vector<TNotifyIconRecord>& records,
                             const std::function<bool(const std::string& path)>& isProgram,
                             const std::vector<std::uint32_t>& ids);

} // namespace lodestar
