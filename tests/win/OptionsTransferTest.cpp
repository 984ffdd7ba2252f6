// The options dialog's items moved around as a user does it: cut, copy and paste through the real
// clipboard, rows dragged by the mouse within the item list and onto another group, files and shell
// objects dropped on the list. Each scenario stores the groups, starts the main window, works the dialog
// and checks what OK leaves in the registry and for the main window.
#include "AppSettings.h"
#include "Clipboard.h"
#include "CommandLine.h"
#include "DamagedGroup.h"
#include "DialogDriver.h"
#include "IconPickerDriver.h"
#include "ItemRecord.h"
#include "ItemStream.h"
#include "OptionsDriver.h"
#include "Seams.h"
#include "ShellDragDriver.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinText.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const char* const kTargetFull =
    "移動先のグループにはこれ以上アイコン項目を追加できません。\r操作を完了できませんでした。";
constexpr const char* kControlPanel = "::{21EC2020-3AEA-1069-A2DD-08002B30309D}";
std::atomic<bool> ctrlHeld{false};

Bytes StreamOf(const TItemData& item) {
    Bytes out;
    WriteItemStream(item, DefaultTip(item), out);
    return out;
}

// What a row's record amounts to, for comparing: its stream as the registry and the clipboard hold it.
std::vector<Bytes> Streams(const std::vector<TItemData>& items) {
    std::vector<Bytes> streams;
    for (const TItemData& item : items)
        streams.push_back(StreamOf(item));
    return streams;
}

std::vector<std::string> Cmds(const std::vector<TItemData>& items) {
    std::vector<std::string> cmds;
    for (const TItemData& item : items)
        cmds.push_back(item.Cmd);
    return cmds;
}

std::vector<std::string> CmdsOf(const std::vector<int>& numbers) {
    std::vector<std::string> cmds;
    for (const int n : numbers)
        cmds.push_back(Cmd(n));
    return cmds;
}

void PutOnClipboard(UINT format, const Bytes& bytes) {
    TClipboardGuard clipboard(nullptr);
    clipboard.Empty();
    clipboard.SetPrivateData(format, bytes); // the test process ends before it would need freeing
}

void PutTextOnClipboard() {
    TClipboardGuard clipboard(nullptr);
    clipboard.Empty();
    const wchar_t text[] = L"ただの文字";
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    std::memcpy(::GlobalLock(block), text, sizeof text);
    ::GlobalUnlock(block);
    ::SetClipboardData(CF_UNICODETEXT, block);
}

// An item list block by hand: a count, then the byte counts given with the streams they announce (a byte
// count of its own where `lengths` has one).
Bytes HandMadeList(std::uint32_t count, const std::vector<Bytes>& streams, const std::vector<long>& lengths) {
    Bytes out;
    const auto put = [&out](std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(count);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        put(i < lengths.size() && lengths[i] >= 0 ? static_cast<std::uint32_t>(lengths[i])
                                                  : static_cast<std::uint32_t>(streams[i].size()));
        out.insert(out.end(), streams[i].begin(), streams[i].end());
    }
    return out;
}

// An item with every field set, and a chain, so that a copy that lost one shows.
TItemData Rich(int n) {
    TItemData item = Item(Cmd(n) + " /opt", "名前" + std::to_string(n));
    item.DefDir = "C:\\work" + std::to_string(n);
    item.CustomIcon = "C:\\icons\\i" + std::to_string(n) + ".ico,2";
    item.WndSize = 2;
    item.HotKey = static_cast<std::uint16_t>(0x4000 | ('A' + n));
    TChildIcon child;
    child.Cmd = "C:\\chain\\c" + std::to_string(n) + ".exe";
    child.DelayMs = 3000;
    child.WaitMode = 1;
    child.AutoQuit = true;
    item.Children = {child, child};
    return item;
}

// The open dialog as the driver thread works it, with the drags of the page.
class TTransferPage : public TPage {
public:
    TTransferPage(HWND dialog, TQueueMarker& marker, const TOnDialogThread& runner)
        : TPage(dialog, marker), runner_(runner) {}

