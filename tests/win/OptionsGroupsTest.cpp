// The options dialog's groups and items page as the user works it: renaming groups, moving, deleting and
// adding items, switching groups, and what OK and Cancel leave in the registry and for the main window,
// also with a group that cannot be read to its end.
#include "AppSettings.h"
#include "DamagedGroup.h"
#include "DialogDriver.h"
#include "IconPickerDriver.h"
#include "OptionsDriver.h"
#include "ItemRecord.h"
#include "LsReg.h"
#include "Seams.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const std::string kNewItemCaption = "アイコン項目の新規作成 - Lodestar";
constexpr int kEditTip = 1211; // the item editor's name
constexpr int kEditCmd = 1213; // the item editor's command line
const std::string kEditorCaption = "アイコン項目のプロパティ - Lodestar";
std::atomic<bool> ctrlHeld{false};

// The item editor opened by a toolbar button: a text put into one of its fields and OK.
void ThroughEditor(const TPage& page, int button, const std::string& caption, int field,
                   const std::string& text) {
    const std::wstring wanted = Widen(caption);
    HWND editor = nullptr;
    page.Press(button);
    for (int i = 0; i < 500 && !editor; ++i) {
        editor = ::FindWindowW(L"#32770", wanted.c_str());
        if (!editor || !::IsWindowVisible(editor)) {
            editor = nullptr;
            ::Sleep(10);
        }
    }
    ASSERT_TRUE(editor) << "no item editor";
    ::SendMessageW(FindDescendantById(editor, field), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(Widen(text).c_str()));
    ::PostMessageW(editor, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 500 && ::IsWindow(editor); ++i)
        ::Sleep(10);
    page.Sync();
}

void AddThroughEditor(const TPage& page, const std::string& cmd) {
    ThroughEditor(page, IDC_OPTI_BTNNEW, kNewItemCaption, kEditCmd, cmd);
}

struct TOutcome {
    bool Ok = false;
    int CurrentGroup = -1;
    std::vector<TItemData> Rows; // what the main window takes after OK
    std::vector<std::string> Boxes;
    TAllGroups Before; // every group's values when the dialog opened
};

class OptionsGroupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            const std::lock_guard lock(mutex);
            boxes.push_back(text);
            return IDOK;
        };
        Seams().Beep = [](UINT) {};
        Seams().KeyDown = [](int key) { return key == VK_CONTROL && ctrlHeld; };
        WriteSettings(TSettings{});
    }
    void TearDown() override {
        form.reset();
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }

    std::mutex mutex;
    std::vector<std::string> boxes;
    std::unique_ptr<TForm1> form;
};

