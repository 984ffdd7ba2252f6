// The main window against a prepared registry: groups, items, menus, deletion and exit.
#include "AppSettings.h"
#include "Application.h"
#include "Dialogs.h"
#include "Hkhotkey.h"
#include "Seams.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinText.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";

std::vector<std::string> Names(const TForm1& form) {
    std::vector<std::string> names;
    for (TIconItem* item : form.IconItems())
        names.push_back(item->Name() + "=" + item->Hint());
    return names;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            return answer;
        };
        Seams().Beep = [this](UINT type) { beeps.push_back(type); };
        TSettings settings;
        settings.ConfirmOnDel = false;
        WriteSettings(settings);
    }
    void TearDown() override {
        form.reset();
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }
    void SetGroup(int group, const std::string& name, const std::vector<TItemData>& items) {
        SaveShownGroup(group, {});
        TGroups groups = ReadAllGroups();
        groups[static_cast<std::size_t>(group)] = TGroup{name, items};
        SaveOtherGroups(-1, groups);
    }
    void Start() { form = std::make_unique<TForm1>(); }
    void Delete(TIconItem* item) {
        form->pmItems->PopupComponent = item;
        form->miDelIconClick(nullptr);
    }

    std::unique_ptr<TForm1> form;
    std::vector<std::string> boxes;
    std::vector<UINT> beeps;
    int answer = IDOK;
};

} // namespace

TEST_F(MainWindowTest, ShownGroupBecomesIconItemsInStoredOrder) {
    SetGroup(2, "仕事",
             {Item("C:\\windows\\notepad.exe", "メモ"), Item("calc.exe"), Item("  regedit.exe  ")});
    TSettings settings = ReadSettings();
    settings.IconGroup = 2;
    WriteSettings(settings);
    Start();
    EXPECT_EQ(form->CurrentGroup(), 2);
    EXPECT_EQ(Names(*form), (std::vector<std::string>{"IconItem1=メモ", "IconItem2=calc.exe",
                                                      "IconItem3=  regedit.exe  "}));
    EXPECT_EQ(form->IconItems()[2]->Cmd, "regedit.exe"); // trimmed and joined again
    EXPECT_TRUE(form->MainIcon->Registered());
    EXPECT_EQ(form->MainIcon->Hint(), "Lodestar");
    EXPECT_TRUE(form->GroupMenuItems[2]->Checked);
    for (TIconItem* item : form->IconItems())
        EXPECT_TRUE(item->Registered());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, DeletedNumbersAreReused) {
    SetGroup(0, "", {Item("a.exe"), Item("b.exe"), Item("c.exe")});
    Start();
    Delete(form->IconItems()[1]);
    EXPECT_EQ(Names(*form), (std::vector<std::string>{"IconItem1=a.exe", "IconItem3=c.exe"}));
    TIconItem* added = form->AddItem(Item("d.exe"));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Name(), "IconItem2");
    EXPECT_EQ(added->Tag, 2);
}

TEST_F(MainWindowTest, ConfirmedDeletionAsksFirst) {
    TSettings settings = ReadSettings();
    settings.ConfirmOnDel = true;
    WriteSettings(settings);
    SetGroup(0, "", {Item("a.exe", "エー")});
    Start();
    answer = IDNO;
    Delete(form->IconItems()[0]);
    EXPECT_EQ(form->IconItems().size(), 1u);
    EXPECT_EQ(boxes, std::vector<std::string>{"確認: 'エー' を削除します。\rよろしいですか？"});
    EXPECT_EQ(beeps, std::vector<UINT>{MB_ICONQUESTION});
    answer = IDYES;
    Delete(form->IconItems()[0]);
    EXPECT_TRUE(form->IconItems().empty());
    EXPECT_TRUE(form->Active());
}

