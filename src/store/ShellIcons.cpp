#include "ShellIcons.h"

#include "CommandLine.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace lodestar {

namespace {

std::string ReadDefaultString(HKEY key, const wchar_t* valueName) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    text.back() = L'\0';
    // As Windows writes most icon locations: "%SystemRoot%\system32\shell32.dll",13.
    return type == REG_EXPAND_SZ ? ExpandEnvironment(Narrow(text.data())) : Narrow(text.data());
}

// The file of an icon location, without the quotes a registry value may put around it.
std::wstring IconFile(std::string& location, int& index) {
    index = SplitIconLocation(location);
    return Widen(UnquotedPath(location));
}

} // namespace

UniqueIcon ExtractSmallIcon(std::string_view location) {
    std::string text(location);
    int index = 0;
    const std::wstring file = IconFile(text, index);
    if (file.empty()) return {};
    HICON small = nullptr;
    // One icon per call; a missing file answers with a count, not an icon.
    const UINT extracted = ::ExtractIconExW(file.c_str(), index, nullptr, &small, 1);
    if (extracted == 0 || extracted == UINT_MAX) return {};
    return UniqueIcon(small);
}

UniqueIcon ExtractIconAt(std::string_view location, int size) {
    if (size == 16) return ExtractSmallIcon(location);
    std::string text(location);
    int index = 0;
    const std::wstring file = IconFile(text, index);
    if (file.empty() || size <= 0) return {};
    HICON icon = nullptr;
    UINT id = 0;
    // Picks the file's entry of that size (or scales the nearest) instead of stretching the small one.
    const UINT extracted =
        ::PrivateExtractIconsW(file.c_str(), index, size, size, &icon, &id, 1, LR_DEFAULTCOLOR);
    if (extracted != 0 && extracted != UINT_MAX && icon) return UniqueIcon(icon);
    return ExtractSmallIcon(location);
}

UniqueIcon GetShellIcon(int number) {
    return GetShellIcon(number, 16);
}

UniqueIcon GetShellIcon(int number, int size) {
    std::string location;
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons", 0, KEY_READ,
                        key.Put()) == ERROR_SUCCESS)
        location = ReadDefaultString(key.Get(), std::to_wstring(number).c_str());
    if (location.empty()) location = "Shell32.dll," + std::to_string(number);
    return ExtractIconAt(location, size);
}

UniqueIcon GetURLProtocolIcon(std::string_view protocolKey, int size) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, Widen(protocolKey).c_str(), 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS)
        return {};
    if (::RegQueryValueExW(key.Get(), L"URL Protocol", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    UniqueKey iconKey;
    if (::RegOpenKeyExW(key.Get(), L"DefaultIcon", 0, KEY_READ, iconKey.Put()) != ERROR_SUCCESS) return {};
    const std::string location = ReadDefaultString(iconKey.Get(), nullptr);
    if (location.empty()) return {};
    return ExtractIconAt(location, size);
}

} // namespace lodestar
