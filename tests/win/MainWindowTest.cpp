// The main window against a prepared registry: groups, items, menus, deletion and exit.
#include "AppSettings.h"
#include "Application.h"
#include "Dialogs.h"
#include "DropTarget.h"
#include "LaunchProbe.h"
#include "Hkhotkey.h"
#include "Seams.h"
#include "Store.h"
#include "StoredItems.h"
#include "TrayIdentity.h"
#include "TrayStandIn.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "lsCommon.h"
#include "IconPixels.h"
#include "RunningWatch.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <malloc.h>
#include <ole2.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// Freed memory is overwritten in this test program, so that anything of a component used after it was
// destroyed (an icon deleted by its own menu, a hotkey component gone before its items) shows at once.
void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
// What freed memory is filled with, eight bytes at a time; a test may choose a value that makes a use
// observable (a window handle read from a freed component), and keep freed blocks from being handed out
// again meanwhile.
const auto kFreedFill = static_cast<std::uintptr_t>(0xDDDDDDDDDDDDDDDDull);
std::uintptr_t freedFill = kFreedFill;
bool keepFreed = false;
void operator delete(void* block) noexcept {
    if (!block) return;
    const std::size_t size = _msize(block);
    for (std::size_t at = 0; at + sizeof freedFill <= size; at += sizeof freedFill)
        std::memcpy(static_cast<char*>(block) + at, &freedFill, sizeof freedFill);
    if (!keepFreed) std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

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
    // The shell refuses to add the icons whose identifiers `refused` holds (every one while it is empty).
    void RefuseIcons(std::vector<std::uint32_t> refused) {
        Seams().NotifyIcon = [refused](DWORD message, NOTIFYICONDATAW* data) {
            if (message == NIM_ADD &&
                (refused.empty() || std::find(refused.begin(), refused.end(), data->uID) != refused.end()))
                return FALSE;
            return ::Shell_NotifyIconW(message, data);
        };
    }
    void AcceptIcons() {
        Seams().NotifyIcon = [](DWORD message, NOTIFYICONDATAW* data) {
            return ::Shell_NotifyIconW(message, data);
        };
    }
    std::vector<bool> Shown() const {
        std::vector<bool> shown{form->MainIcon->Registered()};
        for (TIconItem* item : form->IconItems())
            shown.push_back(item->Registered());
        return shown;
    }
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

// The icons of a group are looked up ahead, several at a time: each item still shows its own.
TEST_F(MainWindowTest, EveryItemShowsItsOwnIcon) {
    wchar_t folder[MAX_PATH] = {};
    ::GetWindowsDirectoryW(folder, MAX_PATH);
    const std::string windows = Narrow(folder);
    const std::vector<std::string> cmds = {windows + "\\notepad.exe", windows + "\\win.ini",
                                           "C:\\missing\\tool.exe", windows};
    std::vector<TItemData> items;
    for (int round = 0; round < 3; ++round)
        for (const std::string& cmd : cmds)
            items.push_back(Item(cmd));
    SetGroup(0, "", items);
    Start();
    const auto colors = [](HICON icon) {
        ICONINFO info{};
        if (!icon || !::GetIconInfo(icon, &info)) return std::vector<std::uint32_t>();
        const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
        return color ? test::Bits32(color.Get(), 16, 16) : std::vector<std::uint32_t>();
    };
    ASSERT_EQ(form->IconItems().size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const UniqueIcon own = ItemIcon("", items[i].Cmd, {}, 16);
        EXPECT_EQ(colors(form->IconItems()[i]->NotifyData().hIcon), colors(own.Get())) << items[i].Cmd;
    }
    // A program's own icon is not the missing file's.
    EXPECT_EQ(colors(form->IconItems()[0]->NotifyData().hIcon).size(), 256u);
    EXPECT_NE(colors(form->IconItems()[0]->NotifyData().hIcon),
              colors(form->IconItems()[2]->NotifyData().hIcon));
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

void TaskbarCreated() {
    ::SendMessageTimeoutW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG,
                          5000, nullptr);
}

// A right click on an item's icon and an entry of its menu, chosen by keys, that removes that very icon while
// its click is still being handled.
TEST_F(MainWindowTest, ItemMenuCommandsThatRemoveTheClickedIcon) {
    const struct {
        const char* what;
        std::vector<std::pair<UINT, WPARAM>> keys;
        std::vector<std::string> names;
    } cases[] = {
        {"この項目を削除", {{WM_CHAR, L'd'}}, {"IconItem1=a.exe", "IconItem3=c.exe"}},
        // Down to the main menu, into it, up to its last entry (the other group), Enter.
        {"the other group, from the main menu inside",
         {{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RIGHT}, {WM_KEYDOWN, VK_UP}, {WM_KEYDOWN, VK_RETURN}},
         {"IconItem1=five.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetGroup(0, "", {Item("a.exe"), Item("b.exe"), Item("c.exe")});
        SetGroup(5, "五", {Item("five.exe")});
        WriteIconGroup(0);
        Start();
        std::thread user([&c] {
            for (const auto& [message, key] : c.keys) {
                HWND menu = nullptr; // the topmost: a submenu opens over its parent
                for (int i = 0; i < 500 && !menu; ++i, ::Sleep(10))
                    for (HWND w = nullptr; !menu && (w = ::FindWindowExW(nullptr, w, L"#32768", nullptr));)
                        if (::IsWindowVisible(w)) menu = w;
                ::PostMessageW(menu, message, key, 1);
                ::Sleep(100);
            }
        });
        TIconItem* clicked = form->IconItems()[1];
        ::SendMessageW(clicked->WindowHandle(), kTrayCallbackMessage, clicked->IconID(), WM_RBUTTONUP);
        user.join();
        EXPECT_EQ(Names(*form), c.names);
        form.reset();
    }
}

// The shell refuses icons at log-on before the taskbar is ready, or while Explorer restarts: every item stays
// an item of its group, nothing is shown, and the icons come when the shell takes them.
TEST_F(MainWindowTest, IconsTheShellRefusesStayItemsAndComeLater) {
    TItemData withKey = Item("c.exe");
    withKey.HotKey = 0xC04B;
    const std::vector<TItemData> stored{Item("a.exe"), Item("b.exe"), withKey};
    const auto saved = ProgramDialogs().OpenOptions;
    ProgramDialogs().OpenOptions = [&stored](TForm1&) -> std::optional<TOptionsResult> {
        return TOptionsResult{stored, {}, false};
    };
    const auto retried = [this](TForm1&) {
        for (int i = 0; i < 100 && Shown() != std::vector<bool>(4, true); ++i, ::Sleep(50))
            Application::ProcessMessages();
    };
    const struct {
        const char* what;
        std::vector<std::uint32_t> refused; // empty: every icon
        bool byOk;                          // refused while OK rebuilds the icons, not at start-up
        std::vector<bool> shown;
        std::function<void(TForm1&)> comeBack;
    } cases[] = {
        {"at start-up: a new taskbar brings every icon",
         {},
         false,
         {false, false, false, false},
         [](TForm1&) { TaskbarCreated(); }},
        {"at start-up, no new taskbar announced: retried", {}, false, {false, false, false, false}, retried},
        {"one icon as the group loads: a reload brings it",
         {ItemIconId(0, 2)},
         false,
         {true, true, false, true},
         [](TForm1& f) { f.miReloadIconsClick(nullptr); }},
        {"one icon as OK rebuilds the icons: the rows after it stay",
         {ItemIconId(0, 1)},
         true,
         {true, false, true, true},
         retried},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetGroup(0, "", stored);
        boxes.clear();
        RefuseIcons(c.byOk ? std::vector<std::uint32_t>{0} : c.refused);
        ASSERT_NO_THROW(Start());
        RefuseIcons(c.refused);
        if (c.byOk) form->OpenOptions();
        EXPECT_EQ(Names(*form),
                  (std::vector<std::string>{"IconItem1=a.exe", "IconItem2=b.exe", "IconItem3=c.exe"}));
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_FALSE(form->GroupIncomplete());
        EXPECT_TRUE(form->HoldsHotKey(0xC04B));
        AcceptIcons();
        c.comeBack(*form);
        EXPECT_EQ(Shown(), std::vector<bool>(4, true));
        EXPECT_TRUE(boxes.empty());
        form.reset();
        EXPECT_EQ(StoredCmds(0), (std::vector<std::string>{"a.exe", "b.exe", "c.exe"}));
    }
    // A shell that never takes them: told once, after the retries; the next new taskbar tries again.
    RefuseIcons({});
    Start();
    for (int i = 0; i < 200; ++i)
        ::SendMessageW(form->Handle(), WM_TIMER, kTrayRetryTimer, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("タスク バーの通知領域にアイコンを追加できません"), std::string::npos)
        << boxes[0];
    AcceptIcons();
    TaskbarCreated();
    EXPECT_EQ(Shown(), std::vector<bool>(4, true));
    ProgramDialogs().OpenOptions = saved;
}

// Registers the main window for drops as it is created, before the program can. (The target is made
// before the hook is set: it creates a window of its own.)
static TDropTarget* dropBlocker = nullptr;
static LRESULT CALLBACK BlockMainWindowDrops(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t name[64] = {};
    if (code == HCBT_CREATEWND && ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64) &&
        std::wstring(name) == L"LodestarMainWindow")
        ::RegisterDragDrop(reinterpret_cast<HWND>(wParam), dropBlocker);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A start-up that fails after the items and their hotkeys exist (the main window's drop target finds its
// window registered already) takes everything down without using a part already gone: a handle read from a
// freed hotkey component would name a bystander window, whose hotkey would then go.
TEST_F(MainWindowTest, AFailedStartUpTakesItsItemsDownCleanly) {
    TItemData withKey = Item("notepad.exe");
    withKey.HotKey = 0xC04B;
    SetGroup(0, "", {Item("a.exe"), withKey});
    static TDropTarget blocker(nullptr);
    dropBlocker = &blocker;
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, BlockMainWindowDrops, nullptr, ::GetCurrentThreadId());
    const HWND bystander =
        ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(::RegisterHotKey(bystander, 2, MOD_CONTROL | MOD_ALT, 'J')); // under the item's number
    freedFill = reinterpret_cast<std::uintptr_t>(bystander);
    keepFreed = true;
    EXPECT_ANY_THROW(Start());
    keepFreed = false;
    freedFill = kFreedFill;
    ::UnhookWindowsHookEx(hook);
    EXPECT_FALSE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'J')) << "a freed component was used";
    ::DestroyWindow(bystander);
    EXPECT_TRUE(THookHotKey(nullptr).AddHotKey(1, 0xC04B)); // given back
}

TEST_F(MainWindowTest, ADroppedPathLongerThanTheStoreKeepsIsRefusedNotCut) {
    Start();
    ::SendMessageW(
        form->Handle(), WM_DROPFILES,
        reinterpret_cast<WPARAM>(MakeDrop({"C:\\" + std::string(300, 'x'), "C:\\windows\\notepad.exe"})), 0);
    ASSERT_EQ(form->IconItems().size(), 1u);
    EXPECT_EQ(form->IconItems()[0]->Cmd, "C:\\windows\\notepad.exe");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(": ドロップされたファイルのパスが長すぎます。", 0), 0u) << boxes[0];
}

