// Starting and reading the launch_probe helper (tests/win/helpers/launch_probe.cpp), which the tests start
// in place of real applications: it records how it was started (FILE) and how it ended (FILE.end).
#pragma once

#include "CommandLine.h"
#include "Handles.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lodestar::test {

// The probe is built next to every test executable.
inline std::string BuiltProbePath() {
    wchar_t self[2048] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, self, 2048);
    return ExtractFilePath(Narrow(std::wstring_view(self, n))) + "launch_probe.exe";
}

// Tests put the probe's path into command lines, some of them unquoted, and the program reads no more than
// 256 bytes of a command line. So that no test depends on where the build lies, the probe runs from a copy
// in a short folder without blanks (the short form of the temporary folder), this process's own, removed
// when the process ends. Should the copy fail, the built probe is used.
class TProbeCopy {
public:
    TProbeCopy() {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
        wchar_t shortTemp[MAX_PATH + 1] = {};
        const DWORD m = n ? ::GetShortPathNameW(temp, shortTemp, MAX_PATH + 1) : 0;
        const std::string base = m && m <= MAX_PATH ? Narrow(shortTemp) : Narrow(std::wstring_view(temp, n));
        folder_ = AddBackslash(base) + "lsprobe" + std::to_string(::GetCurrentProcessId());
        path_ = folder_ + "\\launch_probe.exe";
        ::CreateDirectoryW(Widen(folder_).c_str(), nullptr);
        if (base.empty() || base.find(' ') != std::string::npos ||
            !::CopyFileW(Widen(BuiltProbePath()).c_str(), Widen(path_).c_str(), FALSE)) {
            std::fprintf(stderr, "launch_probe: no copy in %s; the built probe runs instead\n",
                         folder_.c_str());
            ::RemoveDirectoryW(Widen(folder_).c_str());
            folder_.clear();
            path_ = BuiltProbePath();
        }
    }
    ~TProbeCopy() {
        if (folder_.empty()) return;
        // Probes that the tests ended may still be on their way out.
        std::error_code error;
        for (int attempt = 0; attempt < 50; ++attempt) {
            std::filesystem::remove_all(std::filesystem::path(Widen(folder_)), error);
            if (::GetFileAttributesW(Widen(folder_).c_str()) == INVALID_FILE_ATTRIBUTES) return;
            ::Sleep(100);
        }
    }
    TProbeCopy(const TProbeCopy&) = delete;
    TProbeCopy& operator=(const TProbeCopy&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

inline std::string LaunchProbePath() {
    static const TProbeCopy copy;
    return copy.Path();
}

// The probe's folder, without a trailing backslash: where it runs when given no working folder.
inline std::string ProbeFolder() {
    return RemoveBackslash(ExtractFilePath(LaunchProbePath()));
}

// A command line a test builds from its paths, as the program will split it: the program reads no more than
// 256 bytes of it, and a test whose paths passed that would see the cut instead of what it looks for.
inline void ExpectUncut(const std::string& line) {
    ASSERT_TRUE(line.ends_with(SplitCommandLine(line).Params))
        << "the program would cut this command line: " << line;
}

using TProbeRecord = std::map<std::string, std::string>;

// The record, or nothing while the file is not there. Files appear whole, so a record read is complete.
inline std::optional<TProbeRecord> ReadProbeRecord(const std::string& path) {
    const UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    TProbeRecord record;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (const std::size_t eq = line.find('='); eq != std::string::npos)
            record[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
    }
    return record;
}

// Polls for the record; an empty record when it has not come within the time.
inline TProbeRecord WaitForProbeRecord(const std::string& path, DWORD timeoutMs = 30000) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (auto record = ReadProbeRecord(path)) return *record;
        if (::GetTickCount64() >= deadline) return {};
        ::Sleep(20);
    }
}

// A time of the record (100 ns units of the system clock); 0 when the record lacks it.
inline std::uint64_t ProbeTime(const TProbeRecord& record, const std::string& key) {
    const auto it = record.find(key);
    return it == record.end() ? 0 : std::stoull(it->second);
}

constexpr std::uint64_t kTicksPerMs = 10000;

// Starts the probe directly with the arguments (its own options first); the process handle, or none.
inline UniqueKernelHandle StartProbe(const std::string& arguments, int show = SW_SHOWNORMAL) {
    std::wstring line = Widen("\"" + LaunchProbePath() + "\" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &created))
        return {};
    const UniqueKernelHandle thread(created.hThread);
    return UniqueKernelHandle(created.hProcess);
}

// Ends the probes of a test when the set goes: those it keeps a handle of, and those whose records it
// names, however they were started, when the record exists and no end record has been written. A test
// waits for the record of every probe that it expects to run, so that none is missed.
class TProbeSet {
public:
    TProbeSet() = default;
    TProbeSet(const TProbeSet&) = delete;
    TProbeSet& operator=(const TProbeSet&) = delete;
    ~TProbeSet() { EndAll(); }

    // Remembers a record path and hands it back.
    std::string Track(const std::string& recordPath) {
        records_.push_back(recordPath);
        return recordPath;
    }

    // Keeps a handle of a probe the test started itself (and may hand away), so that it is ended even
    // when its record never came.
    void Keep(const UniqueKernelHandle& process) {
        HANDLE copy = nullptr;
        if (process && ::DuplicateHandle(::GetCurrentProcess(), process.Get(), ::GetCurrentProcess(), &copy,
                                         PROCESS_TERMINATE | SYNCHRONIZE, FALSE, 0))
            kept_.emplace_back(copy);
    }

    void EndAll() {
        for (const UniqueKernelHandle& process : kept_) {
            if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) continue;
            ::TerminateProcess(process.Get(), 1);
            ::WaitForSingleObject(process.Get(), 10000);
        }
        kept_.clear();
        for (const std::string& path : records_) {
            const auto record = ReadProbeRecord(path);
            if (!record || ReadProbeRecord(path + ".end")) continue;
            const auto pid = record->find("pid");
            if (pid == record->end()) continue;
            const UniqueKernelHandle process(
                ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                              static_cast<DWORD>(std::stoul(pid->second))));
            if (!process || !IsProbe(process.Get())) continue;
            ::TerminateProcess(process.Get(), 1);
            ::WaitForSingleObject(process.Get(), 10000);
        }
        records_.clear();
    }

