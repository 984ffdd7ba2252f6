// Tests that start real programs use the probe (helpers/launch_probe.cpp): it writes what it was given
// (arguments, working folder, show command, start time) to a file and stays until WM_CLOSE.
#pragma once

#include "CommandLine.h"
#include "WinTestSupport.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#ifndef LODESTAR_LAUNCH_PROBE
#error "LODESTAR_LAUNCH_PROBE must name the probe program"
#endif

namespace lodestar::test {

inline std::string ProbePath() { return LODESTAR_LAUNCH_PROBE; }
inline std::string QuotedProbe() { return "\"" + ProbePath() + "\""; }
inline std::string ProbeFolder() { return RemoveBackslash(ExtractFilePath(ProbePath())); }

struct TProbeRecord {
    std::string CmdLine, Args, Cwd;
    int Show = -2;
    DWORD Pid = 0;
    std::uint64_t Start = 0; // 100 ns units of the system clock
};

struct TProbeEnd {
    std::uint64_t End = 0;
    std::string Reason;
};

inline std::map<std::string, std::string> ReadKeyValues(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(Widen(path).c_str(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

inline bool WaitForFile(const std::string& path, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (::GetFileAttributesW(Widen(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (std::chrono::steady_clock::now() > until) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Whether the probe writes its record within the time (for checks that nothing starts).
inline bool ProbeAppears(const std::string& out, int ms) { return WaitForFile(out, ms); }

inline TProbeRecord WaitForProbe(const std::string& out, int timeoutMs = 15000) {
    TProbeRecord record;
    EXPECT_TRUE(WaitForFile(out, timeoutMs)) << "the probe never wrote " << out;
    auto values = ReadKeyValues(out);
    record.CmdLine = values["cmdline"];
    record.Args = values["args"];
    record.Cwd = values["cwd"];
    if (!values["show"].empty()) record.Show = std::stoi(values["show"]);
    if (!values["pid"].empty()) record.Pid = static_cast<DWORD>(std::stoul(values["pid"]));
    if (!values["start"].empty()) record.Start = std::stoull(values["start"]);
    return record;
}

inline TProbeEnd WaitForProbeEnd(const std::string& out, int timeoutMs = 15000) {
    TProbeEnd end;
    EXPECT_TRUE(WaitForFile(out + ".end", timeoutMs)) << "the probe never ended: " << out;
    auto values = ReadKeyValues(out + ".end");
    if (!values["end"].empty()) end.End = std::stoull(values["end"]);
    end.Reason = values["reason"];
    return end;
}

// Asks every top-level window of the process to close, as the user would.
inline void ClosePid(DWORD pid) {
    if (!pid) return;
    struct Ctx {
        DWORD pid;
    } ctx{pid};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == reinterpret_cast<Ctx*>(param)->pid) ::PostMessageW(window, WM_CLOSE, 0, 0);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
}

inline bool SamePathText(const std::string& a, const std::string& b) {
    const std::string la = LongOf(a).empty() ? a : LongOf(a);
    const std::string lb = LongOf(b).empty() ? b : LongOf(b);
    return ::CompareStringOrdinal(Widen(RemoveBackslash(la)).c_str(), -1, Widen(RemoveBackslash(lb)).c_str(), -1,
                                  TRUE) == CSTR_EQUAL;
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TScratchFolder {
public:
    TScratchFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        folder_ = RemoveBackslash(Narrow(temp)) + "\\lodestar-" + std::to_string(::GetCurrentProcessId()) + "-" +
                  std::to_string(counter()++);
        ::CreateDirectoryW(Widen(folder_).c_str(), nullptr);
    }
    ~TScratchFolder() {
        std::wstring from = Widen(folder_);
        from.push_back(L'\0');
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        ::SHFileOperationW(&op);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const std::string& Folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "\\" + name; }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::string folder_;
};

// A class key under HKEY_CLASSES_ROOT with an "open" command, removed again at the end.
class TRegisteredCommand {
public:
    TRegisteredCommand(std::wstring className, const std::wstring& command) : class_(std::move(className)) {
        const std::wstring key = class_ + L"\\shell\\open\\command";
        ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                          static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    ~TRegisteredCommand() { ::RegDeleteTreeW(HKEY_CLASSES_ROOT, class_.c_str()); }
    TRegisteredCommand(const TRegisteredCommand&) = delete;
    TRegisteredCommand& operator=(const TRegisteredCommand&) = delete;

private:
    std::wstring class_;
};

// Closes the dialog windows this process shows (the shell's property sheets open in the caller's process).
inline void CloseOwnPropertySheets() {
    for (int round = 0; round < 20; ++round) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t cls[64] = {};
            ::GetClassNameW(window, cls, 64);
            if (owner == ::GetCurrentProcessId() && std::wstring(cls) == L"#32770")
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            return TRUE;
        },
        0);
}

} // namespace lodestar::test
