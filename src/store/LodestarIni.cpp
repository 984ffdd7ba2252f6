#include "LodestarIni.h"

#include "CommandLine.h"
#include "Handles.h"
#include "WinError.h"
#include "WinText.h"

#include <windows.h>

#include <optional>
#include <string>

namespace lodestar {

namespace {

// Far beyond any file the old versions wrote (a full group is a few tens of kilobytes); the limit keeps
// the conversions, which count in int, away from overflow.
constexpr LONGLONG kMaxIniBytes = 64 * 1024 * 1024;

// The file's bytes; nothing when the file or its folder does not exist.
std::optional<std::string> LoadFile(const std::string& path) {
    const UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
        throw EWindowsError(error);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) throw EWindowsError();
    if (size.QuadPart > kMaxIniBytes)
        throw EProgramError(path + " は設定ファイルとしては大きすぎるため読み込めません。");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                        nullptr))
            throw EWindowsError();
        if (read == 0) break; // the file shrank while being read
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

} // namespace

TLodestarIni::TLodestarIni(int group, std::string_view folder)
    // The folder is joined as it is: a "%" in it is an ordinary character of the path.
    : group_(group), fileName_(AddBackslash(folder) + IniFileName(group)) {
    if (const std::optional<std::string> bytes = LoadFile(fileName_)) {
        found_ = true;
        ini_ = TIniText::FromFileBytes(*bytes);
    }
}

void TLodestarIni::ReadItemList(std::vector<TItemData>& list) const {
    ReadIniItems(ini_, list);
}

std::string TLodestarIni::GroupName() const {
    return ReadIniGroupName(ini_);
}

TIniOptions TLodestarIni::ReadOptions() const {
    if (group_ != 0)
        throw EProgramError("Program Error: ReadOptionsはグループ0のINIファイルにしか使えません。");
    return ReadIniOptions(ini_);
}

} // namespace lodestar
