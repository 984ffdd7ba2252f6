#include "BringForward.h"

#include "Handles.h"
#include "ItemProgram.h"
#include "RunningCheck.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <algorithm>
#include <map>

namespace lodestar {

namespace {

// The executable of a process as a full path; empty when the system does not tell it.
std::string ProcessImage(DWORD pid) {
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    return process ? ProcessImagePath(process.Get()) : std::string();
}

bool SameProgram(const std::string& image, const std::string& program) {
    if (image.empty()) return false;
    const std::wstring a = Widen(LongPathName(image));
    const std::wstring b = Widen(program);
    if (::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                               TRUE) == CSTR_EQUAL)
        return true;
    // Another spelling of the same file (a short name, a second drive letter of the same folder).
    return SameFile(image, program, false);
}

bool ShownOnTaskbar(HWND window) {
    if (!::IsWindowVisible(window)) return false;
    const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_APPWINDOW) return true;
    return !(exStyle & WS_EX_TOOLWINDOW) && !::GetWindow(window, GW_OWNER);
}

struct TSearch {
    const std::string& Program;
    std::map<DWORD, bool> Known; // process id: whether it runs the program
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectProgramWindow(HWND window, LPARAM param) noexcept {
    try {
        auto& search = *reinterpret_cast<TSearch*>(param);
        if (!ShownOnTaskbar(window)) return TRUE;
        DWORD pid = 0;
        if (!::GetWindowThreadProcessId(window, &pid) || pid == ::GetCurrentProcessId()) return TRUE;
        auto [it, added] = search.Known.try_emplace(pid, false);
        if (added) it->second = SameProgram(ProcessImage(pid), search.Program);
        if (it->second) search.Found.push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The last window brought forward, for the turn of the next click.
struct TTurn {
    std::string Program;
    HWND Last = nullptr;
    DWORD At = 0;
};
TTurn turn;

} // namespace

HWND NextWindowInTurn(std::span<const HWND> windows, HWND last, bool inTurn) {
    if (windows.empty()) return nullptr;
    if (!inTurn || !last) return windows.front();
    std::vector<HWND> ordered(windows.begin(), windows.end());
    std::sort(ordered.begin(), ordered.end());
    // The first handle above the last one; one that has closed meanwhile keeps its place in the order.
    const auto next = std::upper_bound(ordered.begin(), ordered.end(), last);
    return next == ordered.end() ? ordered.front() : *next;
}

std::vector<HWND> ProgramWindows(const std::string& program) {
    TSearch search{program, {}, {}};
    if (!program.empty()) ::EnumWindows(CollectProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool BringItemForward(const TItemData& item) {
    const std::string program = ItemProgram(item);
    const std::vector<HWND> windows = ProgramWindows(program);
    if (windows.empty()) return false;
    const DWORD now = ::GetTickCount();
    const bool inTurn = turn.Program == program && now - turn.At < kForwardTurnMs;
    const HWND window = NextWindowInTurn(windows, turn.Last, inTurn);
    // Asynchronously, so that a program that does not answer cannot hold the launcher up.
    if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    turn = {program, window, now};
    return true;
}

} // namespace lodestar
