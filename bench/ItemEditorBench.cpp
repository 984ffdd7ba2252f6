// From the item editor's OK to the tray icon's new icon, under Wine or Windows: an item shown in the
// notification area is edited (its command changed, so that its icon changes), and the time runs from the
// moment OK is clicked until the item has taken the edited record (SetData). Against it, in the same run:
// a bare Shell_NotifyIconW NIM_MODIFY with a ready icon, and the shell icon look-up of the new command
// followed by that NIM_MODIFY, which is the least any editor has to do; and the close of the program's
// smallest dialog (the running-instance check) from its OK, which any dialog pays.
// Run: scripts/bench editor, or scripts/wine build/win64/bench/item_editor_bench.exe [--rounds N]
#include "BenchReport.h"
#include "BenchTiming.h"
#include "BenchStore.h"
#include "IconItem.h"
#include "ItemRecord.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsDupChk.h"
#include "lsItem.h"
#include "resource.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace lodestar;
using bench::Clock;
using bench::Ms;

namespace {

// The command field on the editor's first page.
BOOL CALLBACK FindCommandEdit(HWND window, LPARAM found) {
    if (::GetDlgCtrlID(window) != IDC_ITEM_EDITCMD) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

std::string SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder);
}

// One NIM_MODIFY of an icon already in the tray, with an icon already made.
double BareModify(HWND window, HICON icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_ICON;
    data.hIcon = icon;
    const auto start = Clock::now();
    ::Shell_NotifyIconW(NIM_MODIFY, &data);
    return Ms(Clock::now() - start);
}

// The icon of a command looked up as the program does, then handed to the shell.
double LookUpAndModify(HWND window, const std::string& cmd) {
    const auto start = Clock::now();
    UniqueIcon icon = ItemIcon("", cmd, IdList());
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_ICON;
    data.hIcon = icon.Get();
    ::Shell_NotifyIconW(NIM_MODIFY, &data);
    return Ms(Clock::now() - start);
}

struct TRound {
    double ClickToReturn = 0; // OK clicked until EditItem has returned
    double SetData = 0;       // the item taking the record
    double Total = 0;         // OK clicked until the item has its new icon
    bool Accepted = false;
};

// Opens the editor on the item's record; a second thread, once the dialog shows, types the new command,
// takes the time and clicks OK.
TRound EditOnce(TIconItem& item, const std::string& newCmd) {
    std::atomic<Clock::time_point> clicked{};
    std::atomic<bool> stop{false};
    std::thread driver([&] {
        while (!stop) {
            const HWND dialog = ::FindWindowW(L"#32770", L"アイコン項目のプロパティ - Lodestar");
            if (dialog && ::IsWindowVisible(dialog)) {
                HWND edit = nullptr;
                ::EnumChildWindows(dialog, &FindCommandEdit, reinterpret_cast<LPARAM>(&edit));
                ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(newCmd).c_str()));
                // The dialog's thread is idle in its modal loop: the click is taken at once.
                clicked = Clock::now();
                ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                return;
            }
            ::Sleep(1);
        }
    });
    TRound round;
    TItemData data = item.GetData();
    {
        TForm3 form;
        round.Accepted = form.EditItem(data);
        const auto returned = Clock::now();
        if (round.Accepted) item.SetData(data);
        const auto done = Clock::now();
        round.ClickToReturn = Ms(returned - clicked.load());
        round.SetData = Ms(done - returned);
        round.Total = Ms(done - clicked.load());
    }
    stop = true;
    driver.join();
    return round;
}

// The same moment for the smallest dialog of the program: what closing any dialog costs.
double SmallDialogOnce() {
    std::atomic<Clock::time_point> clicked{};
    std::atomic<bool> stop{false};
    std::thread driver([&] {
        while (!stop) {
            const HWND dialog = ::FindWindowW(L"#32770", L"重複起動の検出方法のカスタマイズ - Lodestar");
            if (dialog && ::IsWindowVisible(dialog)) {
                clicked = Clock::now();
                ::SendMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                return;
            }
            ::Sleep(1);
        }
    });
    double ms = 0;
    {
        TFormDupChk form;
        int mode = 1;
        std::string text;
        form.EditDupCheck(mode, text);
        ms = Ms(Clock::now() - clicked.load());
    }
    stop = true;
    driver.join();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const bench::TStoredStateGuard stored;
    if (!stored.Ready()) {
        std::printf("the stored settings and items could not be read whole; nothing was measured\n");
        return 1;
    }
    // Two commands whose icons differ: a program and a text file.
    const std::string program = SystemFolder() + "\\notepad.exe";
    const std::string text = SystemFolder() + "\\..\\win.ini";
    const std::string commands[] = {program, text};

    // (a) The shell alone.
    const HWND window =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    UniqueIcon icon = ItemIcon("", program, IdList());
    NOTIFYICONDATAW add{};
    add.cbSize = NOTIFYICONDATAW_V1_SIZE;
    add.hWnd = window;
    add.uID = 1;
    add.uFlags = NIF_ICON | NIF_TIP;
    add.hIcon = icon.Get();
    wcscpy_s(add.szTip, L"bench");
    if (!::Shell_NotifyIconW(NIM_ADD, &add))
        std::printf("the shell took no tray icon; is a desktop running?\n");
    bench::About("editor-ok", "item editor OK until the item's tray icon is the new one");
    bench::About("editor-ok-bare", "a bare NIM_MODIFY with a ready icon");
    bench::About("editor-look-up", "the new command's icon looked up, then NIM_MODIFY");
    bench::About("editor-return", "item editor OK until the editor has returned");
    bench::About("dialog-ok", "the smallest dialog's OK until it has returned");
    const int rounds = bench::TRounds::Of(argc, argv, 21).Count;
    int refused = 0;
    {
        TComponent owner(nullptr);
        auto* item = CreateComponent<TIconItem>(&owner, nullptr);
        TItemData first;
        first.Cmd = program;
        first.Tip = "ベンチ";
        item->SetData(first);
        EditOnce(*item, text); // unmeasured: code and files in memory
        SmallDialogOnce();
        for (int i = 0; i < rounds; ++i) {
            bench::Sample("editor-ok-bare", BareModify(window, icon.Get()));
            bench::Sample("editor-look-up", LookUpAndModify(window, commands[i % 2]));
            const TRound round = EditOnce(*item, commands[i % 2]);
            if (!round.Accepted) {
                ++refused;
                continue;
            }
            bench::Sample("editor-ok", round.Total);
            bench::Sample("editor-return", round.ClickToReturn);
            bench::Sample("dialog-ok", SmallDialogOnce());
        }
        if (item->Cmd != commands[(rounds - 1) % 2]) std::printf("the item did not take the last command\n");
    }
    NOTIFYICONDATAW remove{};
    remove.cbSize = NOTIFYICONDATAW_V1_SIZE;
    remove.hWnd = window;
    remove.uID = 1;
    ::Shell_NotifyIconW(NIM_DELETE, &remove);
    ::DestroyWindow(window);
    if (refused) std::printf("%d rounds ended without OK\n", refused);
    bench::PlusTarget("editor-ok", "editor-ok-bare", 50);
    return 0;
}
