// What watching for running programs costs: Lodestar.exe with 200 items, 20 of whose programs run, left
// idle; its share of one core over ten seconds, and then the time its main icon's menu takes to open
// after a right click, with the running marks on and, as the baseline, off.
//
//   running_bench [LODESTAR.exe] [--rounds N] [--first K]
//
// LODESTAR.exe defaults to the program built beside the benchmarks (../src/app/Lodestar.exe). The items'
// programs are copies of the system's Notepad in a folder of their own, so that each item has a program
// of its own; the first 20 are started from here, as a user would start them, not through Lodestar.
#include "BenchReport.h"
#include "BenchStore.h"
#include "BenchTiming.h"
#include "Store.h"
#include "TrayIdentity.h"
#include "WinText.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace lodestar;
namespace fs = std::filesystem;

namespace {

constexpr int kItems = 200;
constexpr int kRunning = 20;
constexpr DWORD kIdleMs = 10000;
constexpr int kMenuOpens = 10;

std::uint64_t CpuTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    const auto value = [](FILETIME t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return value(kernel) + value(user); // 100 ns units
}

struct TVisibleSearch {
    DWORD Pid;
    HWND Found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TVisibleSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == search.Pid && ::IsWindowVisible(window)) search.Found = window;
    return search.Found == nullptr;
}

struct TStarted {
    PROCESS_INFORMATION Info{};
    explicit TStarted(const std::wstring& exe, const std::wstring& folder = {}) {
        std::wstring line = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.empty() ? nullptr : folder.c_str(), &startup, &Info);
    }
    ~TStarted() {
        if (!Info.hProcess) return;
        ::TerminateProcess(Info.hProcess, 0);
        ::WaitForSingleObject(Info.hProcess, 10000);
        ::CloseHandle(Info.hProcess);
        ::CloseHandle(Info.hThread);
    }
    TStarted(const TStarted&) = delete;
    bool HasVisibleWindow() const {
        TVisibleSearch find{Info.dwProcessId, nullptr};
        ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&find));
        return find.Found != nullptr;
    }
};

bool WaitFor(const auto& done, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50, ::Sleep(50))
        if (done()) return true;
    return done();
}

