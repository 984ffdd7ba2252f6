// The item editor shown for real and driven from a second thread the way a user works it: typing into
// its fields, choosing in its lists, clicking its buttons, answering its boxes. Each scenario gives the
// item it opens on, what the user does, and the item that comes back.
#include "ItemEditorDriver.h"

#include <gtest/gtest.h>

namespace lodestar {
namespace {

TEST_F(ItemEditorTest, NewItem) {
    const TFiles& f = files;
    const TScenario scenarios[] = {
        {"a new item opens empty; typing a bare program enables OK, which looks it up", TItemData{},
         [&](const TEditor& e) {
             EXPECT_FALSE(e.Enabled(IDOK));
             EXPECT_EQ(e.FocusId(IDC_ITEM_EDITTIP), IDC_ITEM_EDITTIP);
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), "");
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), "");
             EXPECT_EQ(e.Text(IDC_ITEM_EDITDEFDIR), "");
             EXPECT_EQ(e.WndSize(), 0);
             EXPECT_EQ(e.HotKeyShown(), 0);
             EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), kStandardIcon);
             EXPECT_FALSE(e.Enabled(IDC_ITEM_BTNCLEARICO));
             EXPECT_TRUE(e.ChainRows().empty());
             e.Type(IDC_ITEM_EDITCMD, "notepad");
             EXPECT_TRUE(e.Enabled(IDOK));
             e.ClickOk();
         },
         true, WithDefaultTip(Item(f.FoundNotepad))},
        {"typing a command and erasing it disables OK again", TItemData{},
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITCMD, "n");
             EXPECT_TRUE(e.Enabled(IDOK));
             e.Replace(IDC_ITEM_EDITCMD, "");
             EXPECT_FALSE(e.Enabled(IDOK));
             e.Cancel();
         },
         false, std::nullopt},
        {"a command of blanks only is trimmed on OK, and the dialog stays open with OK disabled", TItemData{},
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITCMD, "   ");
             e.ClickOk();
             EXPECT_TRUE(e.Open());
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), "");
             EXPECT_FALSE(e.Enabled(IDOK));
             e.Cancel();
         },
         false, std::nullopt},
        {"a name typed for a new item is kept", TItemData{},
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITTIP, "メモ帳");
             e.Type(IDC_ITEM_EDITCMD, f.Notepad);
             e.ClickOk();
         },
         true, Item(f.Notepad, "メモ帳")},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, NameAndCommand) {
    const TFiles& f = files;
    const std::string quotedSpaced = "\"" + f.SpacedProgram + "\" /a \"b c\"";
    const TScenario scenarios[] = {
        {"a name equal to the default name opens empty and comes back the same",
         WithDefaultTip(Item(f.Notepad)),
         [&](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), "");
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), f.Notepad);
             EXPECT_TRUE(e.Enabled(IDOK));
             e.ClickOk();
         },
         true, WithDefaultTip(Item(f.Notepad))},
        {"an empty name comes back as the default name", Item(f.Notepad),
         [&](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), "");
             e.ClickOk();
         },
         true, WithDefaultTip(Item(f.Notepad))},
        {"a name of its own shows and stays", Item(f.Notepad, "メモ帳 (テキスト)"),
         [&](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), "メモ帳 (テキスト)");
             e.ClickOk();
         },
         true, Item(f.Notepad, "メモ帳 (テキスト)")},
        {"erasing the name gives the default name of the new command", Item(f.Notepad, "メモ帳"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITTIP, "");
             e.Replace(IDC_ITEM_EDITCMD, "\"" + f.SpacedProgram + "\"");
             e.ClickOk();
         },
         true, WithDefaultTip(Item("\"" + f.SpacedProgram + "\""))},
        {"typing stops at 72 bytes of the stored form, a double-byte character counting two", Item(f.Notepad),
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITTIP, Repeat("あ", 40));
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), Repeat("あ", 36));
             e.Type(IDC_ITEM_EDITTIP, "x");
             e.ClickOk();
         },
         true, Item(f.Notepad, Repeat("あ", 36))},
        {"typing stops at 72 single-byte characters", Item(f.Notepad),
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITTIP, std::string(80, 'a'));
             e.ClickOk();
         },
         true, Item(f.Notepad, std::string(72, 'a'))},
        {"a stored name longer than the typing limit is kept", Item(f.Notepad, std::string(100, 'n')),
         [&](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), std::string(100, 'n'));
             e.ClickOk();
         },
         true, Item(f.Notepad, std::string(100, 'n'))},
        {"typing into an overlong stored name is refused; shortening it is taken",
         Item(f.Notepad, std::string(100, 'n')),
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITTIP, "x");
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), std::string(100, 'n'));
             e.Type(IDC_ITEM_EDITTIP, "\b");
             e.ClickOk();
         },
         true, Item(f.Notepad, std::string(99, 'n'))},
        {"a bare program name is rewritten to the found path", Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, "notepad");
             e.ClickOk();
         },
         true, Item(f.FoundNotepad, "n")},
        {"a bare program name keeps its arguments, and blanks around the command go", Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, "  notepad \"読んで ね.txt\"  ");
             e.ClickOk();
         },
         true, Item(f.FoundNotepad + " \"読んで ね.txt\"", "n")},
        {"a URL is left as typed", Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, "https://example.com/a?b=1&c=2");
             e.ClickOk();
         },
         true, Item("https://example.com/a?b=1&c=2", "n")},
        {"a full existing path with a space, quoted, with arguments, is left as typed", Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, quotedSpaced);
             e.ClickOk();
         },
         true, Item(quotedSpaced, "n")},
        {"a command longer than the store keeps is refused on OK, naming the field, which gets the focus",
         Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             // As a paste past the typing limit or an imported item brings it.
             ::SetWindowTextW(e.Get(IDC_ITEM_EDITCMD),
                              Widen("C:\\" + std::string(293, 'a') + ".exe").c_str());
             e.ClickOk();
             EXPECT_TRUE(e.Open());
             EXPECT_EQ(e.FocusId(IDC_ITEM_EDITCMD), IDC_ITEM_EDITCMD);
             e.Cancel();
         },
         false,
         std::nullopt,
         {TooLongBox("コマンドライン")}},
        {"typing a command stops at 260 characters, and 260 bytes are stored whole", Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, "C:\\b." + std::string(270, 'a'));
             e.ClickOk();
         },
         true, Item("C:\\b." + std::string(255, 'a'), "n")},
        {"a program nothing on the search path matches is left as typed", Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, "lodestar-nosuchprogram -x");
             e.ClickOk();
         },
         true, Item("lodestar-nosuchprogram -x", "n")},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, WorkingFolder) {
    const TFiles& f = files;
    TItemData withFolder = Item(f.Notepad, "n");
    withFolder.DefDir = f.Folder;
    const TScenario scenarios[] = {
        {"a folder that does not exist: a warning naming it, and the dialog stays open",
         Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITDEFDIR, "C:\\nosuch");
             e.ClickOk();
             EXPECT_TRUE(e.Open());
             EXPECT_EQ(e.Text(IDC_ITEM_EDITDEFDIR), "C:\\nosuch");
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), f.Notepad);
             e.Cancel();
         },
         false,
         std::nullopt,
         {BadFolderBox("C:\\nosuch")}},
        {"the warning names the folder without the blanks around it",
         Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITDEFDIR, "  C:\\nosuch  ");
             e.ClickOk();
             EXPECT_TRUE(e.Open());
             e.Cancel();
         },
         false,
         std::nullopt,
         {BadFolderBox("C:\\nosuch")}},
        {"after the warning, a corrected folder is taken",
         Item(f.Notepad, "n"),
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITDEFDIR, "C:\\nosuch");
             e.ClickOk();
             e.Replace(IDC_ITEM_EDITDEFDIR, " " + f.Folder + " ");
             e.ClickOk();
         },
         true,
         withFolder,
         {BadFolderBox("C:\\nosuch")}},
        {"a stored folder that no longer exists still blocks OK",
         [&] {
             TItemData item = Item(f.Notepad, "n");
             item.DefDir = f.Folder + "\\消えた";
             return item;
         }(),
         [&](const TEditor& e) {
             e.ClickOk();
             EXPECT_TRUE(e.Open());
             e.Cancel();
         },
         false,
         std::nullopt,
         {BadFolderBox(f.Folder + "\\消えた")}},
        {"erasing the folder is allowed", withFolder,
         [&](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_EDITDEFDIR), f.Folder);
             e.Replace(IDC_ITEM_EDITDEFDIR, "");
             e.ClickOk();
         },
         true, Item(f.Notepad, "n")},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, CustomIcon) {
    const TFiles& f = files;
    const auto withIcon = [&](const std::string& icon) {
        TItemData item = Item(f.Notepad, "n");
        item.CustomIcon = icon;
        return item;
    };
    const auto shows = [](std::string label) {
        return [label](const TEditor& e) {
            EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), label);
            EXPECT_EQ(e.Enabled(IDC_ITEM_BTNCLEARICO), label != kStandardIcon);
            e.ClickOk();
        };
    };
    const std::string shell32 = SearchProgram("shell32.dll");
    const TScenario scenarios[] = {
        {"path and index", withIcon(f.IconLibrary + ",3"), shows(f.IconLibrary + ",3"), true,
         withIcon(f.IconLibrary + ",3")},
        {"a path without index is index 0", withIcon(f.IconLibrary), shows(f.IconLibrary + ",0"), true,
         withIcon(f.IconLibrary + ",0")},
        {"text after the comma that is no number belongs to the path", withIcon(f.CommaLibrary),
         shows(f.CommaLibrary + ",0"), true, withIcon(f.CommaLibrary + ",0")},
        {"a file missing now (a share, a removable drive) shows the standard icon; renaming keeps it",
         withIcon("Z:\\nowhere\\gone.ico,0"),
         [](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), kStandardIcon);
             EXPECT_TRUE(e.Enabled(IDC_ITEM_BTNCLEARICO)) << "the user can still drop it";
             e.Replace(IDC_ITEM_EDITTIP, "改名");
             e.ClickOk();
         },
         true,
         [&] {
             TItemData item = withIcon("Z:\\nowhere\\gone.ico,0");
             item.Tip = "改名";
             return item;
         }()},
        {"a missing file dropped with 標準に戻す", withIcon(f.MissingLibrary + ",2"),
         [](const TEditor& e) {
             e.Click(IDC_ITEM_BTNCLEARICO);
             e.ClickOk();
         },
         true, withIcon("")},
        {"a file without a folder is looked up", withIcon("shell32.dll,4"), shows(shell32 + ",4"), true,
         withIcon(shell32 + ",4")},
        {"標準に戻す drops the icon", withIcon(f.IconLibrary + ",3"),
         [&](const TEditor& e) {
             e.Click(IDC_ITEM_BTNCLEARICO);
             EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), kStandardIcon);
             EXPECT_FALSE(e.Enabled(IDC_ITEM_BTNCLEARICO));
             e.ClickOk();
         },
         true, withIcon("")},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

