#include "Store.h"

#include "Errors.h"

#include <exception>
#include <type_traits>

namespace lodestar {

namespace {

std::string GroupKeyPath(int group) {
    return std::string(kGroupsKey) + "\\" + GroupKeyName(group);
}

// Writes a group key anew: delete, create, name, then the valid items numbered without gaps. When the old
// key cannot be deleted or the new one created, nothing is written and the stored group stays as it was.
// A value that cannot be written is left out and the rest are still written, so that one failing write
// costs no more than its own value; the first failure is raised at the end.
void RewriteGroup(TLsReg& reg, int group, const std::string& name, const std::vector<TItemData>& items) {
    // Nothing can be kept, as the user has been told: deleting first would fail and say so again.
    if (!reg.Writable()) return;
    const std::string path = GroupKeyPath(group);
    reg.OpenKey(kProgramKey, true);
    if (!reg.DeleteKey(path) && reg.KeyExists(path))
        throw EProgramError("グループ " + std::to_string(group) + " の保存先のキーを削除できません。");
    if (!reg.OpenKey(path, true))
        throw EProgramError("グループ " + std::to_string(group) + " の保存先のキーを作成できません。");
    std::exception_ptr firstError;
    const auto attempt = [&](auto&& write) {
        try {
            write();
        } catch (...) {
            if (!firstError) firstError = std::current_exception();
        }
    };
    attempt([&] { reg.WriteString("", name); });
    int counter = 1;
    for (const TItemData& item : items)
        attempt([&] {
            if (reg.WriteItem(ItemValueName(counter), item)) ++counter;
        });
    if (firstError) std::rethrow_exception(firstError);
}

} // namespace

TSettings ReadSettings() {
    TLsReg reg;
    TSettings settings;
    if (reg.OpenKey(kSettingsKey, false)) {
        ForEachSetting(settings, [&](const char* name, auto& field) {
            using T = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<T, bool>)
                field = reg.ReadBoolDef(name, field);
            else if constexpr (std::is_same_v<T, std::string>)
                field = reg.ReadStringDef(name, field);
            else
                field = reg.ReadIntegerDef(name, field);
        });
    }
    CorrectSettings(settings);
    return settings;
}

void WriteSettings(const TSettings& settings) {
    TLsReg reg;
    reg.OpenKey(kSettingsKey, true);
    ForEachSetting(settings, [&](const char* name, const auto& field) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>)
            reg.WriteBool(name, field);
        else if constexpr (std::is_same_v<T, std::string>)
            reg.WriteString(name, field);
        else
            reg.WriteInteger(name, field);
    });
}

void WriteIconGroup(int group) {
    TLsReg reg;
    reg.OpenKey(kSettingsKey, true);
    TSettings names;
    ForEachSetting(names, [&](const char* name, auto& field) {
        if (&field == static_cast<void*>(&names.IconGroup)) reg.WriteInteger(name, group);
    });
}

TWindowSettings ReadWindowSettings() {
    TLsReg reg;
    TWindowSettings window;
    if (!reg.OpenKey(kWindowKey, false)) return window;
    ForEachWindowSetting(window, [&](const char* name, auto& field) {
        const auto value = reg.ReadInteger(name);
        if (!value) return;
        using T = typename std::decay_t<decltype(field)>::value_type;
        if constexpr (std::is_same_v<T, bool>)
            field = *value != 0;
        else
            field = *value;
    });
    return window;
}

void WriteWindowSettings(const TWindowSettings& window) {
    TLsReg reg;
    reg.OpenKey(kWindowKey, true);
    ForEachWindowSetting(window, [&](const char* name, const auto& field) {
        if (!field) return;
        using T = typename std::decay_t<decltype(field)>::value_type;
        if constexpr (std::is_same_v<T, bool>)
            reg.WriteBool(name, *field);
        else
            reg.WriteInteger(name, *field);
    });
}

std::string ReadGroupName(int group) {
    TLsReg reg;
    if (!reg.OpenKey(GroupKeyPath(group), false)) return {};
    return reg.ReadStringDef("", "");
}

std::vector<TItemData> ReadGroupItems(int group) {
    TLsReg reg;
    std::vector<TItemData> items;
    reg.ReadGroup(group, 0, [&](const TItemData& item, int) { items.push_back(item); });
    return items;
}

TGroup ReadGroup(int group) {
    return TGroup{ReadGroupName(group), ReadGroupItems(group)};
}

TGroups ReadAllGroups() {
    TGroups groups;
    for (int g = 0; g < kGroupCount; ++g)
        groups[static_cast<std::size_t>(g)] = ReadGroup(g);
    return groups;
}

void SaveShownGroup(int group, const std::vector<TItemData>& items) {
    TLsReg reg;
    reg.OpenKey(GroupKeyPath(group), true);
    const std::string name = reg.ReadStringDef("", "");
    RewriteGroup(reg, group, name, items);
}

void SaveOtherGroups(int shownGroup, const TGroups& groups) {
    TLsReg reg;
    reg.OpenKey(kGroupsKey, true);
    for (int g = 0; g < kGroupCount; ++g) {
        const TGroup& group = groups[static_cast<std::size_t>(g)];
        const std::string name = StoredGroupName(g, group.Name);
        if (g == shownGroup) {
            reg.OpenKey(kProgramKey, true);
            reg.OpenKey(GroupKeyPath(g), true);
            reg.WriteString("", name);
        } else {
            RewriteGroup(reg, g, name, group.Items);
        }
    }
}

void ResetStore() {
    TLsReg reg;
    reg.DeleteKey(kProgramKey);
    if (reg.OpenKey(kVendorKey, false) && !reg.HasSubKeys()) {
        // The key must be closed before it can go.
        reg.OpenKey("\\Software", false);
        reg.DeleteKey(kVendorKey);
    }
}

} // namespace lodestar
