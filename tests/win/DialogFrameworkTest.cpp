// The dialog framework as a user meets it: a resizable dialog with three pages (a list, value controls,
// a page that may refuse to be left), shown for real from a test template and driven from a second
// thread with clicks, typed keys and the controls' own messages.
#include "Controls.h"
#include "ControlsListView.h"
#include "Dialog.h"
#include "Errors.h"
#include "Help.h"
#include "HotKey.h"
#include "Seams.h"

#include "DialogDriver.h"
#include "test_resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;

const std::string kCaption = "枠組みの試験";
constexpr int kListPage = 0;
constexpr int kValuePage = 1;
constexpr int kStayPage = 2;
// Help contexts the dialog gives out.
constexpr int kEditHelp = 34;
constexpr int kListHelp = 43;
constexpr int kDialogHelp = 9;

// The dialog under test: its handlers record what reached them; a scenario adds its own.
class TFrameworkDialog final : public TDialog {
public:
    TFrameworkDialog()
        : TDialog(IDD_FW_MAIN), listPage(IDD_FW_LISTPAGE, this), valuePage(IDD_FW_VALUEPAGE, this),
          stayPage(IDD_FW_STAYPAGE, this), pages(*this, IDC_FW_TABS) {
        pages.AddPage(listPage, "一覧");
        pages.AddPage(valuePage, "値");
        pages.AddPage(stayPage, "留まる");
        pages.OnChanging = [this](int from) { return !(from == kStayPage && stayPage.Checked(IDC_FW_STAY)); };
        pages.OnChange = [this](int to) { shownPages.push_back(to); };
        OnCaptionEdited(listPage, IDC_FW_LIST, [this](int row, const std::string& text) {
            edits.push_back(std::to_string(row) + ":" + text);
            if (text == "使用中")
                throw EProgramError("そのグループ名はすでに使用されています. 他の名前を使ってください");
            return text != "拒否";
        });
        valuePage.OnScroll(IDC_FW_TRACK, [this](int request) { trackRequests.push_back(request); });
        OnDrawItem(IDC_FW_DRAWN, [this](const DRAWITEMSTRUCT& item) {
            ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_HIGHLIGHT));
            ++draws;
        });
        OnKeyPreview([this](const MSG& m) {
            if (m.message == WM_KEYDOWN) previewed.push_back(static_cast<UINT>(m.wParam));
            if (m.message == WM_CHAR && m.wParam == L'x') return true;
            if (m.message == WM_KEYDOWN && m.wParam == VK_RETURN &&
                TListView(listPage.Item(IDC_FW_LIST)).Editing())
                return false;
            if (m.message == WM_KEYDOWN && m.wParam == VK_RETURN) {
                EndDialog(77);
                return true;
            }
            return false;
        });
        SetMinTrackSize({400, 300});
        SetHelpContext(IDC_FW_EDIT, kEditHelp);
        listPage.SetHelpContext(IDC_FW_LIST, kListHelp);
        SetDialogHelpContext(kDialogHelp);
        BindHelpMenu({IDC_FW_LABEL, IDC_FW_EDIT, IDOK});
        NameControl(IDC_FW_EDIT, "editTip");
    }

    std::function<void(TFrameworkDialog&)> Init;
    TDialogPage listPage;
    TDialogPage valuePage;
    TDialogPage stayPage;
    TPageControl pages;
    std::vector<int> shownPages;
    std::vector<std::string> edits;
    std::vector<int> trackRequests;
    std::vector<UINT> previewed;
    int draws = 0;

private:
    void OnInit() override {
        pages.Open(kListPage);
        TListView list(listPage.Item(IDC_FW_LIST));
        list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
        list.AddColumn("名前", 120);
        list.AddColumn("値", 60, LVCFMT_RIGHT);
        for (const char* name : {"メモ帳", "電卓", "ペイント", "ワードパッド"}) {
            const int row = list.AddRow(name, reinterpret_cast<LPARAM>(name));
            list.SetText(row, 1, std::to_string(row * 10));
        }
        TTrackBar track(valuePage.Item(IDC_FW_TRACK));
        track.SetRange(3, 12);
        track.SetPageSize(1);
        track.SetTickFrequency(3);
        track.SetPosition(5);
        TUpDown spin(valuePage.Item(IDC_FW_SPIN));
        spin.SetRange(0, 99);
        spin.SetPosition(5);
        valuePage.SetTextLimit(IDC_FW_SPINEDIT, 2);
        TComboBox combo(valuePage.Item(IDC_FW_COMBO));
        for (const char* size : {"通常のウィンドウ", "最小化", "最大化"})
            combo.Add(size);
        combo.SetItemIndex(0);
        THotKeyControl(valuePage.Item(IDC_FW_HOTKEY)).SetRequireModifiers(true);
        if (Init) Init(*this);
    }
};

