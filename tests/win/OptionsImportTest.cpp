// The options dialog taking over the INI files of versions up to 2.61, as a user does it over a running
// main window: the button on the settings page, the confirmation, the shell's real folder browser, then
// the dialog's lists and controls, and what OK or Cancel leaves in the registry. The files are written in
// the legacy encoding into folders of the Wine prefix.
#include "AppSettings.h"
#include "BrowserDriver.h"
#include "DamagedGroup.h"
#include "DialogDriver.h"
#include "Handles.h"
#include "LegacyText.h"
#include "OptionsDriver.h"
#include "Seams.h"
#include "Settings.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const std::string kBase = "C:\\lodestar-import";
// A "%" in the folder is an ordinary character of the file names built from it.
const std::string kFolder = kBase + "\\旧設定 100%";
const std::string kPlainFolder = kBase + "\\旧設定";
const std::string kEmptyFolder = kPlainFolder + "\\空のフォルダ";
const std::string kCaptionOfImport = "旧設定の引継ぎ - Lodestar";
const std::string kDone = "旧設定の引継ぎを正常に完了しました。";
// The status line of Wine's folder browser, by control id.
constexpr int kBrowserStatus = 0x3743;

// An old version's file, written in the legacy encoding.
void WriteIni(const std::string& folder, const std::string& name, const std::string& text) {
    ::CreateDirectoryW(Widen(kBase).c_str(), nullptr);
    ::CreateDirectoryW(Widen(folder).c_str(), nullptr);
    WriteBytes(folder + "\\" + name, ToLegacy(text));
}

void EmptyFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Widen(folder)), ignored);
    ::CreateDirectoryW(Widen(kBase).c_str(), nullptr);
    ::CreateDirectoryW(Widen(folder).c_str(), nullptr);
}

// Group 0 of an old version with every setting changed from its default and items of every kind.
const std::string kFullGroup0 = "[Options]\r\n"
                                "ShowMainIcon=0\r\n"
                                "ClickType=1\r\n"
                                "NotifyNotFound=2\r\n"
                                "DereferLinks=1\r\n"
                                "DnDTimer=1\r\n"
                                "Interval=800\r\n"
                                "Confirm@Del=0\r\n"
                                "HideLinkOverlay=1\r\n"
                                "DefIconPath=C:\\アイコン集\\icons.dll\r\n"
                                "[Group]\r\n"
                                "Name=仕事用\r\n"
                                "[Entries]\r\n"
                                "メモ帳=C:\\WINDOWS\\NOTEPAD.EXE 表.txt\r\n"
                                "空っぽ=\r\n"
                                "電卓=\"C:\\Program Files\\電卓\\calc.exe\" /x\r\n"
                                "[Tips]\r\n"
                                "メモ帳=メモを書く\r\n"
                                "[DefDir]\r\n"
                                "メモ帳=C:\\文書\r\n"
                                "[CustomIcon]\r\n"
                                "電卓=C:\\アイコン集\\icons.dll,3\r\n"
                                "[WindowSize]\r\n"
                                "メモ帳=2\r\n"
                                "電卓=5\r\n"
                                "[HotKey]\r\n"
                                "メモ帳=16461\r\n";

// Settings and groups that differ from everything imported, so that what stays and what is replaced shows.
TSettings StoredSettings() {
    TSettings s;
    s.ShowMainIcon = true;
    s.ClickType = false;
    s.NotifyNotFound = nfWarning;
    s.DereferLinks = false;
    s.TrayDndType = dndOff;
    s.Interval = 1100;
    s.ConfirmOnDel = true;
    s.HideLinkOverlay = false;
    s.GrayIcons = true;
    s.DefIconPath = "C:\\以前のパス";
    return s;
}

void StoreSomeGroups() {
    StoreGroup(0, "いつもの", Numbered(1, 3));
    StoreGroup(1, "ゲーム", Numbered(10, 2));
    StoreGroup(4, "", Numbered(20, 1));
}

struct TBox {
    std::string Text;
    std::string Caption;
    UINT Flags = 0;
};

