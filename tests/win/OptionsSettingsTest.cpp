// The options dialog's settings pages, worked from a second thread as a user works them over a running
// main window: what each choice shows at opening, what OK and Cancel leave in memory and in the registry,
// where the dialog opens, and the keys that end it.
#include "AppSettings.h"
#include "DialogDriver.h"
#include "Dialogs.h"
#include "Help.h"
#include "IconPickerDriver.h"
#include "LinkDialogs.h"
#include "LsReg.h"
#include "Seams.h"
#include "Store.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";
const std::string kCaption = "管理＆設定 - Lodestar";

HWND Find(HWND dialog, int id) {
    return FindDescendantById(dialog, id);
}

void ClickOn(HWND dialog, int id) {
    ::SendMessageW(Find(dialog, id), BM_CLICK, 0, 0);
}

bool CheckedOn(HWND dialog, int id) {
    return ::SendMessageW(Find(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool EnabledOn(HWND dialog, int id) {
    return ::IsWindowEnabled(Find(dialog, id)) != FALSE;
}

// Shown as far as the control itself goes: its page may be hidden behind another tab.
bool ShownOn(HWND dialog, int id) {
    return (::GetWindowLongPtrW(Find(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string TextOn(HWND dialog, int id) {
    return TextOf(Find(dialog, id));
}

void SetTextOn(HWND dialog, int id, const std::string& text) {
    ::SendMessageW(Find(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int TrackPosition(HWND dialog) {
    return static_cast<int>(::SendMessageW(Find(dialog, IDC_OPT_TRACKTIMER), TBM_GETPOS, 0, 0));
}

// A key pressed on a control of the dialog or its pages, through the dialog's own message loop.
void PressKeyOn(HWND dialog, int id, UINT key, TQueueMarker& mark) {
    const HWND control = Find(dialog, id);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(control, WM_KEYDOWN, key, 1 | scan);
    ::PostMessageW(control, WM_KEYUP, key, 1 | scan | (3LL << 30));
    mark.Sync(dialog);
}

// A key for the window that has the focus, such as the edit of a row caption.
void PressKeyOnFocus(HWND dialog, HWND focused, UINT key, TQueueMarker& mark) {
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(focused, WM_KEYDOWN, key, 1 | scan);
    ::PostMessageW(focused, WM_KEYUP, key, 1 | scan | (3LL << 30));
    mark.Sync(dialog);
}

std::string RowCaption(HWND list, int row) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return Narrow(text);
}

std::string StoredDefIconPath() {
    TLsReg reg;
    if (!reg.OpenKey("\\Software\\Marlowe\\Lodestar\\Settings", false)) return "<no key>";
    return reg.ReadStringDef("DefIconPath", "<missing>");
}

TSettings Changed() {
    TSettings s;
    s.ShowMainIcon = true;
    s.ClickType = true;
    s.ConfirmOnDel = false;
    s.DereferLinks = true;
    s.HideLinkOverlay = true;
    s.GrayIcons = true;
    s.Interval = 800;
    s.NotifyNotFound = nfNothing;
    s.TrayDndType = dndOff;
    s.DefIconPath = "C:\\windows";
    s.MarkRunning = false;
    return s;
}

class OptionsSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        Seams().Beep = [](UINT) {};
    }
    void TearDown() override {
        form.reset();
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }

    void Start(const TSettings& settings, std::optional<POINT> place,
               const std::vector<TItemData>& shown = {}) {
        form.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        WriteSettings(settings);
        if (place) {
            TWindowSettings window;
            window.OptDlgLeft = place->x;
            window.OptDlgTop = place->y;
            WriteWindowSettings(window);
        }
        SaveShownGroup(0, shown);
        form = std::make_unique<TForm1>();
    }

    // Opens the dialog over the main window and runs the script on it; the dialog's result.
    bool Open(const std::function<void(HWND)>& script, RECT* placed = nullptr) {
        TForm2 dialog(*form);
        TDialogDriver driver(kCaption, [&](HWND window) {
            if (placed) ::GetWindowRect(window, placed);
            script(window);
        });
        const bool ok = dialog.Execute();
        driver.Join();
        EXPECT_TRUE(driver.Found());
        return ok;
    }

    std::unique_ptr<TForm1> form;
    std::vector<std::string> boxes;
    TQueueMarker mark;
};

TEST_F(OptionsSettingsTest, SettingsShownAndStored) {
    wchar_t found[MAX_PATH] = {};
    const bool hookFound = ::SearchPathW(nullptr, L"LSHOOK.DLL", nullptr, MAX_PATH, found, nullptr) != 0;

    struct Scenario {
        const char* what;
        TSettings stored;
        std::function<void(HWND)> script;
        bool ok;
        TSettings expected; // in memory and in the registry afterwards
        bool fixToolbars;
    };
    TSettings defaults;
    TSettings changed = Changed();
    TSettings beep = defaults;
    beep.NotifyNotFound = nfBeep;
    TSettings hook = defaults;
    hook.TrayDndType = dndHook;
    TSettings odd = defaults;
    odd.Interval = 550;
    TSettings oddStored = odd;
    oddStored.Interval = 500;
    TSettings slow = defaults;
    slow.Interval = 700;
    TSettings slower = slow;
    slower.Interval = 800;
    TSettings noMainIcon = defaults;
    noMainIcon.ShowMainIcon = false;
    TSettings customPath = defaults;
    customPath.DefIconPath = "C:\\windows\\system32";

    const Scenario scenarios[] = {
        {"Cancel after changing everything keeps every setting", changed,
         [&](HWND dialog) {
             // Opening shows what is in force.
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBDOUBLECLICK));
             EXPECT_FALSE(CheckedOn(dialog, IDC_OPT_RBSINGLECLICK));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBNFNOTHING));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBDEREFERLINKS));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBNODND));
             EXPECT_FALSE(CheckedOn(dialog, IDC_OPT_RBTIMERDND));
             EXPECT_FALSE(CheckedOn(dialog, IDC_OPT_CBCONFIRMDEL));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_CBHIDELINKOVERLAY));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_CBGRAYICONS));
             EXPECT_FALSE(CheckedOn(dialog, IDC_OPT_CBMARKRUNNING));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBDEFICONCUSTOM));
             EXPECT_EQ(TextOn(dialog, IDC_OPT_EDITDEFICONPATH), "C:\\windows");
             EXPECT_TRUE(EnabledOn(dialog, IDC_OPT_EDITDEFICONPATH));
             EXPECT_EQ(TrackPosition(dialog), 8);
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_TRACKTIMER));
             EXPECT_FALSE(ShownOn(dialog, IDC_OPT_LABELTIMER));
             EXPECT_EQ(EnabledOn(dialog, IDC_OPT_RBHOOKDND), hookFound);
             ClickOn(dialog, IDC_OPT_RBSINGLECLICK);
             ClickOn(dialog, IDC_OPT_RBNFWARNING);
             ClickOn(dialog, IDC_OPT_RBKEEPLINKS);
             ClickOn(dialog, IDC_OPT_RBTIMERDND);
             ClickOn(dialog, IDC_OPT_CBCONFIRMDEL);
             ClickOn(dialog, IDC_OPT_CBGRAYICONS);
             ClickOn(dialog, IDC_OPT_CBMARKRUNNING);
             ClickOn(dialog, IDC_OPT_RBDEFICONSTD);
             ClickOn(dialog, IDC_OPT_CBFIXTOOLBARPOS);
             Click(dialog, IDCANCEL);
         },
         false, changed, false},
        {"OK stores every choice in its encoding", defaults,
         [&](HWND dialog) {
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBSINGLECLICK));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBNFWARNING));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBKEEPLINKS));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBTIMERDND));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBDEFICONSTD));
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_CBMARKRUNNING)); // on by default
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_EDITDEFICONPATH));
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_SBDEFICONBROWSE));
             ClickOn(dialog, IDC_OPT_RBDOUBLECLICK);
             ClickOn(dialog, IDC_OPT_RBNFNOTHING);
             ClickOn(dialog, IDC_OPT_RBDEREFERLINKS);
             ClickOn(dialog, IDC_OPT_RBNODND);
             ClickOn(dialog, IDC_OPT_CBCONFIRMDEL);
             ClickOn(dialog, IDC_OPT_CBHIDELINKOVERLAY);
             ClickOn(dialog, IDC_OPT_CBGRAYICONS);
             ClickOn(dialog, IDC_OPT_CBMARKRUNNING);
             ClickOn(dialog, IDC_OPT_RBDEFICONCUSTOM);
             EXPECT_TRUE(EnabledOn(dialog, IDC_OPT_EDITDEFICONPATH));
             EXPECT_TRUE(EnabledOn(dialog, IDC_OPT_SBDEFICONBROWSE));
             SetTextOn(dialog, IDC_OPT_EDITDEFICONPATH, "C:\\windows");
             ClickOn(dialog, IDC_OPT_CBFIXTOOLBARPOS);
             ::SendMessageW(Find(dialog, IDC_OPT_TRACKTIMER), TBM_SETPOS, TRUE, 8);
             Click(dialog, IDOK);
         },
         true, changed, true},
        {"the middle choice of a missing file is stored as 1", defaults,
         [&](HWND dialog) {
             ClickOn(dialog, IDC_OPT_RBNFBEEP);
             Click(dialog, IDOK);
         },
         true, beep, false},
        {"hook mode stays chosen, the track bar off, whether or not the library is there", hook,
         [&](HWND dialog) {
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPT_RBHOOKDND));
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_TRACKTIMER));
             EXPECT_FALSE(ShownOn(dialog, IDC_OPT_LABELTIMER));
             Click(dialog, IDOK);
         },
         true, hook, false},
        {"550 ms shows position 5 and is stored as 500", odd,
         [&](HWND dialog) {
             EXPECT_EQ(TrackPosition(dialog), 5);
             EXPECT_EQ(TextOn(dialog, IDC_OPT_LABELTIMER), "500 ミリ秒毎");
             EXPECT_TRUE(ShownOn(dialog, IDC_OPT_LABELTIMER));
             Click(dialog, IDOK);
         },
         true, oddStored, false},
        {"no tray drops: the track bar off and its value hidden; back on: the current value again", slow,
         [&](HWND dialog) {
             EXPECT_EQ(TextOn(dialog, IDC_OPT_LABELTIMER), "700 ミリ秒毎");
             ClickOn(dialog, IDC_OPT_RBNODND);
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_TRACKTIMER));
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_LBLTIMER));
             EXPECT_FALSE(ShownOn(dialog, IDC_OPT_LABELTIMER));
             ClickOn(dialog, IDC_OPT_RBTIMERDND);
             EXPECT_TRUE(EnabledOn(dialog, IDC_OPT_TRACKTIMER));
             EXPECT_TRUE(ShownOn(dialog, IDC_OPT_LABELTIMER));
             EXPECT_EQ(TextOn(dialog, IDC_OPT_LABELTIMER), "700 ミリ秒毎");
             // The user moves the bar one step to the right with the keyboard.
             PressKeyOn(dialog, IDC_OPT_TRACKTIMER, VK_RIGHT, mark);
             EXPECT_EQ(TrackPosition(dialog), 8);
             EXPECT_EQ(TextOn(dialog, IDC_OPT_LABELTIMER), "800 ミリ秒毎");
             Click(dialog, IDOK);
         },
         true, slower, false},
        {"自動設定 stores no path although the edit still shows one", customPath,
         [&](HWND dialog) {
             EXPECT_EQ(TextOn(dialog, IDC_OPT_EDITDEFICONPATH), "C:\\windows\\system32");
             ClickOn(dialog, IDC_OPT_RBDEFICONSTD);
             EXPECT_FALSE(EnabledOn(dialog, IDC_OPT_EDITDEFICONPATH));
             Click(dialog, IDOK);
         },
         true, defaults, false},
        {"メインアイコンを表示 on the first page's toolbar is a setting too", defaults,
         [&](HWND dialog) {
             EXPECT_TRUE(CheckedOn(dialog, IDC_OPTI_CBSHOWMAINICO));
             ClickOn(dialog, IDC_OPTI_CBSHOWMAINICO);
             Click(dialog, IDOK);
         },
         true, noMainIcon, false},
        {"Enter while a group's name is edited ends the edit only; Escape then cancels", defaults,
         [&](HWND dialog) {
             ClickOn(dialog, IDC_OPT_RBDOUBLECLICK);
             const HWND groups = Find(dialog, IDC_OPTI_LV2);
             ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(groups), TRUE);
             const auto edit = reinterpret_cast<HWND>(::SendMessageW(groups, LVM_EDITLABELW, 3, 0));
             ASSERT_NE(edit, nullptr);
             ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"道具"));
             PressKeyOnFocus(dialog, edit, VK_RETURN, mark);
             EXPECT_TRUE(::IsWindowVisible(dialog));
             EXPECT_EQ(RowCaption(groups, 3), "道具");
             PressKeyOn(dialog, IDC_OPTI_LV2, VK_ESCAPE, mark);
         },
         false, defaults, false},
        {"Enter presses OK", defaults,
         [&](HWND dialog) {
             ClickOn(dialog, IDC_OPT_RBDOUBLECLICK);
             PressKeyOn(dialog, IDC_OPT_RBDOUBLECLICK, VK_RETURN, mark);
         },
         true,
         [] {
             TSettings s;
             s.ClickType = true;
             return s;
         }(),
         false},
        {"Escape cancels", defaults,
         [&](HWND dialog) {
             ClickOn(dialog, IDC_OPT_RBDOUBLECLICK);
             PressKeyOn(dialog, IDC_OPT_CBGRAYICONS, VK_ESCAPE, mark);
         },
         false, defaults, false},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        Start(s.stored, std::nullopt);
        RECT placed{};
        EXPECT_EQ(Open(s.script, &placed), s.ok);
        EXPECT_EQ(ProgramSettings(), s.expected);
        EXPECT_EQ(ReadSettings(), s.expected);
        EXPECT_EQ(StoredDefIconPath(), s.expected.DefIconPath);
        const TWindowSettings window = ReadWindowSettings();
        EXPECT_EQ(window.FixToolbars(), s.fixToolbars);
        // Whatever the result, the dialog's place is kept.
        EXPECT_EQ(window.OptDlgLeft, std::optional<std::int32_t>(placed.left));
        EXPECT_EQ(window.OptDlgTop, std::optional<std::int32_t>(placed.top));
        EXPECT_TRUE(form->Active());
        // Only the main window speaks, of a hook it cannot install without a notification area.
        if (s.stored.TrayDndType != dndHook) {
            EXPECT_TRUE(boxes.empty()) << boxes.front();
        }
        boxes.clear();
    }
}

