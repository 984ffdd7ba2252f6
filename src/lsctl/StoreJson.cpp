#include "StoreJson.h"

#include "ItemStream.h"
#include "LegacyText.h"

#include <cstdint>
#include <limits>
#include <set>

namespace lodestar {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

std::string Member(const std::string& place, const std::string& name) {
    return place.empty() ? name : place + "." + name;
}

std::string Index(const std::string& place, std::size_t i) {
    return place + "[" + std::to_string(i) + "]";
}

const json& ExpectObject(const json& j, const std::string& place) {
    if (!j.is_object()) throw EDocumentError(place, "オブジェクトが必要です");
    return j;
}

// Unknown members are refused: a misspelt name would otherwise be dropped without a word.
void OnlyKnown(const json& j, const std::string& place, std::initializer_list<const char*> known) {
    const std::set<std::string> names(known.begin(), known.end());
    for (const auto& [key, value] : j.items()) {
        if (!names.count(key)) throw EDocumentError(Member(place, key), "不明な項目です");
    }
}

std::int64_t Integer(const json& j, const std::string& place, std::int64_t min, std::int64_t max) {
    if (!j.is_number_integer()) throw EDocumentError(place, "整数が必要です");
    const std::int64_t value =
        j.is_number_unsigned() && j.get<std::uint64_t>() > static_cast<std::uint64_t>(max)
            ? max + 1
            : j.get<std::int64_t>();
    if (value < min || value > max)
        throw EDocumentError(place,
                             std::to_string(min) + " から " + std::to_string(max) + " の整数が必要です");
    return value;
}

bool Boolean(const json& j, const std::string& place) {
    if (!j.is_boolean()) throw EDocumentError(place, "true か false が必要です");
    return j.get<bool>();
}

// Stored texts end at their first NUL: a text holding one would be stored cut short.
std::string NulFreeString(const json& j, const std::string& place) {
    if (!j.is_string()) throw EDocumentError(place, "文字列が必要です");
    std::string text = j.get<std::string>();
    if (text.find('\0') != std::string::npos) throw EDocumentError(place, "NUL 文字は使えません");
    return text;
}

// Texts must fit what is stored: longer ones would be cut when written.
std::string Text(const json& j, const std::string& place) {
    std::string text = NulFreeString(j, place);
    if (LegacyLength(text) > kMaxStoredString)
        throw EDocumentError(place, "長すぎます (" + std::to_string(kMaxStoredString) + " バイトまで)");
    return text;
}

std::string Name(const json& j, const std::string& place) {
    return NulFreeString(j, place);
}

IdList IdListOf(const json& j, const std::string& place) {
    if (j.is_null()) return {};
    if (!j.is_string()) throw EDocumentError(place, "16 進数の文字列か null が必要です");
    const std::vector<std::uint8_t> bytes = FromHex(j.get<std::string>(), place);
    auto list = IdList::FromBytes(bytes);
    if (!list) throw EDocumentError(place, "ID リストとして正しくありません");
    return *list;
}

ordered_json IdListToJson(const IdList& list) {
    return list.Present() ? ordered_json(ToHex(list.Bytes())) : ordered_json(nullptr);
}

ordered_json ChildToJson(const TChildIcon& child) {
    ordered_json j;
    j["IDList"] = IdListToJson(child.IDList);
    j["Cmd"] = child.Cmd;
    j["DefDir"] = child.DefDir;
    j["WndSize"] = child.WndSize;
    j["DelayMs"] = child.DelayMs;
    j["WaitMode"] = child.WaitMode;
    j["AutoQuit"] = child.AutoQuit;
    j["DupCheckMode"] = child.DupCheckMode;
    j["DupCheckText"] = child.DupCheckText;
    return j;
}

TChildIcon ChildFromJson(const json& j, const std::string& place) {
    ExpectObject(j, place);
    OnlyKnown(j, place,
              {"IDList", "Cmd", "DefDir", "WndSize", "DelayMs", "WaitMode", "AutoQuit", "DupCheckMode",
               "DupCheckText"});
    TChildIcon child;
    for (const auto& [key, value] : j.items()) {
        const std::string at = Member(place, key);
        if (key == "IDList")
            child.IDList = IdListOf(value, at);
        else if (key == "Cmd")
            child.Cmd = Text(value, at);
        else if (key == "DefDir")
            child.DefDir = Text(value, at);
        else if (key == "WndSize")
            child.WndSize = static_cast<std::uint8_t>(Integer(value, at, 0, 2));
        else if (key == "DelayMs")
            child.DelayMs =
                static_cast<std::int32_t>(Integer(value, at, std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
        else if (key == "WaitMode")
            child.WaitMode = static_cast<std::uint8_t>(Integer(value, at, 0, 2));
        else if (key == "AutoQuit")
            child.AutoQuit = Boolean(value, at);
        else if (key == "DupCheckMode")
            child.DupCheckMode = static_cast<std::uint8_t>(Integer(value, at, 0, 3));
        else if (key == "DupCheckText")
            child.DupCheckText = Text(value, at);
    }
    if (!IsValidItem(child)) throw EDocumentError(place, "Cmd か IDList のどちらかが必要です");
    return child;
}

} // namespace

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 0xF];
    }
    return hex;
}

