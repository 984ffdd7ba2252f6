// The child editor shown for real over an item editor, driven from a second thread the way a user works
// it: typing, clicks, keys in the delay field, the custom running-instance check dialog opened from it,
// and the warning for a working folder that does not exist.
#include "lsSubCmd.h"

#include "BrowserDriver.h"
#include "DialogDriver.h"
#include "DialogPlacement.h"
#include "Help.h"
#include "PlaceDialog.h"
#include "Seams.h"
#include "WinTestSupport.h"
#include "WindowSearch.h"
#include "lsItem.h"
#include "resource.h"

#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace lodestar {

// Failures name the fields rather than the record's bytes.
void PrintTo(const TChildIcon& c, std::ostream* out) {
    *out << "{Cmd '" << c.Cmd << "', IDList " << c.IDList.Size() << " bytes, DefDir '" << c.DefDir
         << "', WndSize " << int(c.WndSize) << ", DelayMs " << c.DelayMs << ", WaitMode " << int(c.WaitMode)
         << ", AutoQuit " << c.AutoQuit << ", DupCheckMode " << int(c.DupCheckMode) << ", DupCheckText '"
         << c.DupCheckText << "'}";
}

namespace {

using namespace test;

const std::string kCaption = "子アイコンのプロパティ - Lodestar";
const std::string kNewCaption = "子アイコンの新規作成 - Lodestar";
const std::string kDupChkCaption = "重複起動の検出方法のカスタマイズ - Lodestar";

constexpr int kCmd = IDC_CHILD_EDITCMD;
constexpr int kDefDir = IDC_CHILD_EDITDEFDIR;
constexpr int kTip = IDC_CHILD_EDITTIP;
constexpr int kDelay = IDC_CHILD_EDITDELAY;
constexpr int kWndSize = IDC_CHILD_COMBOWNDSIZE;
constexpr int kWait = IDC_CHILD_COMBOWAIT;
constexpr int kSingle = IDC_CHILD_CBSINGLEINSTANCE;
constexpr int kCustom = IDC_CHILD_BTNCUSTOMDUPCHECK;
constexpr int kAutoQuit = IDC_CHILD_CBAUTOQUIT;

std::string SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder);
}

// Where the system's own search finds a program, as a user's bare "notepad" means it.
std::string Searched(const std::string& name) {
    wchar_t found[MAX_PATH] = {};
    if (!::SearchPathW(nullptr, Widen(name).c_str(), L".exe", MAX_PATH, found, nullptr)) return {};
    return Narrow(found);
}

std::string SpecialFolderName(int csidl) {
    ITEMIDLIST* list = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list))) return {};
    const UniqueCoTask<ITEMIDLIST> owned(list);
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(owned.Get()), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_DISPLAYNAME);
    return Narrow(info.szDisplayName);
}

std::string DisplayNameOf(const IdList& list) {
    if (!list.Present()) return {};
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list.Data()), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_DISPLAYNAME);
    return Narrow(info.szDisplayName);
}

const std::string kControlPanel =
    "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{21EC2020-3AEA-1069-A2DD-08002B30309D}";

std::string Text(HWND dialog, int id) {
    return TextOf(Control(dialog, id));
}

bool IsEnabled(HWND dialog, int id) {
    return ::IsWindowEnabled(Control(dialog, id)) != FALSE;
}

int ComboIndex(HWND dialog, int id) {
    return static_cast<int>(::SendMessageW(Control(dialog, id), CB_GETCURSEL, 0, 0));
}

// The user selects the whole text of an edit and types over it ("\b" empties it).
void Retype(HWND dialog, int id, const std::string& text) {
    ::SendMessageW(Control(dialog, id), EM_SETSEL, 0, -1);
    Type(dialog, id, text.empty() ? std::string("\b") : text);
}

// The user picks an entry of a drop-down list.
void Choose(HWND dialog, int id, int index) {
    ::SendMessageW(Control(dialog, id), CB_SETCURSEL, index, 0);
}

// Lets the dialog's thread handle what was posted to it.
void Settle(HWND dialog) {
    ::Sleep(100);
    ::SendMessageW(dialog, WM_NULL, 0, 0);
}

