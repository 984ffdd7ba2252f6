#include "RunningCheck.h"

#include "CommandLine.h"
#include "Handles.h"
#include "WinText.h"
#include "Wildcard.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

namespace lodestar {

namespace {

enum class TExeMethod { None, Snapshot, ProcessStatus };

// Windows NT 3.5x and 4.0 have no process snapshots, only the process status library. Every later NT
// and the 9x family have snapshots; on NT they give bare file names.
TExeMethod ChooseExeMethod() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996) // the reported version is all that is wanted here
#endif
    if (!::GetVersionExW(&version)) return TExeMethod::None;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return TExeMethod::Snapshot;
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return TExeMethod::None;
    const DWORD major = version.dwMajorVersion;
    const DWORD minor = version.dwMinorVersion;
    if ((major == 3 && (minor == 5 || minor == 51)) || major == 4) return TExeMethod::ProcessStatus;
    if (major >= 5) return TExeMethod::Snapshot;
    return TExeMethod::None;
}

TExeMethod ExeMethod() {
    static const TExeMethod method = ChooseExeMethod();
    return method;
}

std::string ExeFromProcessStatus(DWORD pid) {
    using EnumModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    using ModuleFileNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
    const UniqueModule psapi(::LoadLibraryW(L"PSAPI.DLL"));
    if (!psapi) return {};
    const auto enumModules = reinterpret_cast<EnumModulesFn>(
        reinterpret_cast<void*>(::GetProcAddress(psapi.Get(), "EnumProcessModules")));
    const auto moduleFileName = reinterpret_cast<ModuleFileNameFn>(
        reinterpret_cast<void*>(::GetProcAddress(psapi.Get(), "GetModuleFileNameExW")));
    if (!enumModules || !moduleFileName) return {};
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return {};
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!enumModules(process.Get(), &first, sizeof first, &needed)) return {};
    wchar_t path[MAX_PATH] = {};
    const DWORD n = moduleFileName(process.Get(), first, path, MAX_PATH);
    if (n == 0) return {};
    return Narrow(std::wstring_view(path, std::min<DWORD>(n, MAX_PATH)));
}

// Executable names of processes, learnt once per search: a snapshot holds every process at once, so
// one is enough however many windows are looked at.
class TProcessNames {
public:
    std::string PathOf(DWORD pid) {
        if (pid == 0) return {};
        switch (ExeMethod()) {
        case TExeMethod::Snapshot:
            return FromSnapshot(pid);
        case TExeMethod::ProcessStatus:
            return ExeFromProcessStatus(pid);
        case TExeMethod::None:
            break;
        }
        return {};
    }

private:
    struct TEntry {
        DWORD Pid;
        std::string Exe;
    };

    std::string FromSnapshot(DWORD pid) {
        if (!taken_) Take();
        const auto it =
            std::find_if(entries_.begin(), entries_.end(), [pid](const TEntry& e) { return e.Pid == pid; });
        return it == entries_.end() ? std::string() : it->Exe;
    }

    void Take() {
        taken_ = true;
        const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
             more = ::Process32NextW(snapshot.Get(), &entry)) {
            const std::wstring_view exe(
                entry.szExeFile, std::find(std::begin(entry.szExeFile), std::end(entry.szExeFile), L'\0'));
            entries_.push_back({entry.th32ProcessID, Narrow(exe)});
            entry.dwSize = sizeof entry;
        }
    }

    bool taken_ = false;
    std::vector<TEntry> entries_;
};

DWORD ProcessOfWindow(HWND window) {
    DWORD pid = 0;
    if (!window || !::GetWindowThreadProcessId(window, &pid)) return 0;
    return pid;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) noexcept {
    try {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// Whether a window's process has the executable file name, ASCII letters folded.
bool ExeRuns(std::string_view fileName) {
    if (fileName.empty()) return false;
    const std::string wanted = UpperAscii(fileName);
    TProcessNames names;
    for (HWND window : TopLevelWindows()) {
        const std::string name = ExtractFileName(names.PathOf(ProcessOfWindow(window)));
        if (!name.empty() && UpperAscii(name) == wanted) return true;
    }
    return false;
}

bool VisibleTitleMatches(const std::string& pattern) {
    for (HWND window : TopLevelWindows()) {
        if (!::IsWindowVisible(window)) continue;
        wchar_t title[MAX_PATH] = {};
        const int n = ::GetWindowTextW(window, title, MAX_PATH);
        if (WildcardMatch(Narrow(std::wstring_view(title, n > 0 ? n : 0)), pattern)) return true;
    }
    return false;
}

// Only programs proper are looked for; a document's name says nothing about what shows it.
bool IsCheckedProgram(std::string_view path) {
    const std::string ext = UpperAscii(ExtractFileExt(path));
    return ext == ".EXE" || ext == ".COM";
}

} // namespace

bool MayStart(const TChildIcon& entry) {
    switch (entry.DupCheckMode) {
    case 1: {
        // The program alone: programs under "Program Files" come quoted, and most take parameters. A
        // whole command that names a program with blanks in its path, unquoted, is taken as it always was.
        std::string program = SplitCommandLine(entry.Cmd).Path;
        if (!IsCheckedProgram(program)) program = entry.Cmd;
        if (!IsCheckedProgram(program)) return true;
        return !ExeRuns(ExtractFileName(program));
    }
    case 2:
        return !ExeRuns(entry.DupCheckText);
    case 3:
        return !VisibleTitleMatches(entry.DupCheckText);
    default:
        return true;
    }
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string GetWindowExePath(HWND window) {
    return TProcessNames().PathOf(ProcessOfWindow(window));
}

std::string ProcessImagePath(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    path.resize(size);
    return Narrow(path);
}

} // namespace lodestar