    // A toolbar command, handled before this returns.
    void Command(int id) const {
        Press(id);
        Sync();
    }
    // Rows dragged by the mouse from row `from` onto the point `end` of the item list; Ctrl held at the
    // release or not.
    void DragTo(int from, POINT end, bool ctrl) const {
        ctrlHeld = ctrl;
        EXPECT_TRUE(PostRowDrag(Items(), RowPoint(Items(), from), end, runner_)) << "no picture followed";
        ctrlHeld = false;
        Sync();
    }
    void DragOntoRow(int from, int to, bool ctrl) const { DragTo(from, RowPoint(Items(), to), ctrl); }
    void DragOntoGroup(int from, int group, bool ctrl) const {
        DragTo(from, PointIn(Items(), Groups(), RowPoint(Groups(), group)), ctrl);
    }
    // Shell objects dropped on the item list, over row `row` (-1: below the rows).
    TShellDrag DropObjects(const std::vector<IdList>& objects, int row) const {
        TTestData data;
        OfferObjects(data, objects);
        POINT at = RowPoint(Items(), 0);
        if (row >= 0) {
            at = RowPoint(Items(), row);
        } else {
            RECT client{};
            ::GetClientRect(Items(), &client);
            at.y = client.bottom - 4;
        }
        const TShellDrag drag = ShellDropAt(Items(), at, data, runner_);
        Sync();
        return drag;
    }

private:
    const TOnDialogThread& runner_;
};

struct TOutcome {
    bool Ok = false;
    int CurrentGroup = -1;
    std::vector<TItemData> Rows; // the shown group's rows as the main window takes them after OK
    std::vector<std::string> Boxes;
    int Beeps = 0;
    TAllGroups Before;
};

struct TScenario {
    const char* what;
    std::function<void()> prepare; // groups and settings before the main window starts with group 0
    std::function<void(TTransferPage&)> script;
    std::function<void(const TOutcome&)> check;
};

class OptionsTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            const std::lock_guard lock(mutex);
            boxes.push_back(text);
            return IDOK;
        };
        Seams().Beep = [this](UINT) { ++beeps; };
        Seams().KeyDown = [](int key) { return key == VK_CONTROL && ctrlHeld; };
    }
    void TearDown() override {
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }

    void Run(const TScenario& scenario) {
        SCOPED_TRACE(scenario.what);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        WriteSettings(TSettings{});
        scenario.prepare();
        WriteIconGroup(0);
        {
            const std::lock_guard lock(mutex);
            boxes.clear();
        }
        beeps = 0;
        auto form = std::make_unique<TForm1>();
        TOutcome out;
        out.Before = RawAllGroups();
        {
            TQueueMarker marker;
            TOnDialogThread runner;
            TForm2 dialog(*form);
            TDialogDriver driver(kCaption, [&](HWND window) {
                TTransferPage page(window, marker, runner);
                scenario.script(page);
            });
            out.Ok = dialog.Execute();
            driver.Join();
            ASSERT_TRUE(driver.Found()) << "no options dialog";
            out.CurrentGroup = form->CurrentGroup();
            for (int row = 0; row < dialog.ItemCount(); ++row)
                out.Rows.push_back(dialog.ItemRecordAt(row));
        }
        {
            const std::lock_guard lock(mutex);
            out.Boxes = boxes;
        }
        out.Beeps = beeps;
        // Before the main window ends: it would store its own rows as the shown group.
        scenario.check(out);
        form.reset();
    }

    std::mutex mutex;
    std::vector<std::string> boxes;
    std::atomic<int> beeps{0};
};

