// The item editor's chain list worked the way a user works it: keys and toolbar buttons on selected rows,
// the clipboard in both of the program's formats (also as another program could leave it), moving rows,
// exchanging a row's target with the item's, and what OK and Cancel leave of the item.
#include "ItemEditorDriver.h"

#include "Clipboard.h"
#include "ItemStream.h"

#include <gtest/gtest.h>

#include <atomic>

namespace lodestar {
namespace {

std::string Program(const char* name) {
    return SystemFolder() + "\\" + name;
}

TChildIcon Entry(const std::string& cmd, std::int32_t delayMs = 0) {
    return Child(cmd, "", 0, delayMs, 0, false, 0);
}

// An item with `count` chain entries named n0.exe, n1.exe, ... in the system folder (they need not exist).
TItemData WithChain(int count) {
    TItemData item = Item(Program("notepad.exe"), "連鎖");
    for (int i = 0; i < count; ++i)
        item.Children.push_back(Entry(Program(("n" + std::to_string(i) + ".exe").c_str()), i * 1000));
    return item;
}

TChildIconList EntriesOf(const TItemData& item, std::initializer_list<int> rows) {
    TChildIconList entries;
    for (const int row : rows)
        entries.push_back(item.Children.at(static_cast<std::size_t>(row)));
    return entries;
}

TItemData WithEntries(TItemData item, TChildIconList entries) {
    item.Children = std::move(entries);
    return item;
}

void PutOnClipboard(UINT format, const Bytes& bytes) {
    TClipboardGuard clipboard(nullptr);
    clipboard.Empty();
    clipboard.SetPrivateData(format, bytes); // the test process ends before it would need freeing
}

std::optional<std::vector<std::uint8_t>> ClipboardData(UINT format) {
    TClipboardGuard clipboard(nullptr);
    return clipboard.Data(format);
}

// An item list as the options dialog puts it on the clipboard.
Bytes ItemList(const std::vector<TItemData>& items) {
    std::vector<Bytes> streams;
    for (const TItemData& item : items)
        streams.push_back(StreamOf(item));
    return EncodeItemList(streams);
}

class ChainListTest : public ItemEditorTest {
protected:
    void SetUp() override {
        ItemEditorTest::SetUp();
        Seams().KeyDown = [this](int key) { return key == VK_CONTROL && ctrl; };
        Seams().Beep = [this](UINT) { ++beeps; };
    }
    void TearDown() override {
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            ::CloseClipboard();
        }
        ItemEditorTest::TearDown();
    }

    // A key pressed while the list has the focus; with `withCtrl`, Ctrl is held.
    void ListKey(const TEditor& e, UINT key, bool withCtrl = false) {
        ctrl = withCtrl;
        PressKey(e.PageOf(IDC_ITEM_LVCHILDICONS), IDC_ITEM_LVCHILDICONS, key);
        marker.Sync(e.Dialog);
        ctrl = false;
    }
    // A toolbar button clicked, and its work done.
    void ClickButton(const TEditor& e, int id) {
        e.ClickChainButton(id);
        marker.Sync(e.Dialog);
    }
    static void Select(const TEditor& e, std::initializer_list<int> rows) {
        const HWND list = e.Get(IDC_ITEM_LVCHILDICONS);
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
        for (const int row : rows)
            e.SelectChainRow(row);
    }
    static std::vector<std::string> Names(const TEditor& e) {
        std::vector<std::string> names;
        for (const auto& row : e.ChainRows())
            names.push_back(row[0]);
        return names;
    }

