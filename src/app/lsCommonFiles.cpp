// Items made from the files a user drops on the program or picks in a dialog.
#include "lsCommon.h"

#include "CommandLine.h"
#include "IniText.h"
#include "ItemRecord.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string_view>
#include <utility>

namespace lodestar {

namespace {

// An Internet shortcut is a few hundred bytes; a file beyond this is not read as one.
constexpr LONGLONG kMaxInternetShortcutBytes = 16 * 1024 * 1024;

PCIDLIST_ABSOLUTE AsPidl(const IdList& list) {
    return reinterpret_cast<PCIDLIST_ABSOLUTE>(list.Data());
}

// The whole file; empty when it cannot be read. Others may go on writing or deleting it meanwhile.
std::string ReadWholeFile(std::string_view path) {
    const UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxInternetShortcutBytes) return {};
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return {};
    bytes.resize(read);
    return bytes;
}

// The file name without folder and without its last extension.
std::string BaseName(std::string_view path) {
    std::string name = ExtractFileName(path);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    return name;
}

bool HasUrlExtension(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::wstring extension = Widen(std::string_view(name).substr(dot));
    return ::CompareStringOrdinal(extension.c_str(), static_cast<int>(extension.size()), L".url", 4, TRUE) ==
           CSTR_EQUAL;
}

// Windows 10 and later name a new shortcut "<target> - ショートカット" (" - Shortcut" in English) where the
// older shells put "へのショートカット" after the target; the item shows the target's own name either way.
// A numbered copy ("... - ショートカット (2)") keeps its name, as the older form's does.
std::string RemoveNewShortcutSuffix(std::string name) {
    for (const std::string_view suffix : {" - ショートカット", " - Shortcut"}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            name.erase(name.size() - suffix.size());
            break;
        }
    }
    return name;
}

} // namespace

bool IsFileSystemObject(std::string_view path, const IdList& idList) {
    if (idList.Present()) {
        SHFILEINFOW info{};
        if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(AsPidl(idList)), 0, &info, sizeof info,
                             SHGFI_PIDL | SHGFI_ATTRIBUTES))
            return (info.dwAttributes & SFGAO_FILESYSTEM) != 0;
    }
    return !path.empty();
}

TItemData MakeItemData(std::string tip, std::string cmd, IdList idList, std::string defDir,
                       std::string customIcon, std::uint8_t wndSize, std::uint16_t hotKey,
                       TChildIconList children) {
    TItemData item;
    item.Tip = std::move(tip);
    item.Cmd = std::move(cmd);
    item.IDList = std::move(idList);
    item.DefDir = std::move(defDir);
    item.CustomIcon = std::move(customIcon);
    item.WndSize = wndSize;
    item.HotKey = hotKey;
    item.Children = std::move(children);
    return item;
}

void ReadInternetShortcut(std::string_view path, TItemData& item) {
    item = TItemData();
    // Read as the profile functions read it, which is how the shell reads these files.
    const TIniText ini = TIniText::FromFileBytes(ReadWholeFile(path));
    constexpr std::string_view kSection = "InternetShortcut";
    item.Cmd = ini.ReadString(kSection, "URL", "");
    if (item.Cmd.empty()) return;
    item.Tip = BaseName(path);
    item.HotKey = HotkeyToShortCut(static_cast<std::uint16_t>(ini.ReadInteger(kSection, "HotKey", 0)));
    const std::string iconFile = ini.ReadString(kSection, "IconFile", "");
    if (!iconFile.empty())
        item.CustomIcon = iconFile + "," + std::to_string(ini.ReadInteger(kSection, "IconIndex", 0));
}

bool ItemFromFile(std::string_view path, TItemData& item) {
    item = TItemData();
    if (!FileExists(path)) return false;
    if (HasUrlExtension(path)) {
        ReadInternetShortcut(path, item);
        // One without a URL is no item; the caller takes the file itself, which the shell can open.
        return !item.Cmd.empty();
    }

    // Anything but a shortcut gives empty fields here.
    const TLinkInfo link = ReadLinkInfo(path, true);
    item.Cmd = link.Target;
    item.Tip = link.DisplayName;
    item.DefDir = link.WorkDir;
    if (!link.IconPath.empty()) item.CustomIcon = link.IconPath + "," + std::to_string(link.IconIndex);
    item.WndSize = ShowCmdToWndSize(link.ShowCmd);
    item.HotKey = HotkeyToShortCut(link.HotKey);

    bool withArguments = true;
    if (item.Cmd.empty() || FileExists(item.Cmd) || FolderExists(item.Cmd)) {
        if (IsFileSystemObject(item.Cmd, link.IDList)) {
            // The target comes in its short form; the item shows and keeps the name the user knows.
            item.Cmd = QuoteIfSpaced(LongPathName(item.Cmd));
        } else {
            // A shell object without a path (Control Panel, My Computer): only its ID list can start it.
            item.IDList = link.IDList;
            withArguments = false;
        }
    } else {
        // A target that is not there now (a drive not attached, a file deleted) keeps its path. Without
        // quotes, a blank in it would end the program part of the command.
        item.Cmd = QuoteIfSpaced(item.Cmd);
    }
    if (withArguments && !item.Cmd.empty() && !link.Arguments.empty()) item.Cmd += " " + link.Arguments;

    item.Tip = RemoveNewShortcutSuffix(RemoveShortcutSuffix(item.Tip));
    return IsValidItem(item);
}

std::string ChildDefaultName(std::string_view cmd, const IdList& idList) {
    if (idList.Present()) {
        SHFILEINFOW info{};
        if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(AsPidl(idList)), 0, &info, sizeof info,
                             SHGFI_PIDL | SHGFI_DISPLAYNAME))
            return Narrow(info.szDisplayName);
    }
    return PathDisplayName(SplitCommandLine(cmd).Path);
}

std::string ItemName(const TItemData& item) {
    return item.Tip.empty() ? DefaultTip(item) : item.Tip;
}

} // namespace lodestar