std::vector<std::uint8_t> FromHex(std::string_view text, const std::string& place) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (high >= 0) throw EDocumentError(place, "16 進数の桁数が奇数です");
            continue;
        }
        const int d = digit(c);
        if (d < 0) throw EDocumentError(place, "16 進数として正しくない文字があります");
        if (high < 0) {
            high = d;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | d));
            high = -1;
        }
    }
    if (high >= 0) throw EDocumentError(place, "16 進数の桁数が奇数です");
    return bytes;
}

ordered_json ItemToJson(const TItemData& item) {
    ordered_json j;
    j["Tip"] = item.Tip;
    j["Cmd"] = item.Cmd;
    j["IDList"] = IdListToJson(item.IDList);
    j["DefDir"] = item.DefDir;
    j["CustomIcon"] = item.CustomIcon;
    j["WndSize"] = item.WndSize;
    j["HotKey"] = item.HotKey;
    // Only when set: documents of items without it stay readable by older versions.
    if (item.BringForward) j["BringForward"] = true;
    j["Children"] = ordered_json::array();
    for (const TChildIcon& child : item.Children)
        j["Children"].push_back(ChildToJson(child));
    return j;
}

TItemData ItemFromJson(const json& j, const std::string& place) {
    ExpectObject(j, place);
    OnlyKnown(
        j, place,
        {"Tip", "Cmd", "IDList", "DefDir", "CustomIcon", "WndSize", "HotKey", "BringForward", "Children"});
    TItemData item;
    for (const auto& [key, value] : j.items()) {
        const std::string at = Member(place, key);
        if (key == "Tip")
            item.Tip = Text(value, at);
        else if (key == "Cmd")
            item.Cmd = Text(value, at);
        else if (key == "IDList")
            item.IDList = IdListOf(value, at);
        else if (key == "DefDir")
            item.DefDir = Text(value, at);
        else if (key == "CustomIcon")
            item.CustomIcon = Text(value, at);
        else if (key == "WndSize")
            item.WndSize = static_cast<std::uint8_t>(Integer(value, at, 0, 2));
        else if (key == "HotKey")
            item.HotKey = static_cast<std::uint16_t>(Integer(value, at, 0, 0xFFFF));
        else if (key == "BringForward")
            item.BringForward = Boolean(value, at);
        else if (key == "Children") {
            if (!value.is_array()) throw EDocumentError(at, "配列が必要です");
            if (value.size() > kMaxChainEntries)
                throw EDocumentError(at, "連鎖起動は " + std::to_string(kMaxChainEntries) + " 個までです");
            for (std::size_t i = 0; i < value.size(); ++i)
                item.Children.push_back(ChildFromJson(value[i], Index(at, i)));
        }
    }
    if (!IsValidItem(item)) throw EDocumentError(place, "Cmd か IDList のどちらかが必要です");
    return item;
}

