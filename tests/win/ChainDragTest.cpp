// The item editor's chain list under the mouse and under shell drags: rows dragged to a new place or copied
// with Ctrl, files and shell objects dropped from outside. The editor is shown for real; the rows are
// dragged by mouse messages to the list, shell objects arrive through the list's registered drop target.
// Each scenario gives the chain the item opens with, what the user does, and the chain that OK writes back.
#include "lsItem.h"

#include "CommandLine.h"
#include "DialogDriver.h"
#include "ItemData.h"
#include "Seams.h"
#include "ShellDragDriver.h"
#include "WinTestSupport.h"
#include "WindowSearch.h"
#include "resource.h"

#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::string kCaption = "アイコン項目のプロパティ - Lodestar";
constexpr const char* kControlPanel = "::{21EC2020-3AEA-1069-A2DD-08002B30309D}";

// Where a drag ends: on a row, in the empty part of the list below the rows, or above the list.
constexpr int kBelowRows = -1;
constexpr int kOutside = -2;

// What breaks into a drag of rows before the button is released.
enum class TInterruption { None, Escape, CaptureLost };

// What the script sees of the open editor and does with its chain list.
struct TChain {
    HWND Dialog = nullptr;
    const TOnDialogThread* Runner = nullptr;
    std::atomic<bool>* Ctrl = nullptr;

    HWND List() const { return FindDescendantById(Dialog, IDC_ITEM_LVCHILDICONS); }
    bool Open() const { return ::IsWindow(Dialog) && ::IsWindowVisible(Dialog); }
    void ClickOk() const { ::SendMessageW(::GetDlgItem(Dialog, IDOK), BM_CLICK, 0, 0); }
    // As a click on its tab opens it.
    void OpenPage() const {
        ::SendMessageW(FindDescendantById(Dialog, IDC_ITEM_TABS), TCM_SETCURFOCUS, 1, 0);
    }