HWND VisibleMenu(DWORD pid) {
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, L"#32768", nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == pid && ::IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// The time from a right click on the main icon (the message the shell sends the icons' window) until
// its menu shows, once per opening; Escape closes it again. Empty when a menu did not open or close.
std::vector<double> MenuOpenings(DWORD pid) {
    HWND icons = nullptr;
    for (HWND w = nullptr; (w = ::FindWindowExW(HWND_MESSAGE, w, L"LodestarTrayIcons", nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == pid) icons = w;
    }
    std::vector<double> opened;
    for (int i = 0; icons && i < kMenuOpens; ++i) {
        constexpr UINT kTrayCallbackMessage = WM_USER; // the program's callback message
        const auto began = bench::Clock::now();
        ::PostMessageW(icons, kTrayCallbackMessage, kMainIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        for (int spins = 0; !(menu = VisibleMenu(pid)) && spins < 200000; ++spins)
            ::Sleep(0);
        const double ms = bench::Ms(bench::Clock::now() - began);
        if (!menu) return {};
        opened.push_back(ms);
        ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 1);
        if (!WaitFor([&] { return VisibleMenu(pid) == nullptr; }, 5000)) return {};
        ::Sleep(200);
    }
    return opened;
}

struct TMeasures {
    double IdleShare = -1; // Lodestar's share of one core, in per cent; negative when a step failed
    std::vector<double> MenuMs;
};

// Lodestar while it idles with the programs running, and then its main icon's menu.
TMeasures Measure(const std::wstring& lodestar, const std::vector<std::wstring>& programs, bool marks) {
    TSettings settings;
    settings.MarkRunning = marks;
    settings.TrayDndType = dndOff; // the drop timer would be the idle cost otherwise
    WriteSettings(settings);
    std::vector<TItemData> items;
    for (int i = 0; i < kItems; ++i) {
        TItemData item;
        item.Cmd = Narrow(programs[static_cast<std::size_t>(i)]);
        items.push_back(item);
    }
    SaveShownGroup(0, items);
    WriteIconGroup(0);

    TMeasures measures;
    TStarted program(lodestar, fs::path(lodestar).parent_path().wstring());
    if (!program.Info.hProcess) return measures;
    // Its last icon in the tray: the start-up is over.
    if (!WaitFor([&] { return ::FindWindowW(L"LodestarMainWindow", nullptr) != nullptr; }, 30000))
        return measures;
    ::Sleep(3000);
    std::vector<std::unique_ptr<TStarted>> running;
    for (int i = 0; i < kRunning; ++i)
        running.push_back(std::make_unique<TStarted>(programs[static_cast<std::size_t>(i)]));
    for (const auto& r : running)
        if (!WaitFor([&] { return r->HasVisibleWindow(); }, 20000)) return measures;
    ::Sleep(2000);
    const std::uint64_t before = CpuTime(program.Info.hProcess);
    const ULONGLONG began = ::GetTickCount64();
    ::Sleep(kIdleMs);
    const std::uint64_t used = CpuTime(program.Info.hProcess) - before;
    const ULONGLONG wall = ::GetTickCount64() - began;
    std::printf("marks %s: Lodestar's CPU time in all (start, 20 programs starting, idle): %.0f ms\n",
                marks ? "on" : "off", static_cast<double>(CpuTime(program.Info.hProcess)) / 10000.0);
    measures.MenuMs = MenuOpenings(program.Info.dwProcessId);
    // Ends as by its exit command.
    if (const HWND main = ::FindWindowW(L"LodestarMainWindow", nullptr)) ::PostMessageW(main, WM_CLOSE, 0, 0);
    ::WaitForSingleObject(program.Info.hProcess, 30000);
    measures.IdleShare = static_cast<double>(used) / 10000.0 / static_cast<double>(wall) * 100.0;
    return measures;
}

} // namespace

int main(int argc, char** argv) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring lodestar =
        (fs::path(self).parent_path().parent_path() / L"src" / L"app" / L"Lodestar.exe").wstring();
    if (argc > 1 && argv[1][0] != '-') lodestar = Widen(argv[1]);
    if (::GetFileAttributesW(lodestar.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("usage: running_bench [LODESTAR.exe] [--rounds N]   (no file %s)\n",
                    Narrow(lodestar).c_str());
        return 2;
    }
    const bench::TStoredStateGuard stored;
    if (!stored.Ready()) {
        std::printf("the stored settings and items could not be read whole; the benchmark did not run\n");
        return 2;
    }
    wchar_t system[MAX_PATH] = {}, temp[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path folder =
        fs::path(temp) / (L"lodestar-running-" + std::to_wstring(::GetCurrentProcessId()));
    fs::create_directories(folder);
    std::vector<std::wstring> programs;
    for (int i = 0; i < kItems; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"program%03d.exe", i + 1);
        programs.push_back((folder / name).wstring());
        ::CopyFileW((std::wstring(system) + L"\\notepad.exe").c_str(), programs.back().c_str(), FALSE);
    }

    bench::About("running-idle", "idle CPU, % of a core: 200 items, 20 programs running, marks on");
    bench::About("running-idle-off", "the same with the running marks off");
    bench::About("running-menu", "main icon's menu after a right click, the same 200 items, marks on");
    bench::About("running-menu-off", "the same with the running marks off");
    const bench::TRounds rounds = bench::TRounds::Of(argc, argv, 2);
    int result = 0;
    // One instance per round, the marks off in even rounds and on in odd ones: Wine's desktop keeps a
    // window for every notification icon an earlier instance added, which slows the next one, so
    // scripts/bench gives every round a fresh Wine server.
    for (int round = 0; round < rounds.Count; ++round) {
        const bool baseline = rounds.BaselineFirst(round);
        const TMeasures measures = Measure(lodestar, programs, !baseline);
        if (measures.IdleShare < 0 || measures.MenuMs.empty()) {
            std::printf("a step of the %s round failed\n", baseline ? "baseline" : "measure");
            result = 1;
            continue;
        }
        bench::Sample(baseline ? "running-idle-off" : "running-idle", measures.IdleShare);
        for (const double ms : measures.MenuMs)
            bench::Sample(baseline ? "running-menu-off" : "running-menu", ms);
    }
    bench::MaxTarget("running-idle", 0.5, "%");
    bench::RatioTarget("running-menu", "running-menu-off", 1.05);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return result;
}