ordered_json DocumentToJson(const TStoreDocument& document) {
    ordered_json j;
    ordered_json& settings = j["Settings"] = ordered_json::object();
    ForEachSetting(document.Settings, [&](const char* name, const auto& field) { settings[name] = field; });
    ordered_json& window = j["Window"] = ordered_json::object();
    ForEachWindowSetting(document.Window, [&](const char* name, const auto& field) {
        if (field) window[name] = *field;
    });
    ordered_json& groups = j["Groups"] = ordered_json::array();
    for (const TStoredGroup& group : document.Groups) {
        ordered_json g;
        g["Name"] = group.Name;
        g["Items"] = ordered_json::array();
        for (const TItemData& item : group.Items)
            g["Items"].push_back(ItemToJson(item));
        groups.push_back(std::move(g));
    }
    return j;
}

namespace {

// Range of each integer setting as the program itself would store it.
std::pair<std::int64_t, std::int64_t> SettingRange(const std::string& name) {
    if (name == "Interval") return {300, 1200};
    if (name == "NotifyNotFound" || name == "TrayDndType") return {0, 2};
    if (name == "IconGroup") return {0, kGroupCount - 1};
    if (name == "IconDlgIconSize") return {0, 255};
    return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
}

TSettings SettingsFromJson(const json& j, const std::string& place) {
    ExpectObject(j, place);
    TSettings settings;
    std::set<std::string> known;
    ForEachSetting(settings, [&](const char* name, auto& field) {
        known.insert(name);
        const auto it = j.find(name);
        if (it == j.end()) return;
        const std::string at = Member(place, name);
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>) {
            field = Boolean(*it, at);
        } else if constexpr (std::is_same_v<T, std::string>) {
            field = Text(*it, at);
        } else {
            const auto [min, max] = SettingRange(name);
            field = static_cast<T>(Integer(*it, at, min, max));
        }
    });
    for (const auto& [key, value] : j.items()) {
        if (!known.count(key)) throw EDocumentError(Member(place, key), "不明な項目です");
    }
    return settings;
}

TWindowSettings WindowFromJson(const json& j, const std::string& place) {
    ExpectObject(j, place);
    TWindowSettings window;
    std::set<std::string> known;
    ForEachWindowSetting(window, [&](const char* name, auto& field) {
        known.insert(name);
        const auto it = j.find(name);
        if (it == j.end()) return;
        const std::string at = Member(place, name);
        using T = typename std::decay_t<decltype(field)>::value_type;
        if constexpr (std::is_same_v<T, bool>)
            field = Boolean(*it, at);
        else
            field = static_cast<T>(Integer(*it, at, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max()));
    });
    for (const auto& [key, value] : j.items()) {
        if (!known.count(key)) throw EDocumentError(Member(place, key), "不明な項目です");
    }
    return window;
}

} // namespace

TStoreDocument DocumentFromJson(const json& j) {
    ExpectObject(j, "");
    OnlyKnown(j, "", {"Settings", "Window", "Groups"});
    TStoreDocument document;
    if (auto it = j.find("Settings"); it != j.end()) document.Settings = SettingsFromJson(*it, "Settings");
    if (auto it = j.find("Window"); it != j.end()) document.Window = WindowFromJson(*it, "Window");
    const auto groups = j.find("Groups");
    if (groups == j.end()) throw EDocumentError("Groups", "グループがありません");
    if (!groups->is_array() || groups->size() != kGroupCount)
        throw EDocumentError("Groups", std::to_string(kGroupCount) + " 個のグループの配列が必要です");
    for (std::size_t g = 0; g < kGroupCount; ++g) {
        const std::string at = Index("Groups", g);
        const json& group = ExpectObject((*groups)[g], at);
        OnlyKnown(group, at, {"Name", "Items"});
        TStoredGroup& target = document.Groups[g];
        if (auto name = group.find("Name"); name != group.end())
            target.Name = Name(*name, Member(at, "Name"));
        if (auto items = group.find("Items"); items != group.end()) {
            const std::string itemsAt = Member(at, "Items");
            if (!items->is_array()) throw EDocumentError(itemsAt, "配列が必要です");
            if (items->size() > kMaxItemsInGroup)
                throw EDocumentError(itemsAt,
                                     "アイコン項目は " + std::to_string(kMaxItemsInGroup) + " 個までです");
            for (std::size_t i = 0; i < items->size(); ++i)
                target.Items.push_back(ItemFromJson((*items)[i], Index(itemsAt, i)));
        }
    }
    return document;
}

} // namespace lodestar
