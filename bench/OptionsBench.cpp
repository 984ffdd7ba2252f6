// The options dialog with every group full, under Wine or Windows: ten groups of 200 items whose targets
// are real files (so each row's icon is extracted), shown group 0.
//  - Opening: from the dialog's creation until it answers a message, against a bare window that fills one
//    list view with the same 200 rows and their icons.
//  - OK: the dialog switched to another full group, from the click on OK until the main window shows that
//    group's icons, against the main window's own start with 200 items, in the same run; both come after
//    a main window with the first group has shown its icons.
// Run: scripts/bench options, or scripts/wine build/win64/bench/options_bench.exe [--rounds N]
#include "BenchReport.h"
#include "BenchTiming.h"
#include "AppSettings.h"
#include "BenchStore.h"
#include "Dialogs.h"
#include "LinkDialogs.h"
#include "Store.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsMain.h"
#include "lsOpt.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace lodestar;
namespace fs = std::filesystem;
using bench::Clock;
using bench::Ms;

namespace {

constexpr int kItems = 200;
const wchar_t* const kCaption = L"管理＆設定 - Lodestar";
const wchar_t* const kBareCaption = L"bench: one list of 200 items";

// The visible top-level window of that caption, once it shows; null after ten seconds.
HWND WaitForWindow(const wchar_t* caption) {
    for (int i = 0; i < 10000; ++i) {
        const HWND window = ::FindWindowW(nullptr, caption);
        if (window && ::IsWindowVisible(window)) return window;
        ::Sleep(1);
    }
    return nullptr;
}

struct TListSearch {
    int Rows;
    HWND Found = nullptr;
};

BOOL CALLBACK FindListWithRows(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<TListSearch*>(data);
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    if (std::wstring(name) != WC_LISTVIEWW) return TRUE;
    if (::SendMessageW(window, LVM_GETITEMCOUNT, 0, 0) != search.Rows) return TRUE;
    search.Found = window;
    return FALSE;
}

// Runs `open` on this thread while a second thread times it: from `start` (set by `open` when it begins)
// until the window of `caption` has answered a sent message; then the window is closed with `close`.
double TimeUntilAnswering(const wchar_t* caption,
                          const std::function<void(std::atomic<Clock::time_point>&)>& open,
                          const std::function<void(HWND)>& close) {
    std::atomic<Clock::time_point> start{Clock::now()};
    std::atomic<double> ms{-1};
    std::thread timer([&] {
        const HWND window = WaitForWindow(caption);
        if (!window) return;
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
        ms = Ms(Clock::now() - start.load());
        close(window);
    });
    open(start);
    timer.join();
    return ms;
}

// A window with one list view filled with the items' rows and icons, as plainly as it can be done.
void BareList(const std::vector<TItemData>& items, std::atomic<Clock::time_point>& start) {
    start = Clock::now();
    const HWND window = ::CreateWindowExW(0, L"STATIC", kBareCaption, WS_OVERLAPPEDWINDOW, 100, 100, 640, 480,
                                          nullptr, nullptr, nullptr, nullptr);
    const HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 620,
                                        440, window, nullptr, nullptr, nullptr);
    const HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kItems, 0);
    ListView_SetImageList(list, images, LVSIL_SMALL);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 200;
    std::wstring name = L"アイコン名";
    column.pszText = name.data();
    ListView_InsertColumn(list, 0, &column);
    for (const TItemData& item : items) {
        const UniqueIcon icon = ItemIcon(item.CustomIcon, item.Cmd, item.IDList);
        std::wstring text = Widen(ItemName(item));
        LVITEMW row{};
        row.mask = LVIF_TEXT | LVIF_IMAGE;
        row.iItem = ListView_GetItemCount(list);
        row.pszText = text.data();
        row.iImage = ::ImageList_AddIcon(images, icon.Get());
        ListView_InsertItem(list, &row);
    }
    ::ShowWindow(window, SW_SHOW);
    MSG msg;
    while (::IsWindow(window) && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::ImageList_Destroy(images);
}

} // namespace