TEST_F(OptionsTransferTest, Clipboard) {
    TItemData a = Rich(1);
    const TItemData b = Rich(2);
    a.Tip = "Café 😀 项目"; // kept whole through copy and paste
    TItemData panel;
    panel.IDList = ParseIdList(kControlPanel);
    ASSERT_TRUE(panel.IDList) << "the shell knows no Control Panel";
    TChildIcon first;
    first.Cmd = "\"C:\\Program Files\\tool\\run.exe\" -x";
    first.DefDir = "C:\\work";
    first.WndSize = 1;
    first.DelayMs = 5000;
    first.AutoQuit = true;
    first.DupCheckMode = 2;
    TChildIcon second;
    second.IDList = panel.IDList;

    const TScenario scenarios[] = {
        {"copy, then paste without a selection: byte-identical items at the end",
         [&] {
             SaveShownGroup(0, {a, panel, b});
         },
         [&](TTransferPage& page) {
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNCOPY));
             page.SelectItems({0, 1});
             page.Sync();
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNCOPY));
             page.Command(IDC_OPTI_BTNCOPY);
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             {
                 TClipboardGuard clipboard(nullptr);
                 const auto block = clipboard.Data(ITEMLIST_CLIPFORMAT);
                 ASSERT_TRUE(block);
                 EXPECT_EQ(SplitItemList(*block), Streams({a, panel}));
             }
             page.SelectItems({});
             page.Command(IDC_OPTI_BTNPASTE);
             EXPECT_EQ(page.Rows(page.Items()), 5);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Streams(out.Rows), Streams({a, panel, b, a, panel}));
             ASSERT_EQ(out.Rows.size(), 5u);
             EXPECT_EQ(out.Rows[3].Tip, a.Tip);
         }},
        {"pasting while row 2 is selected puts the items before row 2",
         [&] {
             SaveShownGroup(0, Numbered(1, 4));
             PutOnClipboard(ITEMLIST_CLIPFORMAT, EncodeItemList(Streams({a, b})));
         },
         [](TTransferPage& page) {
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             page.SelectItems({2});
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Cmds(out.Rows),
                       (std::vector<std::string>{Cmd(1), Cmd(2), a.Cmd, b.Cmd, Cmd(3), Cmd(4)}));
             EXPECT_EQ(StreamOf(out.Rows[2]), StreamOf(a));
         }},
        {"an item list whose second byte count is 0 pastes only the first item",
         [&] {
             SaveShownGroup(0, Numbered(1, 1));
             PutOnClipboard(ITEMLIST_CLIPFORMAT, HandMadeList(3, Streams({a, Item(Cmd(8)), b}), {-1, 0}));
         },
         [](TTransferPage& page) {
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Cmds(out.Rows), (std::vector<std::string>{Cmd(1), a.Cmd}));
             EXPECT_TRUE(out.Boxes.empty());
         }},
        {"a block cut short pastes its complete entries only",
         [&] {
             SaveShownGroup(0, {});
             const Bytes streamB = StreamOf(b);
             PutOnClipboard(ITEMLIST_CLIPFORMAT,
                            HandMadeList(2, Streams({a, b}), {-1, static_cast<long>(streamB.size()) + 64}));
         },
         [](TTransferPage& page) {
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Streams(out.Rows), Streams({a}));
             EXPECT_TRUE(out.Boxes.empty());
         }},
        {"chain entries pasted as items: one item per entry, with its command, folder, size and ID list",
         [&] {
             SaveShownGroup(0, Numbered(1, 1));
             PutOnClipboard(ITEM_CLIPFORMAT, EncodeChain({first, second}));
         },
         [](TTransferPage& page) {
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 3u);
             TItemData fromFirst = Item(first.Cmd);
             fromFirst.DefDir = first.DefDir;
             fromFirst.WndSize = first.WndSize;
             TItemData fromSecond;
             fromSecond.IDList = second.IDList;
             EXPECT_EQ(Streams({out.Rows[1], out.Rows[2]}), Streams({fromFirst, fromSecond}));
         }},
        {"paste stops at 200 rows, which then closes paste and New",
         [&] {
             SaveShownGroup(0, Numbered(1, 198));
             PutOnClipboard(ITEMLIST_CLIPFORMAT, EncodeItemList(Streams({a, b, Rich(3)})));
         },
         [](TTransferPage& page) {
             page.Command(IDC_OPTI_BTNPASTE);
             EXPECT_EQ(page.Rows(page.Items()), 200);
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNNEW));
             page.SelectItems({0});
             page.Key(page.Items(), VK_DELETE);
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 199u);
             EXPECT_EQ(StreamOf(out.Rows[197]), StreamOf(a));
             EXPECT_EQ(StreamOf(out.Rows[198]), StreamOf(b));
         }},
        {"cut takes the rows away; pasted into another group they have moved there",
         [&] {
             SaveShownGroup(0, {Item(Cmd(1)), a, Item(Cmd(3))});
             StoreGroup(6, "退避", {});
         },
         [](TTransferPage& page) {
             page.SelectItems({1});
             page.Command(IDC_OPTI_BTNCUT);
             EXPECT_EQ(page.Rows(page.Items()), 2);
             page.ShowGroup(6);
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(out.CurrentGroup, 6);
             EXPECT_EQ(Streams(out.Rows), Streams({a}));
             EXPECT_EQ(StoredCmds(0), CmdsOf({1, 3}));
         }},
        {"with text on the clipboard paste is closed; a paste that comes anyway only beeps",
         [&] {
             SaveShownGroup(0, Numbered(1, 2));
             PutTextOnClipboard();
         },
         [](TTransferPage& page) {
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Cmds(out.Rows), CmdsOf({1, 2}));
             EXPECT_EQ(out.Beeps, 1);
         }},
        {"another program taking the clipboard closes paste", [&] { SaveShownGroup(0, Numbered(1, 2)); },
         [](TTransferPage& page) {
             page.SelectItems({0});
             page.Command(IDC_OPTI_BTNCOPY);
             EXPECT_TRUE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             PutTextOnClipboard();
             page.Sync();
             EXPECT_FALSE(page.ButtonEnabled(IDC_OPTI_BTNPASTE));
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Cmds(out.Rows), CmdsOf({1, 2}));
         }},
        {"a group kept as stored takes no paste and gives no cut; copying from it works",
         [&] {
             PlantDamagedGroup(0, "", Item(Cmd(1)), Item(Cmd(2)), Item(Cmd(3)));
             StoreGroup(2, "", {});
         },
         [](TTransferPage& page) {
             page.SelectItems({0});
             page.Command(IDC_OPTI_BTNCUT);
             EXPECT_EQ(page.Rows(page.Items()), 1);
             page.Command(IDC_OPTI_BTNCOPY);
             page.Command(IDC_OPTI_BTNPASTE);
             EXPECT_EQ(page.Rows(page.Items()), 1);
             page.ShowGroup(2);
             page.Command(IDC_OPTI_BTNPASTE);
             page.Ok();
         },
         [&](const TOutcome& out) {
             // The main window's load error, then one refusal each for the cut and the paste.
             EXPECT_EQ(out.Boxes.size(), 3u);
             EXPECT_EQ(RawGroupValues(0), out.Before[0]);
             EXPECT_EQ(out.CurrentGroup, 2);
             EXPECT_EQ(Cmds(out.Rows), CmdsOf({1}));
         }},
    };
    for (const TScenario& scenario : scenarios)
        Run(scenario);
}

