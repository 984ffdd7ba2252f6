// Docking toolbars in a real host dialog: dragged with the mouse (the messages the system sends to the grip
// and to the window that holds the capture), saved and loaded under the "Window" key, damaged records,
// locked docks, docks a toolbar may not use, buttons clicked and released with the right button.
#include "Toolbar97.h"

#include "Dialog.h"
#include "DialogDriver.h"
#include "Errors.h"
#include "Handles.h"
#include "LsReg.h"
#include "ToolbarPlacement.h"
#include "WinText.h"
#include "toolbar_test_resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;
using enum TDockPosition;

const wchar_t* const kWindowKeyPath = L"Software\\Marlowe\\Lodestar\\Window";

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring RecordPath(const char* toolbar) {
    return std::wstring(kWindowKeyPath) + L"\\" + Widen(toolbar);
}

void DeleteRecords() {
    for (const char* name : {"tb97MainIcon", "tb97IconItems"}) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, RecordPath(name).c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, RecordPath(name).c_str());
    }
}

// Eight glyphs of 16×16, each its own colour and shape, on a magenta background that is not drawn.
class TGlyphs {
public:
    TGlyphs() : list_(::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 8, 0)) {
        const HDC screen = ::GetDC(nullptr);
        UniqueMemoryDC dc(::CreateCompatibleDC(screen));
        UniqueBitmap strip(::CreateCompatibleBitmap(screen, 128, 16));
        ::ReleaseDC(nullptr, screen);
        const HGDIOBJ old = ::SelectObject(dc.Get(), strip.Get());
        const RECT all{0, 0, 128, 16};
        UniqueBrush magenta(::CreateSolidBrush(RGB(255, 0, 255)));
        ::FillRect(dc.Get(), &all, magenta.Get());
        const COLORREF colours[] = {RGB(0, 120, 215),  RGB(200, 40, 40), RGB(40, 160, 40), RGB(230, 160, 0),
                                    RGB(120, 40, 160), RGB(0, 150, 150), RGB(90, 90, 90),  RGB(160, 90, 30)};
        for (int i = 0; i < 8; ++i) {
            UniqueBrush brush(::CreateSolidBrush(colours[i]));
            const HGDIOBJ oldBrush = ::SelectObject(dc.Get(), brush.Get());
            if (i % 2)
                ::Ellipse(dc.Get(), i * 16 + 2, 2, i * 16 + 14, 14);
            else
                ::Rectangle(dc.Get(), i * 16 + 2, 2, i * 16 + 14, 14);
            ::SelectObject(dc.Get(), oldBrush);
        }
        ::SelectObject(dc.Get(), old);
        ::ImageList_AddMasked(list_, strip.Get(), RGB(255, 0, 255));
    }
    ~TGlyphs() { ::ImageList_Destroy(list_); }
    HIMAGELIST Get() const { return list_; }

private:
    HIMAGELIST list_;
};

struct TCommand {
    int Id;
    int Code;
    friend bool operator==(const TCommand&, const TCommand&) = default;
};
std::vector<TCommand> gCommands; // what reached the modeless host, in order

INT_PTR CALLBACK HostProcedure(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        gCommands.push_back({LOWORD(wParam), HIWORD(wParam)});
        return TRUE;
    }
    return FALSE;
}

// The options dialog's first page in small: a list framed by four docks, the main icon's toolbar with its
// check box (top and bottom only) and the item commands' toolbar.
void AddItemButtons(TToolbar97& toolbar) {
    toolbar.AddButton(IDC_TBHOST_BTNNEW, 0, "アイコン項目の新規作成", 45);
    toolbar.AddSeparator();
    toolbar.AddButton(IDC_TBHOST_BTNCUT, 1, "切り取り", 58);
    toolbar.AddButton(IDC_TBHOST_BTNCOPY, 2, "コピー", 58);
    toolbar.AddButton(IDC_TBHOST_BTNPASTE, 3, "貼り付け", 58);
    toolbar.AddButton(IDC_TBHOST_BTNDEL, 4, "削除", 46);
    toolbar.AddSeparator();
    toolbar.AddButton(IDC_TBHOST_BTNUP, 5, "前へ移動", 15);
    toolbar.AddButton(IDC_TBHOST_BTNDOWN, 6, "後ろへ移動", 2);
    toolbar.AddSeparator();
    toolbar.AddButton(IDC_TBHOST_BTNEDIT, 7, "アイコン項目のプロパティ", 44);
}

struct TToolbars {
    std::unique_ptr<TDockSite> Site;
    TToolbar97* MainIcon = nullptr;
    TToolbar97* IconItems = nullptr;
    HWND CheckBox = nullptr;
    int Resizes = 0;

    void Build(HWND host, HIMAGELIST glyphs) {
        const HWND list = ::GetDlgItem(host, IDC_TBHOST_LIST);
        RECT area{};
        ::GetWindowRect(list, &area);
        ::MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&area), 2);
        Site = std::make_unique<TDockSite>(nullptr, host, area);
        Site->OnResize = [this, list](TDockSite& site) {
            const RECT r = site.ClientRect();
            ::MoveWindow(list, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
            ++Resizes;
        };
        MainIcon = &Site->AddToolbar("tb97MainIcon", "メインアイコン", dpTop);
        MainIcon->SetDockableTo({dpTop, dpBottom});
        CheckBox = MainIcon->AddControl(WC_BUTTONW, IDC_TBHOST_CBSHOWMAINICO, "メインアイコンを表示(&M)",
                                        BS_AUTOCHECKBOX | WS_TABSTOP);
        IconItems = &Site->AddToolbar("tb97IconItems", "アイコン項目編集", dpTop, 0, 220);
        IconItems->SetImages(glyphs);
        AddItemButtons(*IconItems);
    }
};

