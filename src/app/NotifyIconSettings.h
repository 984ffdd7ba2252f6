// Windows 11's records of the notification icons it has seen (HKCU\Control Panel\NotifyIconSettings), read
// and never written: Windows keeps every new icon in the overflow until the user turns it on in Settings,
// and programs may not do that themselves.
#pragma once

#include "TrayIdentity.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {

// All records; nullopt where Windows keeps none (the key is missing before Windows 11).
std::optional<std::vector<TNotifyIconRecord>> ReadNotifyIconRecords();

// A record's path with a leading known folder ("{GUID}\rest") written out; unchanged when it has none or
// the folder is unknown here.
std::string ResolveNotifyIconPath(const std::string& path);

// How many of the icons `ids` of the program at `programPath` lie in the overflow; nullopt where Windows
// keeps no records.
std::optional<std::size_t> HiddenIconCount(const std::string& programPath,
                                           const std::vector<std::uint32_t>& ids);

// Taskbar settings, where the user turns icons on.
constexpr const char* kTaskbarSettingsPage = "ms-settings:taskbar";

// Opens a settings page by its URI; true when the system started it. A test replaces it.
struct TNotifyIconSeams {
    std::function<bool(const std::string& uri)> OpenSettingsPage;
};
TNotifyIconSeams& NotifyIconSeams();
void ResetNotifyIconSeams();

} // namespace lodestar