    TQueueMarker marker; // of the dialog's thread: it is the test's
    std::atomic<bool> ctrl{false};
    std::atomic<int> beeps{0};
};

TEST_F(ChainListTest, ClipboardAndRows) {
    const TItemData three = WithChain(3);
    const TItemData eighteen = WithChain(18);
    const TChildIconList five = WithChain(5).Children;
    TItemData listed = Item(Program("regedit.exe"), "レジストリ");
    listed.DefDir = "C:\\windows";
    listed.WndSize = 2;
    listed.HotKey = kCtrl | kAlt | 'R';
    listed.CustomIcon = Program("shell32.dll") + ",3";
    listed.Children = {Entry(Program("x.exe"), 5000)};
    TItemData shellObject;
    shellObject.IDList = ParseIdList(std::string(kMyComputer));
    shellObject.Tip = "マイ コンピュータ";
    ASSERT_TRUE(shellObject.IDList.Present());
    TChildIcon fromListed = Child(listed.Cmd, listed.DefDir, 2, 0, 0, false, 0);
    TChildIcon fromShellObject;
    fromShellObject.IDList = shellObject.IDList;

    // A list that says it holds three items but whose second item runs past the end of the block.
    Bytes cutShort = ItemList({listed});
    cutShort[0] = 3;
    for (const std::uint8_t b : {0xF4, 0x01, 0x00, 0x00})
        cutShort.push_back(b);

    struct TChainScenario {
        const char* Name;
        TItemData Item;
        std::function<void()> Clipboard; // before the editor opens
        std::function<void(const TEditor&)> Script;
        std::optional<TItemData> Expected; // none: the item exactly as it was
        std::vector<std::string> Boxes = {};
    };
    const TChainScenario scenarios[] = {
        {"18 rows and a pasted chain of 5 make 20; the other 3 are dropped and New and Paste go grey",
         eighteen, [&] { PutOnClipboard(ITEM_CLIPFORMAT, EncodeChain(five)); },
         [&](const TEditor& e) {
             e.OpenChainPage();
             EXPECT_TRUE(e.ChainButtonEnabled(IDC_ITEM_BTNPASTE));
             ListKey(e, 'V', true);
             EXPECT_EQ(e.ChainRows().size(), 20u);
             EXPECT_FALSE(e.ChainButtonEnabled(IDC_ITEM_BTNNEW));
             EXPECT_FALSE(e.ChainButtonEnabled(IDC_ITEM_BTNPASTE));
             ListKey(e, 'V', true);
             ListKey(e, 'N', true); // no child editor opens at 20 rows
             EXPECT_EQ(e.ChainRows().size(), 20u);
             e.ClickOk();
         },
         [&] {
             TItemData item = eighteen;
             item.Children.push_back(five[0]);
             item.Children.push_back(five[1]);
             return item;
         }()},
        {"copied rows are a carrier item with command c: on the clipboard; pasting them duplicates them",
         three,
         {},
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0, 2});
             ListKey(e, 'C', true);
             const auto block = ClipboardData(ITEM_CLIPFORMAT);
             ASSERT_TRUE(block);
             const TItemData carrier = ReadItem(*block);
             EXPECT_EQ(carrier.Cmd, "c:");
             EXPECT_EQ(carrier.Children, EntriesOf(three, {0, 2}));
             EXPECT_TRUE(e.ChainButtonEnabled(IDC_ITEM_BTNPASTE));
             Select(e, {});
             ListKey(e, 'V', true);
             e.ClickOk();
         },
         WithEntries(three, EntriesOf(three, {0, 1, 2, 0, 2}))},
        {"pasted rows go in front of the first selected row", three,
         [&] { PutOnClipboard(ITEM_CLIPFORMAT, EncodeChain({five[4]})); },
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {1, 2});
             ClickButton(e, IDC_ITEM_BTNPASTE);
             e.ClickOk();
         },
         WithEntries(three, {three.Children[0], five[4], three.Children[1], three.Children[2]})},
        {"an item list from the options dialog gives entries with each item's target only", three,
         [&] {
             PutOnClipboard(ITEMLIST_CLIPFORMAT, ItemList({listed, shellObject}));
         },
         [&](const TEditor& e) {
             e.OpenChainPage();
             ListKey(e, 'V', true);
             e.ClickOk();
         },
         WithEntries(three,
                     {three.Children[0], three.Children[1], three.Children[2], fromListed, fromShellObject})},
        {"an item list cut short: the items before the damage stay at the end and the read error is shown",
         three,
         [&] { PutOnClipboard(ITEMLIST_CLIPFORMAT, cutShort); },
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0});
             ListKey(e, 'V', true);
             EXPECT_EQ(Names(e).back(), "regedit.exe");
             e.ClickOk();
         },
         WithEntries(three, {three.Children[0], three.Children[1], three.Children[2], fromListed}),
         {"ストリームの読み込みエラー|" + std::to_string(MB_ICONERROR)}},
        {"Delete removes the selected rows",
         WithChain(4),
         {},
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {1, 3});
             ListKey(e, VK_DELETE);
             EXPECT_EQ(e.ChainRows().size(), 2u);
             e.ClickOk();
         },
         WithEntries(WithChain(4), EntriesOf(WithChain(4), {0, 2}))},
        {"Cut takes the row off the list and onto the clipboard",
         three,
         {},
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {1});
             ListKey(e, 'X', true);
             const auto block = ClipboardData(ITEM_CLIPFORMAT);
             ASSERT_TRUE(block);
             EXPECT_EQ(DecodeChain(*block), EntriesOf(three, {1}));
             e.ClickOk();
         },
         WithEntries(three, EntriesOf(three, {0, 2}))},
        {"rows 1 and 3 of five moved down, then row 0 moved up (it stays)",
         WithChain(5),
         {},
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {1, 3});
             ListKey(e, VK_F12);
             Select(e, {0});
             ClickButton(e, IDC_ITEM_BTNUP);
             e.ClickOk();
         },
         WithEntries(WithChain(5), EntriesOf(WithChain(5), {0, 2, 1, 4, 3}))},
        {"Cancel after deleting and pasting leaves the item as it was", three,
         [&] { PutOnClipboard(ITEM_CLIPFORMAT, EncodeChain(five)); },
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0});
             ListKey(e, VK_DELETE);
             ListKey(e, 'V', true);
             e.Cancel();
         },
         std::nullopt},
    };
    for (const TChainScenario& s : scenarios) {
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            ::CloseClipboard();
        }
        if (s.Clipboard) s.Clipboard();
        Run({s.Name, s.Item, s.Script, s.Expected.has_value(), s.Expected, s.Boxes});
    }
}