struct TOutcome {
    bool Ok = false;
    std::vector<TItemData> Rows; // the shown group's rows as the main window takes them after OK
    std::vector<TBox> Boxes;
    TAllGroups Before;
};

// What the script saw in the folder browser.
struct TBrowserSeen {
    bool Found = false;
    std::string Initial;             // the selection once the browser had settled
    std::vector<bool> OkStates;      // the OK button after each folder the script chose
    std::vector<std::string> Status; // the status line after each folder
};

bool ButtonChecked(HWND dialog, int id) {
    return ::SendMessageW(FindDescendantById(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ControlEnabled(HWND dialog, int id) {
    return ::IsWindowEnabled(FindDescendantById(dialog, id)) != FALSE;
}

// The open dialog with the import button and the folder browser it opens.
class TImportPage : public TPage {
public:
    TImportPage(HWND dialog, TQueueMarker& marker) : TPage(dialog, marker) {}

    // Presses the import button. With `browser` the folder browser is expected and the script runs on it
    // (it must close it); without, none may appear.
    TBrowserSeen Import(const std::function<void(HWND browser, TBrowserSeen&)>& browser) const {
        TBrowserSeen seen;
        const HWND button = FindDescendantById(Dialog(), IDC_OPT_BTNLOADINI);
        ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_OPT_BTNLOADINI, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
        Sync();
        const DWORD thread = ::GetWindowThreadProcessId(Dialog(), nullptr);
        HWND found = nullptr;
        if (browser)
            WaitUntil([&] { return (found = Browser(thread)) != nullptr; });
        else
            found = Browser(thread);
        seen.Found = found != nullptr;
        if (!browser) {
            EXPECT_FALSE(found) << "a folder browser opened";
            if (found) ::PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
            return seen;
        }
        if (!found) {
            ADD_FAILURE() << "no folder browser";
            return seen;
        }
        // The tree may pass through other folders on its way to the first selection.
        std::string last;
        for (int i = 0; i < 66; ++i) {
            const std::string now = SelectedItemText(found);
            if (!now.empty() && now == last) break;
            last = now;
            ::Sleep(150);
        }
        seen.Initial = SelectedItemText(found);
        browser(found, seen);
        if (!WaitUntil([&] { return !::IsWindow(found); })) {
            ADD_FAILURE() << "the script left the browser open";
            ::PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
        }
        Sync();
        return seen;
    }

    int TrackPosition() const {
        return static_cast<int>(
            ::SendMessageW(FindDescendantById(Dialog(), IDC_OPT_TRACKTIMER), TBM_GETPOS, 0, 0));
    }
    bool RowSelected(int row) const {
        return (::SendMessageW(Items(), LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    }
    std::vector<std::string> GroupCaptions() const {
        std::vector<std::string> captions;
        for (int g = 0; g < Rows(Groups()); ++g)
            captions.push_back(Caption(Groups(), g));
        return captions;
    }
    std::vector<std::string> ItemCmds() const {
        std::vector<std::string> cmds;
        for (int row = 0; row < Rows(Items()); ++row)
            cmds.push_back(Caption(Items(), row, 1));
        return cmds;
    }

private:
    static HWND Browser(DWORD thread) {
        return FindThreadWindow(thread, [](HWND window) {
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            return std::wstring(name) == L"#32770" && ::IsWindowVisible(window) && TreeOf(window);
        });
    }
};

// Chooses the folder in the browser and confirms it, as a user can only with an enabled OK button.
void Choose(HWND browser, const std::string& folder, TBrowserSeen& seen) {
    SelectPath(browser, folder);
    ::Sleep(300);
    seen.OkStates.push_back(::IsWindowEnabled(::GetDlgItem(browser, IDOK)) != FALSE);
    seen.Status.push_back(TextOf(::GetDlgItem(browser, kBrowserStatus)));
    if (!seen.OkStates.back()) {
        ADD_FAILURE() << "OK is greyed for " << folder;
        ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    ClickButton(browser, IDOK);
}

std::function<void(HWND, TBrowserSeen&)> ChooseFolder(const std::string& folder) {
    return [folder](HWND browser, TBrowserSeen& seen) { Choose(browser, folder, seen); };
}

std::vector<std::string> Texts(const std::vector<TBox>& boxes) {
    std::vector<std::string> texts;
    for (const TBox& box : boxes)
        texts.push_back(box.Text);
    return texts;
}

std::vector<std::string> CmdsOf(const std::vector<TItemData>& items) {
    std::vector<std::string> cmds;
    for (const TItemData& item : items)
        cmds.push_back(item.Cmd);
    return cmds;
}

std::vector<std::string> NumberedCmds(int first, int count) {
    return CmdsOf(Numbered(first, count));
}

const std::vector<std::string> kGroup0Cmds = {"C:\\WINDOWS\\NOTEPAD.EXE 表.txt",
                                              "\"C:\\Program Files\\電卓\\calc.exe\" /x"};

struct TScenario {
    const char* what;
    int current = 0;               // the main window's group
    std::function<void()> prepare; // registry and files before the main window starts
    int confirm = IDOK;            // the answer to the confirmation
    std::function<void(TImportPage&)> script;
    std::function<void(const TOutcome&)> check;
};

class OptionsImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            const std::lock_guard lock(mutex);
            boxes.push_back({text, caption, flags});
            return (flags & MB_TYPEMASK) == MB_OKCANCEL ? confirm : IDOK;
        };
        Seams().Beep = [](UINT) {};
    }
    void TearDown() override {
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }

    void Run(const std::vector<TScenario>& scenarios) {
        for (const TScenario& scenario : scenarios) {
            SCOPED_TRACE(scenario.what);
            ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
            EmptyFolder(kFolder);
            EmptyFolder(kPlainFolder);
            EmptyFolder(kEmptyFolder);
            WriteSettings(StoredSettings());
            scenario.prepare();
            WriteIconGroup(scenario.current);
            {
                const std::lock_guard lock(mutex);
                boxes.clear();
                confirm = scenario.confirm;
            }
            auto form = std::make_unique<TForm1>();
            ASSERT_EQ(form->CurrentGroup(), scenario.current);
            TOutcome out;
            out.Before = RawAllGroups();
            {
                TQueueMarker marker;
                TForm2 dialog(*form);
                TDialogDriver driver(kCaption, [&](HWND window) {
                    TImportPage page(window, marker);
                    scenario.script(page);
                });
                out.Ok = dialog.Execute();
                driver.Join();
                ASSERT_TRUE(driver.Found()) << "no options dialog";
                for (int row = 0; row < dialog.ItemCount(); ++row)
                    out.Rows.push_back(dialog.ItemRecordAt(row));
            }
            {
                const std::lock_guard lock(mutex);
                out.Boxes = boxes;
            }
            // Before the main window ends: it would store its own rows as the shown group.
            scenario.check(out);
            form.reset();
        }
    }

    std::mutex mutex;
    std::vector<TBox> boxes;
    int confirm = IDOK;
};

TEST_F(OptionsImportTest, FilesAreInTheLegacyEncoding) {
    // Every other test here relies on it: a file written as UTF-8 would import as something else.
    EXPECT_EQ(ToLegacy("メモ帳"), "\x83\x81\x83\x82\x92\xA0");
}

TEST_F(OptionsImportTest, ImportThenOkOrCancel) {
    const TItemData d1 = Item(Cmd(1)), d2 = Item(Cmd(2)), d3 = Item(Cmd(3));
    HANDLE locked = INVALID_HANDLE_VALUE;
    const std::vector<TScenario> scenarios = {
        {"a folder with only LODESTAR.INI: its settings and items, nine empty groups named by their numbers",
         0,
         [] {
             StoreSomeGroups();
             WriteIni(kFolder, "LODESTAR.INI", kFullGroup0);
         },
         IDOK,
         [](TImportPage& page) {
             const TBrowserSeen seen = page.Import(ChooseFolder(kFolder));
             ASSERT_EQ(seen.Status.size(), 1u);
             EXPECT_EQ(seen.Status[0], kFolder);
             EXPECT_EQ(page.GroupCaptions(),
                       (std::vector<std::string>{"仕事用", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
             EXPECT_FALSE(page.Dimmed(0));
             for (int g = 1; g < kGroupCount; ++g)
                 EXPECT_TRUE(page.Dimmed(g)) << g;
             EXPECT_EQ(page.ItemCmds(), kGroup0Cmds);
             EXPECT_EQ(page.Caption(page.Items(), 0), "メモを書く");
             EXPECT_EQ(page.Caption(page.Items(), 0, 3), "最大化");
             EXPECT_EQ(page.Caption(page.Items(), 1, 3), "通常"); // WindowSize 5
             EXPECT_TRUE(page.RowSelected(0));
             EXPECT_FALSE(page.RowSelected(1));
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNEDIT));
             EXPECT_EQ(page.TrackPosition(), 8);
             EXPECT_TRUE(ButtonChecked(page.Dialog(), IDC_OPT_RBTIMERDND));
             EXPECT_TRUE(ControlEnabled(page.Dialog(), IDC_OPT_TRACKTIMER));
             EXPECT_EQ(TextOf(FindDescendantById(page.Dialog(), IDC_OPT_LABELTIMER)), "800 ミリ秒毎");
             EXPECT_TRUE(ButtonChecked(page.Dialog(), IDC_OPT_RBDEFICONCUSTOM));
             EXPECT_TRUE(ControlEnabled(page.Dialog(), IDC_OPT_EDITDEFICONPATH));
             EXPECT_FALSE(ButtonChecked(page.Dialog(), IDC_OPTI_CBSHOWMAINICO));
             page.Ok();
         },
         [](const TOutcome& out) {
             ASSERT_TRUE(out.Ok);
             ASSERT_EQ(out.Boxes.size(), 2u);
             EXPECT_EQ(out.Boxes[0].Caption, kCaptionOfImport);
             EXPECT_EQ(out.Boxes[0].Flags & (MB_TYPEMASK | MB_ICONMASK),
                       UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
             EXPECT_EQ(out.Boxes[1].Text, kDone);
             EXPECT_EQ(out.Boxes[1].Caption, kCaptionOfImport);

             TSettings expected = StoredSettings();
             expected.ShowMainIcon = false;
             expected.ClickType = true;
             expected.NotifyNotFound = nfNothing;
             expected.DereferLinks = true;
             expected.TrayDndType = dndTimer;
             expected.Interval = 800;
             expected.ConfirmOnDel = false;
             expected.HideLinkOverlay = true;
             expected.GrayIcons = false;
             expected.DefIconPath = "C:\\アイコン集\\icons.dll";
             EXPECT_EQ(ReadSettings(), expected);

             ASSERT_EQ(out.Rows.size(), 2u);
             EXPECT_EQ(CmdsOf(out.Rows), kGroup0Cmds);
             EXPECT_EQ(out.Rows[0].Tip, "メモを書く");
             EXPECT_EQ(out.Rows[0].DefDir, "C:\\文書");
             EXPECT_EQ(out.Rows[0].WndSize, 2);
             EXPECT_EQ(out.Rows[0].HotKey, 0x404D);
             EXPECT_EQ(out.Rows[1].Tip, "");
             EXPECT_EQ(out.Rows[1].CustomIcon, "C:\\アイコン集\\icons.dll,3");
             EXPECT_EQ(out.Rows[1].WndSize, 0);
             EXPECT_EQ(ReadGroupName(0), "仕事用");
             for (int g = 1; g < kGroupCount; ++g) {
                 EXPECT_EQ(ReadGroupName(g), "") << g;
                 EXPECT_TRUE(StoredCmds(g).empty()) << g;
             }
         }},
        {"Cancel after importing leaves every stored value as it was", 0,
         [] {
             StoreSomeGroups();
             WriteIni(kFolder, "LODESTAR.INI", kFullGroup0);
             WriteIni(kFolder, "LODEST01.INI", "[Entries]\r\n一=C:\\一.exe\r\n");
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             EXPECT_EQ(page.ItemCmds(), kGroup0Cmds);
             page.Cancel();
         },
         [](const TOutcome& out) {
             EXPECT_FALSE(out.Ok);
             EXPECT_EQ(Texts(out.Boxes).back(), kDone);
             EXPECT_EQ(RawAllGroups(), out.Before);
             EXPECT_EQ(ReadSettings(), StoredSettings());
         }},
        {"the shown group taken from its own file; Interval 250 gives 5; a file without a group name keeps "
         "the number",
         2,
         [] {
             StoreSomeGroups();
             StoreGroup(2, "二番", Numbered(30, 2));
             WriteIni(kFolder, "LODESTAR.INI", "[Options]\r\nInterval=250\r\nDnDTimer=0\r\n");
             WriteIni(kFolder, "LODEST02.INI",
                      "[Group]\r\nIcon=3\r\n[Entries]\r\nお絵かき=C:\\道具\\paint.exe\r\n"
                      "[Tips]\r\nお絵かき=絵\r\n");
             WriteIni(kFolder, "LODEST03.INI", "[Group]\r\nName=三番目\r\n[Entries]\r\nC=C:\\c.exe\r\n");
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             EXPECT_EQ(page.ShownGroup(), 2);
             EXPECT_EQ(page.ItemCmds(), std::vector<std::string>{"C:\\道具\\paint.exe"});
             const std::vector<std::string> captions = page.GroupCaptions();
             ASSERT_EQ(captions.size(), 10u);
             EXPECT_EQ(captions[0], "0");
             EXPECT_EQ(captions[2], "2");
             EXPECT_EQ(captions[3], "三番目");
             EXPECT_TRUE(page.Dimmed(0));
             EXPECT_FALSE(page.Dimmed(2));
             EXPECT_FALSE(page.Dimmed(3));
             EXPECT_EQ(page.TrackPosition(), 5);
             EXPECT_TRUE(ButtonChecked(page.Dialog(), IDC_OPT_RBNODND));
             EXPECT_FALSE(ControlEnabled(page.Dialog(), IDC_OPT_TRACKTIMER));
             EXPECT_TRUE(ButtonChecked(page.Dialog(), IDC_OPT_RBDEFICONSTD));
             page.Ok();
         },
         [](const TOutcome& out) {
             ASSERT_TRUE(out.Ok);
             EXPECT_EQ(CmdsOf(out.Rows), std::vector<std::string>{"C:\\道具\\paint.exe"});
             EXPECT_EQ(ReadGroupName(2), "");
             EXPECT_EQ(ReadGroupName(3), "三番目");
             EXPECT_EQ(StoredCmds(3), std::vector<std::string>{"C:\\c.exe"});
             EXPECT_TRUE(StoredCmds(0).empty());
             EXPECT_TRUE(StoredCmds(1).empty());
             const TSettings stored = ReadSettings();
             EXPECT_EQ(stored.Interval, 500);
             EXPECT_EQ(stored.TrayDndType, dndOff);
             EXPECT_EQ(stored.DefIconPath, "");
             EXPECT_EQ(stored.IconGroup, 2);
         }},
        {"the confirmation answered Cancel: no browser, nothing changes", 0,
         [] {
             StoreSomeGroups();
             WriteIni(kFolder, "LODESTAR.INI", kFullGroup0);
         },
         IDCANCEL,
         [](TImportPage& page) {
             page.Import(nullptr);
             EXPECT_EQ(page.ItemCmds(), NumberedCmds(1, 3));
             EXPECT_EQ(page.Caption(page.Groups(), 0), "いつもの");
             EXPECT_EQ(page.TrackPosition(), 11);
             page.Ok();
         },
         [](const TOutcome& out) {
             EXPECT_EQ(Texts(out.Boxes).size(), 1u);
             EXPECT_EQ(CmdsOf(out.Rows), NumberedCmds(1, 3));
             EXPECT_EQ(StoredCmds(1), NumberedCmds(10, 2));
             EXPECT_EQ(ReadGroupName(1), "ゲーム");
             EXPECT_EQ(ReadSettings(), StoredSettings());
         }},
        {"the browser offers OK only in a folder holding LODEST??.INI; its Cancel changes nothing", 0,
         [] {
             StoreSomeGroups();
             WriteIni(kPlainFolder, "LODEST07.INI", "[Entries]\r\n七=C:\\七.exe\r\n");
             WriteIni(kEmptyFolder, "LODESTAR.TXT", "[Entries]\r\nx=C:\\x.exe\r\n");
         },
         IDOK,
         [](TImportPage& page) {
             // The button follows the selection both ways.
             const TBrowserSeen seen = page.Import([](HWND browser, TBrowserSeen& s) {
                 const auto okNow = [browser] {
                     ::Sleep(300);
                     return ::IsWindowEnabled(::GetDlgItem(browser, IDOK)) != FALSE;
                 };
                 s.OkStates.push_back(okNow());
                 SelectPath(browser, kPlainFolder);
                 s.OkStates.push_back(okNow());
                 // Down into the folder without a file and back up, clicked in the tree as a user does it
                 // (Wine's browser does not always follow a second selection by path).
                 const HWND tree = TreeOf(browser);
                 const auto parent =
                     reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
                 ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
                 HTREEITEM child = nullptr;
                 WaitUntil([&] {
                     child = reinterpret_cast<HTREEITEM>(
                         ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
                     return child != nullptr;
                 });
                 ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
                 s.Status.push_back(SelectedItemText(browser));
                 s.OkStates.push_back(okNow());
                 ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(parent));
                 s.Status.push_back(SelectedItemText(browser));
                 s.OkStates.push_back(okNow());
                 ClickButton(browser, IDCANCEL);
             });
             // The program's own folder comes first; it holds no old files.
             wchar_t module[MAX_PATH] = {};
             ::GetModuleFileNameW(nullptr, module, MAX_PATH);
             std::string folder = Narrow(module);
             folder.resize(folder.find_last_of('\\'));
             EXPECT_EQ(seen.Initial, folder.substr(folder.find_last_of('\\') + 1));
             EXPECT_EQ(seen.OkStates, (std::vector<bool>{false, true, false, true}));
             EXPECT_EQ(seen.Status, (std::vector<std::string>{"空のフォルダ", "旧設定"}));
             EXPECT_EQ(page.ItemCmds(), NumberedCmds(1, 3));
             page.Ok();
         },
         [](const TOutcome& out) {
             EXPECT_EQ(Texts(out.Boxes).size(), 1u);
             EXPECT_EQ(StoredCmds(1), NumberedCmds(10, 2));
             EXPECT_TRUE(StoredCmds(7).empty());
             EXPECT_EQ(ReadSettings(), StoredSettings());
         }},
        {"a file that cannot be read stops the import before anything changes", 0,
         [&] {
             StoreSomeGroups();
             WriteIni(kFolder, "LODESTAR.INI", kFullGroup0);
             WriteIni(kFolder, "LODEST04.INI", "[Entries]\r\n四=C:\\四.exe\r\n");
             // Another program holds it open without sharing.
             locked = ::CreateFileW(Widen(kFolder + "\\LODEST04.INI").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
             ASSERT_NE(locked, INVALID_HANDLE_VALUE);
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             EXPECT_EQ(page.ItemCmds(), NumberedCmds(1, 3));
             EXPECT_EQ(page.Caption(page.Groups(), 0), "いつもの");
             EXPECT_EQ(page.Caption(page.Groups(), 1), "ゲーム");
             EXPECT_EQ(page.TrackPosition(), 11);
             EXPECT_TRUE(ButtonChecked(page.Dialog(), IDC_OPT_CBGRAYICONS));
             EXPECT_TRUE(ButtonChecked(page.Dialog(), IDC_OPTI_CBSHOWMAINICO));
             page.Ok();
         },
         [&](const TOutcome& out) {
             const UniqueFile release(locked);
             ASSERT_EQ(out.Boxes.size(), 2u);
             EXPECT_NE(out.Boxes[1].Text, kDone);
             EXPECT_NE(out.Boxes[1].Text.find("LODEST04.INI"), std::string::npos) << out.Boxes[1].Text;
             EXPECT_EQ(out.Boxes[1].Flags & MB_ICONMASK, UINT(MB_ICONERROR));
             EXPECT_EQ(CmdsOf(out.Rows), NumberedCmds(1, 3));
             EXPECT_EQ(StoredCmds(1), NumberedCmds(10, 2));
             EXPECT_EQ(ReadSettings(), StoredSettings());
         }},
        {"a group that could not be read is replaced by the import and written on OK", 0,
         [&] {
             StoreSomeGroups();
             PlantDamagedGroup(5, "壊れた", d1, d2, d3);
             WriteIni(kFolder, "LODESTAR.INI", "[Entries]\r\nA=C:\\a.exe\r\n");
             WriteIni(kFolder, "LODEST05.INI", "[Group]\r\nName=直った\r\n[Entries]\r\n五=C:\\五.exe\r\n");
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             page.ShowGroup(5);
             EXPECT_EQ(page.ShownGroup(), 5);
             EXPECT_EQ(page.ItemCmds(), std::vector<std::string>{"C:\\五.exe"});
             page.ShowGroup(0);
             page.Ok();
         },
         [](const TOutcome& out) {
             // The load error, the confirmation, the completion: no refusal for group 5 any more.
             EXPECT_EQ(out.Boxes.size(), 3u);
             EXPECT_EQ(StoredCmds(5), std::vector<std::string>{"C:\\五.exe"});
             EXPECT_EQ(ReadGroupName(5), "直った");
             EXPECT_EQ(CmdsOf(out.Rows), std::vector<std::string>{"C:\\a.exe"});
         }},
        {"the main window's incompletely read group, replaced by the import, is written by OK", 0,
         [&] {
             PlantDamagedGroup(0, "", d1, d2, d3);
             WriteIni(kFolder, "LODESTAR.INI", "[Entries]\r\nA=C:\\a.exe\r\nB=C:\\b.exe\r\n");
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             EXPECT_EQ(page.ItemCmds(), (std::vector<std::string>{"C:\\a.exe", "C:\\b.exe"}));
             // The rows are the user's now: they can be changed.
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             EXPECT_EQ(page.ItemCmds(), std::vector<std::string>{"C:\\b.exe"});
             page.Ok();
         },
         [](const TOutcome& out) {
             ASSERT_TRUE(out.Ok);
             EXPECT_EQ(Texts(out.Boxes).back(), kDone);
             EXPECT_EQ(CmdsOf(out.Rows), std::vector<std::string>{"C:\\b.exe"});
             EXPECT_EQ(StoredCmds(0), std::vector<std::string>{"C:\\b.exe"});
         }},
        {"the main window's incompletely read group stays as stored when the import is cancelled", 0,
         [&] {
             PlantDamagedGroup(0, "", d1, d2, d3);
             WriteIni(kFolder, "LODESTAR.INI", "[Entries]\r\nA=C:\\a.exe\r\n");
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             page.Cancel();
         },
         [](const TOutcome& out) {
             EXPECT_FALSE(out.Ok);
             EXPECT_EQ(RawAllGroups(), out.Before);
         }},
        {"a group file with more items than a group holds gives its first 200, and says so", 0,
         [] {
             std::string entries = "[Entries]\r\n";
             for (int n = 1; n <= 205; ++n)
                 entries += "項目" + std::to_string(n) + "=" + Cmd(n) + "\r\n";
             WriteIni(kFolder, "LODEST01.INI", entries);
         },
         IDOK,
         [](TImportPage& page) {
             page.Import(ChooseFolder(kFolder));
             page.Ok();
         },
         [](const TOutcome& out) {
             ASSERT_EQ(out.Boxes.size(), 2u);
             EXPECT_EQ(out.Boxes[1].Text.rfind(kDone, 0), 0u);
             EXPECT_NE(out.Boxes[1].Text.find("200"), std::string::npos);
             EXPECT_EQ(StoredCmds(1), NumberedCmds(1, 200));
         }},
    };
    Run(scenarios);
}

} // namespace