bool StillOpen(HWND dialog) {
    return ::IsWindow(dialog) && ::IsWindowVisible(dialog);
}

// The command and working-folder edits look like input fields, or inactive while a shell object is the
// target.
void ExpectTargetColors(HWND dialog, bool shellObject) {
    const int index = shellObject ? COLOR_BTNFACE : COLOR_WINDOW;
    for (const int edit : {kCmd, kDefDir}) {
        const TPaintColor color = PaintColorOf(dialog, edit);
        EXPECT_EQ(color.Brush, ::GetSysColorBrush(index)) << "edit " << edit;
        EXPECT_EQ(color.Background, ::GetSysColor(index)) << "edit " << edit;
    }
    EXPECT_EQ(IsEnabled(dialog, kDefDir), !shellObject);
    EXPECT_EQ(IsEnabled(dialog, IDC_CHILD_SBBWDEFDIR), !shellObject);
}

// Opens the custom check dialog with the button and runs `script` on it; returns once it has closed.
void CustomCheck(HWND dialog, const std::function<void(HWND)>& script) {
    TDialogDriver nested(kDupChkCaption, [&](HWND dupChk) {
        EXPECT_EQ(::GetWindow(dupChk, GW_OWNER), dialog);
        // Over the child editor: at its client area's origin, kept inside the screen.
        POINT origin{0, 0};
        ::ClientToScreen(dialog, &origin);
        RECT rect{};
        ::GetWindowRect(dupChk, &rect);
        const TPoint expected = PlaceDialogPosition(TaskbarWorkArea(), TPoint{origin.x, origin.y},
                                                    rect.right - rect.left, rect.bottom - rect.top);
        EXPECT_EQ(rect.left, expected.X);
        EXPECT_EQ(rect.top, expected.Y);
        script(dupChk);
    });
    ::PostMessageW(Control(dialog, kCustom), BM_CLICK, 0, 0);
    for (int i = 0; i < 1000 && !nested.Found(); ++i)
        ::Sleep(10);
    ASSERT_TRUE(nested.Found());
    nested.Join();
    Settle(dialog);
}

void Key(HWND window, UINT key) {
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(window, WM_KEYDOWN, key, 1 | scan);
    ::PostMessageW(window, WM_KEYUP, key, 1 | scan | (3LL << 30));
}

// Picks an entry of the browse menu with the keys: `downs` times down from the top, then Enter.
void ChooseBrowseEntry(HWND dialog, int downs) {
    // Posted: the menu runs its own loop inside the click.
    ::PostMessageW(Control(dialog, IDC_CHILD_SBBROWSE), BM_CLICK, 0, 0);
    HWND menu = nullptr;
    for (int i = 0; i < 500 && !menu; ++i, ::Sleep(10)) {
        menu = ::FindWindowW(L"#32768", nullptr);
        if (menu && !::IsWindowVisible(menu)) menu = nullptr;
    }
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < downs; ++i)
        Key(menu, VK_DOWN);
    Key(menu, VK_RETURN);
}

// A visible dialog of the child editor's thread other than the child editor: the folder browser it opened.
HWND WaitForBrowser(HWND dialog) {
    const DWORD thread = ::GetWindowThreadProcessId(dialog, nullptr);
    HWND found = nullptr;
    for (int i = 0; i < 1000 && !found; ++i, ::Sleep(10)) {
        found = FindThreadWindow(thread, [dialog](HWND window) {
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            return window != dialog && std::wstring(name) == L"#32770" && ::IsWindowVisible(window);
        });
    }
    return found;
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return Narrow(text);
}

// Opens the browser's tree from its root down through the names, as a user clicks the plus signs, and
// clicks the last one; then confirms. The tree may still be filling: each level is looked for a while.
void ConfirmTreePath(HWND browser, const std::vector<std::string>& names) {
    const HWND tree = TreeOf(browser);
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(item, nullptr);
    for (const std::string& name : names) {
        const HTREEITEM parent = item;
        item = nullptr;
        WaitUntil([&] {
            ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
            for (auto child = reinterpret_cast<HTREEITEM>(
                     ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
                 child; child = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                           reinterpret_cast<LPARAM>(child))))
                if (TreeItemText(tree, child) == name) item = child;
            return item != nullptr;
        });
        ASSERT_NE(item, nullptr) << name;
    }
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(SelectedItemText(browser), names.back());
    ClickButton(browser, IDOK);
}

