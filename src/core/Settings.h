// The program-wide settings as stored under the "Settings" and "Window" keys: their names, defaults
// and the corrections applied on reading. Every value name is spelled here and nowhere else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lodestar {

// What the program does when an item's file is not found.
enum : std::int32_t { nfWarning = 0, nfBeep = 1, nfNothing = 2 };
// How drops on the notification area are detected.
enum : std::int32_t { dndOff = 0, dndTimer = 1, dndHook = 2 };

struct TSettings {
    bool ShowMainIcon = true;
    bool ClickType = false; // false: single click starts an item; true: double click
    bool ConfirmOnDel = true;
    bool DereferLinks = false;
    bool HideLinkOverlay = false;
    bool GrayIcons = false;
    std::int32_t Interval = 500; // drop detection timer, milliseconds
    std::int32_t NotifyNotFound = nfWarning;
    std::int32_t IconGroup = 0;
    std::int32_t TrayDndType = dndTimer;
    std::string DefIconPath; // empty: automatic
    std::int32_t IconDlgIconSize = 0;
    // Items whose program runs carry a mark on their icons.
    bool MarkRunning = true;

    friend bool operator==(const TSettings&, const TSettings&) = default;
};

// Visits every setting with its stored name, in the stored order.
template <typename Settings, typename Visit> void ForEachSetting(Settings& s, Visit&& visit) {
    visit("ShowMainIcon", s.ShowMainIcon);
    visit("ClickType", s.ClickType);
    visit("ConfirmOnDel", s.ConfirmOnDel);
    visit("DereferLinks", s.DereferLinks);
    visit("HideLinkOverlay", s.HideLinkOverlay);
    visit("GrayIcons", s.GrayIcons);
    visit("Interval", s.Interval);
    visit("NotifyNotFound", s.NotifyNotFound);
    visit("IconGroup", s.IconGroup);
    visit("TrayDndType", s.TrayDndType);
    visit("DefIconPath", s.DefIconPath);
    visit("IconDlgIconSize", s.IconDlgIconSize);
    visit("MarkRunning", s.MarkRunning);
}

// Values as stored may be anything another program or an older version wrote; these make them usable.
std::int32_t CorrectInterval(std::int32_t stored);
std::int32_t CorrectChoiceOfThree(std::int32_t stored); // "NotifyNotFound", "TrayDndType"
std::int32_t CorrectGroupNumber(std::int32_t stored);
void CorrectSettings(TSettings& s);

// Dialog positions and the toolbar lock. Positions and the group list width are kept only when stored:
// their defaults depend on the screen and the dialog, which the dialog knows.
struct TWindowSettings {
    std::optional<bool> FixToolbarPos;
    std::optional<std::int32_t> OptDlgTop;
    std::optional<std::int32_t> OptDlgLeft;
    std::optional<std::int32_t> GroupViewWidth;

    bool FixToolbars() const { return FixToolbarPos.value_or(false); }
    std::int32_t GroupViewWidthOrDefault() const { return GroupViewWidth.value_or(100); }

    friend bool operator==(const TWindowSettings&, const TWindowSettings&) = default;
};

template <typename Window, typename Visit> void ForEachWindowSetting(Window& w, Visit&& visit) {
    visit("FixToolbarPos", w.FixToolbarPos);
    visit("OptDlgTop", w.OptDlgTop);
    visit("OptDlgLeft", w.OptDlgLeft);
    visit("GroupViewWidth", w.GroupViewWidth);
}

// A group's name as stored: a name equal to the group's own number is stored empty.
std::string StoredGroupName(int group, const std::string& name);
// A group's caption: its name, or its number when the name is empty.
std::string GroupCaption(int group, const std::string& storedName);

// The running program holds this mutex; other tools look for it.
inline constexpr const wchar_t* kInstanceMutex = L"Marlowe's Software. Lodestar Mark-R";

// Registry names of the tree.
inline constexpr const char* kProgramKey = "\\Software\\Marlowe\\Lodestar";
inline constexpr const char* kVendorKey = "\\Software\\Marlowe";
inline constexpr const char* kSettingsKey = "Settings";
inline constexpr const char* kWindowKey = "Window";
inline constexpr const char* kGroupsKey = "Groups";
std::string GroupKeyName(int group);    // "g003"
std::string ItemValueName(int counter); // "i001"

} // namespace lodestar