TEST_F(OptionsTransferTest, RowsDragged) {
    // Drags within the list: the selected rows of a group of `Count`, dragged by one of them onto a row.
    const struct {
        const char* What;
        int Count;
        std::vector<int> Selected;
        int From, Onto;
        bool Copy;
        std::vector<int> After;
    } reorders[] = {
        {"rows 0 and 5 dragged onto row 3 of seven: 1, 2, 5, 3, 0, 4, 6",
         7,
         {0, 5},
         5,
         3,
         false,
         {1, 2, 5, 3, 0, 4, 6}},
        {"rows 0 and 1 Ctrl-dragged onto row 3 of five: 0, 1, 2, 3, copies of 0 and 1, 4",
         5,
         {0, 1},
         1,
         3,
         true,
         {0, 1, 2, 3, 0, 1, 4}},
        {"rows dropped onto one of themselves stay where they were", 4, {1, 2}, 2, 2, false, {0, 1, 2, 3}},
    };
    for (const auto& r : reorders)
        Run({r.What, [&] { SaveShownGroup(0, Numbered(0, r.Count)); },
             [&](TTransferPage& page) {
                 page.SelectItems(r.Selected);
                 page.DragOntoRow(r.From, r.Onto, r.Copy);
                 page.Ok();
             },
             [&](const TOutcome& out) { EXPECT_EQ(Cmds(out.Rows), CmdsOf(r.After)); }});
    const TScenario scenarios[] = {
        {"rows Ctrl-dropped on an empty group are copied there, and the group is no longer dimmed",
         [&] {
             SaveShownGroup(0, {Rich(1), Rich(2), Rich(3)});
         },
         [](TTransferPage& page) {
             EXPECT_TRUE(page.Dimmed(4));
             page.SelectItems({0, 2});
             page.DragOntoGroup(0, 4, true);
             EXPECT_EQ(page.Rows(page.Items()), 3);
             EXPECT_FALSE(page.Dimmed(4));
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Streams(out.Rows), Streams({Rich(1), Rich(2), Rich(3)}));
             EXPECT_EQ(Streams(ReadGroupItems(4)), Streams({Rich(1), Rich(3)}));
         }},
        {"rows dropped on an empty group without Ctrl have moved there",
         [&] {
             SaveShownGroup(0, {Rich(1), Rich(2), Rich(3)});
         },
         [](TTransferPage& page) {
             page.SelectItems({0, 2});
             page.DragOntoGroup(2, 4, false);
             EXPECT_EQ(page.Rows(page.Items()), 1);
             EXPECT_FALSE(page.Dimmed(4));
             page.ShowGroup(4);
             EXPECT_EQ(page.Rows(page.Items()), 2);
             page.ShowGroup(0);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Streams(out.Rows), Streams({Rich(2)}));
             EXPECT_EQ(Streams(ReadGroupItems(4)), Streams({Rich(1), Rich(3)}));
         }},
        {"a target group that fills up stops the move with the message; the rows not moved stay",
         [&] {
             SaveShownGroup(0, Numbered(1001, 3));
             StoreGroup(5, "", Numbered(1, 199));
         },
         [](TTransferPage& page) {
             page.SelectItems({0, 1, 2});
             page.DragOntoGroup(0, 5, false);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(out.Boxes, std::vector<std::string>{kTargetFull});
             EXPECT_EQ(Cmds(out.Rows), CmdsOf({1002, 1003}));
             const std::vector<std::string> stored = StoredCmds(5);
             ASSERT_EQ(stored.size(), 200u);
             EXPECT_EQ(stored.back(), Cmd(1001));
         }},
        {"the shown group, a full group and a group kept as stored take no rows",
         [&] {
             SaveShownGroup(0, Numbered(1, 2));
             StoreGroup(1, "", Numbered(100, 200));
             PlantDamagedGroup(2, "", Item(Cmd(7)), Item(Cmd(8)), Item(Cmd(9)));
         },
         [](TTransferPage& page) {
             page.SelectItems({0});
             page.DragOntoGroup(0, 0, false);
             page.DragOntoGroup(0, 1, false);
             page.DragOntoGroup(0, 2, false);
             EXPECT_EQ(page.Rows(page.Items()), 2);
             page.Ok();
         },
         [&](const TOutcome& out) {
             EXPECT_EQ(Cmds(out.Rows), CmdsOf({1, 2}));
             EXPECT_EQ(StoredCmds(1).size(), 200u);
             EXPECT_EQ(RawGroupValues(2), out.Before[2]);
         }},
    };
    for (const TScenario& scenario : scenarios)
        Run(scenario);
}