TEST_F(MainWindowTest, GroupMenuShowsGroupsWithItemsOrTheShownOne) {
    SetGroup(0, "", {Item("a.exe")});
    SetGroup(1, "名前だけ", {});
    SetGroup(2, "", {Item("b.exe")});
    SetGroup(3, "Tools & Games: a name that is far longer than forty chars", {Item("c.exe")});
    Start();
    EXPECT_TRUE(form->miGroupDivider->Visible);
    EXPECT_TRUE(form->GroupMenuItems[0]->Visible);
    EXPECT_FALSE(form->GroupMenuItems[1]->Visible);
    EXPECT_TRUE(form->GroupMenuItems[2]->Visible);
    EXPECT_EQ(form->GroupMenuItems[2]->Caption, "2");
    EXPECT_EQ(form->GroupMenuItems[3]->Caption, "Tools && Games: a name that is far longer");
    for (int g = 4; g < 10; ++g)
        EXPECT_FALSE(form->GroupMenuItems[static_cast<std::size_t>(g)]->Visible) << g;
}

TEST_F(MainWindowTest, OnlyTheShownGroupGivesNoGroupEntries) {
    SetGroup(0, "", {Item("a.exe")});
    SetGroup(4, "空", {});
    Start();
    EXPECT_FALSE(form->miGroupDivider->Visible);
    for (TMenuItem* entry : form->GroupMenuItems)
        EXPECT_FALSE(entry->Visible);
}

TEST_F(MainWindowTest, SwitchingGroupsSavesTheOneLeft) {
    SetGroup(0, "", {Item("a.exe"), Item("b.exe")});
    SetGroup(5, "五", {Item("five.exe")});
    Start();
    // Clicking the checked entry changes and saves nothing.
    SaveShownGroup(0, {Item("changed-behind.exe")});
    form->miGroupsClick(form->GroupMenuItems[0]);
    EXPECT_EQ(StoredCmds(0), std::vector<std::string>{"changed-behind.exe"});

    form->miGroupsClick(form->GroupMenuItems[5]);
    EXPECT_EQ(StoredCmds(0), (std::vector<std::string>{"a.exe", "b.exe"}));
    EXPECT_EQ(form->CurrentGroup(), 5);
    EXPECT_EQ(Names(*form), std::vector<std::string>{"IconItem1=five.exe"});
    EXPECT_TRUE(form->GroupMenuItems[5]->Checked);
    EXPECT_FALSE(form->GroupMenuItems[0]->Checked);
    EXPECT_TRUE(form->Active());
}

TEST_F(MainWindowTest, HiddenMainIconIsForcedWhenNothingIsReachable) {
    TSettings settings = ReadSettings();
    settings.ShowMainIcon = false;
    WriteSettings(settings);
    Start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("エラー - Lodestar: 現在の設定ではタスクトレイにアイコンが無いため", 0), 0u)
        << boxes[0];
    EXPECT_TRUE(form->MainIcon->Registered());
    EXPECT_FALSE(ReadSettings().ShowMainIcon);
    form->EnsureReachable();
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(MainWindowTest, ExitSavesTheGroupAndItsNumber) {
    SetGroup(0, "", {Item("a.exe")});
    SetGroup(7, "七", {Item("seven.exe")});
    Start();
    form->miGroupsClick(form->GroupMenuItems[7]);
    form->AddItem(Item("added.exe", "追加"));
    form.reset();
    EXPECT_EQ(ReadSettings().IconGroup, 7);
    const TGroup group = ReadGroup(7);
    EXPECT_EQ(group.Name, "七");
    ASSERT_EQ(group.Items.size(), 2u);
    EXPECT_EQ(group.Items[1].Tip, "追加");
}

TEST_F(MainWindowTest, HotKeyStartsItsItemOnlyWhileActive) {
    TItemData withKey = Item("notepad.exe");
    withKey.HotKey = 0xC04B;
    SetGroup(0, "", {Item("a.exe"), withKey});
    Start();
    std::vector<std::string> launched;
    const auto saved = ProgramDialogs().LaunchItem;
    ProgramDialogs().LaunchItem = [&](TForm1&, TIconItem& item, bool byHotKey) {
        launched.push_back(item.Name() + (byHotKey ? " hotkey" : ""));
    };
    ::SendMessageW(form->HkHotKey1->WindowHandle(), WM_HOTKEY, 2, 0);
    form->SetActive(false);
    ::SendMessageW(form->HkHotKey1->WindowHandle(), WM_HOTKEY, 2, 0);
    form->SetActive(true);
    ::SendMessageW(form->HkHotKey1->WindowHandle(), WM_HOTKEY, 9, 0); // no such item
    ProgramDialogs().LaunchItem = saved;
    EXPECT_EQ(launched, std::vector<std::string>{"IconItem2 hotkey"});
    // The item's combination is held by the program.
    THookHotKey other(nullptr);
    EXPECT_FALSE(other.AddHotKey(1, 0xC04B));
}