// Input as the keyboard and the mouse deliver it, through the dialog's message loop.
void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 0) {
    ::PostMessageW(window, message, wParam, lParam);
}

void Key(HWND window, UINT key, bool system = false) {
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    Post(window, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | scan | (system ? 1 << 29 : 0));
    Post(window, system ? WM_SYSKEYUP : WM_KEYUP, key, 1 | scan | (3LL << 30) | (system ? 1 << 29 : 0));
}

void ClickAt(HWND window, POINT client, WPARAM keys = 0) {
    Post(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(client.x, client.y));
    Post(window, WM_LBUTTONUP, keys, MAKELPARAM(client.x, client.y));
}

void ClickTab(HWND dialog, int index) {
    const HWND tabs = Control(dialog, IDC_FW_TABS);
    RECT rect{};
    ::SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    ClickAt(tabs, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    ::Sleep(150);
}

// Waits until the dialog's thread has handled everything posted so far.
void Settle(HWND dialog) {
    ::Sleep(100);
    ::SendMessageW(dialog, WM_NULL, 0, 0);
}

// The visible page's control, found through the dialog's pages.
HWND PageControl(HWND dialog, int id) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (const HWND control = ::GetDlgItem(child, id)) return control;
    return nullptr;
}

POINT RowCentre(HWND list, int row) {
    const RECT rect = TListView(list).RowRect(row, LVIR_LABEL);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void EditCaption(HWND list, int row, const std::string& text, UINT endKey) {
    const auto edit = reinterpret_cast<HWND>(::SendMessageW(list, LVM_EDITLABELW, row, 0));
    ASSERT_NE(edit, nullptr);
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    Key(edit, endKey);
    Settle(::GetParent(list));
}

class DialogFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        ResetHelpSeam();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        HelpSeam().ContextPopup = [this](HWND, int context) { popups.push_back(context); };
        HelpSeam().Topic = [this](HWND, int context) { topics.push_back(context); };
    }
    void TearDown() override {
        ResetSeams();
        ResetHelpSeam();
    }
    std::vector<std::string> boxes;
    std::vector<int> popups;
    std::vector<int> topics;
};