// The icon picker opened from the editor: which file and icon it proposes, its view taken from and
// written back to the settings, and the chosen icon becoming the item's.
TEST_F(ItemEditorTest, ChangeIcon) {
    const TFiles& f = files;
    const std::string lnk = f.Folder + "\\アイコン付きショートカット.lnk";
    WriteShortcut(lnk, {.Target = f.Notepad, .IconPath = f.IconLibrary, .IconIndex = 5});
    const auto item = [](std::string cmd, std::string icon) {
        TItemData result = Item(std::move(cmd), "n");
        result.CustomIcon = std::move(icon);
        return result;
    };
    struct TIconScenario {
        const char* Name;
        std::optional<int> StoredSize; // "IconDlgIconSize" before; none: absent
        std::string DefIconPath;
        TItemData Item;
        std::function<void(TPickerView&)> Picker;
        std::string Label; // shown after the picker closed
        std::optional<TItemData> Expected;
        int SizeAfter;
    };
    const TIconScenario scenarios[] = {
        {"the command's program is proposed and its first icon taken", std::nullopt, "", item(f.Notepad, ""),
         [&](TPickerView& v) {
             EXPECT_EQ(Lower(v.FileText()), Lower(f.Notepad));
             EXPECT_FALSE(IsChecked(v.Dialog(), IDC_ICODLG_BTNLARGEICON));
             v.Press(IDOK);
         },
         f.Notepad + ",0", item(f.Notepad, f.Notepad + ",0"), 0},
        {"a shortcut proposes its icon file at its index", 0, "", item(QuoteIfSpaced(lnk), ""),
         [&](TPickerView& v) {
             EXPECT_EQ(v.FileText(), f.IconLibrary);
             EXPECT_EQ(v.Current(), 5);
             v.Press(IDOK);
         },
         f.IconLibrary + ",5", item(QuoteIfSpaced(lnk), f.IconLibrary + ",5"), 0},
        {"the item's own icon is shown; another one chosen replaces it", 0, "",
         item(f.Notepad, f.IconLibrary + ",3"),
         [&](TPickerView& v) {
             EXPECT_EQ(v.FileText(), f.IconLibrary);
             EXPECT_EQ(v.Current(), 3);
             v.GridKey(VK_DOWN);
             v.Press(IDOK);
         },
         f.IconLibrary + ",4", item(f.Notepad, f.IconLibrary + ",4"), 0},
        {"the default icon file is shown instead of a proposal; the magnified view is kept, switched off and "
         "written back even when the picker is cancelled",
         1, f.IconLibrary, item(f.Notepad, ""),
         [&](TPickerView& v) {
             EXPECT_EQ(v.FileText(), f.IconLibrary);
             EXPECT_TRUE(IsChecked(v.Dialog(), IDC_ICODLG_BTNLARGEICON));
             v.Press(IDC_ICODLG_BTNLARGEICON);
             v.Press(IDCANCEL);
         },
         kStandardIcon, std::nullopt, 0},
        {"the magnified view chosen in the picker is stored", 0, "", item(f.Notepad, ""),
         [&](TPickerView& v) {
             v.Press(IDC_ICODLG_BTNLARGEICON);
             v.Press(IDCANCEL);
         },
         kStandardIcon, std::nullopt, 1},
    };
    TQueueMarker marker;
    for (const TIconScenario& s : scenarios) {
        {
            TLsReg reg;
            ASSERT_TRUE(reg.OpenKey("\\Software\\Marlowe\\Lodestar\\Settings", true));
            if (s.StoredSize)
                reg.WriteInteger("IconDlgIconSize", *s.StoredSize);
            else
                ::RegDeleteValueW(reg.CurrentKey(), L"IconDlgIconSize");
            reg.WriteString("DefIconPath", s.DefIconPath);
        }
        Run({s.Name, s.Item,
             [&](const TEditor& e) {
                 ::PostMessageW(e.Get(IDC_ITEM_BTNCHANGEICO), BM_CLICK, 0, 0);
                 HWND picker = nullptr;
                 ASSERT_TRUE(WaitUntil([&] {
                     picker = ::FindWindowW(L"#32770", L"アイコンの変更 - Lodestar");
                     return picker && ::IsWindowVisible(picker);
                 })) << "no icon picker";
                 TPickerView view(picker, marker, IDC_ICODLG_GRID, IDC_ICODLG_EDIT1);
                 s.Picker(view);
                 WaitUntil([&] { return !::IsWindow(picker); });
                 e.Runner->Run([] {}); // the editor has taken the picker's result
                 EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), s.Label);
                 e.ClickOk();
             },
             true, s.Expected});
        TLsReg reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Marlowe\\Lodestar\\Settings", false));
        EXPECT_EQ(reg.ReadIntegerDef("IconDlgIconSize", -1), s.SizeAfter) << s.Name;
    }
    TLsReg reg;
    if (reg.OpenKey("\\Software\\Marlowe\\Lodestar\\Settings", false)) {
        ::RegDeleteValueW(reg.CurrentKey(), L"IconDlgIconSize");
        ::RegDeleteValueW(reg.CurrentKey(), L"DefIconPath");
    }
}