// A file named in scripts the legacy code page lacks becomes an item that keeps its name and path through
// the exit's save and the next start.
TEST_F(MainWindowTest, ADroppedNameInAnyScriptIsKeptThroughExitAndRestart) {
    TTestFolder folder{"scripts"};
    const std::string path = folder / "Café😀项.txt";
    WriteBytes(path, "text");
    Start();
    ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
    ASSERT_EQ(form->IconItems().size(), 1u);
    const std::string dropped = form->IconItems()[0]->Cmd + "|" + form->IconItems()[0]->Hint();
    EXPECT_EQ(dropped, QuoteIfSpaced(path) + "|Café😀项.txt");
    form.reset();
    Start();
    ASSERT_EQ(form->IconItems().size(), 1u);
    EXPECT_EQ(form->IconItems()[0]->Cmd + "|" + form->IconItems()[0]->Hint(), dropped);
    EXPECT_TRUE(boxes.empty()) << boxes[0];
}

// A group's icons take the place of another's: the new ones are all in the notification area before the
// old ones leave it, and once the posted removals have run the shell holds exactly the shown icons, also
// when the same group comes back under the same identifiers.
TEST_F(MainWindowTest, NewIconsComeBeforeTheOldOnesLeave) {
    SetGroup(0, "", {Item("a.exe"), Item("b.exe"), Item("c.exe")});
    SetGroup(4, "四", {Item("d.exe"), Item("e.exe")});
    Start();
    const auto ids = [&] {
        std::set<std::uint32_t> all{form->MainIcon->IconID()};
        for (TIconItem* item : form->IconItems())
            all.insert(item->IconID());
        return all;
    };
    // The icons the shell holds, as its answers tell.
    std::set<std::uint32_t> held = ids();
    std::vector<std::pair<DWORD, std::uint32_t>> calls;
    Seams().NotifyIcon = [&](DWORD message, NOTIFYICONDATAW* data) {
        calls.emplace_back(message, data->uID);
        const BOOL done = ::Shell_NotifyIconW(message, data);
        if (done && message == NIM_ADD) held.insert(data->uID);
        if (done && message == NIM_DELETE) held.erase(data->uID);
        return done;
    };
    const auto saved = ProgramDialogs().OpenOptions;
    ProgramDialogs().OpenOptions = [](TForm1& f) -> std::optional<TOptionsResult> {
        f.SetCurrentGroup(0);
        return TOptionsResult{{Item("a.exe"), Item("b.exe"), Item("c.exe")}, {}, false};
    };
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"a switch from the main menu", [&] { form->miGroupsClick(form->GroupMenuItems[4]); }},
        {"OK with another group shown", [&] { form->OpenOptions(); }},
        {"OK with the same group shown", [&] { form->OpenOptions(); }},
    };
    for (const auto& [what, change] : cases) {
        calls.clear();
        change();
        const std::set<std::uint32_t> shown = ids();
        bool beforeLastAdd = false;
        for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
            beforeLastAdd = beforeLastAdd || call->first == NIM_ADD;
            EXPECT_TRUE(!beforeLastAdd || call->first != NIM_DELETE || shown.count(call->second))
                << what << ": " << call->second << " left early";
        }
        PumpUntil([] { return false; }, 100);
        EXPECT_EQ(held, shown) << what;
    }
    ProgramDialogs().OpenOptions = saved;
    AcceptIcons();
}

