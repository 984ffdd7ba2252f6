#include "Settings.h"

#include <cstdio>

namespace lodestar {

std::int32_t CorrectInterval(std::int32_t stored) {
    return stored < 300 || stored > 1200 ? 500 : stored;
}

std::int32_t CorrectChoiceOfThree(std::int32_t stored) {
    const std::int32_t low = stored & 0xFF;
    return low > 2 ? 1 : low;
}

std::int32_t CorrectGroupNumber(std::int32_t stored) {
    return stored < 0 || stored > 9 ? 0 : stored;
}

void CorrectSettings(TSettings& s) {
    s.Interval = CorrectInterval(s.Interval);
    s.NotifyNotFound = CorrectChoiceOfThree(s.NotifyNotFound);
    s.TrayDndType = CorrectChoiceOfThree(s.TrayDndType);
    s.IconGroup = CorrectGroupNumber(s.IconGroup);
    s.IconDlgIconSize &= 0xFF;
}

std::string StoredGroupName(int group, const std::string& name) {
    return name == std::to_string(group) ? std::string() : name;
}

std::string GroupCaption(int group, const std::string& storedName) {
    return storedName.empty() ? std::to_string(group) : storedName;
}

std::string GroupKeyName(int group) {
    char name[16];
    std::snprintf(name, sizeof name, "g%.3d", group);
    return name;
}

std::string ItemValueName(int counter) {
    char name[16];
    std::snprintf(name, sizeof name, "i%.3d", counter);
    return name;
}

} // namespace lodestar