TEST_F(MainWindowTest, RestartedTaskbarGetsEveryIconAgain) {
    SetGroup(0, "", {Item("a.exe"), Item("b.exe")});
    Start();
    // The shell forgets all icons, as a restarted taskbar would.
    std::vector<TIconTray*> icons{form->MainIcon};
    for (TIconItem* item : form->IconItems())
        icons.push_back(item);
    for (TIconTray* icon : icons) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = icon->WindowHandle();
        data.uID = icon->IconID();
        ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &data));
    }
    // As the shell does when it starts: to every top-level window.
    ::SendMessageTimeoutW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG,
                          5000, nullptr);
    // Each icon is known to the shell again: changing it is accepted.
    for (TIconTray* icon : icons) {
        EXPECT_TRUE(icon->Registered());
        EXPECT_NO_THROW(icon->SetHint(icon->Hint() + " 2"));
    }
}

TEST(StartupDelay, ReadsAtMostFourDigits) {
    struct Case {
        const char* argument;
        int delay;
    } cases[] = {{"/d:1500", 1500}, {"/D:25000", 2500}, {"/D:abc", 0}, {"/D:-500", 0},
                 {"/D:", 0},        {"/X:100", 0},      {"", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(StartupDelay(c.argument), c.delay) << c.argument;
}

TEST_F(MainWindowTest, EndOfSessionSavesLikeTheExitCommand) {
    SetGroup(3, "三", {Item("three.exe")});
    TSettings settings = ReadSettings();
    settings.IconGroup = 3;
    WriteSettings(settings);
    Start();
    form->AddItem(Item("new.exe"));
    SaveShownGroup(3, {});
    WriteIconGroup(0);
    EXPECT_TRUE(::SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0));
    ::SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(StoredCmds(3), (std::vector<std::string>{"three.exe", "new.exe"}));
    EXPECT_EQ(ReadSettings().IconGroup, 3);
}

TEST_F(MainWindowTest, OptionsOkRebuildsTheTrayFromTheDialogsRows) {
    SetGroup(0, "", {Item("a.exe", "エー"), Item("b.exe")});
    TSettings settings = ReadSettings();
    settings.TrayDndType = 1;
    WriteSettings(settings);
    Start();
    ASSERT_TRUE(form->TimerEnabled());
    const auto saved = ProgramDialogs().OpenOptions;
    struct Case {
        const char* what;
        bool ok;
        std::vector<std::string> names;
        int group;
        int dropMode;
    } cases[] = {
        {"Cancel keeps the icons, the group and the drop mode",
         false,
         {"IconItem1=エー", "IconItem2=b.exe"},
         0,
         1},
        {"OK: the dialog's rows in order, its group checked, its drop mode in force",
         true,
         {"IconItem1=ゼット", "IconItem2=c.exe", "IconItem3=エー"},
         3,
         0},
    };
    for (const Case& c : cases) {
        ProgramDialogs().OpenOptions = [&c](TForm1& f) -> std::optional<TOptionsResult> {
            EXPECT_FALSE(f.Active());
            if (!c.ok) return std::nullopt;
            ProgramSettings().TrayDndType = 0;
            f.SetCurrentGroup(3);
            return TOptionsResult{{Item("z.exe", "ゼット"), Item("c.exe"), Item("a.exe", "エー")}, {}, false};
        };
        form->OpenOptions();
        EXPECT_EQ(Names(*form), c.names) << c.what;
        EXPECT_EQ(form->CurrentGroup(), c.group) << c.what;
        for (int g = 0; g < kGroupCount; ++g)
            EXPECT_EQ(form->GroupMenuItems[static_cast<std::size_t>(g)]->Checked, g == c.group) << c.what;
        EXPECT_EQ(form->TrayDropMode(), c.dropMode) << c.what;
        EXPECT_EQ(form->TimerEnabled(), c.dropMode == 1) << c.what;
        EXPECT_TRUE(form->Active()) << c.what;
    }
    ProgramDialogs().OpenOptions = saved;
}
