// The icons' identity towards the shell: fixed identifiers across group switches, reloads and restarts,
// late notifications of a replaced icon, Windows 11's records of hidden icons, a taskbar created anew while
// the icons still exist, and hotkeys registered again after resume and unlock.
#include "AppSettings.h"
#include "Application.h"
#include "Hkhotkey.h"
#include "NotifyIconSettings.h"
#include "Seams.h"
#include "Store.h"
#include "StoredItems.h"
#include "TrayIdentity.h"
#include "WinText.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";
const wchar_t* const kRecords = L"Control Panel\\NotifyIconSettings";

// Whether the shell knows an icon under the window and identifier: it accepts a change of it.
bool ShellKnows(HWND window, std::uint32_t id) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = window;
    data.uID = id;
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void WriteRecord(const std::wstring& name, const std::string& path, std::optional<DWORD> uid,
                 std::optional<DWORD> promoted) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kRecords) + L"\\" + name).c_str(), 0,
                                nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring text = Widen(path);
    ::RegSetValueExW(key, L"ExecutablePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (uid) ::RegSetValueExW(key, L"UID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*uid), sizeof(DWORD));
    if (promoted)
        ::RegSetValueExW(key, L"IsPromoted", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*promoted),
                         sizeof(DWORD));
    ::RegCloseKey(key);
}

class TrayIdentityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kRecords);
        ResetSeams();
        ResetNotifyIconSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            return answer;
        };
        Seams().Beep = [](UINT) {};
        NotifyIconSeams().OpenSettingsPage = [this](const std::string& uri) {
            opened.push_back(uri);
            return true;
        };
        TSettings settings;
        settings.ConfirmOnDel = false;
        WriteSettings(settings);
    }
    void TearDown() override {
        form.reset();
        ResetSeams();
        ResetNotifyIconSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kRecords);
    }
    void SetGroup(int group, const std::vector<TItemData>& items) {
        SaveShownGroup(group, {});
        TGroups groups = ReadAllGroups();
        groups[static_cast<std::size_t>(group)] = TGroup{"", items};
        SaveOtherGroups(-1, groups);
    }
    void Start() { form = std::make_unique<TForm1>(); }
    // Icon name = identifier, for the main icon and the items; each is checked against the shell.
    std::map<std::string, std::uint32_t> Ids() {
        std::map<std::string, std::uint32_t> ids{{"MainIcon", form->MainIcon->NotifyData().uID}};
        for (TIconItem* item : form->IconItems()) {
            EXPECT_EQ(item->NotifyData().uID, item->IconID()) << item->Name();
            EXPECT_TRUE(ShellKnows(item->WindowHandle(), item->IconID())) << item->Name();
            ids[item->Name()] = item->IconID();
        }
        std::set<std::uint32_t> distinct;
        for (const auto& [name, id] : ids)
            distinct.insert(id);
        EXPECT_EQ(distinct.size(), ids.size());
        return ids;
    }

    std::unique_ptr<TForm1> form;
    std::vector<std::string> boxes;
    std::vector<std::string> opened;
    int answer = IDOK;
};

} // namespace

TEST_F(TrayIdentityTest, IdsStayWithGroupAndNumberThroughSwitchReloadAndRestart) {
    SetGroup(0, {Item("a.exe"), Item("b.exe"), Item("c.exe")});
    SetGroup(1, {Item("d.exe"), Item("e.exe")});
    Start();
    const std::map<std::string, std::uint32_t> group0{
        {"MainIcon", 1}, {"IconItem1", 1001}, {"IconItem2", 1002}, {"IconItem3", 1003}};
    EXPECT_EQ(Ids(), group0);

    form->miGroupsClick(form->GroupMenuItems[1]);
    EXPECT_EQ(Ids(), (std::map<std::string, std::uint32_t>{
                         {"MainIcon", 1}, {"IconItem1", 2001}, {"IconItem2", 2002}}));
    form->miGroupsClick(form->GroupMenuItems[0]);
    EXPECT_EQ(Ids(), group0);

    form->miReloadIconsClick(nullptr);
    EXPECT_EQ(Ids(), group0);

    form.reset();
    Start();
    EXPECT_EQ(Ids(), group0);

    // A deleted item's identifier goes to the item that takes its number.
    form->pmItems->PopupComponent = form->IconItems()[1];
    form->miDelIconClick(nullptr);
    EXPECT_FALSE(ShellKnows(form->MainIcon->WindowHandle(), 1002));
    ASSERT_NE(form->AddItem(Item("f.exe")), nullptr);
    EXPECT_EQ(Ids(), group0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TrayIdentityTest, LateNotificationOfAReplacedIconReachesNoOne) {
    const HICON icon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    TIconTray keeper(nullptr); // keeps the shared window, and what is queued for it
    auto old = std::make_unique<TIconTray>(nullptr);
    ASSERT_TRUE(old->SetIconID(4242));
    old->SetIcon(icon);
    const HWND window = old->WindowHandle();
    // The shell reported a click on the old icon; before it is handled, the icon goes and another takes
    // its identifier, as when a group is shown again.
    ::PostMessageW(window, kTrayCallbackMessage, 4242, WM_LBUTTONUP);
    old.reset();
    TIconTray replacement(nullptr);
    ASSERT_TRUE(replacement.SetIconID(4242));
    replacement.SetIcon(icon);
    int clicks = 0;
    replacement.OnClick = [&](TComponent*) { ++clicks; };
    Pump();
    EXPECT_EQ(clicks, 0);
    ::PostMessageW(window, kTrayCallbackMessage, 4242, WM_LBUTTONUP);
    Pump();
    EXPECT_EQ(clicks, 1);

    // Identifiers that would collide are refused and change nothing.
    TIconTray other(nullptr);
    const std::uint32_t counted = other.IconID();
    EXPECT_GE(counted, kFirstCountedIconId);
    for (std::uint32_t id : {4242u, 0u, kFirstCountedIconId, counted + 1})
        EXPECT_FALSE(other.SetIconID(id)) << id;
    EXPECT_EQ(other.IconID(), counted);
    // A shown icon moves to its new identifier in the shell.
    other.SetIcon(icon);
    ASSERT_TRUE(other.SetIconID(4243));
    EXPECT_TRUE(ShellKnows(window, 4243));
    EXPECT_FALSE(ShellKnows(window, counted));
}

TEST_F(TrayIdentityTest, MenuCountsTheItemsWindowsKeepsInTheOverflow) {
    SetGroup(0, {Item("a.exe"), Item("b.exe"), Item("c.exe")});
    Start();
    const auto entryShown = [&] {
        form->pmMain->OnPopup(form->pmMain);
        return form->miHiddenIcons->Visible;
    };
    // No records: a system before Windows 11.
    EXPECT_FALSE(entryShown());

    // Windows may write the path in another case; another program's record for 1002 counts for nothing.
    std::string self = Application::ExeName();
    for (char& c : self)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    WriteRecord(L"100", self, 1001, 1);
    WriteRecord(L"101", self, 1002, 0);
    WriteRecord(L"102", self, 1003, std::nullopt);
    WriteRecord(L"103", "C:\\Program Files\\Other\\Other.exe", 1002, 1);
    EXPECT_TRUE(entryShown());
    EXPECT_EQ(form->miHiddenIcons->Caption, "隠れているアイコン: 2 個 - 表示方法(&H)...");

    // The item menu carries the main menu as its submenu: its opening reads the records too.
    WriteRecord(L"101", self, 1002, 1);
    form->pmItemsPopup(form->pmItems);
    EXPECT_EQ(form->miHiddenIcons->Caption, "隠れているアイコン: 1 個 - 表示方法(&H)...");

    answer = IDCANCEL;
    form->miHiddenIcons->Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("Lodestar: タスク バーに表示されていない Lodestar のアイコンが 1 個あります。"),
              std::string::npos);
    EXPECT_NE(boxes[0].find("設定 → 個人用設定 → タスク バー → その他のシステム トレイ アイコン"),
              std::string::npos);
    EXPECT_TRUE(opened.empty());
    answer = IDOK;
    form->miHiddenIcons->Click();
    EXPECT_EQ(opened, std::vector<std::string>{"ms-settings:taskbar"});
    EXPECT_TRUE(form->Active());

    WriteRecord(L"102", self, 1003, 1);
    EXPECT_FALSE(entryShown());
}