struct TOutcome {
    bool Found = false;
    bool Result = false;
    TChildIcon Entry; // after the dialog
    std::vector<std::string> Boxes;
    std::vector<int> Topics;
};

struct TScenario {
    const char* Name;
    TChildIcon Entry;
    int Position = 0;
    bool New = false;
    std::function<void(HWND dialog)> Script;
    std::function<void(const TChildIcon& before, const TOutcome&)> Check;
};

class ChildEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        ResetHelpSeam();
        // A box would block the dialog's thread; the test answers it and keeps its text.
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT flags) {
            const std::lock_guard lock(mutex);
            boxes.push_back(text);
            EXPECT_EQ(flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION)) << text;
            return IDOK;
        };
        HelpSeam().Topic = [this](HWND, int context) {
            const std::lock_guard lock(mutex);
            topics.push_back(context);
        };
        HelpSeam().ContextPopup = [this](HWND, int context) {
            const std::lock_guard lock(mutex);
            topics.push_back(-context);
        };
        // The colour rule can only be seen when the two colours differ.
        ASSERT_NE(::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_BTNFACE));
    }
    void TearDown() override {
        ResetSeams();
        ResetHelpSeam();
    }

    TOutcome Run(const TScenario& s) {
        {
            const std::lock_guard lock(mutex);
            boxes.clear();
            topics.clear();
        }
        TForm3 editor; // the item editor that opens the child editor; not shown
        TFormChild child(&editor);
        EXPECT_EQ(TFormChild::Instance(), &child);
        if (s.New) child.SetNewCaption();
        TOutcome outcome;
        outcome.Entry = s.Entry;
        TDialogDriver driver(s.New ? kNewCaption : kCaption, [&](HWND dialog) {
            SCOPED_TRACE(s.Name);
            s.Script(dialog);
        });
        outcome.Result = child.EditChild(outcome.Entry, s.Position);
        driver.Join();
        outcome.Found = driver.Found();
        const std::lock_guard lock(mutex);
        outcome.Boxes = boxes;
        outcome.Topics = topics;
        return outcome;
    }

    std::mutex mutex;
    std::vector<std::string> boxes;
    std::vector<int> topics;
};

TChildIcon Entry(std::string cmd, std::string defDir = {}) {
    TChildIcon child;
    child.Cmd = std::move(cmd);
    child.DefDir = std::move(defDir);
    return child;
}

TChildIcon WithCheck(TChildIcon child, std::uint8_t mode, std::string text) {
    child.DupCheckMode = mode;
    child.DupCheckText = std::move(text);
    return child;
}

TChildIcon WithDelay(TChildIcon child, std::int32_t delayMs) {
    child.DelayMs = delayMs;
    return child;
}