class THost {
public:
    THost() {
        dialog_ = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TBHOST), nullptr,
                                       &HostProcedure, 0);
        EXPECT_NE(dialog_, nullptr);
        ::SetWindowPos(dialog_, nullptr, 120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::ShowWindow(dialog_, SW_SHOWNORMAL);
        bars_.Build(dialog_, glyphs_.Get());
        Pump();
    }
    ~THost() {
        bars_.Site.reset();
        if (::IsWindow(dialog_)) ::DestroyWindow(dialog_);
        Pump();
    }
    THost(const THost&) = delete;
    THost& operator=(const THost&) = delete;

    HWND Dialog() const { return dialog_; }
    TDockSite& Site() const { return *bars_.Site; }
    TToolbar97& MainIcon() const { return *bars_.MainIcon; }
    TToolbar97& IconItems() const { return *bars_.IconItems; }
    HWND CheckBox() const { return bars_.CheckBox; }
    HWND List() const { return ::GetDlgItem(dialog_, IDC_TBHOST_LIST); }

    // The framed area on the screen.
    RECT Area() const {
        RECT r = Site().Bounds();
        ::MapWindowPoints(dialog_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    POINT Middle() const {
        const RECT r = Area();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

private:
    TGlyphs glyphs_;
    HWND dialog_ = nullptr;
    TToolbars bars_;
};

LPARAM ClientLParam(HWND window, POINT screen) {
    ::ScreenToClient(window, &screen);
    return MAKELPARAM(screen.x, screen.y);
}

// Press on the grip (the caption of a floating toolbar), move in steps, release: what the system delivers
// while the toolbar holds the capture.
void DragWithMouse(TToolbar97& toolbar, POINT target) {
    const POINT grip = toolbar.GripPoint();
    const HWND frame = toolbar.Handle();
    if (toolbar.Floating())
        ::SendMessageW(toolbar.FloatingWindow(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(grip.x, grip.y));
    else
        ::SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, ClientLParam(frame, grip));
    for (int step = 1; step <= 4; ++step) {
        const POINT p{grip.x + (target.x - grip.x) * step / 4, grip.y + (target.y - grip.y) * step / 4};
        ::SendMessageW(frame, WM_MOUSEMOVE, MK_LBUTTON, ClientLParam(frame, p));
    }
    ::SendMessageW(frame, WM_LBUTTONUP, 0, ClientLParam(frame, target));
    Pump();
}

RECT ScreenRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return ::EqualRect(&a, &b) != FALSE;
}

std::string Where(const TToolbar97& toolbar) {
    if (toolbar.Floating()) return "floating";
    switch (toolbar.DockedTo()->Position()) {
    case dpTop:
        return "top";
    case dpBottom:
        return "bottom";
    case dpLeft:
        return "left";
    case dpRight:
        return "right";
    }
    return "?";
}

class Toolbar97Test : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRecords();
        gCommands.clear();
    }
    void TearDown() override { DeleteRecords(); }
};

TEST(Toolbar97Layout, RowsAndPositions) {
    const struct {
        const char* Name;
        std::vector<TBarRequest> Bars;
        int Length;
        std::vector<TBarPlace> Places;
        int Thickness;
    } cases[] = {
        {"empty dock", {}, 300, {}, 0},
        {"rows lose their gaps", {{4, 10, 50, 20}, {9, 0, 50, 26}}, 300, {{0, 10, 0}, {1, 0, 20}}, 46},
        {"a row is as thick as its thickest bar",
         {{0, 0, 50, 20}, {0, 100, 50, 26}},
         300,
         {{0, 0, 0}, {0, 100, 0}},
         26},
        {"overlapping bars are pushed apart",
         {{0, 30, 100, 20}, {0, 0, 100, 20}},
         300,
         {{0, 100, 0}, {0, 0, 0}},
         20},
        {"a bar beyond the end comes back inside", {{0, 280, 100, 20}}, 300, {{0, 200, 0}}, 20},
        {"bars pushed back keep their order",
         {{0, 150, 100, 20}, {0, 190, 100, 20}},
         300,
         {{0, 100, 0}, {0, 200, 0}},
         20},
        {"bars longer than the dock start at its start", {{0, 40, 400, 20}}, 300, {{0, 0, 0}}, 20},
        {"a negative position is the start", {{0, -20, 50, 20}}, 300, {{0, 0, 0}}, 20},
        {"a row before all others", {{-1, 0, 50, 20}, {0, 0, 50, 20}}, 300, {{0, 0, 0}, {1, 0, 20}}, 40},
    };
    for (const auto& c : cases) {
        const TDockRows rows = LayoutDockRows(c.Bars, c.Length);
        ASSERT_EQ(rows.Bars.size(), c.Places.size()) << c.Name;
        for (std::size_t i = 0; i < c.Places.size(); ++i) {
            EXPECT_EQ(rows.Bars[i].Row, c.Places[i].Row) << c.Name << " bar " << i;
            EXPECT_EQ(rows.Bars[i].Pos, c.Places[i].Pos) << c.Name << " bar " << i;
            EXPECT_EQ(rows.Bars[i].Offset, c.Places[i].Offset) << c.Name << " bar " << i;
        }
        EXPECT_EQ(rows.Thickness, c.Thickness) << c.Name;
    }
}

