#include "ShellIcons.h"

#include "CommandLine.h"
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
    return Narrow(text.data());
}

} // namespace

UniqueIcon ExtractSmallIcon(std::string_view location) {
    std::string file(location);
    const int index = SplitIconLocation(file);
    if (file.empty()) return {};
    HICON small = nullptr;
    // One icon per call; a missing file answers with a count, not an icon.
    const UINT extracted = ::ExtractIconExW(Widen(file).c_str(), index, nullptr, &small, 1);
    if (extracted == 0 || extracted == UINT_MAX) return {};
    return UniqueIcon(small);
}

UniqueIcon GetShellIcon(int number) {
    std::string location;
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons", 0, KEY_READ,
                        key.Put()) == ERROR_SUCCESS)
        location = ReadDefaultString(key.Get(), std::to_wstring(number).c_str());
    if (location.empty()) location = "Shell32.dll," + std::to_string(number);
    return ExtractSmallIcon(location);
}

UniqueIcon GetURLProtocolIcon(std::string_view protocolKey) {
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
    return ExtractSmallIcon(location);
}

} // namespace lodestar