    int Count() const { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int row = 0; row < Count(); ++row)
            if (::SendMessageW(List(), LVM_GETITEMSTATE, row, LVIS_SELECTED)) rows.push_back(row);
        return rows;
    }
    void Select(const std::vector<int>& rows) const {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        ::SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_SELECTED;
        for (const int row : rows)
            ::SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    // A point in the list's client coordinates: on the row's name, below the last row, or above the list.
    POINT At(int row) const {
        RECT rect{};
        if (row == kOutside) return {20, -30};
        if (row == kBelowRows) {
            ::GetClientRect(List(), &rect);
            return {20, rect.bottom - 4};
        }
        rect.left = LVIR_BOUNDS;
        ::SendMessageW(List(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return {rect.left + 30, (rect.top + rect.bottom) / 2};
    }

    // The left button pressed on row `from`, the mouse moved to `to` and released there, Ctrl held or not
    // at the release; with an interruption before the release.
    void DragRows(int from, int to, bool ctrl, TInterruption interruption = TInterruption::None) const {
        const HWND list = List();
        *Ctrl = ctrl;
        const bool shown = PostRowDrag(list, At(from), At(to), *Runner, [&] {
            if (interruption == TInterruption::Escape) {
                ::PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
                ::PostMessageW(list, WM_KEYUP, VK_ESCAPE, 1 | (3LL << 30));
            } else if (interruption == TInterruption::CaptureLost) {
                Runner->Run([list] {
                    EXPECT_EQ(::GetCapture(), list) << "the drag holds no mouse capture";
                    ::ReleaseCapture();
                });
            }
        });
        EXPECT_TRUE(shown) << "no picture follows the drag";
        *Ctrl = false;
        EXPECT_FALSE(DragImageShown()) << "the drag's picture stayed";
    }
    // Whether the dialog's thread has a drag picture up.
    bool DragImageShown() const {
        bool shown = false;
        Runner->Run([&] { shown = ::ImageList_GetDragImage(nullptr, nullptr) != nullptr; });
        return shown;
    }

    // A shell drag over the list that drops at row `over`; the effects the source allows. The effects the
    // list answered, and the rows selected while the drag rested there.
    struct TChainDrop : TShellDrag {
        std::vector<int> SelectedOver;
    };
    TChainDrop ShellDrop(TTestData& data, int over, DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_LINK) const {
        TChainDrop result;
        static_cast<TShellDrag&>(result) =
            ShellDropAt(List(), At(over), data, *Runner, allowed, [&] { result.SelectedOver = Selected(); });
        return result;
    }
};

TChildIcon Entry(std::string cmd, std::int32_t delayMs = 0, std::uint8_t waitMode = 0) {
    TChildIcon child;
    child.Cmd = std::move(cmd);
    child.DelayMs = delayMs;
    child.WaitMode = waitMode;
    return child;
}

// Rows r0, r1, ... each with fields of its own, so that a copy that lost one shows.
std::vector<TChildIcon> Rows(int count) {
    std::vector<TChildIcon> rows;
    for (int i = 0; i < count; ++i) {
        TChildIcon child =
            Entry("C:\\chain\\r" + std::to_string(i) + ".exe /n", 1000 * i, static_cast<std::uint8_t>(i % 3));
        child.DefDir = "C:\\work" + std::to_string(i);
        child.WndSize = static_cast<std::uint8_t>(i % 3);
        child.AutoQuit = i % 2 == 1;
        child.DupCheckMode = static_cast<std::uint8_t>(i % 4);
        child.DupCheckText = i % 4 ? "title" + std::to_string(i) : "";
        rows.push_back(std::move(child));
    }
    return rows;
}

// Rows of `base` in the given order (indexes into it).
std::vector<TChildIcon> Order(const std::vector<TChildIcon>& base, const std::vector<int>& order) {
    std::vector<TChildIcon> rows;
    for (const int i : order)
        rows.push_back(base[static_cast<std::size_t>(i)]);
    return rows;
}

std::string Describe(const std::vector<TChildIcon>& chain) {
    std::string text;
    for (const TChildIcon& c : chain)
        text += "(Cmd '" + c.Cmd + "' IDList " + std::to_string(c.IDList.Size()) + " bytes DefDir '" +
                c.DefDir + "' WndSize " + std::to_string(c.WndSize) + " Delay " + std::to_string(c.DelayMs) +
                ")\n";
    return text;
}

struct TScenario {
    const char* Name;
    std::vector<TChildIcon> Chain;
    std::function<void(const TChain&)> Script;
    std::vector<TChildIcon> Expected; // the chain OK writes back
    bool ResolveShortcuts = false;
    std::vector<std::string> Boxes = {};
};

class ChainDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        Seams().Beep = [](UINT) {};
        Seams().KeyDown = [this](int key) { return key == VK_CONTROL && ctrl; };
    }
    void TearDown() override { ResetSeams(); }

    void Run(const TScenario& s) {
        SCOPED_TRACE(s.Name);
        boxes.clear();
        TItemData item;
        item.Cmd = files.Notepad;
        item.Children = s.Chain;
        bool result = false;
        bool found = false;
        {
            TOnDialogThread runner;
            TForm3 form;
            form.ResolveShortcuts = s.ResolveShortcuts;
            TDialogDriver driver(kCaption, [&](HWND dialog) {
                TChain chain{dialog, &runner, &ctrl};
                chain.OpenPage();
                ASSERT_EQ(chain.Count(), static_cast<int>(s.Chain.size()));
                s.Script(chain);
            });
            result = form.EditItem(item);
            driver.Join();
            found = driver.Found();
        }
        ASSERT_TRUE(found) << "no dialog captioned " << kCaption;
        EXPECT_TRUE(result);
        EXPECT_EQ(Describe(item.Children), Describe(s.Expected));
        EXPECT_TRUE(item.Children == s.Expected);
        EXPECT_EQ(boxes, s.Boxes);
    }

    TFiles files;
    std::atomic<bool> ctrl{false};
    std::vector<std::string> boxes;
};