TEST_F(DialogFrameworkTest, UserScenarios) {
    const struct {
        const char* Name;
        std::function<void(HWND dialog, TFrameworkDialog& form)> Script;
        std::function<void(TFrameworkDialog& form, INT_PTR result, const std::vector<int>& popups)> Check;
    } scenarios[] = {
        {"a caption edit is accepted, a refused one keeps the old caption, a cancelled one reaches nobody",
         [](HWND d, TFrameworkDialog&) {
             const HWND list = PageControl(d, IDC_FW_LIST);
             EditCaption(list, 1, "計算機", VK_RETURN);
             EditCaption(list, 2, "拒否", VK_RETURN);
             EditCaption(list, 3, "取り消し", VK_ESCAPE);
             EditCaption(list, 0, "使用中", VK_RETURN);
             TListView view(list);
             EXPECT_EQ(view.Text(0), "メモ帳");
             EXPECT_EQ(view.Text(1), "計算機");
             EXPECT_EQ(view.Text(2), "ペイント");
             EXPECT_EQ(view.Text(3), "ワードパッド");
             EXPECT_EQ(view.Text(1, 1), "10");
             EXPECT_STREQ(reinterpret_cast<const char*>(view.Data(1)), "電卓");
             Click(d, IDCANCEL);
         },
         [](TFrameworkDialog& f, INT_PTR result, const std::vector<int>&) {
             EXPECT_EQ(f.edits, (std::vector<std::string>{"1:計算機", "2:拒否", "0:使用中"}));
             EXPECT_EQ(result, IDCANCEL);
             EXPECT_GT(f.draws, 0); // the owner-drawn button was painted by its handler
         }},
        {"the clicked tab shows its page; a page that refuses to be left stays",
         [](HWND d, TFrameworkDialog&) {
             ClickTab(d, kValuePage);
             EXPECT_TRUE(::IsWindowVisible(PageControl(d, IDC_FW_TRACK)));
             EXPECT_FALSE(::IsWindowVisible(PageControl(d, IDC_FW_LIST)));
             ClickTab(d, kStayPage);
             Click(::GetParent(PageControl(d, IDC_FW_STAY)), IDC_FW_STAY);
             ClickTab(d, kListPage);
             EXPECT_TRUE(::IsWindowVisible(PageControl(d, IDC_FW_STAY)));
             EXPECT_FALSE(::IsWindowVisible(PageControl(d, IDC_FW_LIST)));
             EXPECT_EQ(::SendMessageW(Control(d, IDC_FW_TABS), TCM_GETCURSEL, 0, 0), kStayPage);
             Click(::GetParent(PageControl(d, IDC_FW_STAY)), IDC_FW_STAY);
             ClickTab(d, kListPage);
             EXPECT_TRUE(::IsWindowVisible(PageControl(d, IDC_FW_LIST)));
             Click(d, IDCANCEL);
         },
         [](TFrameworkDialog& f, INT_PTR, const std::vector<int>&) {
             EXPECT_EQ(f.shownPages, (std::vector<int>{kValuePage, kStayPage, kListPage}));
             EXPECT_EQ(f.pages.ActivePage(), kListPage);
         }},
        {"keys reach the dialog before the focused edit",
         [](HWND d, TFrameworkDialog&) {
             PressKey(d, IDC_FW_EDIT, VK_F5);
             for (const wchar_t ch : {L'x', L'y', L'x'})
                 Post(Control(d, IDC_FW_EDIT), WM_CHAR, ch, 1);
             Settle(d);
             EXPECT_EQ(TextOf(Control(d, IDC_FW_EDIT)), "y");
             Key(Control(d, IDC_FW_EDIT), VK_RETURN);
         },
         [](TFrameworkDialog& f, INT_PTR result, const std::vector<int>&) {
             EXPECT_EQ(result, 77); // the preview took Enter before the default button
             EXPECT_EQ(f.previewed, (std::vector<UINT>{VK_F5, VK_RETURN}));
         }},
        {"track bar, spin edit, hotkey and combo box values come from the user's input",
         [](HWND d, TFrameworkDialog&) {
             ClickTab(d, kValuePage);
             const HWND track = PageControl(d, IDC_FW_TRACK);
             Key(track, VK_RIGHT);
             Key(track, VK_END);
             Key(track, VK_LEFT);
             Settle(d);
             EXPECT_EQ(TTrackBar(track).Position(), 11);
             const HWND spinEdit = PageControl(d, IDC_FW_SPINEDIT);
             const TUpDown spin(PageControl(d, IDC_FW_SPIN));
             EXPECT_EQ(spin.Buddy(), spinEdit);
             Key(spinEdit, VK_UP);
             Settle(d);
             EXPECT_EQ(spin.Position(), 6);
             EXPECT_EQ(TextOf(spinEdit), "6");
             ::SendMessageW(spinEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
             Type(::GetParent(spinEdit), IDC_FW_SPINEDIT, "4a27");
             EXPECT_EQ(TextOf(spinEdit), "42"); // digits only, two at most
             EXPECT_EQ(spin.Position(), 42);
             const THotKeyControl hotKey(PageControl(d, IDC_FW_HOTKEY));
             const struct {
                 std::vector<UINT> Keys;
                 bool System;
                 std::uint16_t Expected;
             } typed[] = {
                 {{VK_MENU, 'K'}, true, kShortcutCtrl | kShortcutAlt | 'K'},
                 {{'K'}, false, kShortcutCtrl | kShortcutAlt | 'K'},
                 {{VK_SHIFT, VK_CONTROL, VK_F7}, false, kShortcutShift | kShortcutCtrl | VK_F7},
             };
             for (const auto& t : typed) {
                 // Modifiers go down first and come up last, as the fingers do.
                 const auto scan = [](UINT key) {
                     return static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
                 };
                 const UINT down = t.System ? WM_SYSKEYDOWN : WM_KEYDOWN;
                 const UINT up = t.System ? WM_SYSKEYUP : WM_KEYUP;
                 const LPARAM alt = t.System ? 1 << 29 : 0;
                 for (const UINT key : t.Keys)
                     ::SendMessageW(hotKey.Handle(), down, key, 1 | scan(key) | alt);
                 for (auto key = t.Keys.rbegin(); key != t.Keys.rend(); ++key)
                     ::SendMessageW(hotKey.Handle(), up, *key, 1 | scan(*key) | alt | (3LL << 30));
                 EXPECT_EQ(hotKey.Value(), t.Expected) << std::hex << t.Expected;
                 // The control shows what it gives.
                 EXPECT_EQ(::SendMessageW(hotKey.Handle(), HKM_GETHOTKEY, 0, 0) & 0xFFFF,
                           HotKeyControlFromShortcut(t.Expected))
                     << std::hex << t.Expected;
             }
             const TComboBox combo(PageControl(d, IDC_FW_COMBO));
             Key(combo.Handle(), VK_DOWN);
             Settle(d);
             EXPECT_EQ(combo.ItemIndex(), 1);
             EXPECT_EQ(combo.Text(), "最小化");
             Click(d, IDCANCEL);
         },
         [](TFrameworkDialog& f, INT_PTR, const std::vector<int>&) {
             EXPECT_EQ(f.trackRequests, (std::vector<int>{TB_LINEDOWN, TB_ENDTRACK, TB_BOTTOM, TB_ENDTRACK,
                                                          TB_LINEUP, TB_ENDTRACK}));
         }},
        {"rows are selected with Ctrl+click and found under the mouse",
         [](HWND d, TFrameworkDialog&) {
             const HWND list = PageControl(d, IDC_FW_LIST);
             TListView view(list);
             ClickAt(list, RowCentre(list, 0));
             ClickAt(list, RowCentre(list, 2), MK_CONTROL);
             Settle(d);
             EXPECT_EQ(view.SelectedRows(), (std::vector<int>{0, 2}));
             EXPECT_EQ(view.FocusedRow(), 2);
             EXPECT_EQ(view.HitTest(RowCentre(list, 3)).Row, 3);
             EXPECT_TRUE(view.HitTest(RowCentre(list, 3)).Flags & LVHT_ONITEM);
             const RECT last = view.RowRect(3);
             EXPECT_EQ(view.HitTest({last.left + 5, last.bottom + 30}).Row, -1);
             EXPECT_EQ(view.FindData(view.Data(2)), 2);
             view.SetDropHighlighted(1);
             view.SetDropHighlighted(3);
             EXPECT_EQ(view.DropHighlighted(), 3);
             EXPECT_EQ(view.SelectedRows(), (std::vector<int>{0, 2})); // the selection stays
             view.SetDropHighlighted(-1);
             EXPECT_EQ(view.DropHighlighted(), -1);
             Click(d, IDCANCEL);
         },
         nullptr},
        {"the dialog cannot be made smaller than its minimum",
         [](HWND d, TFrameworkDialog&) {
             MINMAXINFO info{};
             ::SendMessageW(d, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
             EXPECT_EQ(info.ptMinTrackSize.x, 400);
             EXPECT_EQ(info.ptMinTrackSize.y, 300);
             // The system reads that answer while the user drags the frame; it holds a program's resizing
             // to it as well.
             ::SetWindowPos(d, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
             RECT rect{};
             ::GetWindowRect(d, &rect);
             EXPECT_GE(rect.right - rect.left, 400);
             EXPECT_GE(rect.bottom - rect.top, 300);
             Click(d, IDCANCEL);
         },
         nullptr},
        {"F1 and the label's context menu show the help context of the control, else of the dialog",
         [](HWND d, TFrameworkDialog&) {
             // F1 as the keyboard sends it: the system turns it into WM_HELP for the focused control.
             ::SendMessageW(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(d, IDC_FW_EDIT)), TRUE);
             INPUT keys[2] = {};
             for (INPUT& key : keys) {
                 key.type = INPUT_KEYBOARD;
                 key.ki.wVk = VK_F1;
             }
             keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
             ::SendInput(2, keys, sizeof(INPUT));
             Settle(d);
             const HWND list = PageControl(d, IDC_FW_LIST);
             HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_FW_LIST, list, 0, {0, 0}};
             ::SendMessageW(::GetParent(list), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
             info = HELPINFO{sizeof info, HELPINFO_WINDOW, IDOK, Control(d, IDOK), 0, {0, 0}};
             ::SendMessageW(d, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
             // A right click on the label and on the OK button, each answered with the menu's one entry.
             // A label takes no mouse input: the click reaches the dialog.
             RECT label{};
             ::GetWindowRect(Control(d, IDC_FW_LABEL), &label);
             const struct {
                 HWND Target;
                 POINT Screen;
             } clicks[] = {{d, {label.left + 3, label.top + 3}}, {Control(d, IDOK), {-1, -1}}};
             for (const auto& click : clicks) {
                 Post(d, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(click.Target),
                      MAKELPARAM(click.Screen.x, click.Screen.y));
                 HWND menu = nullptr;
                 for (int i = 0; i < 200 && !menu; ++i, ::Sleep(10))
                     menu = ::FindWindowW(L"#32768", nullptr);
                 ASSERT_NE(menu, nullptr);
                 Key(menu, VK_DOWN);
                 Key(menu, VK_RETURN);
                 Settle(d);
             }
             Click(d, IDCANCEL);
         },
         [](TFrameworkDialog&, INT_PTR, const std::vector<int>& popups) {
             // OK has no context of its own: F1 falls back to the dialog's, its menu entry shows nothing.
             EXPECT_EQ(popups, (std::vector<int>{kEditHelp, kListHelp, kDialogHelp, kEditHelp}));
         }},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.Name);
        popups.clear();
        TFrameworkDialog form;
        TDialogDriver driver(kCaption, [&](HWND d) { s.Script(d, form); });
        const INT_PTR result = form.ShowModal(nullptr);
        driver.Join();
        EXPECT_TRUE(driver.Found());
        if (s.Check) s.Check(form, result, popups);
    }
    // Only the refused caption's error was shown.
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"そのグループ名はすでに使用されています. 他の名前を使ってください"}));
    EXPECT_TRUE(topics.empty());
}

