// Start-up cost of the launcher under Wine or Windows: the main window's creation (settings, group, one
// tray icon and hotkey per item) for groups of 0, 50 and 200 items whose targets are real files, each
// against the bare cost of the same number of tray adds and shell icon look-ups measured in this run.
#include "BenchTiming.h"
#include "AppSettings.h"
#include "BenchStore.h"
#include "Store.h"
#include "WinText.h"
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
using bench::Median;
using bench::Ms;

namespace {

// The plain work every icon needs: a shell icon look-up and a tray add (then a delete).
double Baseline(const std::vector<std::string>& files, HWND window) {
    const auto start = Clock::now();
    UINT id = 1000;
    for (const std::string& file : files) {
        SHFILEINFOW info{};
        ::SHGetFileInfoW(Widen(file).c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = window;
        data.uID = ++id;
        data.uFlags = NIF_ICON | NIF_TIP;
        data.hIcon = info.hIcon;
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

// Milliseconds from the creation of this process to now.
double SinceProcessStart() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](FILETIME t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

int main() {
    const double toMain = SinceProcessStart();
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

    std::printf("process start to main: %.1f ms\n", toMain);
    std::printf("%-8s %14s %14s %8s\n", "items", "startup ms", "baseline ms", "ratio");
    for (int n : {0, 50, 200}) {
        std::vector<TItemData> items;
        for (int i = 0; i < n; ++i) {
            TItemData item;
            item.Cmd = "\"" + files[static_cast<std::size_t>(i)] + "\"";
            items.push_back(item);
        }
        SaveShownGroup(0, items);
        WriteIconGroup(0);
        const auto start = Clock::now();
        double startup = 0;
        {
            TForm1 form;
            startup = Ms(Clock::now() - start);
            if (static_cast<int>(form.IconItems().size()) != n) std::printf("expected %d items\n", n);
        }
        const std::vector<std::string> some(files.begin(), files.begin() + n);
        const double baseline = Baseline(some, window);
        if (n == 0)
            std::printf("%-8d %14.1f %14s %8s\n", n, startup, "-", "-");
        else
            std::printf("%-8d %14.1f %14.1f %8.2f\n", n, startup, baseline, startup / baseline);
    }
    ::DestroyWindow(window);
    std::error_code error;
    fs::remove_all(dir, error);
    return 0;
}
