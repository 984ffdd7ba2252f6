#include "TrayIdentity.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace lodestar {

namespace {
constexpr int kGroups = 10;
constexpr int kNumbers = 200;
constexpr std::uint32_t kGroupSpan = 1000;

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}
} // namespace

std::uint32_t ItemIconId(int group, int number) {
    if (group < 0 || group >= kGroups || number < 1 || number > kNumbers) return 0;
    return kGroupSpan * static_cast<std::uint32_t>(group + 1) + static_cast<std::uint32_t>(number);
}

std::optional<TKnownFolderPath> SplitKnownFolderPath(const std::string& path) {
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\ : 38 characters and the backslash.
    constexpr std::size_t kGuidLength = 38;
    if (path.size() <= kGuidLength || path[0] != '{' || path[kGuidLength - 1] != '}' ||
        path[kGuidLength] != '\\')
        return std::nullopt;
    for (std::size_t i = 1; i + 1 < kGuidLength; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? path[i] != '-' : !IsHex(path[i])) return std::nullopt;
    }
    return TKnownFolderPath{path.substr(0, kGuidLength), path.substr(kGuidLength + 1)};
}

std::size_t CountHiddenIcons(const std::vector<TNotifyIconRecord>& records,
                             const std::function<bool(const std::string& path)>& isProgram,
                             const std::vector<std::uint32_t>& ids) {
    // A stale duplicate record must not hide an icon the user turned on.
    std::set<std::uint32_t> promoted;
    for (const TNotifyIconRecord& record : records)
        if (record.Promoted && record.UID && isProgram(record.ExecutablePath)) promoted.insert(*record.UID);
    return static_cast<std::size_t>(
        std::count_if(ids.begin(), ids.end(), [&](std::uint32_t id) { return !promoted.count(id); }));
}

} // namespace lodestar