TEST_F(OptionsSettingsTest, OpensWhereItWasLeftAndOnTheScreen) {
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    struct Scenario {
        const char* what;
        std::optional<POINT> stored;
        // The expected top-left corner for the dialog's size.
        std::function<POINT(int width, int height)> expected;
    } scenarios[] = {
        {"stored and on the screen", POINT{40, 30},
         [](int, int) {
             return POINT{40, 30};
         }},
        {"off the right edge and above the top", POINT{5000, -40},
         [&](int width, int) {
             return POINT{screenWidth - width, 0};
         }},
        {"left of the screen and below it", POINT{-200, 5000},
         [&](int, int height) {
             return POINT{0, screenHeight - height};
         }},
        {"never stored: centred", std::nullopt,
         [&](int width, int height) {
             return POINT{screenWidth / 2 - width / 2, screenHeight / 2 - height / 2};
         }},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.what);
        Start(TSettings{}, s.stored);
        RECT placed{};
        EXPECT_FALSE(Open([](HWND dialog) { Click(dialog, IDCANCEL); }, &placed));
        const int width = placed.right - placed.left;
        const int height = placed.bottom - placed.top;
        EXPECT_GE(width, 493);
        EXPECT_GE(height, 373);
        const POINT expected = s.expected(width, height);
        EXPECT_EQ(placed.left, expected.x);
        EXPECT_EQ(placed.top, expected.y);
        // The place it was shown at is what it remembers.
        const TWindowSettings window = ReadWindowSettings();
        EXPECT_EQ(window.OptDlgLeft, std::optional<std::int32_t>(expected.x));
        EXPECT_EQ(window.OptDlgTop, std::optional<std::int32_t>(expected.y));
    }
}

} // namespace