// With LODESTAR_ROWDRAG_REAL set to a folder, row_real_drag_test.sh drags rows with the real mouse and
// presses a key during each drag: this side prints "drag N x0 y0 x1 y1 key" and waits for the file N, which
// the script leaves there once the button is up. Escape after a change must not cancel the dialog.
TEST_F(OptionsTransferTest, RealMouseKeys) {
    const char* folder = std::getenv("LODESTAR_ROWDRAG_REAL");
    if (!folder) GTEST_SKIP() << "driven by row_real_drag_test.sh";
    Run({"Escape and Enter during real drags", [] { SaveShownGroup(0, Numbered(0, 4)); },
         [&](TTransferPage& page) {
             const struct {
                 int From, Onto;
                 const char* Key;
                 std::vector<int> After;
             } steps[] = {{0, 2, "Escape", {0, 1, 2, 3}},
                          {0, 2, "Return", {1, 2, 0, 3}},
                          {3, 0, "Escape", {1, 2, 0, 3}}};
             int n = 0;
             for (const auto& step : steps) {
                 ++n;
                 page.SelectItems({step.From});
                 page.Sync();
                 POINT from = RowPoint(page.Items(), step.From), to = RowPoint(page.Items(), step.Onto);
                 ::ClientToScreen(page.Items(), &from);
                 ::ClientToScreen(page.Items(), &to);
                 std::printf("drag %d %ld %ld %ld %ld %s\n", n, from.x, from.y, to.x, to.y, step.Key);
                 std::fflush(stdout);
                 const std::wstring released = Widen(std::string(folder) + "\\" + std::to_string(n));
                 for (int i = 0; i < 750 && ::GetFileAttributesW(released.c_str()) == INVALID_FILE_ATTRIBUTES;
                      ++i)
                     ::Sleep(20);
                 page.Sync();
                 ASSERT_TRUE(::IsWindowVisible(page.Dialog())) << "the dialog ended during drag " << n;
                 std::vector<std::string> rows;
                 for (int row = 0; row < page.Rows(page.Items()); ++row)
                     rows.push_back(page.Caption(page.Items(), row, 1));
                 EXPECT_EQ(rows, CmdsOf(step.After)) << "after drag " << n;
             }
             page.Ok();
         },
         [](const TOutcome& out) {
             EXPECT_TRUE(out.Ok);
             EXPECT_EQ(Cmds(out.Rows), CmdsOf({1, 2, 0, 3}));
         }});
}