TEST_F(ChainDragTest, RowsDraggedWithinTheList) {
    const std::vector<TChildIcon> four = Rows(4);
    const std::vector<TChildIcon> nineteen = Rows(19);
    const TScenario scenarios[] = {
        {"row 0 dragged onto row 2 lands after it", four,
         [](const TChain& c) {
             c.DragRows(0, 2, false);
             EXPECT_EQ(c.Selected(), std::vector<int>{2});
             c.ClickOk();
         },
         Order(four, {1, 2, 0, 3})},
        {"row 3 dragged onto row 1 lands before it", four,
         [](const TChain& c) {
             c.DragRows(3, 1, false);
             c.ClickOk();
         },
         Order(four, {0, 3, 1, 2})},
        {"two rows dragged below the last row land after it, in their order", four,
         [](const TChain& c) {
             c.Select({0, 1});
             c.DragRows(1, kBelowRows, false);
             EXPECT_EQ(c.Selected(), (std::vector<int>{2, 3}));
             c.ClickOk();
         },
         Order(four, {2, 3, 0, 1})},
        {"rows released outside the list stay where they were", four,
         [](const TChain& c) {
             c.DragRows(1, kOutside, false);
             EXPECT_TRUE(c.Open());
             c.ClickOk();
         },
         four},
        {"a row dropped onto itself stays", four,
         [](const TChain& c) {
             c.Select({2});
             c.DragRows(2, 2, false);
             c.ClickOk();
         },
         four},
        {"with Ctrl, rows below the target are copied in front of it", four,
         [](const TChain& c) {
             c.Select({1, 2});
             c.DragRows(2, 0, true);
             EXPECT_EQ(c.Count(), 6);
             c.ClickOk();
         },
         Order(four, {1, 2, 0, 1, 2, 3})},
        {"with Ctrl, a row above the target is copied after it", four,
         [](const TChain& c) {
             c.DragRows(0, 2, true);
             c.ClickOk();
         },
         Order(four, {0, 1, 2, 0, 3})},
        {"with Ctrl at 19 rows, only the first selected row is copied", nineteen,
         [](const TChain& c) {
             c.Select({0, 1});
             c.DragRows(0, 5, true);
             EXPECT_EQ(c.Count(), 20);
             c.ClickOk();
         },
         Order(nineteen, {0, 1, 2, 3, 4, 5, 0, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18})},
        {"Escape during the drag ends it without a change, and the dialog stays", four,
         [](const TChain& c) {
             c.DragRows(0, 2, false, TInterruption::Escape);
             EXPECT_TRUE(c.Open());
             // The next drag works again.
             c.DragRows(3, 0, false);
             c.ClickOk();
         },
         Order(four, {3, 0, 1, 2})},
        {"losing the mouse capture ends the drag without a change", four,
         [](const TChain& c) {
             c.DragRows(0, 2, false, TInterruption::CaptureLost);
             c.ClickOk();
         },
         four},
        {"a click without moving the mouse changes nothing", four,
         [](const TChain& c) {
             const POINT at = c.At(1);
             ::PostMessageW(c.List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
             ::PostMessageW(c.List(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
             c.Runner->Flush();
             EXPECT_EQ(c.Selected(), std::vector<int>{1});
             c.ClickOk();
         },
         four},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ChainDragTest, ShellObjectsDroppedOnTheList) {
    const TFiles& f = files;
    const std::vector<TChildIcon> three = Rows(3);
    const IdList controlPanel = ParseIdList(kControlPanel);
    ASSERT_TRUE(controlPanel) << "the shell knows no Control Panel";
    TChildIcon panel;
    panel.IDList = controlPanel;
    std::vector<TChildIcon> appended = three;
    appended.push_back(Entry(f.Memo));
    appended.push_back(Entry(QuoteIfSpaced(f.Notes)));
    TChildIcon resolved = Entry(f.Notepad);
    resolved.DefDir = f.Folder;

    const TScenario scenarios[] = {
        {"files dropped below the rows are appended, a spaced path in quotes", three,
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Memo), ParseIdList(f.Notes)});
             c.Select({0});
             const TChain::TChainDrop drag = c.ShellDrop(data, kBelowRows);
             EXPECT_EQ(drag.Enter, static_cast<DWORD>(DROPEFFECT_LINK));
             EXPECT_EQ(drag.Drop, static_cast<DWORD>(DROPEFFECT_LINK));
             EXPECT_EQ(drag.SelectedOver, std::vector<int>{});
             EXPECT_EQ(data.References(), 0) << "the target kept the data object";
             c.ClickOk();
         },
         appended},
        {"files dropped on row 1 go in front of it; the row under the drag is the one selected",
         three,
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Memo), ParseIdList(f.Notes)});
             c.Select({0, 2});
             const TChain::TChainDrop drag = c.ShellDrop(data, 1);
             EXPECT_EQ(drag.SelectedOver, std::vector<int>{1});
             EXPECT_EQ(c.Selected(), std::vector<int>{});
             c.ClickOk();
         },
         {three[0], Entry(f.Memo), Entry(QuoteIfSpaced(f.Notes)), three[1], three[2]}},
        {"a Control Panel object becomes an entry with its ID list and no command",
         three,
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {controlPanel});
             c.ShellDrop(data, 0);
             c.ClickOk();
         },
         {panel, three[0], three[1], three[2]}},
        {"a shortcut is read into the entry when shortcuts are resolved",
         {},
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Shortcut)});
             c.ShellDrop(data, kBelowRows);
             c.ClickOk();
         },
         {resolved},
         true},
        {"a shortcut is the command itself when shortcuts are not resolved",
         {},
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Shortcut)});
             c.ShellDrop(data, kBelowRows);
             c.ClickOk();
         },
         {Entry(f.Shortcut)}},
        {"a source that allows no link is refused and leaves the selection", three,
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Memo)});
             c.Select({2});
             const TChain::TChainDrop drag = c.ShellDrop(data, 0, DROPEFFECT_COPY | DROPEFFECT_MOVE);
             EXPECT_EQ(drag.Enter, 0u);
             EXPECT_EQ(drag.Drop, 0u);
             EXPECT_EQ(c.Selected(), std::vector<int>{2});
             c.ClickOk();
         },
         three},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