int main(int argc, char** argv) {
    const bench::TStoredStateGuard stored;
    if (!stored.Ready()) {
        std::printf("the stored settings and items could not be read whole; nothing was measured\n");
        return 1;
    }
    ::InitCommonControls();
    TSettings settings;
    settings.ShowMainIcon = true;
    settings.IconGroup = 0;
    settings.TrayDndType = dndTimer;
    WriteSettings(settings);

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const fs::path dir = fs::path(temp) / L"lodestar options bench";
    fs::create_directories(dir);
    std::vector<TItemData> items;
    for (int i = 0; i < kItems; ++i) {
        const fs::path file = dir / (L"文書 " + std::to_wstring(i) + (i % 2 ? L".txt" : L".exe"));
        ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        TItemData item;
        item.Cmd = "\"" + Narrow(file.wstring()) + "\"";
        items.push_back(item);
    }
    for (int group = 0; group < kGroupCount; ++group)
        SaveShownGroup(group, items);
    WriteIconGroup(0);

    bench::About("options-open", "options dialog, 10 groups of 200, open until it answers");
    bench::About("options-open-bare", "a bare window with one list of 200 rows and icons");
    bench::About("options-ok", "options OK with another group shown, until its icons are in the area");
    bench::About("options-ok-bare", "main window start with 200 items");
    // The program's own link between the main window and the dialog.
    LinkDialogs();
    // Like the OK below, after a main window with group 0 has come and gone: each icon ever added leaves a
    // window in Wine's desktop that slows the next ones, and the OK's icons come after that window's.
    const auto startup = [&] {
        WriteIconGroup(0);
        { TForm1 before; }
        WriteIconGroup(5);
        const auto start = Clock::now();
        TForm1 form;
        bench::Sample("options-ok-bare", Ms(Clock::now() - start));
    };
    const auto bareList = [&] {
        bench::Sample("options-open-bare", TimeUntilAnswering(
                                               kBareCaption, [&](auto& start) { BareList(items, start); },
                                               [](HWND window) { ::PostMessageW(window, WM_CLOSE, 0, 0); }));
    };
    const auto open = [&] {
        WriteIconGroup(0);
        TForm1 form;
        bench::Sample("options-open",
                      TimeUntilAnswering(
                          kCaption,
                          [&](auto& start) {
                              start = Clock::now();
                              TForm2 dialog(form);
                              dialog.Execute();
                          },
                          [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }));
    };
    // OK after switching to another full group: the time runs from the click until the main window has
    // made that group's icons.
    const auto ok = [&](int round) {
        WriteIconGroup(0);
        TForm1 form;
        const int target = 5;
        std::atomic<Clock::time_point> clicked{Clock::now()};
        std::thread driver([&] {
            const HWND dialog = WaitForWindow(kCaption);
            if (!dialog) return;
            TListSearch groups{kGroupCount};
            ::EnumChildWindows(dialog, &FindListWithRows, reinterpret_cast<LPARAM>(&groups));
            if (groups.Found) {
                ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(groups.Found), TRUE);
                LVITEMW state{};
                state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
                ::SendMessageW(groups.Found, LVM_SETITEMSTATE, target, reinterpret_cast<LPARAM>(&state));
            }
            clicked = Clock::now();
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        form.OpenOptions();
        const double ms = Ms(Clock::now() - clicked.load());
        driver.join();
        if (form.CurrentGroup() != target || static_cast<int>(form.IconItems().size()) != kItems)
            std::printf("round %d: the tray shows group %d with %zu items, not group %d\n", round,
                        form.CurrentGroup(), form.IconItems().size(), target);
        bench::Sample("options-ok", ms);
    };
    // Every tray icon added under Wine leaves a window behind in the desktop's process, which slows every
    // later window a little: each measure and its baseline take turns at going first.
    const bench::TRounds rounds = bench::TRounds::Of(argc, argv, 5);
    for (int round = 0; round < rounds.Count; ++round) {
        if (rounds.BaselineFirst(round)) {
            bareList();
            open();
            startup();
            ok(round);
        } else {
            open();
            bareList();
            ok(round);
            startup();
        }
    }
    bench::RatioTarget("options-open", "options-open-bare", 1.20);
    bench::RatioTarget("options-ok", "options-ok-bare", 1.20);
    std::error_code error;
    fs::remove_all(dir, error);
    return 0;
}