TEST(Toolbar97Layout, RowADroppedBarJoins) {
    const TDockRows two = LayoutDockRows({{0, 0, 50, 20}, {1, 0, 50, 26}}, 300);
    const TDockRows none = LayoutDockRows({}, 300);
    const struct {
        const char* Name;
        const TDockRows& Rows;
        int Cross;
        bool InnerAfter;
        int Row;
    } cases[] = {
        {"first row", two, 5, true, 0},
        {"second row", two, 30, true, 1},
        {"past the rows of a top dock: a new last row", two, 50, true, 2},
        {"beyond a top dock's outer edge: the outermost row", two, -4, true, 0},
        {"before the rows of a bottom dock: a new first row", two, -4, false, -1},
        {"beyond a bottom dock's outer edge: the outermost row", two, 60, false, 1},
        {"an empty dock", none, 3, true, 0},
        {"an empty bottom dock", none, -10, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DropRow(c.Rows, c.Cross, c.InnerAfter), c.Row) << c.Name;
}

TEST_F(Toolbar97Test, DraggedWithTheMouseBetweenDocksAndOutOfThem) {
    THost host;
    TToolbar97& items = host.IconItems();
    TToolbar97& main = host.MainIcon();
    ASSERT_EQ(Where(items), "top");
    ASSERT_EQ(Where(main), "top");
    const int topThickness = host.Site().Dock(dpTop).Bounds().bottom - host.Site().Dock(dpTop).Bounds().top;
    EXPECT_GT(topThickness, 20);

    struct TStep {
        const char* Name;
        TToolbar97* Toolbar;
        std::function<POINT()> Target;
        std::string Where;
        bool Vertical;
        int Row;
    };
    const RECT a = host.Area();
    const POINT middle = host.Middle();
    const TStep steps[] = {
        {"items to the bottom dock", &items,
         [&] {
             return POINT{a.left + 40, a.bottom - 4};
         },
         "bottom", false, 0},
        {"items to the left dock", &items,
         [&] {
             return POINT{a.left + 3, middle.y};
         },
         "left", true, 0},
        {"items to the right dock", &items,
         [&] {
             return POINT{a.right - 3, middle.y};
         },
         "right", true, 0},
        {"items out of the docks", &items, [&] { return middle; }, "floating", false, 0},
        {"floating items moved below the host", &items,
         [&] {
             return POINT{300, 640};
         },
         "floating", false, 0},
        {"floating items back onto the top dock", &items,
         [&] {
             return POINT{a.left + 250, a.top + 4};
         },
         "top", false, 0},
        {"items into a second row of the top dock", &items,
         [&] {
             return POINT{a.left + 60, a.top + topThickness + 6};
         },
         "top", false, 1},
        {"main icon to the bottom dock", &main,
         [&] {
             return POINT{a.left + 30, a.bottom - 3};
         },
         "bottom", false, 0},
        {"main icon refused by the left dock: it floats", &main,
         [&] {
             return POINT{a.left + 3, middle.y};
         },
         "floating", false, 0},
        {"main icon back to the top dock", &main,
         [&] {
             return POINT{a.left + 30, a.top + 3};
         },
         "top", false, 0},
    };
    for (const TStep& step : steps) {
        TToolbar97& toolbar = *step.Toolbar;
        const POINT target = step.Target();
        const POINT grabbedAt = toolbar.GripPoint();
        const RECT before = ScreenRect(toolbar.Floating() ? toolbar.FloatingWindow() : toolbar.Handle());
        DragWithMouse(toolbar, target);
        ASSERT_EQ(Where(toolbar), step.Where) << step.Name;
        EXPECT_EQ(::GetCapture(), nullptr) << step.Name;
        const RECT frame = ScreenRect(toolbar.Handle());
        EXPECT_TRUE(::IsWindowVisible(toolbar.Handle())) << step.Name;
        if (toolbar.Floating()) {
            const HWND window = toolbar.FloatingWindow();
            ASSERT_NE(window, nullptr) << step.Name;
            EXPECT_EQ(::GetParent(toolbar.Handle()), window) << step.Name;
            EXPECT_TRUE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << step.Name;
            EXPECT_FALSE(::GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU)
                << step.Name << ": no close box";
            EXPECT_EQ(::GetWindow(window, GW_OWNER), host.Dialog()) << step.Name;
            EXPECT_EQ(TextOf(window), toolbar.Caption()) << step.Name;
            const RECT w = ScreenRect(window);
            EXPECT_EQ(toolbar.FloatPosition().x, w.left) << step.Name;
            EXPECT_EQ(toolbar.FloatPosition().y, w.top) << step.Name;
            if (step.Name == std::string("floating items moved below the host")) {
                // The caption stays where it was grabbed.
                EXPECT_EQ(w.left - before.left, target.x - grabbedAt.x) << step.Name;
                EXPECT_EQ(w.top - before.top, target.y - grabbedAt.y) << step.Name;
            }
        } else {
            EXPECT_EQ(toolbar.FloatingWindow(), nullptr) << step.Name;
            EXPECT_EQ(::GetParent(toolbar.Handle()), toolbar.DockedTo()->Handle()) << step.Name;
            EXPECT_EQ(frame.bottom - frame.top > frame.right - frame.left, step.Vertical) << step.Name;
            EXPECT_EQ(toolbar.DockRow(), step.Row) << step.Name;
            RECT dock = toolbar.DockedTo()->Bounds();
            ::MapWindowPoints(host.Dialog(), nullptr, reinterpret_cast<POINT*>(&dock), 2);
            RECT inside{};
            EXPECT_TRUE(::IntersectRect(&inside, &dock, &frame) && SameRect(inside, frame)) << step.Name;
        }
        // The list keeps the room the docks leave.
        RECT list = ScreenRect(host.List());
        ::MapWindowPoints(nullptr, host.Dialog(), reinterpret_cast<POINT*>(&list), 2);
        const RECT client = host.Site().ClientRect();
        EXPECT_TRUE(SameRect(list, client)) << step.Name;
    }
    // The main icon left the first row, the second became the first, and the main icon joined it in front.
    EXPECT_EQ(host.Site().Dock(dpTop).RowCount(), 1);
    EXPECT_EQ(host.Site().Dock(dpTop).Toolbars(), (std::vector<TToolbar97*>{&main, &items}));
}

TEST_F(Toolbar97Test, AShortClickOnTheGripMovesNothing) {
    THost host;
    TToolbar97& items = host.IconItems();
    const RECT before = ScreenRect(items.Handle());
    const POINT grip = items.GripPoint();
    DragWithMouse(items, POINT{grip.x + 1, grip.y + 1});
    EXPECT_EQ(Where(items), "top");
    EXPECT_TRUE(SameRect(before, ScreenRect(items.Handle())));
}

struct TSnapshot {
    std::string Where;
    int Row = 0;
    int Pos = 0;
    POINT Float{};
    bool Visible = true;
    RECT Frame{};

    friend bool operator==(const TSnapshot& a, const TSnapshot& b) {
        return a.Where == b.Where && a.Row == b.Row && a.Pos == b.Pos && a.Float.x == b.Float.x &&
               a.Float.y == b.Float.y && a.Visible == b.Visible && ::EqualRect(&a.Frame, &b.Frame);
    }
    friend std::ostream& operator<<(std::ostream& out, const TSnapshot& s) {
        return out << s.Where << " row " << s.Row << " pos " << s.Pos << " float " << s.Float.x << ","
                   << s.Float.y << (s.Visible ? " shown" : " hidden") << " frame " << s.Frame.left << ","
                   << s.Frame.top << "-" << s.Frame.right << "," << s.Frame.bottom;
    }
};

TSnapshot SnapshotOf(const TToolbar97& toolbar) {
    TSnapshot s{Where(toolbar),          toolbar.DockRow(), toolbar.DockPos(),
                toolbar.FloatPosition(), toolbar.Visible(), {}};
    if (toolbar.Visible()) s.Frame = ScreenRect(toolbar.Handle());
    return s;
}

TEST_F(Toolbar97Test, PlacementSavedAndReadBackIdentical) {
    const struct {
        const char* Name;
        std::function<void(THost&)> Arrange;
    } cases[] = {
        {"as created", [](THost&) {}},
        {"items in a second row of the top dock", [](THost& h) { h.IconItems().DockTo(dpTop, 1, 40); }},
        {"items on the left, main icon at the bottom",
         [](THost& h) {
             h.IconItems().DockTo(dpLeft, 0, 20);
             h.MainIcon().DockTo(dpBottom, 0, 10);
         }},
        {"items on the right", [](THost& h) { h.IconItems().DockTo(dpRight, 0, 0); }},
        {"both at the bottom, side by side",
         [](THost& h) {
             h.MainIcon().DockTo(dpBottom, 0, 0);
             h.IconItems().DockTo(dpBottom, 0, 260);
         }},
        {"items floating",
         [](THost& h) {
             h.IconItems().Float(POINT{520, 560});
         }},
        {"both floating, items hidden as when the page is left",
         [](THost& h) {
             h.MainIcon().Float(POINT{60, 620});
             h.IconItems().Float(POINT{500, 20});
             h.IconItems().SetVisible(false);
         }},
        {"dragged by the mouse to the bottom dock",
         [](THost& h) {
             DragWithMouse(h.IconItems(), POINT{h.Area().left + 120, h.Area().bottom - 3});
         }},
    };
    for (const auto& c : cases) {
        TSnapshot main, items;
        {
            THost host;
            c.Arrange(host);
            Pump();
            main = SnapshotOf(host.MainIcon());
            items = SnapshotOf(host.IconItems());
            EXPECT_TRUE(host.Site().SavePlacements()) << c.Name;
        }
        const std::optional<TToolbarPlacement> record = ReadToolbarPlacement("tb97IconItems");
        ASSERT_TRUE(record.has_value()) << c.Name;
        EXPECT_TRUE(record->LastDock >= 1 && record->LastDock <= 4) << c.Name;
        THost again;
        again.Site().LoadPlacements();
        Pump();
        EXPECT_EQ(SnapshotOf(again.MainIcon()), main) << c.Name;
        EXPECT_EQ(SnapshotOf(again.IconItems()), items) << c.Name;
        if (again.IconItems().Floating()) {
            EXPECT_EQ(::IsWindowVisible(again.IconItems().FloatingWindow()) != FALSE, items.Visible)
                << c.Name;
        }
    }
}

// Values straight into the registry, as another program or a damaged hive would leave them.
class TRawRecord {
public:
    explicit TRawRecord(const char* toolbar) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, RecordPath(toolbar).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, key_.Put(), nullptr);
    }
    TRawRecord& Dword(const wchar_t* name, DWORD value) {
        ::RegSetValueExW(key_.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        return *this;
    }
    TRawRecord& String(const wchar_t* name, const std::wstring& value) {
        ::RegSetValueExW(key_.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        return *this;
    }
    TRawRecord& Binary(const wchar_t* name, std::vector<BYTE> bytes) {
        ::RegSetValueExW(key_.Get(), name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
        return *this;
    }
    TRawRecord& Remove(const wchar_t* name) {
        ::RegDeleteValueW(key_.Get(), name);
        return *this;
    }
    // A whole record of a toolbar floating at (200, 240).
    TRawRecord& Floating() {
        return Dword(L"Rev", 3)
            .Dword(L"Visible", 1)
            .Dword(L"DockedTo", 0)
            .Dword(L"LastDock", 2)
            .Dword(L"DockRow", 0)
            .Dword(L"DockPos", 0)
            .Dword(L"FloatLeft", 200)
            .Dword(L"FloatTop", 240);
    }

private:
    UniqueKey key_;
};

TEST_F(Toolbar97Test, DamagedRecordsLeaveTheToolbarAtItsDefaultDock) {
    const struct {
        const char* Name;
        const char* Toolbar;
        std::function<void(TRawRecord&)> Damage;
        bool Loads;
    } cases[] = {
        {"a whole record (control case)", "tb97IconItems", [](TRawRecord&) {}, true},
        {"no record at all", "tb97IconItems", nullptr, false},
        {"Rev missing", "tb97IconItems", [](TRawRecord& r) { r.Remove(L"Rev"); }, false},
        {"Rev of another layout", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"Rev", 2); }, false},
        {"DockedTo a string", "tb97IconItems", [](TRawRecord& r) { r.String(L"DockedTo", L"0"); }, false},
        {"FloatLeft binary", "tb97IconItems",
         [](TRawRecord& r) {
             r.Binary(L"FloatLeft", {200, 0, 0, 0});
         },
         false},
        {"Visible a string", "tb97IconItems", [](TRawRecord& r) { r.String(L"Visible", L"1"); }, false},
        {"Visible 2", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"Visible", 2); }, false},
        {"DockedTo 7", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"DockedTo", 7); }, false},
        {"DockedTo -1", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"DockedTo", 0xFFFFFFFF); }, false},
        {"LastDock 9", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"LastDock", 9); }, false},
        {"DockRow -3", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"DockRow", static_cast<DWORD>(-3)); },
         false},
        {"DockPos 100000", "tb97IconItems", [](TRawRecord& r) { r.Dword(L"DockPos", 100000); }, false},
        {"DockRow missing", "tb97IconItems", [](TRawRecord& r) { r.Remove(L"DockRow"); }, false},
        {"floating far off the screen", "tb97IconItems",
         [](TRawRecord& r) { r.Dword(L"FloatLeft", 30000).Dword(L"FloatTop", 30000); }, false},
        {"floating above the screen", "tb97IconItems",
         [](TRawRecord& r) { r.Dword(L"FloatTop", static_cast<DWORD>(-500)); }, false},
        {"floating left of the screen", "tb97IconItems",
         [](TRawRecord& r) { r.Dword(L"FloatLeft", static_cast<DWORD>(-2000)); }, false},
        {"main icon on the left dock, which it may not use", "tb97MainIcon",
         [](TRawRecord& r) { r.Dword(L"DockedTo", 3).Dword(L"LastDock", 3); }, false},
        {"main icon on the bottom dock (control case)", "tb97MainIcon",
         [](TRawRecord& r) { r.Dword(L"DockedTo", 2).Dword(L"DockPos", 15); }, true},
        // Nothing in the program hides a docked toolbar, nor shows one again: it comes back shown.
        {"a docked toolbar stored hidden", "tb97IconItems",
         [](TRawRecord& r) { r.Dword(L"DockedTo", 2).Dword(L"Visible", 0); }, true},
    };
    for (const auto& c : cases) {
        DeleteRecords();
        if (c.Damage) {
            TRawRecord record(c.Toolbar);
            record.Floating();
            c.Damage(record);
        }
        THost host;
        TToolbar97& toolbar = std::string(c.Toolbar) == "tb97MainIcon" ? host.MainIcon() : host.IconItems();
        const TSnapshot defaults = SnapshotOf(toolbar);
        bool loaded = false;
        EXPECT_NO_THROW(loaded = toolbar.LoadPlacement()) << c.Name;
        Pump();
        EXPECT_EQ(loaded, c.Loads) << c.Name;
        if (c.Loads) {
            EXPECT_NE(SnapshotOf(toolbar).Where, "top") << c.Name;
            EXPECT_TRUE(::IsWindowVisible(toolbar.Handle())) << c.Name;
            continue;
        }
        EXPECT_EQ(Where(toolbar), "top") << c.Name;
        EXPECT_EQ(SnapshotOf(toolbar), defaults) << c.Name;
        EXPECT_EQ(toolbar.FloatingWindow(), nullptr) << c.Name;
        EXPECT_TRUE(::IsWindowVisible(toolbar.Handle())) << c.Name;
    }
}