TEST_F(DialogFrameworkTest, ControlsAreFoundByNameAndHintsKeepTheirText) {
    TFrameworkDialog form;
    form.Init = [](TFrameworkDialog& f) {
        EXPECT_EQ(f.FindControl("EDITTIP"), ::GetDlgItem(f.Handle(), IDC_FW_EDIT));
        EXPECT_EQ(f.FindControl("editCmd"), nullptr);
        EXPECT_NE(dynamic_cast<TDialogControl*>(f.FindComponent("editTip")), nullptr);
        THints hints(f.Handle());
        const HWND edit = ::GetDlgItem(f.Handle(), IDC_FW_EDIT);
        hints.Set(edit, "C:\\Program Files\\メモ帳.exe");
        EXPECT_EQ(hints.Text(edit), "C:\\Program Files\\メモ帳.exe");
        hints.Set(edit, "(標準)");
        EXPECT_EQ(hints.Text(edit), "(標準)");
        THotKeyControl hotKey(f.valuePage.Item(IDC_FW_HOTKEY));
        for (const std::uint16_t word :
             {std::uint16_t{0}, std::uint16_t(kShortcutShift | kShortcutCtrl | VK_HOME),
              std::uint16_t(kShortcutCtrl | kShortcutAlt | kShortcutShift | 'Z')}) {
            hotKey.SetValue(word);
            EXPECT_EQ(hotKey.Value(), word);
        }
    };
    TDialogDriver driver(kCaption, [](HWND d) { Click(d, IDOK); });
    EXPECT_EQ(form.ShowModal(nullptr), IDOK);
    driver.Join();
    EXPECT_TRUE(driver.Found());
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace lodestar