TEST_F(OptionsTransferTest, ShellObjectsDropped) {
    const TFiles files;
    const TFiles& f = files;
    const IdList controlPanel = ParseIdList(kControlPanel);
    ASSERT_TRUE(controlPanel);
    const auto shortcutChoice = [](bool dereference) {
        TSettings settings;
        settings.DereferLinks = dereference;
        WriteSettings(settings);
    };

    const TScenario scenarios[] = {
        {"three files dropped on 198 rows add two", [&] { SaveShownGroup(0, Numbered(1, 198)); },
         [&](TTransferPage& page) {
             const TShellDrag drag =
                 page.DropObjects({ParseIdList(f.Memo), ParseIdList(f.Notes), ParseIdList(f.Shortcut)}, -1);
             EXPECT_EQ(drag.Drop, static_cast<DWORD>(DROPEFFECT_LINK));
             EXPECT_EQ(page.Rows(page.Items()), 200);
             // A full list takes no more.
             EXPECT_EQ(page.DropObjects({ParseIdList(f.Memo)}, -1).Drop & ~DROPEFFECT_SCROLL,
                       static_cast<DWORD>(DROPEFFECT_NONE));
             page.Ok();
         },
         [&](const TOutcome& out) {
             // The list is full of rows: they land before the one under the pointer.
             const std::vector<std::string> cmds = Cmds(out.Rows);
             ASSERT_EQ(cmds.size(), 200u);
             EXPECT_EQ(std::count(cmds.begin(), cmds.end(), f.Memo), 1);
             EXPECT_EQ(std::count(cmds.begin(), cmds.end(), QuoteIfSpaced(f.Notes)), 1);
             EXPECT_EQ(std::count(cmds.begin(), cmds.end(), QuoteIfSpaced(f.Shortcut)), 0);
         }},
        {"files dropped on row 1 go before it; a name with a blank is quoted; the Control Panel by its list",
         [&] { SaveShownGroup(0, Numbered(1, 3)); },
         [&](TTransferPage& page) {
             page.DropObjects({ParseIdList(f.Notes), controlPanel}, 1);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 5u);
             EXPECT_EQ(Cmds(out.Rows),
                       (std::vector<std::string>{Cmd(1), "\"" + f.Notes + "\"", "", Cmd(2), Cmd(3)}));
             EXPECT_TRUE(out.Rows[2].IDList == controlPanel);
         }},
        {"a shortcut with the link choice gives the shortcut's target and settings",
         [&] {
             shortcutChoice(true);
             SaveShownGroup(0, {});
         },
         [&](TTransferPage& page) {
             page.DropObjects({ParseIdList(f.Shortcut)}, -1);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 1u);
             EXPECT_EQ(out.Rows[0].Cmd, f.Notepad);
             EXPECT_EQ(out.Rows[0].DefDir, f.Folder);
         }},
        {"a shortcut without the link choice is kept as the shortcut file",
         [&] {
             shortcutChoice(false);
             SaveShownGroup(0, {});
         },
         [&](TTransferPage& page) {
             page.DropObjects({ParseIdList(f.Shortcut)}, -1);
             page.Ok();
         },
         [&](const TOutcome& out) {
             ASSERT_EQ(out.Rows.size(), 1u);
             EXPECT_EQ(out.Rows[0].Cmd, QuoteIfSpaced(f.Shortcut));
             EXPECT_EQ(out.Rows[0].DefDir, "");
         }},
        {"a group kept as stored takes no drop",
         [&] { PlantDamagedGroup(0, "", Item(Cmd(1)), Item(Cmd(2)), Item(Cmd(3))); },
         [&](TTransferPage& page) {
             EXPECT_EQ(page.DropObjects({ParseIdList(f.Memo)}, -1).Drop, static_cast<DWORD>(DROPEFFECT_NONE));
             EXPECT_EQ(page.Rows(page.Items()), 1);
             page.Ok();
         },
         [&](const TOutcome& out) { EXPECT_EQ(RawGroupValues(0), out.Before[0]); }},
    };
    for (const TScenario& scenario : scenarios)
        Run(scenario);
}

} // namespace