private:
    // The identifier may have passed to another program since the probe ended.
    static bool IsProbe(HANDLE process) {
        wchar_t image[2048] = {};
        DWORD size = 2048;
        if (!::QueryFullProcessImageNameW(process, 0, image, &size)) return false;
        return UpperAscii(ExtractFileName(Narrow(std::wstring_view(image, size)))) ==
               UpperAscii(ExtractFileName(LaunchProbePath()));
    }

    std::vector<std::string> records_;
    std::vector<UniqueKernelHandle> kept_;
};

// A fresh folder under the temporary folder (long form, with spaces in its name), removed with everything in
// it when the object goes.
class TTestFolder {
public:
    explicit TTestFolder(const std::string& stem) {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
        wchar_t longTemp[2048] = {};
        const DWORD m = ::GetLongPathNameW(temp, longTemp, 2048);
        const std::string base = m && m < 2048 ? Narrow(longTemp) : Narrow(std::wstring_view(temp, n));
        path_ = AddBackslash(base) + stem + " " + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(::GetTickCount64());
        created_ = ::CreateDirectoryW(Widen(path_).c_str(), nullptr) != FALSE;
    }
    ~TTestFolder() {
        // Programs that had their working folder here may still be on their way out.
        std::error_code error;
        for (int attempt = 0; attempt < 50; ++attempt) {
            std::filesystem::remove_all(std::filesystem::path(Widen(path_)), error);
            if (::GetFileAttributesW(Widen(path_).c_str()) == INVALID_FILE_ATTRIBUTES) return;
            ::Sleep(100);
        }
    }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    bool Created() const { return created_; }
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
    bool created_ = false;
};

// Paths compared as the file system does: letters of any case are equal.
inline bool SamePathText(const std::string& a, const std::string& b) {
    const std::wstring wa = Widen(a), wb = Widen(b);
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                  static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

// Keys written straight into HKEY_CLASSES_ROOT (Wine 8 does not show the user's classes there); every
// key this creates is removed with what lies below it, and a value it overwrote in a key that was there
// before (the system's ".txt") is put back.
class TClassKeys {
public:
    TClassKeys() = default;
    TClassKeys(const TClassKeys&) = delete;
    TClassKeys& operator=(const TClassKeys&) = delete;
    ~TClassKeys() {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, it->c_str());
        for (auto it = overwritten_.rbegin(); it != overwritten_.rend(); ++it) {
            if (!it->Value)
                ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, it->Path.c_str(), nullptr);
            else
                ::RegSetKeyValueW(HKEY_CLASSES_ROOT, it->Path.c_str(), nullptr, it->Type, it->Value->c_str(),
                                  static_cast<DWORD>((it->Value->size() + 1) * sizeof(wchar_t)));
        }
    }

    // `type` REG_EXPAND_SZ writes the value as Windows writes most commands and icon locations.
    void Set(const std::wstring& path, const std::string& value, DWORD type = REG_SZ) {
        UniqueKey key;
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = path.find(L'\\', start);
            DWORD disposition = 0;
            ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.substr(0, end).c_str(), 0, nullptr, 0,
                                        KEY_WRITE, nullptr, key.Put(), &disposition),
                      ERROR_SUCCESS);
            if (disposition == REG_CREATED_NEW_KEY) created_.push_back(path.substr(0, end));
            if (end == std::wstring::npos) break;
            start = end + 1;
        }
        if (std::find(created_.begin(), created_.end(), path) == created_.end()) {
            TOldValue old{path, REG_SZ, std::nullopt};
            wchar_t text[1024] = {};
            DWORD bytes = sizeof text;
            if (::RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr,
                               RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &old.Type, text,
                               &bytes) == ERROR_SUCCESS)
                old.Value = text;
            overwritten_.push_back(std::move(old));
        }
        const std::wstring wide = Widen(value);
        ASSERT_EQ(::RegSetValueExW(key.Get(), nullptr, 0, type, reinterpret_cast<const BYTE*>(wide.c_str()),
                                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    static bool HasVerbs(const std::wstring& fileClass) {
        UniqueKey key;
        if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (fileClass + L"\\shell").c_str(), 0, KEY_READ, key.Put()) !=
            ERROR_SUCCESS)
            return false;
        DWORD subKeys = 0;
        ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr);
        return subKeys > 0;
    }

private:
    struct TOldValue {
        std::wstring Path;
        DWORD Type;
        std::optional<std::wstring> Value; // none: the key had no default value
    };

    std::vector<std::wstring> created_;
    std::vector<TOldValue> overwritten_;
};

} // namespace lodestar::test