// Distances of a control from the right and bottom edges of the dialog's client area.
SIZE FromCorner(HWND dialog, int id) {
    RECT client{}, control{};
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(Find(dialog, id), &control);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control), 2);
    return {client.right - control.right, client.bottom - control.bottom};
}

TEST_F(OptionsSettingsTest, ResizedTheButtonsKeepToTheCornerAndThePagesGrow) {
    struct Scenario {
        const char* what;
        SIZE requested;
        SIZE expected;
    } scenarios[] = {
        {"larger", {700, 520}, {700, 520}},
        {"smaller than the least size", {300, 200}, {493, 373}},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        Start(TSettings{}, std::nullopt);
        EXPECT_FALSE(Open([&](HWND dialog) {
            const SIZE ok = FromCorner(dialog, IDOK);
            const SIZE help = FromCorner(dialog, IDC_OPT_BTNHELP);
            const SIZE tabs = FromCorner(dialog, IDC_OPT_TABS);
            ::SetWindowPos(dialog, nullptr, 0, 0, s.requested.cx, s.requested.cy, SWP_NOMOVE | SWP_NOZORDER);
            RECT frame{};
            ::GetWindowRect(dialog, &frame);
            EXPECT_EQ(frame.right - frame.left, s.expected.cx);
            EXPECT_EQ(frame.bottom - frame.top, s.expected.cy);
            for (const auto& [id, before] :
                 {std::pair{IDOK, ok}, {IDC_OPT_BTNHELP, help}, {IDC_OPT_TABS, tabs}}) {
                const SIZE after = FromCorner(dialog, id);
                EXPECT_EQ(after.cx, before.cx) << "control " << id;
                EXPECT_EQ(after.cy, before.cy) << "control " << id;
            }
            // The grip fills the very corner.
            const SIZE grip = FromCorner(dialog, IDC_OPT_SIZEGRIP);
            EXPECT_EQ(grip.cx, 0);
            EXPECT_EQ(grip.cy, 0);
            Click(dialog, IDCANCEL);
        }));
    }
}

