// Start-up cost of the launcher under Wine or Windows: the main window's creation (settings, group, one
// tray icon and hotkey per item) for groups of 0, 50 and 200 items whose targets are real files, each
// against the bare cost of the same number of tray adds and shell icon look-ups measured in this run.
// Run: scripts/bench startup, or scripts/wine build/win64/bench/startup_bench.exe [--rounds N]
#include "BenchReport.h"
#include "BenchTiming.h"
#include "AppSettings.h"
#include "BenchStore.h"
#include "Store.h"
#include "WinText.h"
#include "CommandLine.h"
#include "lsCommon.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace lodestar;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Ms;

namespace {

// The plain work every icon needs: a shell icon look-up and a tray add of that icon with the item's tip
// (then a delete).
double Baseline(const std::vector<std::wstring>& files, const std::vector<std::wstring>& tips, HWND window) {
    const auto start = Clock::now();
    UINT id = 1000;
    for (std::size_t i = 0; i < files.size(); ++i) {
        SHFILEINFOW info{};
        ::SHGetFileInfoW(files[i].c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = window;
        data.uID = ++id;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = WM_APP;
        data.hIcon = info.hIcon;
        tips[i].copy(data.szTip, std::min<std::size_t>(tips[i].size(), 63));
        ::Shell_NotifyIconW(NIM_ADD, &data);
        if (info.hIcon) ::DestroyIcon(info.hIcon);
    }
    const double ms = Ms(Clock::now() - start);
    for (UINT i = 1001; i <= id; ++i) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = window;
        data.uID = i;
        ::Shell_NotifyIconW(NIM_DELETE, &data);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const bench::TStoredStateGuard stored;
    if (!stored.Ready()) {
        std::printf("the stored settings and items could not be read whole; nothing was measured\n");
        return 1;
    }
    // What the start depends on, whatever is stored: the main icon and one icon per item of group 0, and
    // drops seen by the timer (the hook mode stops at an error box where the notification area has no
    // window of its own, as in Wine's desktop).
    TSettings settings;
    settings.ShowMainIcon = true;
    settings.GrayIcons = false;
    settings.IconGroup = 0;
    settings.TrayDndType = dndTimer;
    WriteSettings(settings);

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path dir = fs::path(temp) / L"lodestar startup bench";
    fs::create_directories(dir);
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i) {
        const fs::path file = dir / (L"文書 " + std::to_wstring(i) + (i % 2 ? L".txt" : L".exe"));
        ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        files.push_back(Narrow(file.wstring()));
    }
    const HWND window =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);

    bench::About("startup-0", "start with no items");
    bench::About("startup-50", "start with 50 items until every icon is in the area");
    bench::About("startup-50-bare", "50 x (shell icon look-up + NIM_ADD)");
    bench::About("startup-200", "start with 200 items until every icon is in the area");
    bench::About("startup-200-bare", "200 x (shell icon look-up + NIM_ADD)");
    const auto itemsOf = [&](int n) {
        std::vector<TItemData> items;
        for (int i = 0; i < n; ++i) {
            TItemData item;
            item.Cmd = "\"" + files[static_cast<std::size_t>(i)] + "\"";
            items.push_back(item);
        }
        return items;
    };
    const auto baseline = [&](int n) {
        std::vector<std::wstring> wide, tips;
        for (const TItemData& item : itemsOf(n)) {
            wide.push_back(Widen(SplitCommandLine(item.Cmd).Path));
            tips.push_back(Widen(ItemName(item)));
        }
        return Baseline(wide, tips, window);
    };
    const auto measure = [&](int n) {
        const std::vector<TItemData> items = itemsOf(n);
        SaveShownGroup(0, items);
        WriteIconGroup(0);
        const auto start = Clock::now();
        double ms = 0;
        {
            TForm1 form;
            ms = Ms(Clock::now() - start);
            if (static_cast<int>(form.IconItems().size()) != n) std::printf("expected %d items\n", n);
        }
        return ms;
    };
    const bench::TRounds rounds = bench::TRounds::Of(argc, argv, 5);
    for (int round = 0; round < rounds.Count; ++round) {
        bench::Sample("startup-0", measure(0));
        for (int n : {50, 200}) {
            const std::string name = "startup-" + std::to_string(n);
            // Each goes first in every other round: every icon added leaves the desktop a little slower.
            if (rounds.BaselineFirst(round)) bench::Sample((name + "-bare").c_str(), baseline(n));
            bench::Sample(name.c_str(), measure(n));
            if (!rounds.BaselineFirst(round)) bench::Sample((name + "-bare").c_str(), baseline(n));
        }
    }
    bench::RatioTarget("startup-50", "startup-50-bare", 1.10);
    bench::RatioTarget("startup-200", "startup-200-bare", 1.10);
    ::DestroyWindow(window);
    std::error_code error;
    fs::remove_all(dir, error);
    return 0;
}