TEST_F(ChainDragTest, DropsStopAtTwentyRows) {
    const TFiles& f = files;
    const std::vector<TChildIcon> eighteen = Rows(18);
    const std::vector<TChildIcon> twenty = Rows(20);
    std::vector<TChildIcon> filled = eighteen;
    filled.insert(filled.begin() + 1, {Entry(f.Memo), Entry(QuoteIfSpaced(f.Notes))});
    std::vector<TChildIcon> afterDelete = twenty;
    afterDelete.pop_back();
    afterDelete.insert(afterDelete.begin(), Entry(f.Memo));

    const TScenario scenarios[] = {
        {"three files dropped on 18 rows: two are inserted, the third is dropped, then drops are refused",
         eighteen,
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Memo), ParseIdList(f.Notes), ParseIdList(f.Shortcut)});
             c.ShellDrop(data, 1);
             EXPECT_EQ(c.Count(), 20);
             TTestData more;
             OfferObjects(more, {ParseIdList(f.Memo)});
             const TChain::TChainDrop drag = c.ShellDrop(more, 3);
             EXPECT_EQ(drag.Enter, 0u);
             EXPECT_EQ(drag.Over, 0u);
             EXPECT_EQ(drag.Drop, 0u);
             c.ClickOk();
         },
         filled},
        {"at 20 rows a drop is refused until a row is deleted", twenty,
         [&](const TChain& c) {
             TTestData data;
             OfferObjects(data, {ParseIdList(f.Memo)});
             EXPECT_EQ(c.ShellDrop(data, 0).Drop, 0u);
             EXPECT_EQ(c.Count(), 20);
             c.Runner->Run([&] {
                 // The editor's own deletion, as its Delete key and button do it.
                 TForm3::Instance()->DeleteChildRow(19);
             });
             EXPECT_EQ(c.ShellDrop(data, 0).Drop, static_cast<DWORD>(DROPEFFECT_LINK));
             c.ClickOk();
         },
         afterDelete},
    };
    for (const TScenario& s : scenarios)
        Run(s);
}

// Another drop target that took the list's window first, so that the editor's own registration fails.
class TSquatter final : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }

    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const CREATESTRUCTW& create = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            if (reinterpret_cast<INT_PTR>(create.hMenu) == IDC_ITEM_LVCHILDICONS && (create.style & WS_CHILD))
                ::RegisterDragDrop(reinterpret_cast<HWND>(wParam), &instance);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static TSquatter instance;
};
TSquatter TSquatter::instance;

TEST_F(ChainDragTest, ListTakenByAnotherDropTarget) {
    const std::vector<TChildIcon> three = Rows(3);
    const UniqueHook hook(::SetWindowsHookExW(WH_CBT, &TSquatter::Hook, nullptr, ::GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    Run({"the editor says that the list takes no drops, and its rows still move",
         three,
         [](const TChain& c) {
             c.DragRows(2, 0, false);
             c.ClickOk();
         },
         Order(three, {2, 0, 1}),
         false,
         {"Failed to Register lvChildIcons"}});
}

} // namespace
} // namespace lodestar
