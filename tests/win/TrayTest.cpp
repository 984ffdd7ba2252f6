// Components, tray icons and hotkeys against the real shell of the Wine desktop.
#include "Application.h"
#include "HotKey.h"
#include "Hkhotkey.h"
#include "LegacyText.h"
#include "Seams.h"
#include "SysCtrls.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

// Records what a component went through, in order.
std::vector<std::string>* journal = nullptr;

class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
    ~TProbe() override {
        if (journal) journal->push_back("destroy " + Name());
    }
};

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        icon_ = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    }
    void TearDown() override { ResetSeams(); }
    HICON icon_ = nullptr;
};

std::string Tip(const TIconTray& tray) {
    return Narrow(tray.NotifyData().szTip);
}

} // namespace

TEST(Components, OwnersDestroyInReverseOrderAndFindByName) {
    std::vector<std::string> log;
    journal = &log;
    {
        TComponent owner(nullptr);
        auto* first = CreateComponent<TProbe>(&owner, "IconItem1");
        CreateComponent<TProbe>(&owner, "IconItem2");
        CreateComponent<TProbe>(first, "Child");
        EXPECT_EQ(owner.FindComponent("iconitem2"), owner.Components()[1]);
        EXPECT_EQ(owner.FindComponent("IconItem3"), nullptr);
        EXPECT_EQ(owner.FindComponent("Child"), nullptr); // only direct children
        delete owner.FindComponent("IconItem2");
        EXPECT_EQ(owner.Components().size(), 1u);
        CreateComponent<TProbe>(&owner, "IconItem3");
    }
    journal = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"destroy IconItem2", "destroy IconItem3", "destroy IconItem1",
                                             "destroy Child"}));
}

TEST_F(TrayTest, IconIdsCountUpAndAreNeverReused) {
    auto a = std::make_unique<TIconTray>(nullptr);
    auto b = std::make_unique<TIconTray>(nullptr);
    EXPECT_EQ(b->IconID(), a->IconID() + 1);
    const std::uint32_t last = b->IconID();
    a.reset();
    b.reset();
    TIconTray c(nullptr);
    EXPECT_EQ(c.IconID(), last + 1);
}

TEST_F(TrayTest, IconIsAddedModifiedAndRemoved) {
    TIconTray tray(nullptr);
    EXPECT_FALSE(tray.Registered());
    tray.SetHint("メモ帳"); // no icon yet: nothing reaches the shell
    EXPECT_FALSE(tray.Registered());
    tray.SetIcon(icon_);
    EXPECT_TRUE(tray.Registered());
    EXPECT_EQ(Tip(tray), "メモ帳");
    EXPECT_EQ(tray.NotifyData().uID, tray.IconID());
    EXPECT_EQ(tray.NotifyData().uCallbackMessage, 0x0400u);
    EXPECT_EQ(tray.NotifyData().uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    tray.SetHint("電卓");
    EXPECT_TRUE(tray.Registered());
    EXPECT_EQ(Tip(tray), "電卓");
    tray.SetIcon(nullptr);
    EXPECT_FALSE(tray.Registered());
    tray.SetIcon(icon_);
    EXPECT_TRUE(tray.Registered());
}

TEST_F(TrayTest, TipShowsAtMost63LegacyBytes) {
    struct Case {
        std::string hint;
        bool showHint;
        std::string tip;
    } cases[] = {
        {std::string(70, 'x'), true, std::string(63, 'x')},
        // 42 ASCII bytes leave 21 for two-byte characters: the eleventh would be split, so ten remain.
        {"a" + std::string(41, 'y') + "表示表示表示表示表示表示", true,
         "a" + std::string(41, 'y') + "表示表示表示表示表示"},
        {"メモ帳", false, ""},
    };
    for (const Case& c : cases) {
        TIconTray tray(nullptr);
        tray.SetShowHint(c.showHint);
        tray.SetHint(c.hint);
        tray.SetIcon(icon_);
        EXPECT_EQ(Tip(tray), c.tip) << c.hint;
        EXPECT_LE(LegacyLength(Tip(tray)), 63u);
        // The name itself is kept whole.
        EXPECT_EQ(tray.Hint(), c.hint);
    }
}

TEST_F(TrayTest, FailedModifyRaisesAndKeepsTheState) {
    TIconTray tray(nullptr);
    tray.SetIcon(icon_);
    // The shell forgets the icon behind the component's back.
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = tray.WindowHandle();
    data.uID = tray.IconID();
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &data));
    try {
        tray.SetHint("changed");
        FAIL() << "no error";
    } catch (const EIconTrayError& e) {
        EXPECT_STREQ(e.what(), "Registration Error");
    }
    EXPECT_TRUE(tray.Registered());
}

