#include "NotifyIconSettings.h"

#include "Handles.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>

namespace lodestar {

namespace {

const wchar_t* const kRecordsKey = L"Control Panel\\NotifyIconSettings";
// FOLDERID_ProgramFilesX64.
constexpr GUID kProgramFilesX64{0x6D809377, 0x6AF0, 0x444B, {0x89, 0x57, 0xA3, 0x77, 0x3F, 0x02, 0x20, 0x0E}};

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    // The stored text need not end in a zero.
    text.resize(std::min<std::size_t>(size / sizeof(wchar_t), text.size()));
    if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
}

std::optional<std::uint32_t> ReadNumber(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

bool SamePath(const std::string& a, const std::string& b) {
    const std::wstring wa = Widen(a);
    const std::wstring wb = Widen(b);
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                  static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

bool OpenWithShell(const std::string& uri) {
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", Widen(uri).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

TNotifyIconSeams RealSeams() {
    return TNotifyIconSeams{OpenWithShell};
}

} // namespace

std::optional<std::vector<TNotifyIconRecord>> ReadNotifyIconRecords() {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRecordsKey, 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey records(raw);
    std::vector<TNotifyIconRecord> result;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD length = static_cast<DWORD>(std::size(name));
        const LONG status =
            ::RegEnumKeyExW(records.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue; // not a name Windows gives its records
        if (status != ERROR_SUCCESS) break;
        HKEY rawEntry = nullptr;
        if (::RegOpenKeyExW(records.Get(), name, 0, KEY_READ, &rawEntry) != ERROR_SUCCESS) continue;
        const UniqueKey entry(rawEntry);
        const std::optional<std::wstring> path = ReadText(entry.Get(), L"ExecutablePath");
        if (!path) continue;
        TNotifyIconRecord record;
        record.ExecutablePath = Narrow(*path);
        record.UID = ReadNumber(entry.Get(), L"UID");
        record.Promoted = ReadNumber(entry.Get(), L"IsPromoted").value_or(0) == 1;
        result.push_back(std::move(record));
    }
    return result;
}

std::string ResolveNotifyIconPath(const std::string& path) {
    const std::optional<TKnownFolderPath> split = SplitKnownFolderPath(path);
    if (!split) return path;
    GUID folderId{};
    if (FAILED(::CLSIDFromString(Widen(split->FolderId).c_str(), &folderId))) return path;
    std::wstring folder;
    PWSTR known = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(folderId, 0, nullptr, &known)) && known) folder = known;
    ::CoTaskMemFree(known);
    // A 32-bit program on 64-bit Windows is not told the 64-bit program folder, where it may well live.
    if (folder.empty() && ::IsEqualGUID(folderId, kProgramFilesX64)) {
        wchar_t buffer[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableW(L"ProgramW6432", buffer, MAX_PATH);
        if (length > 0 && length < MAX_PATH) folder.assign(buffer, length);
    }
    if (folder.empty()) return path;
    if (folder.back() != L'\\') folder += L'\\';
    return Narrow(folder) + split->Rest;
}

std::optional<std::size_t> HiddenIconCount(const std::string& programPath,
                                           const std::vector<std::uint32_t>& ids) {
    const std::optional<std::vector<TNotifyIconRecord>> records = ReadNotifyIconRecords();
    if (!records) return std::nullopt;
    return CountHiddenIcons(
        *records, [&](const std::string& path) { return SamePath(ResolveNotifyIconPath(path), programPath); },
        ids);
}

TNotifyIconSeams& NotifyIconSeams() {
    static TNotifyIconSeams seams = RealSeams();
    return seams;
}

void ResetNotifyIconSeams() {
    NotifyIconSeams() = RealSeams();
}

} // namespace lodestar