TEST_F(OptionsGroupsTest, UserScenarios) {
    const TItemData a = Item(Cmd(1), "A"), b = Item(Cmd(2), "B"), c = Item(Cmd(3), "C"),
                    d = Item(Cmd(4), "D");
    TItemData automatic = Item("C:\\prog\\editor.exe");
    automatic.Tip = DefaultTip(automatic);
    ASSERT_FALSE(automatic.Tip.empty());
    const auto cmds = [](const std::vector<TItemData>& items) {
        std::vector<std::string> out;
        for (const TItemData& item : items)
            out.push_back(item.Cmd);
        return out;
    };
    const auto only = [](std::initializer_list<TItemData> items) {
        std::vector<std::string> out;
        for (const TItemData& item : items)
            out.push_back(item.Cmd);
        return out;
    };

    struct Scenario {
        const char* what;
        int current;                        // the main window's group
        std::function<void()> prepare;      // the registry before the main window starts
        std::function<void(TPage&)> script; // the user at the dialog
        std::function<void(const TOutcome&)> check;
    } scenarios[] = {
        {"a group renamed to its own number is stored without a name; a leading blank stays", 0,
         [&] {
             StoreGroup(3, "仕事", {c});
             StoreGroup(5, "遊び", {d});
         },
         [](TPage& page) {
             EXPECT_TRUE(page.Rename(page.Groups(), 3, "3"));
             EXPECT_TRUE(page.Rename(page.Groups(), 5, " 5"));
             EXPECT_EQ(page.Caption(page.Groups(), 3), "3");
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_TRUE(out.Ok);
             EXPECT_EQ(ReadGroupName(3), "");
             EXPECT_EQ(ReadGroupName(5), " 5");
             EXPECT_EQ(StoredCmds(3), only({c}));
             EXPECT_TRUE(out.Boxes.empty());
         }},
        {"another group's name in other letter case, or the group's own name, is refused", 0,
         [&] {
             StoreGroup(1, "Tools", {a});
             StoreGroup(2, "Games", {b});
         },
         [](TPage& page) {
             page.Rename(page.Groups(), 2, "tools");
             page.Rename(page.Groups(), 1, "TOOLS");
             EXPECT_EQ(page.Caption(page.Groups(), 2), "Games");
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(out.Boxes, std::vector<std::string>(
                                      2, "そのグループ名はすでに使用されています. 他の名前を使ってください"));
             EXPECT_EQ(ReadGroupName(1), "Tools");
             EXPECT_EQ(ReadGroupName(2), "Games");
         }},
        {"an item named by its automatic name is saved without a name, shown or not", 0,
         [&] {
             SaveShownGroup(0, {automatic, a});
             StoreGroup(2, "", {automatic});
         },
         [&](TPage& page) {
             EXPECT_EQ(page.Caption(page.Items(), 0), automatic.Tip);
             page.ShowGroup(2);
             EXPECT_EQ(page.Caption(page.Items(), 0), automatic.Tip);
             page.ShowGroup(0);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 2u);
             EXPECT_EQ(out.Rows[0].Tip, "");
             EXPECT_EQ(out.Rows[1].Tip, "A");
             const std::vector<TItemData> stored = ReadGroupItems(2);
             ASSERT_EQ(stored.size(), 1u);
             EXPECT_EQ(stored[0].Tip, "");
             EXPECT_EQ(stored[0].Cmd, automatic.Cmd);
         }},
        {"the rows of full groups show at once and every one gets its icon, in the group shown first and in "
         "one switched to",
         0,
         [&] {
             SaveShownGroup(0, Numbered(1, 200));
             StoreGroup(2, "", Numbered(201, 200));
         },
         [](TPage& page) {
             EXPECT_EQ(page.Rows(page.Items()), 200);
             EXPECT_EQ(page.RowsWithoutIcon(page.Items()), 0);
             page.ShowGroup(2);
             EXPECT_EQ(page.RowsWithoutIcon(page.Items()), 0);
             page.Cancel();
         },
         [](const TOutcome& out) { EXPECT_FALSE(out.Ok); }},
        {"a group of more than 200 stored items is kept as stored, like one that cannot be read", 0,
         [&] { StoreGroup(4, "多い", Numbered(1, 205)); },
         [](TPage& page) {
             page.Sync();
             EXPECT_TRUE(page.Dimmed(4));
             page.ShowGroup(4);
             EXPECT_EQ(page.ShownGroup(), 0);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Boxes.size(), 1u);
             EXPECT_NE(out.Boxes[0].find("200 個を超える"), std::string::npos) << out.Boxes[0];
             EXPECT_EQ(RawGroupValues(4), out.Before[4]);
             EXPECT_TRUE(out.Rows.empty());
         }},
        {"a write failing at OK: the dialog stays open, the main window keeps its group and its settings; "
         "Cancel then leaves what a Cancel leaves",
         0,
         [&] {
             SaveShownGroup(0, {a, b});
             StoreGroup(6, "六", {c});
         },
         [&](TPage& page) {
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             page.ShowGroup(6);
             RegistryWriteSeam() = [](std::string_view name) {
                 return name == "i001" ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
             };
             page.Ok();
             page.Sync();
             RegistryWriteSeam() = {};
             EXPECT_TRUE(::IsWindowVisible(page.Dialog()));
             page.Cancel();
         },
         [&](const TOutcome& out) {
             EXPECT_FALSE(out.Ok);
             EXPECT_EQ(out.CurrentGroup, 0);
             ASSERT_EQ(out.Boxes.size(), 1u);
             EXPECT_NE(out.Boxes[0].find("表示するグループと設定は変更していません"), std::string::npos)
                 << out.Boxes[0];
             EXPECT_EQ(ReadSettings().IconGroup, 0);
             std::vector<std::string> icons;
             for (TIconItem* item : form->IconItems())
                 icons.push_back(item->Cmd);
             EXPECT_EQ(icons, only({a, b}));
             form.reset();
             EXPECT_EQ(StoredCmds(0), only({a, b}));
             EXPECT_EQ(StoredCmds(6), only({c}));
         }},
        {"with 200 rows, deleting one enables New at once, and New fills the list again", 0,
         [&] { SaveShownGroup(0, Numbered(1, 200)); },
         [](TPage& page) {
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNNEW));
             page.SelectItems({5});
             page.Key(page.Items(), VK_DELETE);
             EXPECT_EQ(page.Rows(page.Items()), 199);
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNNEW));
             AddThroughEditor(page, Notepad());
             EXPECT_EQ(page.Rows(page.Items()), 200);
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNNEW));
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 200u);
             EXPECT_EQ(out.Rows[5].Cmd, Cmd(7));
             EXPECT_EQ(out.Rows[199].Cmd, Notepad());
         }},
        {"runs move past their neighbours: A, C of A B C D down give B A D C; a top run stays up", 0,
         [&] {
             SaveShownGroup(0, {a, b, c, d});
         },
         [](TPage& page) {
             page.SelectItems({0, 2});
             page.Key(page.Items(), VK_F12);
             EXPECT_EQ(page.Caption(page.Items(), 0), "B");
             EXPECT_EQ(page.Caption(page.Items(), 3), "C");
             page.SelectItems({0, 3}); // B at the top stays, C goes before D
             page.Key(page.Items(), VK_F11);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(cmds(out.Rows), only({b, a, c, d}));
         }},
        {"switching groups and OK: the main window shows the new group, the old one is stored", 0,
         [&] {
             SaveShownGroup(0, {a});
             StoreGroup(6, "六", {b, c});
         },
         [](TPage& page) {
             EXPECT_TRUE(page.Dimmed(3));
             EXPECT_FALSE(page.Dimmed(6));
             page.ShowGroup(6);
             EXPECT_EQ(page.Rows(page.Items()), 2);
             EXPECT_TRUE(page.Dimmed(0) == false);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(out.CurrentGroup, 6);
             EXPECT_EQ(cmds(out.Rows), only({b, c}));
             EXPECT_EQ(StoredCmds(0), only({a}));
             EXPECT_EQ(ReadGroupName(6), "六");
             for (int g = 0; g < kGroupCount; ++g)
                 EXPECT_TRUE(TLsReg().KeyExists(std::string(kGroupsKey) + "\\" + GroupKeyName(g))) << g;
         }},
        {"Cancel after renaming, switching, moving and deleting leaves every group as stored", 1,
         [&] {
             StoreGroup(1, "一", {a, b});
             StoreGroup(2, "", {c, automatic});
         },
         [](TPage& page) {
             EXPECT_TRUE(page.Rename(page.Groups(), 2, "二"));
             page.SelectItems({0});
             page.Key(page.Items(), VK_F12);
             page.ShowGroup(2);
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             page.Cancel();
         },
         [&](const TOutcome& out) {
             EXPECT_FALSE(out.Ok);
             EXPECT_EQ(RawAllGroups(), out.Before);
         }},
        {"a damaged group: its error shown once, never shown, kept byte for byte; the others saved", 0,
         [&] {
             SaveShownGroup(0, {a});
             PlantDamagedGroup(7, "壊れ", b, c, d);
             StoreGroup(2, "", {c});
         },
         [&](TPage& page) {
             page.Sync();
             EXPECT_TRUE(page.Dimmed(7));
             page.ShowGroup(7);
             EXPECT_EQ(page.ShownGroup(), 0);
             page.ShowGroup(2);
             EXPECT_TRUE(page.Rename(page.Groups(), 2, "二"));
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             page.ShowGroup(0);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Boxes.size(), 2u); // the load error, the refused switch
             EXPECT_EQ(out.Boxes[0], "親アイコンのサイズが大きすぎます");
             EXPECT_EQ(ReadGroupName(7), "壊れ");
             EXPECT_EQ(RawGroupValues(7), out.Before[7]);
             EXPECT_EQ(ReadGroupName(2), "二");
             EXPECT_TRUE(StoredCmds(2).empty());
             EXPECT_EQ(out.CurrentGroup, 0);
             EXPECT_EQ(cmds(out.Rows), only({a}));
         }},
        {"Properties: the editor's new name shows in the row and reaches the main window; hotkeys as menus "
         "show them",
         0,
         [&] {
             TItemData withKey = a;
             withKey.HotKey = 0x4000 | 0x8000 | 'N';
             SaveShownGroup(0, {withKey, b});
         },
         [](TPage& page) {
             EXPECT_EQ(page.Caption(page.Items(), 0, 5), "Ctrl+Alt+N");
             EXPECT_EQ(page.Caption(page.Items(), 1, 5), "");
             EXPECT_EQ(page.Caption(page.Items(), 1, 2), "(自動)");
             page.SelectItems({0});
             page.Sync();
             ThroughEditor(page, IDC_OPTI_BTNEDIT, kEditorCaption, kEditTip, "新しい名前");
             EXPECT_EQ(page.Caption(page.Items(), 0), "新しい名前");
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 2u);
             EXPECT_EQ(out.Rows[0].Tip, "新しい名前");
             EXPECT_EQ(out.Rows[0].HotKey, 0x4000 | 0x8000 | 'N');
         }},
        {"a click beside the groups keeps the shown one marked; Ctrl+A and Delete empty the list", 0,
         [&] {
             SaveShownGroup(0, {a, b, c});
             StoreGroup(1, "", {d});
         },
         [](TPage& page) {
             page.SetState(page.Groups(), 0, 0, LVIS_SELECTED);
             page.Sync();
             page.Sync();
             EXPECT_EQ(page.ShownGroup(), 0);
             EXPECT_EQ(page.Rows(page.Items()), 3);
             ctrlHeld = true;
             // Sent, not posted: the message loop would make a posted 'A' a character, which a list with
             // Ctrl really held never sees.
             ::SendMessageW(page.Items(), WM_KEYDOWN, 'A', 1);
             ctrlHeld = false;
             page.Key(page.Items(), VK_DELETE);
             EXPECT_EQ(page.Rows(page.Items()), 0);
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNDEL));
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_TRUE(out.Rows.empty());
             EXPECT_EQ(out.CurrentGroup, 0);
             EXPECT_EQ(StoredCmds(1), only({d}));
         }},
        // (An emptied name, which goes back to the automatic one, cannot be typed here: Wine's list view
        // reports an emptied caption as a cancelled edit.)
        {"a renamed item keeps a name too long for its stored form cut to 72 bytes", 0,
         [&] {
             SaveShownGroup(0, {a, b});
         },
         [&](TPage& page) {
             std::string long80;
             for (int i = 0; i < 40; ++i)
                 long80 += "あ";
             EXPECT_TRUE(page.Rename(page.Items(), 1, long80));
             EXPECT_EQ(page.Caption(page.Items(), 1), long80.substr(0, 36 * 3));
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 2u);
             EXPECT_EQ(out.Rows[0].Tip, "A");
             EXPECT_EQ(out.Rows[1].Tip.size(), 36u * 3);
         }},
        {"the main window's incompletely read group: viewed, never changed, left as stored", 0,
         [&] {
             PlantDamagedGroup(0, "", a, b, c);
             StoreGroup(3, "", {d});
         },
         [](TPage& page) {
             EXPECT_EQ(page.Rows(page.Items()), 1);
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             page.Key(page.Items(), VK_F12);
             EXPECT_EQ(page.Rows(page.Items()), 1);
             page.ShowGroup(3);
             EXPECT_EQ(page.ShownGroup(), 3);
             page.ShowGroup(0); // back again: the same rows, still kept
             EXPECT_EQ(page.Rows(page.Items()), 1);
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             page.ShowGroup(3);
             page.Ok();
         },
         [&](const TOutcome& out) {
             // The main window's load error, then one refusal per command on the kept rows.
             ASSERT_EQ(out.Boxes.size(), 4u);
             EXPECT_EQ(out.Boxes[1], out.Boxes[3]);
             EXPECT_EQ(RawGroupValues(0), out.Before[0]);
             EXPECT_EQ(out.CurrentGroup, 3);
             EXPECT_EQ(cmds(out.Rows), only({d}));
             EXPECT_EQ(StoredCmds(3), only({d}));
         }},
    };

    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.what);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        WriteSettings(TSettings{});
        scenario.prepare();
        WriteIconGroup(scenario.current);
        boxes.clear();
        form = std::make_unique<TForm1>();
        ASSERT_EQ(form->CurrentGroup(), scenario.current);
        TOutcome out;
        out.Before = RawAllGroups();
        {
            TQueueMarker marker;
            TForm2 dialog(*form);
            TDialogDriver driver(kCaption, [&](HWND window) {
                TPage page(window, marker);
                scenario.script(page);
            });
            out.Ok = dialog.Execute();
            driver.Join();
            // The page runs inside the dialog's frame; without one there is nothing to drive.
            if (!driver.Found() && !out.Ok) GTEST_SKIP() << "the options dialog has no frame to show yet";
            out.CurrentGroup = form->CurrentGroup();
            for (int row = 0; row < dialog.ItemCount(); ++row)
                out.Rows.push_back(dialog.ItemRecordAt(row));
        }
        {
            const std::lock_guard lock(mutex);
            out.Boxes = boxes;
        }
        scenario.check(out);
        RegistryWriteSeam() = {};
        form.reset();
    }
}

} // namespace
