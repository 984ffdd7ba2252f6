// Launch cost under Wine or Windows.
// 1. From a click on an item's tray icon (the tray's notification posted to the icon's window) to the
//    started program's own start time, against a bare ShellExecuteEx of the same program in this run.
// 2. How quickly the main thread answers a posted message while 20 items' chains wait for their programs,
//    which run 10 s, against the same with nothing running.
// Run: scripts/bench launch, or scripts/wine build/win64/bench/launch_bench.exe [PROBE.exe] [--rounds N]
//      (the probe of the Windows tests must be built)
#include "BenchReport.h"
#include "BenchTiming.h"
#include "AppSettings.h"
#include "BenchStore.h"
#include "Launch.h"
#include "Store.h"
#include "WinText.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace lodestar;
namespace fs = std::filesystem;

namespace {

std::uint64_t Now() {
    FILETIME t{};
    ::GetSystemTimePreciseAsFileTime(&t);
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The probe's recorded start time, once it has written it; 0 when it has not within six seconds.
std::uint64_t WaitForStart(const fs::path& out) {
    for (int i = 0; i < 3000; ++i) {
        // The probe makes its file first and writes into it after: the record counts, not the file.
        std::ifstream in(out);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("start=", 0) == 0) return std::stoull(line.substr(6));
        Pump();
        ::Sleep(2);
    }
    return 0;
}

// Milliseconds from `from` to the probe's start, or nothing (and a word) when it did not start.
std::optional<double> StartedAfter(const fs::path& out, std::uint64_t from) {
    const std::uint64_t started = WaitForStart(out);
    if (started == 0) {
        std::printf("the program of %s did not start within six seconds\n",
                    Narrow(out.filename().wstring()).c_str());
        return std::nullopt;
    }
    return static_cast<double>(started - from) / 10000.0;
}

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM pid) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(pid)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void CloseProbe(const fs::path& out) {
    std::ifstream in(out);
    std::string line;
    DWORD pid = 0;
    while (std::getline(in, line))
        if (line.rfind("pid=", 0) == 0) pid = static_cast<DWORD>(std::stoul(line.substr(4)));
    ::EnumWindows(&CloseWindowOf, static_cast<LPARAM>(pid));
}

std::string ProbeCmd(const std::string& probe, const fs::path& out, int stayMs) {
    return "\"" + probe + "\" --out \"" + Narrow(out.wstring()) + "\" --stay " + std::to_string(stayMs);
}

// When each message was posted, by its number.
std::vector<std::uint64_t> posted;
const char* answerMeasure = "";

LRESULT CALLBACK AnswerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP && wParam < posted.size())
        bench::Sample(answerMeasure, static_cast<double>(Now() - posted[wParam]) / 10000.0);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// How long a message posted to this thread by another one waits for its answer while this thread runs its
// message loop, as the program's main thread does: one message every 20 ms for the given time, reported
// as samples of `measure`.
void AnswersFor(const char* measure, int forMs) {
    answerMeasure = measure;
    WNDCLASSW cls{};
    cls.lpfnWndProc = &AnswerProc;
    cls.lpszClassName = L"LaunchBenchAnswer";
    ::RegisterClassW(&cls);
    const HWND window =
        ::CreateWindowW(L"LaunchBenchAnswer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const std::size_t count = static_cast<std::size_t>(forMs / 20);
    posted.assign(count, 0);
    std::thread poster([window, count] {
        for (std::size_t i = 0; i < count; ++i) {
            posted[i] = Now();
            ::PostMessageW(window, WM_APP, i, 0);
            ::Sleep(20);
        }
        ::PostMessageW(window, WM_APP + 1, 0, 0);
    });
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == window && msg.message == WM_APP + 1) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    poster.join();
    ::DestroyWindow(window);
}

} // namespace