// The list's right-click menu: which entries it offers for the rows selected and the clipboard's content.
TEST_F(ChainListTest, ContextMenu) {
    // Captions without their display keys, with "-" for disabled entries; separators left out.
    const auto menuOf = [this](const TEditor& e) {
        const HWND list = e.Get(IDC_ITEM_LVCHILDICONS);
        RECT rect{};
        ::GetWindowRect(list, &rect);
        ::PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                       MAKELPARAM(rect.left + 20, rect.top + 40));
        HWND menuWindow = nullptr;
        for (int i = 0; i < 500 && !menuWindow; ++i, ::Sleep(10)) {
            menuWindow = ::FindWindowW(L"#32768", nullptr);
            if (menuWindow && !::IsWindowVisible(menuWindow)) menuWindow = nullptr;
        }
        std::vector<std::string> entries;
        if (!menuWindow) {
            ADD_FAILURE() << "no menu";
            return entries;
        }
        const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            if (::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION) == 0) continue;
            std::string caption = Narrow(text);
            caption = caption.substr(0, caption.find('\t'));
            const bool grey = (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0;
            entries.push_back((grey ? "-" : "") + caption);
        }
        ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
        marker.Sync(e.Dialog);
        return entries;
    };
    using Entries = std::vector<std::string>;
    const TScenario scenarios[] = {
        {"one row selected, nothing to paste", WithChain(5),
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {1});
             EXPECT_EQ(menuOf(e), (Entries{"新規作成(&N)...", "切り取り(&T)", "コピー(&C)", "-貼り付け(&V)",
                                           "削除(&L)", "親アイコンと入れ替え(&X)", "前に移動(&U)",
                                           "後ろに移動(&D)", "プロパティ(&R)..."}));
             e.Cancel();
         },
         false, std::nullopt},
        {"two rows selected and rows on the clipboard", WithChain(5),
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0, 1});
             ListKey(e, 'C', true);
             EXPECT_EQ(menuOf(e), (Entries{"新規作成(&N)...", "切り取り(&T)", "コピー(&C)", "貼り付け(&V)",
                                           "削除(&L)", "-親アイコンと入れ替え(&X)", "前に移動(&U)",
                                           "後ろに移動(&D)", "-プロパティ(&R)..."}));
             e.Cancel();
         },
         false, std::nullopt},
        {"20 rows, none selected", WithChain(20),
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {});
             EXPECT_EQ(menuOf(e), (Entries{"-新規作成(&N)...", "-切り取り(&T)", "-コピー(&C)",
                                           "-貼り付け(&V)", "-削除(&L)", "-親アイコンと入れ替え(&X)",
                                           "-前に移動(&U)", "-後ろに移動(&D)", "-プロパティ(&R)..."}));
             e.Cancel();
         },
         false, std::nullopt},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ChainListTest, ExchangeWithTheItem) {
    const std::string notepad = Program("notepad.exe");
    const std::string regedit = SystemFolder() + "\\..\\regedit.exe";
    TItemData item = Item(notepad, "私の名前");
    item.HotKey = kCtrl | kAlt | 'M';
    item.CustomIcon = Program("shell32.dll") + ",5";
    item.DefDir = "C:\\users";
    item.WndSize = 1;
    const TChildIcon row = Child(regedit, "C:\\windows", 2, 3000, 1, true, 2, "regedit.exe");

    TItemData exchanged = item;
    exchanged.Cmd = regedit;
    exchanged.DefDir = "C:\\windows";
    exchanged.WndSize = 2;
    exchanged.Children = {Child(notepad, "C:\\users", 1, 3000, 1, true, 2, "regedit.exe")};

    TItemData defaultNamed = WithDefaultTip(Item(notepad));
    defaultNamed.Children = {row};
    TItemData defaultExchanged = WithDefaultTip(Item(regedit));
    defaultExchanged.DefDir = "C:\\windows";
    defaultExchanged.WndSize = 2;
    defaultExchanged.Children = {Child(notepad, "", 0, 3000, 1, true, 2, "regedit.exe")};

    TItemData noTarget;
    noTarget.Children = {row};

    const TScenario scenarios[] = {
        {"targets swap; the item's name, hotkey and icon and the row's delay, wait and checks stay",
         WithEntries(item, {row}),
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0});
             ClickButton(e, IDC_ITEM_BTNEXCHANGE);
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), regedit);
             EXPECT_EQ(e.ChainRows().at(0).at(4), notepad);
             e.ClickOk();
         },
         true, exchanged},
        {"a name that is the default of the old target goes with it", defaultNamed,
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0});
             ListKey(e, 'E', true);
             e.ClickOk();
         },
         true, defaultExchanged},
        {"an item without a target only beeps", noTarget,
         [&](const TEditor& e) {
             e.OpenChainPage();
             Select(e, {0});
             ListKey(e, 'E', true);
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), "");
             EXPECT_EQ(beeps.load(), 1);
             e.Cancel();
         },
         false, std::nullopt},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

} // namespace
} // namespace lodestar