TEST_F(OptionsSettingsTest, HelpButtonShowsTheDialogsTopicAndLeavesItOpen) {
    std::vector<int> topics;
    HelpSeam().Topic = [&](HWND, int context) { topics.push_back(context); };
    HelpSeam().ContextPopup = [&](HWND, int context) { topics.push_back(-context); };
    Start(TSettings{}, std::nullopt);
    bool openAfterHelp = false;
    EXPECT_FALSE(Open([&](HWND dialog) {
        Click(dialog, IDC_OPT_BTNHELP);
        openAfterHelp = ::IsWindowVisible(dialog) != FALSE;
        Click(dialog, IDCANCEL);
    }));
    ResetHelpSeam();
    EXPECT_TRUE(openAfterHelp);
    EXPECT_EQ(topics, std::vector<int>{13});
}

// The program's own way in: the main window's options command opens the dialog, and after OK works with
// what it chose; the item list's rows become the tray icons again.
TEST_F(OptionsSettingsTest, FromTheMainWindow) {
    const TProgramDialogs saved = ProgramDialogs();
    LinkDialogs();
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    TItemData notepad;
    notepad.Cmd = Narrow(folder) + "\\notepad.exe";
    notepad.Tip = "メモ帳";
    struct Scenario {
        const char* what;
        bool ok;
        bool clickType;
    } scenarios[] = {
        {"OK", true, true},
        {"Cancel", false, false},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        Start(TSettings{}, std::nullopt, {notepad});
        TDialogDriver driver(kCaption, [&](HWND dialog) {
            ClickOn(dialog, IDC_OPT_RBDOUBLECLICK);
            Click(dialog, s.ok ? IDOK : IDCANCEL);
        });
        form->OpenOptions();
        driver.Join();
        EXPECT_TRUE(driver.Found());
        EXPECT_EQ(ProgramSettings().ClickType, s.clickType);
        EXPECT_EQ(ReadSettings().ClickType, s.clickType);
        const std::vector<TIconItem*> items = form->IconItems();
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0]->Cmd, notepad.Cmd);
        EXPECT_EQ(items[0]->Hint(), "メモ帳");
        EXPECT_TRUE(form->Active());
    }
    ProgramDialogs() = saved;
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// Not a test: shows the page given by LODESTAR_OPTIONS_PAGE (its tab's index) for
// LODESTAR_OPTIONS_WAIT milliseconds, at the size LODESTAR_OPTIONS_SIZE ("640x480") when given, for
// pictures of the dialog. Run it with
// --gtest_also_run_disabled_tests --gtest_filter=*ShowPage.
TEST_F(OptionsSettingsTest, DISABLED_ShowPage) {
    const char* page = std::getenv("LODESTAR_OPTIONS_PAGE");
    const char* wait = std::getenv("LODESTAR_OPTIONS_WAIT");
    Start(TSettings{}, std::nullopt);
    Open([&](HWND dialog) {
        const HWND tabs = Find(dialog, IDC_OPT_TABS);
        RECT tab{};
        ::SendMessageW(tabs, TCM_GETITEMRECT, page ? std::atoi(page) : 1, reinterpret_cast<LPARAM>(&tab));
        const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        ::PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(tabs, WM_LBUTTONUP, 0, at);
        mark.Sync(dialog);
        if (const char* size = std::getenv("LODESTAR_OPTIONS_SIZE")) {
            int width = 0, height = 0;
            if (std::sscanf(size, "%dx%d", &width, &height) == 2)
                ::SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        }
        ::Sleep(wait ? std::atoi(wait) : 3000);
        Click(dialog, IDCANCEL);
    });
}