TEST_F(Toolbar97Test, ARecordCutShortByAFailingRegistryIsNotTaken) {
    {
        THost host;
        host.IconItems().Float(POINT{250, 500});
        RegistryWriteSeam() = [](std::string_view name) {
            return name == "DockPos" ? LSTATUS{ERROR_ACCESS_DENIED} : LSTATUS{ERROR_SUCCESS};
        };
        const bool saved = host.IconItems().SavePlacement();
        RegistryWriteSeam() = nullptr;
        EXPECT_FALSE(saved);
    }
    EXPECT_FALSE(ReadToolbarPlacement("tb97IconItems").has_value());
    THost again;
    EXPECT_FALSE(again.IconItems().LoadPlacement());
    EXPECT_EQ(Where(again.IconItems()), "top");
}

TEST_F(Toolbar97Test, LockedDocksKeepTheirToolbars) {
    THost host;
    TToolbar97& items = host.IconItems();
    TDockSite& site = host.Site();
    const RECT a = host.Area();
    const POINT bottom{a.left + 40, a.bottom - 3};
    const POINT top{a.left + 250, a.top + 3};

    site.SetAllowDrag(false);
    const TSnapshot before = SnapshotOf(items);
    for (const POINT target : {bottom, host.Middle(), POINT{a.left + 3, host.Middle().y}}) {
        DragWithMouse(items, target);
        EXPECT_EQ(SnapshotOf(items), before) << "locked: dragged to " << target.x << "," << target.y;
    }

    // A floating toolbar still moves, but no locked dock takes it.
    site.SetAllowDrag(true);
    items.Float(POINT{300, 600});
    site.SetAllowDrag(false);
    DragWithMouse(items, top);
    EXPECT_EQ(Where(items), "floating");
    EXPECT_NE(items.FloatPosition().y, 600);

    // Only the bottom dock locked: the others still take the toolbar, the bottom one does not.
    site.SetAllowDrag(true);
    items.Float(POINT{300, 600});
    site.Dock(dpBottom).SetAllowDrag(false);
    DragWithMouse(items, top);
    EXPECT_EQ(Where(items), "top");
    DragWithMouse(items, bottom);
    EXPECT_EQ(Where(items), "floating");

    // Unlocked again: dragging works as before.
    site.SetAllowDrag(true);
    items.Float(POINT{300, 600});
    DragWithMouse(items, bottom);
    EXPECT_EQ(Where(items), "bottom");
}