TEST(NotifyIconPaths, KnownFoldersAreWrittenOut) {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const struct {
        std::string path;
        std::string resolved;
    } cases[] = {
        {"{F38BF404-1D43-42F2-9305-67DE0B28FC23}\\notepad.exe", Narrow(windows) + "\\notepad.exe"},
        {"{f38bf404-1d43-42f2-9305-67de0b28fc23}\\Sub\\a.exe", Narrow(windows) + "\\Sub\\a.exe"},
        {"{00000000-0000-0000-0000-000000000000}\\a.exe", "{00000000-0000-0000-0000-000000000000}\\a.exe"},
        {"C:\\Tools\\Lodestar.exe", "C:\\Tools\\Lodestar.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveNotifyIconPath(c.path), c.resolved) << c.path;
}

TEST_F(TrayIdentityTest, TaskbarCreatedWhileTheIconsExistKeepsEachOnce) {
    SetGroup(0, {Item("a.exe"), Item("b.exe")});
    Start();
    const std::map<std::string, std::uint32_t> before = Ids();
    // Windows sends this also when only the display scale changed: the taskbar still holds every icon.
    ::SendMessageW(form->Handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_TRUE(form->MainIcon->Registered());
    for (TIconItem* item : form->IconItems())
        EXPECT_TRUE(item->Registered());
    EXPECT_EQ(Ids(), before);
    // Each identifier is held once: one removal takes it away.
    for (const auto& [name, id] : before) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = form->MainIcon->WindowHandle();
        data.uID = id;
        EXPECT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &data)) << name;
        EXPECT_FALSE(ShellKnows(data.hWnd, id)) << name;
    }
}

TEST_F(TrayIdentityTest, HotKeysLostInSleepOrLockComeBack) {
    constexpr std::uint16_t kCtrlAltK = 0xC04B;
    TItemData record = Item("a.exe");
    record.HotKey = kCtrlAltK;
    SetGroup(0, {record});
    Start();
    const HWND hotKeys = form->HkHotKey1->WindowHandle();
    const auto heldByUs = [&] {
        THookHotKey probe(nullptr);
        return !probe.AddHotKey(1, kCtrlAltK);
    };
    ASSERT_TRUE(heldByUs());
    const struct {
        UINT message;
        WPARAM event;
        bool restored;
    } cases[] = {
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, true}, {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, true},
        {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, true},  {WM_POWERBROADCAST, PBT_APMSUSPEND, false},
        {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, false},
    };
    for (const auto& c : cases) {
        // The system dropped the registration.
        ASSERT_TRUE(::UnregisterHotKey(hotKeys, 1));
        ::SendMessageW(form->Handle(), c.message, c.event, 0);
        EXPECT_EQ(heldByUs(), c.restored) << c.message << "/" << c.event;
        if (!c.restored) form->RestoreHotKeys();
    }
    // A registration that was not lost is not doubled: one removal frees the combination.
    ::SendMessageW(form->Handle(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(::UnregisterHotKey(hotKeys, 1));
    EXPECT_FALSE(heldByUs());
    form->RestoreHotKeys();
    EXPECT_TRUE(heldByUs());
}