TEST_F(TrayTest, NotificationsBecomeEvents) {
    TIconTray tray(nullptr);
    std::vector<std::string> events;
    auto button = [](TMouseButton b) {
        return b == TMouseButton::mbLeft ? "L" : b == TMouseButton::mbRight ? "R" : "M";
    };
    tray.OnClick = [&](TComponent*) { events.push_back("click"); };
    tray.OnDblClick = [&](TComponent*) { events.push_back("dblclick"); };
    tray.OnMouseDown = [&](TComponent*, TMouseButton b, TShiftState s, int, int) {
        events.push_back(std::string("down ") + button(b) + ((s & ssDouble) ? " double" : "") +
                         ((s & ssShift) ? " shift" : ""));
    };
    tray.OnMouseUp = [&](TComponent*, TMouseButton b, TShiftState, int, int) {
        events.push_back(std::string("up ") + button(b));
    };
    tray.OnMouseMove = [&](TComponent*, TShiftState, int, int) { events.push_back("move"); };
    bool shiftHeld = false;
    Seams().KeyDown = [&](int vk) { return vk == VK_SHIFT && shiftHeld; };

    struct Case {
        std::vector<UINT> notifications;
        std::vector<std::string> events;
    } cases[] = {
        {{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         {"down L", "click", "up L", "dblclick", "down L double", "click", "up L"}},
        {{WM_RBUTTONDOWN, WM_RBUTTONUP}, {"down R", "up R"}}, // no menu assigned: nothing else
        {{WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK},
         {"down R double", "down M", "up M", "down M double"}},
        {{WM_MOUSEMOVE}, {"move"}},
        {{WM_CONTEXTMENU, NIN_SELECT, NIN_KEYSELECT, WM_USER + 5, 0}, {}},
    };
    for (const Case& c : cases) {
        events.clear();
        for (UINT n : c.notifications)
            ::SendMessageW(tray.WindowHandle(), kTrayCallbackMessage, tray.IconID(), n);
        EXPECT_EQ(events, c.events);
    }
    shiftHeld = true;
    events.clear();
    ::SendMessageW(tray.WindowHandle(), kTrayCallbackMessage, tray.IconID(), WM_LBUTTONDOWN);
    EXPECT_EQ(events, std::vector<std::string>{"down L shift"});
}

TEST_F(TrayTest, FreedMenuIsForgotten) {
    TComponent form(nullptr);
    auto* tray = CreateComponent<TIconTray>(&form);
    auto* menu = CreateComponent<TPopupMenu>(&form);
    tray->SetRBtnPopupMenu(menu);
    tray->SetLBtnPopupMenu(menu);
    delete menu;
    EXPECT_EQ(tray->RBtnPopupMenu(), nullptr);
    EXPECT_EQ(tray->LBtnPopupMenu(), nullptr);
    // A right click now shows nothing and does not touch freed memory.
    ::SendMessageW(tray->WindowHandle(), kTrayCallbackMessage, tray->IconID(), WM_RBUTTONUP);
}

TEST(HotKeys, ShortcutWordsMapToSystemCombinations) {
    struct Case {
        std::uint16_t shortcut;
        UINT modifiers;
        UINT key;
    } cases[] = {
        {0x4041, MOD_CONTROL, 0x41},
        {0xA070, MOD_ALT | MOD_SHIFT, VK_F1},
        {0xE04B, MOD_ALT | MOD_CONTROL | MOD_SHIFT, 'K'},
        {0x0070, 0, VK_F1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotKeyModifiers(c.shortcut), c.modifiers) << std::hex << c.shortcut;
        EXPECT_EQ(HotKeyVirtualKey(c.shortcut), c.key) << std::hex << c.shortcut;
    }
}

TEST(HotKeys, RegisteredCombinationIsHeldAndReleased) {
    THookHotKey hotKeys(nullptr);
    // Another window trying the same combination shows whether it is held.
    THookHotKey other(nullptr);
    ASSERT_TRUE(hotKeys.AddHotKey(7, 0x4041));
    EXPECT_FALSE(other.AddHotKey(1, 0x4041));
    EXPECT_TRUE(hotKeys.RemoveHotKey(7));
    EXPECT_FALSE(hotKeys.RemoveHotKey(7));
    EXPECT_TRUE(other.AddHotKey(1, 0x4041));
    EXPECT_TRUE(other.RemoveHotKey(1));
}

TEST(HotKeys, HotKeyMessageRaisesTheEventWithItsId) {
    THookHotKey hotKeys(nullptr);
    std::vector<int> ids;
    ::SendMessageW(hotKeys.WindowHandle(), WM_HOTKEY, 3, 0); // no handler: nothing happens
    hotKeys.OnHotKey = [&](TComponent*, int id) { ids.push_back(id); };
    ::SendMessageW(hotKeys.WindowHandle(), WM_HOTKEY, 12, 0);
    ::SendMessageW(hotKeys.WindowHandle(), WM_HOTKEY, 200, 0);
    EXPECT_EQ(ids, (std::vector<int>{12, 200}));
}

TEST(Application, ExceptionInAHandlerReachesTheErrorBox) {
    std::vector<std::string> boxes;
    Seams().MessageBox = [&](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
        EXPECT_EQ(owner, Application::Handle());
        boxes.push_back(caption + ": " + text + ((flags & MB_ICONERROR) ? " (error)" : ""));
        return IDOK;
    };
    THookHotKey hotKeys(nullptr);
    hotKeys.OnHotKey = [](TComponent*, int) { throw EProgramError("ホットキーの処理に失敗しました"); };
    ::SendMessageW(hotKeys.WindowHandle(), WM_HOTKEY, 1, 0);
    ResetSeams();
    EXPECT_EQ(boxes, std::vector<std::string>{"Lodestar: ホットキーの処理に失敗しました (error)"});
    wchar_t title[32] = {};
    ::GetWindowTextW(Application::Handle(), title, 32);
    EXPECT_STREQ(title, L"Lodestar");
}