TEST_F(ItemEditorTest, WindowSizeAndHotKey) {
    const TFiles& f = files;
    const auto with = [&](int wndSize, WORD hotKey) {
        TItemData item = Item(f.Notepad, "n");
        item.WndSize = static_cast<std::uint8_t>(wndSize);
        item.HotKey = hotKey;
        return item;
    };
    std::vector<TScenario> scenarios = {
        {"stored size and hotkey show and stay", with(2, kShift | kCtrl | VK_F5),
         [&](const TEditor& e) {
             EXPECT_EQ(e.WndSize(), 2);
             EXPECT_EQ(e.HotKeyShown(), MAKEWORD(VK_F5, HOTKEYF_SHIFT | HOTKEYF_CONTROL));
             e.ClickOk();
         },
         true, with(2, kShift | kCtrl | VK_F5)},
        {"a chosen size", with(0, 0),
         [&](const TEditor& e) {
             e.ChooseWndSize(1);
             e.ClickOk();
         },
         true, with(1, 0)},
        {"the bring-forward check box ticked", with(0, 0),
         [&](const TEditor& e) {
             EXPECT_FALSE(IsChecked(e.PageOf(IDC_ITEM_CBBRINGFORWARD), IDC_ITEM_CBBRINGFORWARD));
             e.Click(IDC_ITEM_CBBRINGFORWARD);
             e.ClickOk();
         },
         true,
         [&] {
             TItemData item = with(0, 0);
             item.BringForward = true;
             return item;
         }()},
        {"an extended key typed with Ctrl+Alt", with(0, 0),
         [&](const TEditor& e) {
             const HWND control = e.Get(IDC_ITEM_HOTKEY1);
             constexpr LPARAM kExtended = 1 | (1 << 24);
             ::SendMessageW(control, WM_KEYDOWN, VK_CONTROL, 1);
             ::SendMessageW(control, WM_KEYDOWN, VK_MENU, 1);
             ::SendMessageW(control, WM_KEYDOWN, VK_HOME, kExtended);
             ::SendMessageW(control, WM_KEYUP, VK_HOME, kExtended | (3LL << 30));
             ::SendMessageW(control, WM_KEYUP, VK_MENU, 1 | (3LL << 30));
             ::SendMessageW(control, WM_KEYUP, VK_CONTROL, 1 | (3LL << 30));
             e.ClickOk();
         },
         true, with(0, kCtrl | kAlt | VK_HOME)},
        {"a stored window size out of range shows as normal", with(7, 0),
         [&](const TEditor& e) {
             EXPECT_EQ(e.WndSize(), 0);
             e.ClickOk();
         },
         true, with(0, 0)},
        {"Backspace in the hotkey control removes the hotkey", with(0, kCtrl | kAlt | 'L'),
         [&](const TEditor& e) {
             e.PressHotKey({}, VK_BACK);
             e.ClickOk();
         },
         true, with(0, 0)},
    };
    // The control refuses a key alone and a key with a single modifier: Ctrl+Alt takes the modifiers'
    // place. Set by message and typed.
    const struct {
        const char* Name;
        BYTE Modifiers;
        std::vector<UINT> Keys;
        WORD HotKey;
    } hotKeys[] = {
        {"a key alone", 0, {}, kCtrl | kAlt | 'A'},
        {"Shift", HOTKEYF_SHIFT, {VK_SHIFT}, kCtrl | kAlt | 'A'},
        {"Ctrl", HOTKEYF_CONTROL, {VK_CONTROL}, kCtrl | kAlt | 'A'},
        {"Alt", HOTKEYF_ALT, {VK_MENU}, kCtrl | kAlt | 'A'},
        {"Shift+Ctrl", HOTKEYF_SHIFT | HOTKEYF_CONTROL, {VK_SHIFT, VK_CONTROL}, kShift | kCtrl | 'A'},
        {"Shift+Alt", HOTKEYF_SHIFT | HOTKEYF_ALT, {VK_SHIFT, VK_MENU}, kShift | kAlt | 'A'},
        {"Ctrl+Alt", HOTKEYF_CONTROL | HOTKEYF_ALT, {VK_CONTROL, VK_MENU}, kCtrl | kAlt | 'A'},
        {"all three",
         HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT,
         {VK_SHIFT, VK_CONTROL, VK_MENU},
         kShift | kCtrl | kAlt | 'A'},
    };
    std::vector<std::string> names;
    for (const auto& h : hotKeys) {
        names.push_back(std::string("hotkey set: ") + h.Name);
        names.push_back(std::string("hotkey typed: ") + h.Name);
    }
    int name = 0;
    for (const auto& h : hotKeys) {
        scenarios.push_back({names[name++].c_str(), with(0, 0),
                             [&h](const TEditor& e) {
                                 e.SetHotKey('A', h.Modifiers);
                                 e.ClickOk();
                             },
                             true, with(0, h.HotKey)});
        scenarios.push_back({names[name++].c_str(), with(0, 0),
                             [&h](const TEditor& e) {
                                 e.PressHotKey(h.Keys, 'A');
                                 e.ClickOk();
                             },
                             true, with(0, h.HotKey)});
    }
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, ShellObjectTarget) {
    const TFiles& f = files;
    TItemData controlPanel;
    controlPanel.IDList = ParseIdList("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    ASSERT_TRUE(controlPanel.IDList.Present());
    const std::string name = DefaultTip(controlPanel);
    ASSERT_FALSE(name.empty());
    const TScenario scenarios[] = {
        {"a shell object shows its name, no command and a greyed working folder; OK keeps it", controlPanel,
         [&](const TEditor& e) {
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), name);
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), "");
             EXPECT_FALSE(e.Enabled(IDC_ITEM_EDITDEFDIR));
             EXPECT_FALSE(e.Enabled(IDC_ITEM_SBBWDEFDIR));
             EXPECT_TRUE(e.Enabled(IDOK));
             e.ClickOk();
         },
         true, WithDefaultTip(controlPanel)},
        {"typing a command ends the shell object", controlPanel,
         [&](const TEditor& e) {
             e.Type(IDC_ITEM_EDITCMD, f.Notepad);
             EXPECT_TRUE(e.Enabled(IDC_ITEM_EDITDEFDIR));
             e.ClickOk();
         },
         true, Item(f.Notepad, name)},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, ChainRows) {
    const TFiles& f = files;
    TItemData chained = Item(f.Notepad, "連鎖");
    chained.Children = {
        Child("\"" + f.Notepad + "\" a.txt", "", 1, 5000, 1, true, 1),
        Child("C:\\", "C:\\windows", 2, 0, 2, false, 3, "*メモ帳*"),
        Child("", "", 0, 1999, 0, false, 2, "x.exe"),
        Child("\"" + f.SpacedProgram + "\"", f.Folder, 0, 0, 0, false, 0),
    };
    chained.Children[2].IDList = ParseIdList("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    ASSERT_TRUE(chained.Children[2].IDList.Present());
    TItemData withoutFirst = chained;
    withoutFirst.Children.erase(withoutFirst.Children.begin());
    TItemData edited = chained;
    edited.Cmd = f.FoundNotepad;

    const auto cancelAfter = [&](std::function<void(const TEditor&)> changes,
                                 std::function<void(const TEditor&)> close) {
        return [=](const TEditor& e) {
            changes(e);
            close(e);
        };
    };
    // Changes to every part of the item.
    const auto changeAll = [&](const TEditor& e) {
        e.Replace(IDC_ITEM_EDITTIP, "別の名前");
        e.Replace(IDC_ITEM_EDITCMD, "notepad");
        e.Replace(IDC_ITEM_EDITDEFDIR, f.Folder);
        e.Click(IDC_ITEM_BTNCLEARICO);
        e.ChooseWndSize(2);
        e.SetHotKey('Q', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
        e.OnDialogThread([](TForm3& form) { form.DeleteChildRow(0); });
        EXPECT_EQ(e.ChainRows().size(), 3u);
    };
    TItemData added = chained;
    added.Children.push_back(Child(f.FoundNotepad + " /p", "", 0, 0, 0, false, 0));
    TItemData changedEntry = chained;
    changedEntry.Children[1].Cmd = f.Notepad;
    // A new entry through the toolbar's first button and the child editor.
    const auto addEntry = [&](const TEditor& e) {
        e.OpenChainPage();
        e.ClickChainButton(IDC_ITEM_BTNNEW);
        const HWND child = TEditor::WaitForChildEditor("子アイコンの新規作成 - Lodestar");
        if (!child) return;
        test::Type(child, IDC_CHILD_EDITCMD, "notepad /p");
        test::Click(child, IDOK);
        EXPECT_TRUE(e.WaitForChainRows(5));
    };
    TItemData iconed = chained;
    iconed.CustomIcon = f.IconLibrary + ",7";
    iconed.HotKey = kCtrl | kAlt | 'N';
    iconed.DefDir = SystemFolder();

    const TScenario scenarios[] = {
        {"chain rows show each entry's columns; OK keeps the chain", chained,
         [&](const TEditor& e) {
             const auto rows = e.ChainRows();
             ASSERT_EQ(rows.size(), 4u);
             using R = std::vector<std::string>;
             EXPECT_EQ(rows[0], (R{"notepad.exe", "(起)+5秒", "★", "★", "\"" + f.Notepad + "\" a.txt",
                                   "(自動)", "最小化"}));
             EXPECT_EQ(rows[1], (R{"C:", "(終)", "題", "", "C:\\", "C:\\windows", "最大化"}));
             EXPECT_FALSE(rows[2][0].empty());
             EXPECT_EQ(R(rows[2].begin() + 1, rows[2].end()),
                       (R{"1秒", "名", "", "(特殊)", "(自動)", "通常"}));
             EXPECT_EQ(rows[3],
                       (R{"メモ 帳.exe", "", "", "", "\"" + f.SpacedProgram + "\"", f.Folder, "通常"}));
             e.ClickOk();
         },
         true, chained},
        {"a new entry from the toolbar and the child editor is appended", chained,
         [&](const TEditor& e) {
             addEntry(e);
             e.ClickOk();
         },
         true, added},
        {"an entry edited in the child editor", chained,
         [&](const TEditor& e) {
             e.OpenChainPage();
             e.SelectChainRow(1);
             e.ClickChainButton(IDC_ITEM_BTNEDIT);
             const HWND child = TEditor::WaitForChildEditor("子アイコンのプロパティ - Lodestar");
             if (!child) return e.Cancel();
             ::SendMessageW(::GetDlgItem(child, IDC_CHILD_EDITCMD), EM_SETSEL, 0, -1);
             test::Type(child, IDC_CHILD_EDITCMD, f.Notepad);
             test::Click(child, IDOK);
             for (int i = 0; i < 100 && e.ChainRows()[1][4] != f.Notepad; ++i)
                 ::Sleep(20);
             EXPECT_EQ(e.ChainRows()[1][0], "notepad.exe");
             e.ClickOk();
         },
         true, changedEntry},
        {"Cancel after a new entry", chained,
         [&](const TEditor& e) {
             addEntry(e);
             e.Cancel();
         },
         false, std::nullopt},
        {"a deleted row is gone after OK", chained,
         [&](const TEditor& e) {
             e.OnDialogThread([](TForm3& form) { form.DeleteChildRow(0); });
             e.ClickOk();
         },
         true, withoutFirst},
        {"changing the command keeps the chain", chained,
         [&](const TEditor& e) {
             e.Replace(IDC_ITEM_EDITCMD, "notepad");
             e.ClickOk();
         },
         true, edited},
        {"Cancel after changing everything", iconed,
         cancelAfter(changeAll, [](const TEditor& e) { e.Cancel(); }), false, std::nullopt},
        {"Escape after changing everything", iconed,
         cancelAfter(
             changeAll,
             [](const TEditor& e) { PressKey(e.PageOf(IDC_ITEM_EDITTIP), IDC_ITEM_EDITTIP, VK_ESCAPE); }),
         false, std::nullopt},
        {"closing the window after changing everything", iconed,
         cancelAfter(changeAll, [](const TEditor& e) { ::PostMessageW(e.Dialog, WM_CLOSE, 0, 0); }), false,
         std::nullopt},
        {"Cancel after a refused OK",
         iconed,
         cancelAfter(
             [&](const TEditor& e) {
                 changeAll(e);
                 e.Replace(IDC_ITEM_EDITDEFDIR, "C:\\nosuch");
                 e.ClickOk();
                 EXPECT_TRUE(e.Open());
             },
             [](const TEditor& e) { e.Cancel(); }),
         false,
         std::nullopt,
         {BadFolderBox("C:\\nosuch")}},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, BrowseMenu) {
    const TFiles& f = files;
    const std::string lnk = f.Folder + "\\メモ帳のショートカット.lnk";
    WriteShortcut(lnk, {.Target = f.Notepad,
                        .Arguments = "\"読んで ね.txt\"",
                        .WorkDir = f.Folder,
                        .HotKey = MAKEWORD('M', HOTKEYF_CONTROL | HOTKEYF_ALT),
                        .IconPath = f.IconLibrary,
                        .IconIndex = 5});
    TItemData fromLink;
    ASSERT_TRUE(ItemFromFile(lnk, fromLink));
    ASSERT_EQ(fromLink.Cmd, f.Notepad + " \"読んで ね.txt\"");

    TItemData start = Item(f.Notepad, "n");
    start.CustomIcon = f.IconLibrary + ",3";
    start.DefDir = SystemFolder();
    TItemData picked = start;
    picked.Cmd = "\"" + f.SpacedProgram + "\"";
    picked.Tip = "メモ 帳.exe";
    TItemData linked = start;
    linked.Tip = fromLink.Tip;
    linked.Cmd = fromLink.Cmd;
    linked.DefDir = f.Folder;
    linked.CustomIcon = f.IconLibrary + ",5";
    linked.HotKey = kCtrl | kAlt | 'M';
    TItemData linkAsFile = start;
    linkAsFile.Cmd = "\"" + lnk + "\"";
    linkAsFile.Tip = "メモ帳のショートカット.lnk";
    TItemData shellObject;
    shellObject.IDList = ParseIdList("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    shellObject.CustomIcon = f.IconLibrary + ",1";
    TItemData exitWindows = shellObject;
    exitWindows.Tip = "Windowsの終了";
    exitWindows.Cmd = SearchProgram("RUNDLL.EXE") + " USER.EXE,ExitWindows";
    exitWindows.IDList = {};
    exitWindows.CustomIcon = f.IconLibrary + ",1";
    TItemData dialUp = start;
    dialUp.Tip = "Officeへの接続";
    dialUp.Cmd = SearchProgram("RUNDLL32.EXE") + " RNAUI.DLL,RnaDial Office";
    dialUp.DefDir = "";
    dialUp.CustomIcon = "";

    const std::string cpl = f.Folder + "\\画面 設定.cpl";
    WriteBytes(cpl, "MZ");
    TItemData controlPanel = start;
    controlPanel.Cmd = SearchProgram("CONTROL.EXE") + " \"" + cpl + "\"";
    controlPanel.CustomIcon = cpl + ",0";

    const TScenario scenarios[] = {
        {"その他 > コントロール パネル(手動) quotes a path with blanks and takes its icon", start,
         [&](const TEditor& e) {
             const HWND menu = e.OpenBrowseMenu();
             if (!menu) return e.Cancel();
             TEditor::MenuChar(menu, L'm');
             ::Sleep(100);
             TEditor::MenuKey(menu, VK_UP);
             ::Sleep(100);
             TEditor::MenuKey(menu, VK_RETURN);
             const HWND fileDialog = WaitForFileDialog(e.Dialog);
             if (!fileDialog) return e.Cancel();
             ChooseInFileDialog(fileDialog, cpl);
             e.ClickOk();
         },
         true, controlPanel},
        {"a picked file gives its name and its quoted path; the icon stays", start,
         [&](const TEditor& e) {
             const HWND fileDialog = e.BrowseForFile();
             if (!fileDialog) return e.Cancel();
             // The dialog starts in the command's folder.
             EXPECT_EQ(Lower(RemoveBackslash(FileDialogFolder(fileDialog))), Lower(SystemFolder()));
             ChooseInFileDialog(fileDialog, f.SpacedProgram);
             EXPECT_EQ(e.Text(IDC_ITEM_EDITTIP), "メモ 帳.exe");
             EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), f.IconLibrary + ",3");
             e.ClickOk();
         },
         true, picked},
        {"a cancelled file dialog changes nothing", start,
         [&](const TEditor& e) {
             const HWND fileDialog = e.BrowseForFile();
             if (!fileDialog) return e.Cancel();
             ChooseInFileDialog(fileDialog, "");
             e.ClickOk();
         },
         true, start},
        {"a picked shortcut is read into the fields when shortcuts are resolved",
         start,
         [&](const TEditor& e) {
             const HWND fileDialog = e.BrowseForFile();
             if (!fileDialog) return e.Cancel();
             ChooseInFileDialog(fileDialog, lnk);
             EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), f.IconLibrary + ",5");
             e.ClickOk();
         },
         true,
         linked,
         {},
         true},
        {"a picked shortcut is the command itself otherwise", start,
         [&](const TEditor& e) {
             const HWND fileDialog = e.BrowseForFile();
             if (!fileDialog) return e.Cancel();
             ChooseInFileDialog(fileDialog, lnk);
             e.ClickOk();
         },
         true, linkAsFile},
        {"その他 > Windowsの終了 > 終了 ends the shell object and keeps the icon", shellObject,
         [&](const TEditor& e) {
             const HWND menu = e.OpenBrowseMenu();
             if (!menu) return e.Cancel();
             TEditor::MenuChar(menu, L'm');
             ::Sleep(100);
             TEditor::MenuKey(menu, VK_RIGHT);
             ::Sleep(100);
             TEditor::MenuKey(menu, VK_RETURN);
             for (int i = 0; i < 100 && e.Text(IDC_ITEM_EDITTIP) != "Windowsの終了"; ++i)
                 ::Sleep(20);
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), "RUNDLL.EXE USER.EXE,ExitWindows");
             EXPECT_TRUE(e.Enabled(IDC_ITEM_EDITDEFDIR));
             e.ClickOk();
         },
         true, exitWindows},
        {"a dial-up entry empties the working folder and drops the icon", start,
         [&](const TEditor& e) {
             e.OnDialogThread(
                 [](TForm3& form) { form.RunBrowseCommand(form, TBrowseCommand::bcDialUp, "Office"); });
             EXPECT_EQ(e.Text(IDC_ITEM_EDITCMD), "RUNDLL32.EXE RNAUI.DLL,RnaDial Office");
             EXPECT_EQ(e.Text(IDC_ITEM_LABELICONPATH), kStandardIcon);
             e.ClickOk();
         },
         true, dialUp},
        {"Cancel after a picked file",
         start,
         [&](const TEditor& e) {
             const HWND fileDialog = e.BrowseForFile();
             if (fileDialog) ChooseInFileDialog(fileDialog, lnk);
             e.Cancel();
         },
         false,
         std::nullopt,
         {},
         true},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ItemEditorTest, ChainLimit) {
    const TFiles& f = files;
    const auto withEntries = [&](int count) {
        TItemData item = Item(f.Notepad, "n");
        for (int i = 0; i < count; ++i)
            item.Children.push_back(Child(f.Notepad + " " + std::to_string(i), "", 0, i * 1000, 0, false, 0));
        return item;
    };
    TItemData nineteenPlusOne = withEntries(19);
    nineteenPlusOne.Children.push_back(Child(f.Notepad, "", 0, 0, 0, false, 0));
    const TScenario scenarios[] = {
        {"with 19 entries one more can be added, and then no more", withEntries(19),
         [&](const TEditor& e) {
             e.OpenChainPage();
             EXPECT_TRUE(e.ChainButtonEnabled(IDC_ITEM_BTNNEW));
             e.ClickChainButton(IDC_ITEM_BTNNEW);
             const HWND child = TEditor::WaitForChildEditor("子アイコンの新規作成 - Lodestar");
             if (!child) return e.Cancel();
             test::Type(child, IDC_CHILD_EDITCMD, f.Notepad);
             test::Click(child, IDOK);
             EXPECT_TRUE(e.WaitForChainRows(20));
             EXPECT_FALSE(e.ChainButtonEnabled(IDC_ITEM_BTNNEW));
             EXPECT_FALSE(e.ChainButtonEnabled(IDC_ITEM_BTNPASTE));
             e.ClickOk();
         },
         true, nineteenPlusOne},
        {"with 20 entries New is unavailable and a row beyond is refused", withEntries(20),
         [&](const TEditor& e) {
             e.OpenChainPage();
             EXPECT_FALSE(e.ChainButtonEnabled(IDC_ITEM_BTNNEW));
             bool added = true;
             e.OnDialogThread(
                 [&](TForm3& form) { added = form.AddChildRow(Child("x", "", 0, 0, 0, false, 0)); });
             EXPECT_FALSE(added);
             EXPECT_EQ(e.ChainRows().size(), 20u);
             e.ClickOk();
         },
         true, withEntries(20)},
        {"an entry deleted from 20 makes New available again", withEntries(20),
         [&](const TEditor& e) {
             e.OpenChainPage();
             e.OnDialogThread([](TForm3& form) { form.DeleteChildRow(19); });
             EXPECT_TRUE(e.ChainButtonEnabled(IDC_ITEM_BTNNEW));
             e.ClickOk();
         },
         true, withEntries(19)},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST(ItemEditorBrowseFill, ExitWindowsAndDialUpTexts) {
    const struct {
        const char* Name;
        TBrowseFill Fill;
        std::string Tip;
        std::string Cmd;
    } cases[] = {
        {"exit", ExitWindowsFill(false), "Windowsの終了", "RUNDLL.EXE USER.EXE,ExitWindows"},
        {"restart", ExitWindowsFill(true), "Windowsの再起動", "RUNDLL.EXE USER.EXE,ExitWindowsExec"},
        {"dial-up", DialUpFill("Office"), "Officeへの接続", "RUNDLL32.EXE RNAUI.DLL,RnaDial Office"},
        {"dial-up name with blanks and Japanese", DialUpFill("会社 VPN (東京)"), "会社 VPN (東京)への接続",
         "RUNDLL32.EXE RNAUI.DLL,RnaDial 会社 VPN (東京)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Fill.Tip, c.Tip) << c.Name;
        EXPECT_EQ(c.Fill.Cmd, c.Cmd) << c.Name;
    }
}

} // namespace
} // namespace lodestar