TEST_F(Toolbar97Test, DocksAToolbarMayNotUseAreRefused) {
    THost host;
    TToolbar97& main = host.MainIcon();
    TToolbar97& items = host.IconItems();
    const struct {
        TToolbar97* Toolbar;
        TDockPosition Dock;
        bool Allowed;
    } cases[] = {
        {&main, dpTop, true},  {&main, dpBottom, true},  {&main, dpLeft, false}, {&main, dpRight, false},
        {&items, dpTop, true}, {&items, dpBottom, true}, {&items, dpLeft, true}, {&items, dpRight, true},
    };
    for (const auto& c : cases) {
        const std::string name = c.Toolbar->Name() + " dock " + std::to_string(static_cast<int>(c.Dock));
        EXPECT_EQ(c.Toolbar->DockableTo(c.Dock), c.Allowed) << name;
        const TSnapshot before = SnapshotOf(*c.Toolbar);
        EXPECT_EQ(c.Toolbar->DockTo(c.Dock, 0, 0), c.Allowed) << name;
        if (c.Allowed) {
            EXPECT_EQ(c.Toolbar->DockedTo(), &host.Site().Dock(c.Dock)) << name;
        } else {
            EXPECT_EQ(SnapshotOf(*c.Toolbar), before) << name;
        }
        c.Toolbar->DockTo(dpTop, 0, c.Toolbar == &main ? 0 : 220);
    }
    // Items allowed only at the bottom: dragged over the left dock, they float.
    items.SetDockableTo({dpBottom});
    DragWithMouse(items, POINT{host.Area().left + 3, host.Middle().y});
    EXPECT_EQ(Where(items), "floating");
}