// Notepad started and ended outside the launcher: the item of its program gets the mark, keeps it through a
// reload and a new taskbar, and loses it when the program ends or the setting goes off; the main icon and
// the other items (another program, a document, a missing program) stay as they are.
TEST_F(MainWindowTest, ARunningProgramMarksItsItemsIcon) {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    const std::string system = Narrow(folder), notepad = system + "\\notepad.exe";
    const std::vector<TItemData> records = {Item("C:\\missing\\tool.exe"), Item(system + "\\regedit.exe"),
                                            Item(notepad + " a.txt"), Item(system + "\\..\\win.ini")};
    SetGroup(0, "", records);
    Start();
    ASSERT_TRUE(form->RunningWatch().Hooked()); // event-driven, no polling
    const auto colors = [&] {
        std::vector<HICON> icons{form->MainIcon->NotifyData().hIcon};
        for (TIconItem* item : form->IconItems())
            icons.push_back(item->NotifyData().hIcon);
        std::vector<std::vector<std::uint32_t>> all;
        for (HICON icon : icons) {
            ICONINFO info{};
            EXPECT_TRUE(::GetIconInfo(icon, &info));
            const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
            all.push_back(test::Bits32(color.Get(), 16, 16));
        }
        return all;
    };
    const auto unmarked = colors();
    // The mark's fill inside its corner; the rest of the item's icon and every other icon as before.
    const auto onlyMarked = [&] {
        auto shown = colors();
        EXPECT_EQ(shown[3].size(), 256u);
        EXPECT_EQ(shown[3][3 * 16 + 3] & 0xFFFFFF, kRunningMarkFill);
        EXPECT_EQ(shown[3][15 * 16 + 15], unmarked[3][15 * 16 + 15]);
        shown[3] = unmarked[3];
        EXPECT_EQ(shown, unmarked);
    };
    TIconItem* const marked = form->IconItems()[2];
    PumpUntil([] { return false; }, 600); // nothing runs yet
    EXPECT_FALSE(marked->Running());
    // Started as from the desktop; the mark goes when the program is closed, when it is killed, and when
    // the setting is switched off in the options dialog while the program still runs.
    const auto saved = ProgramDialogs().OpenOptions;
    ProgramDialogs().OpenOptions = [&records](TForm1&) -> std::optional<TOptionsResult> {
        ProgramSettings().MarkRunning = false;
        return TOptionsResult{records, {}, false};
    };
    for (const char* end : {"closed", "killed", "switched off"}) {
        auto copies = std::make_unique<TStartedCopies>(notepad);
        ::ShellExecuteW(nullptr, nullptr, Widen(notepad).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        ASSERT_TRUE(PumpUntil([&] { return copies->Windows().size() == 1 && marked->Running(); })) << end;
        onlyMarked();
        form->miReloadIconsClick(nullptr);
        TaskbarCreated();
        onlyMarked();
        if (end == std::string("closed"))
            ::PostMessageW(copies->Windows()[0], WM_CLOSE, 0, 0);
        else if (end == std::string("killed"))
            copies.reset();
        else
            form->OpenOptions();
        ASSERT_TRUE(PumpUntil([&] {
            return (!copies || copies->New().empty() || !ProgramSettings().MarkRunning) && !marked->Running();
        })) << end;
        EXPECT_EQ(colors(), unmarked) << end;
    }
    ProgramDialogs().OpenOptions = saved;
    EXPECT_FALSE(form->RunningWatch().Enabled());
    ProgramSettings().MarkRunning = true;
}