TEST_F(ChildEditorTest, UserScenarios) {
    const std::string system = SystemFolder();
    const std::string notepad = system + "\\notepad.exe";
    const std::string searchedNotepad = Searched("notepad");
    const std::string searchedRegedit = Searched("regedit");
    const IdList controlPanel = ParseIdList(kControlPanel);
    const std::string controlPanelName = SpecialFolderName(CSIDL_CONTROLS);
    const std::string myComputerName = SpecialFolderName(CSIDL_DRIVES);
    ASSERT_FALSE(searchedNotepad.empty());
    ASSERT_FALSE(searchedRegedit.empty());
    ASSERT_TRUE(controlPanel.Present());
    ASSERT_FALSE(controlPanelName.empty());

    TChildIcon full = Entry(notepad + " C:\\readme.txt", system);
    full.WndSize = wsMaximized;
    full.DelayMs = 5500;
    full.WaitMode = wmInputIdle;
    full.AutoQuit = true;

    TChildIcon shellObject;
    shellObject.IDList = controlPanel;
    shellObject.WaitMode = wmExit;

    const auto unchangedBut = [](std::function<void(TChildIcon&)> change) {
        return [change](const TChildIcon& before, const TOutcome& o) {
            EXPECT_TRUE(o.Result);
            TChildIcon expected = before;
            change(expected);
            EXPECT_EQ(o.Entry, expected);
        };
    };
    const auto untouched = [](const TChildIcon& before, const TOutcome& o) {
        EXPECT_FALSE(o.Result);
        EXPECT_EQ(o.Entry, before);
    };

    const TScenario scenarios[] = {
        {"the first entry shows its fields; OK keeps them, the delay in whole seconds", full, 0, false,
         [&](HWND d) {
             EXPECT_EQ(Text(d, IDC_CHILD_LABELTOP), "2番目に実行されるプログラム");
             EXPECT_EQ(Text(d, kCmd), notepad + " C:\\readme.txt");
             EXPECT_EQ(Text(d, kDefDir), system);
             EXPECT_EQ(Text(d, kTip), "notepad.exe");
             EXPECT_EQ(ComboIndex(d, kWndSize), 2);
             EXPECT_EQ(ComboIndex(d, kWait), 1);
             EXPECT_EQ(Text(d, kDelay), "5");
             EXPECT_TRUE(IsChecked(d, kAutoQuit));
             EXPECT_FALSE(IsChecked(d, kSingle));
             EXPECT_FALSE(IsEnabled(d, kCustom));
             EXPECT_TRUE(IsEnabled(d, IDOK));
             EXPECT_NE(::SendMessageW(Control(d, IDC_CHILD_IMAGEICONCHILD), STM_GETICON, 0, 0), 0);
             ExpectTargetColors(d, false);
             Click(d, IDC_CHILD_BTNHELP3);
             Click(d, IDOK);
         },
         [](const TChildIcon& before, const TOutcome& o) {
             EXPECT_TRUE(o.Result);
             TChildIcon expected = before;
             expected.DelayMs = 5000;
             EXPECT_EQ(o.Entry, expected);
             EXPECT_EQ(o.Topics, std::vector<int>{67});
         }},
        {"a new entry in a list of three needs a target before OK", TChildIcon(), 3, true,
         [&](HWND d) {
             EXPECT_EQ(Text(d, IDC_CHILD_LABELTOP), "5番目に実行されるプログラム");
             EXPECT_EQ(Text(d, kTip), "");
             EXPECT_EQ(ComboIndex(d, kWndSize), 0);
             EXPECT_EQ(ComboIndex(d, kWait), 0);
             EXPECT_EQ(Text(d, kDelay), "0");
             EXPECT_FALSE(IsEnabled(d, IDOK));
             Click(d, IDOK);
             PressKey(d, kDelay, VK_RETURN);
             Settle(d);
             EXPECT_TRUE(StillOpen(d));
             Type(d, kCmd, notepad);
             EXPECT_TRUE(IsEnabled(d, IDOK));
             EXPECT_EQ(Text(d, kTip), "notepad.exe");
             Click(d, IDOK);
         },
         [&](const TChildIcon&, const TOutcome& o) {
             EXPECT_TRUE(o.Result);
             EXPECT_EQ(o.Entry, Entry(notepad));
         }},
        {"blanks only are no command", TChildIcon(), 0, true,
         [&](HWND d) {
             Type(d, kCmd, "   ");
             Click(d, IDOK);
             EXPECT_TRUE(StillOpen(d));
             EXPECT_EQ(Text(d, kCmd), "");
             EXPECT_FALSE(IsEnabled(d, IDOK));
             Click(d, IDCANCEL);
         },
         untouched},
        {"Enter in the delay field confirms", Entry(notepad), 1, false,
         [&](HWND d) {
             Retype(d, kDelay, "42");
             PressKey(d, kDelay, VK_RETURN);
         },
         unchangedBut([](TChildIcon& c) { c.DelayMs = 42000; })},
        {"the delay field takes two digits and no letters", WithDelay(Entry(notepad), 250000), 0, false,
         [&](HWND d) {
             EXPECT_EQ(Text(d, kDelay), "99");
             Retype(d, kDelay, "1x23");
             EXPECT_EQ(Text(d, kDelay), "12");
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DelayMs = 12000; })},
        {"the arrow keys stop at 99 seconds", WithDelay(Entry(notepad), 98000), 0, false,
         [&](HWND d) {
             for (int i = 0; i < 3; ++i)
                 PressKey(d, kDelay, VK_UP);
             Settle(d);
             EXPECT_EQ(Text(d, kDelay), "99");
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DelayMs = 99000; })},
        {"the arrow keys stop at no delay", WithDelay(Entry(notepad), 1999), 0, false,
         [&](HWND d) {
             EXPECT_EQ(Text(d, kDelay), "1");
             for (int i = 0; i < 3; ++i)
                 PressKey(d, kDelay, VK_DOWN);
             Settle(d);
             EXPECT_EQ(Text(d, kDelay), "0");
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DelayMs = 0; })},
        {"checking the running-instance box chooses the standard check",
         WithCheck(Entry(notepad), 0, "keep.exe"), 0, false,
         [&](HWND d) {
             Click(d, kSingle);
             EXPECT_TRUE(IsEnabled(d, kCustom));
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DupCheckMode = 1; })},
        {"unchecking turns the check off and keeps the program name",
         WithCheck(Entry(notepad), 2, "calc.exe"), 0, false,
         [&](HWND d) {
             EXPECT_TRUE(IsChecked(d, kSingle));
             EXPECT_TRUE(IsEnabled(d, kCustom));
             Click(d, kSingle);
             EXPECT_FALSE(IsEnabled(d, kCustom));
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DupCheckMode = 0; })},
        {"a window-title check chosen in the custom dialog", WithCheck(Entry(notepad), 1, ""), 0, false,
         [&](HWND d) {
             CustomCheck(d, [](HWND dupChk) {
                 Type(dupChk, IDC_DUPCHK_EDITWNDTITLE, "*メモ帳*");
                 Click(dupChk, IDOK);
             });
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) {
             c.DupCheckMode = 3;
             c.DupCheckText = "*メモ帳*";
         })},
        {"the standard check chosen in the custom dialog keeps the stored title",
         WithCheck(Entry(notepad), 3, "Title*"), 0, false,
         [&](HWND d) {
             CustomCheck(d, [](HWND dupChk) {
                 EXPECT_EQ(Text(dupChk, IDC_DUPCHK_EDITWNDTITLE), "Title*");
                 Click(dupChk, IDC_DUPCHK_RBSTD);
                 Click(dupChk, IDOK);
             });
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DupCheckMode = 1; })},
        {"a program check chosen in the custom dialog, then the box unchecked",
         WithCheck(Entry(notepad), 1, "old"), 0, false,
         [&](HWND d) {
             CustomCheck(d, [](HWND dupChk) {
                 Type(dupChk, IDC_DUPCHK_EDITEXENAME, "calc.exe");
                 Click(dupChk, IDOK);
             });
             Click(d, kSingle);
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) { c.DupCheckMode = 0; })},
        {"the custom dialog cancelled changes nothing", WithCheck(Entry(notepad), 2, "a.exe"), 0, false,
         [&](HWND d) {
             CustomCheck(d, [](HWND dupChk) {
                 Type(dupChk, IDC_DUPCHK_EDITWNDTITLE, "x");
                 Click(dupChk, IDCANCEL);
             });
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon&) {})},
        {"Cancel after changing every field leaves the entry as it was", WithCheck(full, 2, "a.exe"), 2,
         false,
         [&](HWND d) {
             Retype(d, kCmd, "regedit");
             Retype(d, kDefDir, "C:\\");
             Choose(d, kWndSize, 0);
             Choose(d, kWait, 2);
             Retype(d, kDelay, "7");
             Click(d, kAutoQuit);
             CustomCheck(d, [](HWND dupChk) {
                 Type(dupChk, IDC_DUPCHK_EDITWNDTITLE, "t");
                 Click(dupChk, IDOK);
             });
             Click(d, IDCANCEL);
         },
         untouched},
        {"the window size, waiting and closing with the parent are written back", Entry(notepad), 0, false,
         [&](HWND d) {
             Choose(d, kWndSize, 1);
             Choose(d, kWait, 2);
             Click(d, kAutoQuit);
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon& c) {
             c.WndSize = wsMinimized;
             c.WaitMode = wmExit;
             c.AutoQuit = true;
         })},
        {"a working folder that does not exist is refused with a warning until it is corrected",
         Entry(notepad, system), 0, false,
         [&](HWND d) {
             Retype(d, kDefDir, "  C:\\nosuch  ");
             Click(d, IDOK);
             EXPECT_TRUE(StillOpen(d));
             EXPECT_EQ(Text(d, kDefDir), "C:\\nosuch");
             Retype(d, kDefDir, "C:\\");
             Click(d, IDOK);
         },
         [&](const TChildIcon& before, const TOutcome& o) {
             EXPECT_EQ(o.Boxes,
                       std::vector<std::string>{"作業フォルダに指定された 'C:\\nosuch' "
                                                "フォルダは無効です。フォルダがあるか、またはパスが正"
                                                "しいか確認して下さい。"});
             EXPECT_TRUE(o.Result);
             TChildIcon expected = before;
             expected.DefDir = "C:\\";
             EXPECT_EQ(o.Entry, expected);
         }},
        {"a bare program name is looked up on the search path", TChildIcon(), 0, true,
         [&](HWND d) {
             Type(d, kCmd, "  notepad C:\\readme.txt");
             EXPECT_EQ(Text(d, kTip), "notepad");
             Click(d, IDOK);
         },
         [&](const TChildIcon&, const TOutcome& o) {
             EXPECT_TRUE(o.Result);
             EXPECT_EQ(o.Entry.Cmd,
                       (searchedNotepad.find(' ') == std::string::npos ? searchedNotepad
                                                                       : "\"" + searchedNotepad + "\"") +
                           " C:\\readme.txt");
         }},
        {"a shell object shows its name with the command greyed", shellObject, 0, false,
         [&](HWND d) {
             EXPECT_EQ(Text(d, kCmd), "");
             EXPECT_EQ(Text(d, kDefDir), "");
             EXPECT_EQ(Text(d, kTip), controlPanelName);
             EXPECT_EQ(ComboIndex(d, kWait), 2);
             ExpectTargetColors(d, true);
             EXPECT_TRUE(IsEnabled(d, IDOK));
             Click(d, IDOK);
         },
         unchangedBut([](TChildIcon&) {})},
        {"typing a command replaces the shell object", shellObject, 0, false,
         [&](HWND d) {
             Type(d, kCmd, "regedit");
             ExpectTargetColors(d, false);
             EXPECT_EQ(Text(d, kTip), "regedit");
             EXPECT_TRUE(IsEnabled(d, IDOK));
             Click(d, IDOK);
         },
         unchangedBut([&](TChildIcon& c) {
             c.IDList = IdList();
             c.Cmd = searchedRegedit.find(' ') == std::string::npos ? searchedRegedit
                                                                    : "\"" + searchedRegedit + "\"";
         })},
        {"the Control Panel chosen among all items makes the entry a shell object", Entry(notepad, system), 0,
         false,
         [&](HWND d) {
             ChooseBrowseEntry(d, 3); // すべての項目
             const HWND browser = WaitForBrowser(d);
             ASSERT_NE(browser, nullptr);
             ConfirmTreePath(browser, {myComputerName, controlPanelName});
             EXPECT_TRUE(
                 WaitUntil([&] { return !::IsWindow(browser) && Text(d, kTip) == controlPanelName; }));
             Settle(d);
             EXPECT_EQ(Text(d, kCmd), "");
             EXPECT_EQ(Text(d, kDefDir), "");
             EXPECT_EQ(Text(d, kTip), controlPanelName);
             ExpectTargetColors(d, true);
             EXPECT_TRUE(IsEnabled(d, IDOK));
             Click(d, IDOK);
         },
         [&](const TChildIcon& before, const TOutcome& o) {
             EXPECT_TRUE(o.Result);
             TChildIcon expected = before;
             expected.Cmd.clear();
             expected.DefDir.clear();
             expected.IDList = o.Entry.IDList;
             EXPECT_EQ(o.Entry, expected);
             EXPECT_EQ(DisplayNameOf(o.Entry.IDList), controlPanelName);
         }},
        {"the working-folder button fills the working folder", Entry(notepad), 0, false,
         [&](HWND d) {
             ::PostMessageW(Control(d, IDC_CHILD_SBBWDEFDIR), BM_CLICK, 0, 0);
             const HWND browser = WaitForBrowser(d);
             ASSERT_NE(browser, nullptr);
             SelectPath(browser, system);
             ClickButton(browser, IDOK);
             EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(browser) && Text(d, kDefDir) == system; }));
             Click(d, IDOK);
         },
         unchangedBut([&](TChildIcon& c) { c.DefDir = system; })},
        {"a Windows exit command from the browse menu", Entry(notepad, system), 0, false,
         [&](HWND d) {
             ChooseBrowseEntry(d, 4); // その他, whose first entry is Windowsの終了 with 終了 first
             HWND menu = nullptr;
             WaitUntil([&] { return (menu = ::FindWindowW(L"#32768", nullptr)) != nullptr; });
             Key(menu, VK_RIGHT);
             Key(menu, VK_RIGHT);
             Key(menu, VK_RETURN);
             EXPECT_TRUE(WaitUntil([&] { return Text(d, kCmd) == "RUNDLL.EXE USER.EXE,ExitWindows"; }));
             Settle(d);
             EXPECT_EQ(Text(d, kDefDir), "");
             EXPECT_EQ(Text(d, kTip), "RUNDLL.EXE");
             Click(d, IDCANCEL);
         },
         untouched},
        {"Escape after typing leaves the entry as it was", Entry(notepad), 0, false,
         [&](HWND d) {
             Type(d, kCmd, " /x");
             PressKey(d, kCmd, VK_ESCAPE);
         },
         untouched},
        {"the close box after typing leaves the entry as it was", Entry(notepad), 0, false,
         [&](HWND d) {
             Retype(d, kDelay, "9");
             ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
         },
         untouched},
        {"the help menu of the picture and the labels", Entry(notepad), 0, false,
         [&](HWND d) {
             for (const int id : {IDC_CHILD_IMAGEICONCHILD, IDC_CHILD_LBLSECONDS, IDC_CHILD_LBLCMD}) {
                 RECT rect{};
                 ::GetWindowRect(Control(d, id), &rect);
                 ::PostMessageW(d, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Control(d, id)),
                                MAKELPARAM(rect.left + 2, rect.top + 2));
                 HWND menu = nullptr;
                 WaitUntil([&] { return (menu = ::FindWindowW(L"#32768", nullptr)) != nullptr; });
                 ASSERT_NE(menu, nullptr);
                 Key(menu, VK_DOWN);
                 Key(menu, VK_RETURN);
                 WaitUntil([&] { return ::FindWindowW(L"#32768", nullptr) == nullptr; });
                 Settle(d);
             }
             Click(d, IDCANCEL);
         },
         [](const TChildIcon&, const TOutcome& o) {
             EXPECT_EQ(o.Topics, (std::vector<int>{-74, -77, -35}));
         }},
        {"a command longer than the store keeps: a warning naming the field, the dialog stays open",
         Entry(notepad), 0, false,
         [&](HWND d) {
             ::SetWindowTextW(Control(d, kCmd), Widen("C:\\" + std::string(293, 'a') + ".exe").c_str());
             Click(d, IDOK);
             EXPECT_TRUE(::IsWindowVisible(d));
             Click(d, IDCANCEL);
         },
         [&](const TChildIcon& before, const TOutcome& o) {
             untouched(before, o);
             EXPECT_EQ(o.Boxes,
                       std::vector<std::string>{"コマンドラインが長すぎます。保存できるのは 260 バイト "
                                                "(半角 260 文字) までです。"});
         }},
        {"Cancel on a shell object keeps it", shellObject, 0, false,
         [&](HWND d) {
             Type(d, kCmd, "regedit");
             Click(d, IDCANCEL);
         },
         untouched},
    };
    for (const TScenario& s : scenarios) {
        SCOPED_TRACE(s.Name);
        const TOutcome outcome = Run(s);
        ASSERT_TRUE(outcome.Found);
        s.Check(s.Entry, outcome);
        if (std::string(s.Name).find("warning") == std::string::npos) {
            EXPECT_TRUE(outcome.Boxes.empty());
        }
        EXPECT_EQ(TFormChild::Instance(), nullptr);
    }
}

} // namespace
} // namespace lodestar