POINT ButtonCentre(HWND toolbar, int index) {
    RECT r{};
    ::SendMessageW(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(Toolbar97Test, RightButtonReleaseReportsTheButtonAndThePosition) {
    THost host;
    TToolbar97& items = host.IconItems();
    struct TReport {
        int Id;
        POINT At;
    };
    std::vector<TReport> reports;
    items.OnButtonRightUp = [&](TToolbar97& sender, int id, POINT at) {
        EXPECT_EQ(&sender, &items);
        reports.push_back({id, at});
    };
    const struct {
        const char* Name;
        std::function<void()> Place;
    } placements[] = {
        {"docked at the top", [] {}},
        {"docked on the left", [&] { items.DockTo(dpLeft, 0, 0); }},
        {"floating",
         [&] {
             items.Float(POINT{400, 560});
         }},
    };
    for (const auto& p : placements) {
        p.Place();
        Pump();
        const HWND toolbar = items.ToolbarHandle();
        const int count = static_cast<int>(::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
        ASSERT_EQ(count, 11) << p.Name;
        for (int index = 0; index < count; ++index) {
            TBBUTTON button{};
            ::SendMessageW(toolbar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
            POINT at = ButtonCentre(toolbar, index);
            reports.clear();
            ::SendMessageW(toolbar, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
            ::SendMessageW(toolbar, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
            ::ClientToScreen(toolbar, &at);
            if (button.fsStyle & BTNS_SEP) {
                EXPECT_TRUE(reports.empty()) << p.Name << " separator " << index;
                continue;
            }
            ASSERT_EQ(reports.size(), 1u) << p.Name << " button " << index;
            EXPECT_EQ(reports[0].Id, button.idCommand) << p.Name;
            EXPECT_EQ(reports[0].At.x, at.x) << p.Name;
            EXPECT_EQ(reports[0].At.y, at.y) << p.Name;
        }
    }
    EXPECT_EQ(items.HelpContext(IDC_TBHOST_BTNCUT), 58);
    EXPECT_EQ(items.Hint(IDC_TBHOST_BTNEDIT), "アイコン項目のプロパティ");
}

TEST_F(Toolbar97Test, InsertAndRemoveAreReportedByTheDocks) {
    THost host;
    std::vector<std::string> events;
    for (const TDockPosition p : {dpTop, dpBottom, dpLeft, dpRight})
        host.Site().Dock(p).OnInsertRemoveBar = [&](TDock97& dock, TToolbar97& toolbar, bool inserted) {
            events.push_back(std::to_string(static_cast<int>(dock.Position())) + (inserted ? "+" : "-") +
                             toolbar.Name());
        };
    TToolbar97& items = host.IconItems();
    const RECT a = host.Area();
    DragWithMouse(items, POINT{a.left + 40, a.bottom - 3});
    DragWithMouse(items, host.Middle());
    DragWithMouse(items, POINT{a.left + 250, a.top + 3});
    DragWithMouse(items, POINT{a.left + 255, a.top + 3}); // within its dock: nothing to report
    EXPECT_EQ(events, (std::vector<std::string>{"1-tb97IconItems", "2+tb97IconItems", "2-tb97IconItems",
                                                "1+tb97IconItems"}));
}

TEST_F(Toolbar97Test, FloatingToolbarHiddenAndShownWithItsPage) {
    THost host;
    TToolbar97& items = host.IconItems();
    items.Float(POINT{420, 580});
    Pump();
    ASSERT_TRUE(::IsWindowVisible(items.FloatingWindow()));
    items.SetVisible(false);
    EXPECT_FALSE(::IsWindowVisible(items.FloatingWindow()));
    EXPECT_TRUE(items.Floating());
    items.SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(items.FloatingWindow()));
    // Showing leaves the dialog active: the toolbar does not take the activation.
    EXPECT_NE(::GetActiveWindow(), items.FloatingWindow());
}

TEST_F(Toolbar97Test, ThePlacementOutlivesTheHostWindow) {
    auto glyphs = std::make_unique<TGlyphs>();
    const HWND dialog = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TBHOST),
                                             nullptr, &HostProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    TToolbars bars;
    bars.Build(dialog, glyphs->Get());
    bars.IconItems->Float(POINT{333, 444});
    bars.MainIcon->DockTo(dpBottom, 0, 12);
    ::DestroyWindow(dialog);
    Pump();
    EXPECT_EQ(bars.IconItems->FloatingWindow(), nullptr);
    EXPECT_EQ(bars.IconItems->Handle(), nullptr);
    EXPECT_EQ(bars.MainIcon->Handle(), nullptr);
    EXPECT_TRUE(bars.Site->SavePlacements());
    bars.Site.reset();
    const std::optional<TToolbarPlacement> items = ReadToolbarPlacement("tb97IconItems");
    ASSERT_TRUE(items);
    EXPECT_EQ(items->DockedTo, 0);
    EXPECT_EQ(items->FloatLeft, 333);
    EXPECT_EQ(items->FloatTop, 444);
    const std::optional<TToolbarPlacement> main = ReadToolbarPlacement("tb97MainIcon");
    ASSERT_TRUE(main);
    EXPECT_EQ(main->DockedTo, 2);
    EXPECT_EQ(main->DockPos, 12);
}

TEST_F(Toolbar97Test, GlyphsFromABitmapStripResource) {
    THost host;
    TToolbar97& items = host.IconItems();
    items.LoadImageStrip(::GetModuleHandleW(nullptr), L"CHAIN", 16, RGB(255, 255, 255));
    const auto images =
        reinterpret_cast<HIMAGELIST>(::SendMessageW(items.ToolbarHandle(), TB_GETIMAGELIST, 0, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_GE(::ImageList_GetImageCount(images), 1);
    EXPECT_THROW(items.LoadImageStrip(::GetModuleHandleW(nullptr), L"NO_SUCH_STRIP", 16, 0), EProgramError);
    // The failed load left the glyphs as they were.
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(::SendMessageW(items.ToolbarHandle(), TB_GETIMAGELIST, 0, 0)),
              images);
}

// ---- In a modal dialog of the program's own kind ------------------------------------------------------

struct TChildSearch {
    const wchar_t* ClassName;
    std::string Text;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
    auto& search = *reinterpret_cast<TChildSearch*>(data);
    wchar_t name[64] = {};
    ::GetClassNameW(child, name, 64);
    if (std::wstring(name) == search.ClassName && TextOf(child) == search.Text) {
        search.Found = child;
        return FALSE;
    }
    return TRUE;
}

HWND FindDescendant(HWND parent, const wchar_t* className, const std::string& text) {
    TChildSearch search{className, text};
    ::EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

class TToolbarDialog final : public TDialog {
public:
    TToolbarDialog() : TDialog(IDD_TBHOST) {
        for (const int id : {IDC_TBHOST_BTNNEW, IDC_TBHOST_BTNDEL, IDC_TBHOST_CBSHOWMAINICO})
            OnClick(id, [this, id] { Clicks.push_back(id); });
    }
    std::vector<int> Clicks;
    std::vector<int> RightUps;
    bool ShowMainIcon = false;
    TToolbars Bars;

private:
    void OnInit() override {
        Bars.Build(Handle(), glyphs_.Get());
        Bars.IconItems->OnButtonRightUp = [this](TToolbar97&, int id, POINT) { RightUps.push_back(id); };
    }
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
            ShowMainIcon = ::SendMessageW(Bars.CheckBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
        return TDialog::HandleMessage(message, wParam, lParam);
    }
    TGlyphs glyphs_;
};

TEST_F(Toolbar97Test, ButtonsAndTheCheckBoxReportToTheDialog) {
    TToolbarDialog dialog;
    std::atomic<bool> hintsRead{false};
    HWND focusAfterTab = nullptr;
    HWND checkBox = nullptr;
    std::string cutHint;
    TDialogDriver driver("ツールバーの試験台", [&](HWND window) {
        const HWND frame = FindDescendant(window, L"Lodestar.Toolbar97", "アイコン項目編集");
        const HWND toolbar = frame ? ::FindWindowExW(frame, nullptr, TOOLBARCLASSNAMEW, nullptr) : nullptr;
        const HWND mainFrame = FindDescendant(window, L"Lodestar.Toolbar97", "メインアイコン");
        const HWND mainBar =
            mainFrame ? ::FindWindowExW(mainFrame, nullptr, TOOLBARCLASSNAMEW, nullptr) : nullptr;
        if (toolbar && mainBar) {
            for (const int id : {IDC_TBHOST_BTNNEW, IDC_TBHOST_BTNDEL}) {
                const int index = static_cast<int>(::SendMessageW(toolbar, TB_COMMANDTOINDEX, id, 0));
                const POINT at = ButtonCentre(toolbar, index);
                ::SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
                ::SendMessageW(toolbar, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
                ::SendMessageW(toolbar, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
                ::SendMessageW(toolbar, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
            }
            ::SendMessageW(::GetDlgItem(mainBar, IDC_TBHOST_CBSHOWMAINICO), BM_CLICK, 0, 0);
            // The hint as the tooltip shows it (and a screen reader reads it).
            const HWND tips = reinterpret_cast<HWND>(::SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
            wchar_t text[80] = {};
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.hwnd = toolbar;
            info.uId = IDC_TBHOST_BTNCUT;
            info.lpszText = text;
            if (tips) ::SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
            cutHint = Narrow(text);
            hintsRead = true;
            // The keyboard reaches the check box as any control of the dialog: Tab from the list moves to
            // it, and its mnemonic Alt+M clicks it.
            const HWND list = ::GetDlgItem(window, IDC_TBHOST_LIST);
            ::SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
            ::PostMessageW(list, WM_KEYDOWN, VK_TAB, 1);
            ::PostMessageW(list, WM_KEYUP, VK_TAB, 1 | (3LL << 30));
            ::Sleep(100);
            GUITHREADINFO info2{};
            info2.cbSize = sizeof info2;
            ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info2);
            focusAfterTab = info2.hwndFocus;
            checkBox = ::GetDlgItem(mainBar, IDC_TBHOST_CBSHOWMAINICO);
            ::SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
            ::PostMessageW(list, WM_SYSCHAR, L'm', 1 | (1LL << 29));
            ::Sleep(100);
        }
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), IDCANCEL);
    driver.Join();
    ASSERT_TRUE(driver.Found());
    ASSERT_TRUE(hintsRead);
    EXPECT_EQ(dialog.Clicks, (std::vector<int>{IDC_TBHOST_BTNNEW, IDC_TBHOST_BTNDEL, IDC_TBHOST_CBSHOWMAINICO,
                                               IDC_TBHOST_CBSHOWMAINICO}));
    EXPECT_EQ(dialog.RightUps, (std::vector<int>{IDC_TBHOST_BTNNEW, IDC_TBHOST_BTNDEL}));
    EXPECT_EQ(focusAfterTab, checkBox);
    EXPECT_FALSE(dialog.ShowMainIcon) << "clicked, then Alt+M";
    EXPECT_EQ(cutHint, "切り取り");
}

// With LODESTAR_TOOLBAR_REAL set, toolbar_real_drag_test.sh drags the toolbar with the real mouse (xdotool):
// this side prints where to press and where to release ("drag N x0 y0 x1 y1"), waits for the toolbar to
// get there and reports where it went ("done N where").
TEST_F(Toolbar97Test, RealMouse) {
    if (!std::getenv("LODESTAR_TOOLBAR_REAL")) GTEST_SKIP() << "driven by toolbar_real_drag_test.sh";
    THost host;
    TToolbar97& items = host.IconItems();
    const RECT a = host.Area();
    const struct {
        POINT To;
        std::string Where;
    } steps[] = {
        {POINT{a.left + 60, a.bottom - 4}, "bottom"},
        {POINT{a.left + 3, host.Middle().y}, "left"},
        {POINT{host.Middle().x + 380, host.Middle().y + 260}, "floating"},
        {POINT{a.left + 260, a.top + 4}, "top"},
    };
    int n = 0;
    for (const auto& step : steps) {
        ++n;
        const POINT from = items.GripPoint();
        std::printf("drag %d %ld %ld %ld %ld\n", n, from.x, from.y, step.To.x, step.To.y);
        std::fflush(stdout);
        for (int i = 0; i < 750 && Where(items) != step.Where; ++i) {
            Pump();
            ::Sleep(20);
        }
        for (int i = 0; i < 10; ++i) { // let the window settle for a screenshot
            Pump();
            ::Sleep(20);
        }
        std::printf("done %d %s\n", n, Where(items).c_str());
        std::fflush(stdout);
        ASSERT_EQ(Where(items), step.Where) << "step " << n;
        EXPECT_EQ(::GetCapture(), nullptr);
    }
    // Time for the last screenshot.
    for (int i = 0; i < 25; ++i) {
        Pump();
        ::Sleep(20);
    }
}

// Not a test: with LODESTAR_TOOLBAR_SHOW set, shows a host with docked and floating toolbars for that many
// seconds, for a look or a screenshot.
TEST_F(Toolbar97Test, Show) {
    const char* seconds = std::getenv("LODESTAR_TOOLBAR_SHOW");
    if (!seconds) GTEST_SKIP() << "set LODESTAR_TOOLBAR_SHOW to look at the toolbars";
    THost host;
    host.IconItems().DockTo(dpLeft, 0, 10);
    ::SendMessageW(host.CheckBox(), BM_SETCHECK, BST_CHECKED, 0);
    host.IconItems().SetButtonEnabled(IDC_TBHOST_BTNPASTE, false);
    THost second;
    ::SetWindowPos(second.Dialog(), nullptr, 120, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowTextW(second.Dialog(), L"ツールバーの試験台 (浮動)");
    second.MainIcon().DockTo(dpBottom, 0, 0);
    second.IconItems().Float(POINT{700, 430});
    const DWORD end = ::GetTickCount() + 1000u * static_cast<DWORD>(std::atoi(seconds));
    while (::GetTickCount() < end) {
        Pump();
        ::Sleep(20);
    }
}

} // namespace
} // namespace lodestar