int main(int argc, char** argv) {
    // The probe is built with the Windows tests; its place in the build tree is the default.
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path beside =
        fs::path(self).parent_path().parent_path() / L"tests" / L"win" / L"launch_probe.exe";
    const bool probeGiven = argc >= 2 && std::string(argv[1]).rfind("--", 0) != 0;
    const std::string builtProbe = probeGiven ? std::string(argv[1]) : Narrow(beside.wstring());
    if (!fs::exists(fs::path(Widen(builtProbe)))) {
        std::printf("usage: launch_bench [PROBE.exe] [--rounds N]   (no probe at %s)\n", builtProbe.c_str());
        return 2;
    }
    const bench::TStoredStateGuard stored;
    if (!stored.Ready()) {
        std::printf("the stored settings and items could not be read whole; nothing was measured\n");
        return 1;
    }
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path dir = fs::path(temp) / L"lodestar launch bench";
    std::error_code error;
    fs::remove_all(dir, error);
    fs::create_directories(dir);
    // The program reads no more than 256 bytes of a command line: the probe runs from here, not from
    // wherever the build lies.
    const fs::path probeCopy = dir / L"launch_probe.exe";
    if (!::CopyFileW(Widen(builtProbe).c_str(), probeCopy.c_str(), FALSE)) {
        std::printf("could not copy the probe to %s\n", Narrow(probeCopy.wstring()).c_str());
        return 2;
    }
    const std::string probe = Narrow(probeCopy.wstring());
    // Items start on a single click, group 0 is shown, missing programs are reported by a message (none
    // is missing here) and drops are seen by the timer, whatever is stored.
    TSettings settings;
    settings.ClickType = false;
    settings.IconGroup = 0;
    settings.TrayDndType = dndTimer;
    settings.NotifyNotFound = nfWarning;
    WriteSettings(settings);
    SaveShownGroup(0, {});

    bench::About("click", "tray click until the item's program runs");
    bench::About("click-bare", "bare ShellExecuteEx until the program runs");
    bench::About("answer-idle", "a posted message's wait on the main thread, nothing running");
    bench::About("answer-20-chains", "the same while 20 chains wait for their programs");
    const bench::TRounds rounds = bench::TRounds::Of(argc, argv, 10);
    {
        TForm1 form;
        const auto viaClick = [&](int i) {
            const fs::path out = dir / ("click" + std::to_string(i) + ".txt");
            TItemData record;
            record.Cmd = ProbeCmd(probe, out, 5000);
            TIconItem* item = form.AddItem(record);
            const std::uint64_t clicked = Now();
            ::PostMessageW(item->WindowHandle(), kTrayCallbackMessage, item->IconID(), WM_LBUTTONDOWN);
            ::PostMessageW(item->WindowHandle(), kTrayCallbackMessage, item->IconID(), WM_LBUTTONUP);
            if (const auto ms = StartedAfter(out, clicked)) bench::Sample("click", *ms);
            CloseProbe(out);
            delete item;
        };
        const auto bare = [&](int i) {
            const fs::path out = dir / ("bare" + std::to_string(i) + ".txt");
            const std::wstring file = Widen(probe);
            const std::wstring params = L"--out \"" + out.wstring() + L"\" --stay 5000";
            SHELLEXECUTEINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = SEE_MASK_FLAG_NO_UI;
            info.lpFile = file.c_str();
            info.lpParameters = params.c_str();
            info.nShow = SW_SHOWNORMAL;
            const std::uint64_t called = Now();
            ::ShellExecuteExW(&info);
            if (const auto ms = StartedAfter(out, called)) bench::Sample("click-bare", *ms);
            CloseProbe(out);
        };
        for (int i = 0; i < rounds.Count; ++i) {
            // Each goes first in every other round.
            if (rounds.BaselineFirst(i)) bare(i);
            viaClick(i);
            if (!rounds.BaselineFirst(i)) bare(i);
        }
        bench::RatioTarget("click", "click-bare", 1.05);

        AnswersFor("answer-idle", 3000);
        // Twenty chains, each waiting for its item's program (running 10 s) before its second program.
        constexpr int kChains = 20;
        for (int i = 0; i < kChains; ++i) {
            TItemData record;
            record.Cmd = ProbeCmd(probe, dir / ("parent" + std::to_string(i) + ".txt"), 10000);
            TChildIcon child;
            child.Cmd = ProbeCmd(probe, dir / ("child" + std::to_string(i) + ".txt"), 1000);
            child.WaitMode = 2;
            record.Children.push_back(child);
            LaunchItem(form, *form.AddItem(record), false);
        }
        for (int i = 0; i < kChains; ++i)
            WaitForStart(dir / ("parent" + std::to_string(i) + ".txt"));
        AnswersFor("answer-20-chains", 6000);
        bench::MaxTarget("answer-20-chains", 16);
        for (int i = 0; i < kChains; ++i) {
            WaitForStart(dir / ("child" + std::to_string(i) + ".txt"));
            CloseProbe(dir / ("child" + std::to_string(i) + ".txt"));
        }
    }
    // The probes were asked to close; the folder goes once they have.
    for (int attempt = 0; attempt < 50 && fs::exists(dir, error); ++attempt) {
        fs::remove_all(dir, error);
        if (fs::exists(dir, error)) ::Sleep(100);
    }
    return 0;
}
