// The item editor's page "連鎖起動": the chain rows, their list and the chain toolbar on its docks.
#include "lsItem.h"

#include "Application.h"
#include "ChainRows.h"
#include "LsReg.h"
#include "Toolbar97.h"
#include "WinError.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsSubCmd.h"
#include "resource.h"

#include <algorithm>

namespace lodestar {

namespace {
enum TChainColumn { ccName, ccDelay, ccDupCheck, ccAutoQuit, ccCmd, ccDefDir, ccWndSize, ccCount };

// The toolbar's buttons from the left; the glyph strip holds their pictures in this order.
struct TChildButton {
    int Id;
    const char* Hint;
    int HelpContext;
    bool SeparatorAfter;
};
constexpr TChildButton kChildButtons[] = {
    {IDC_ITEM_BTNNEW, "連鎖起動プログラムの追加", 45, true},
    {IDC_ITEM_BTNCUT, "切り取り", 72, false},
    {IDC_ITEM_BTNCOPY, "コピー", 72, false},
    {IDC_ITEM_BTNPASTE, "貼り付け", 72, false},
    {IDC_ITEM_BTNDEL, "削除", 46, true},
    {IDC_ITEM_BTNEXCHANGE, "親アイコンと入れ替え", 0, false},
    {IDC_ITEM_BTNUP, "起動順を上げる", 69, false},
    {IDC_ITEM_BTNDOWN, "起動順を下げる", 70, true},
    {IDC_ITEM_BTNEDIT, "連鎖起動プログラムの編集", 44, false},
};
constexpr int kChainPage = 1;
constexpr int kListHelp = 71;
} // namespace

TListView TForm3::ChildList() const {
    return TListView(chain_.Item(IDC_ITEM_LVCHILDICONS));
}

void TForm3::CreateChainPage() {
    CreateChainDrag();
    chain_.OnClick(IDC_ITEM_BTNNEW, [this] { btnNewClick(); });
    chain_.OnClick(IDC_ITEM_BTNEDIT, [this] { btnEditClick(); });
    chain_.OnNotify(IDC_ITEM_LVCHILDICONS, NM_DBLCLK, [this](NMHDR&) -> LRESULT {
        btnEditClick();
        return 0;
    });
    OnRowChanged(chain_, IDC_ITEM_LVCHILDICONS, [this](const NMLISTVIEW& change) {
        if (change.uChanged & LVIF_STATE) UpdateChildButtons();
    });
    chain_.SetHelpContext(IDC_ITEM_LVCHILDICONS, kListHelp);
    chain_.SetHelpContext(IDC_ITEM_IMAGEICONCHAIN, 33);
    chain_.BindHelpMenu({IDC_ITEM_LVCHILDICONS, IDC_ITEM_IMAGEICONCHAIN});
}

void TForm3::OpenChainPage() {
    TListView list = ChildList();
    list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    list.SetImageList(imglist1.Handle(), LVSIL_SMALL);
    list.AddColumn("子アイコン", 110);
    list.AddColumn("遅延", 56, LVCFMT_RIGHT);
    list.AddColumn("複", 26, LVCFMT_RIGHT);
    list.AddColumn("閉", 26, LVCFMT_RIGHT);
    list.AddColumn("コマンド", 180);
    list.AddColumn("作業フォルダ", 110);
    list.AddColumn("サイズ", 56);

    // The docks frame the list's place in the page; the list fills what they leave.
    RECT area{};
    ::GetWindowRect(list.Handle(), &area);
    ::MapWindowPoints(nullptr, chain_.Handle(), reinterpret_cast<POINT*>(&area), 2);
    delete dockSite_;
    dockSite_ = CreateComponent<TDockSite>(this, chain_.Handle(), area);
    dockSite_->OnResize = [this](TDockSite&) { LayoutChainPage(); };
    tb97ChildIcons_ = &dockSite_->AddToolbar("tb97ChildIcons", "子アイコン編集", TDockPosition::dpTop);
    try {
        tb97ChildIcons_->LoadImageStrip(::GetModuleHandleW(nullptr), L"CHILDTOOLS", 16, RGB(255, 255, 255));
    } catch (const EWindowsError&) {
        // A program file without the glyphs still has working buttons, with their hints.
    }
    int image = 0;
    for (const TChildButton& button : kChildButtons) {
        tb97ChildIcons_->AddButton(button.Id, image++, button.Hint, button.HelpContext);
        if (button.SeparatorAfter) tb97ChildIcons_->AddSeparator();
    }
    tb97ChildIcons_->OnButtonRightUp = [this](TToolbar97&, int id, POINT screen) {
        ChildButtonRightUp(id, screen);
    };
    dockSite_->Dock(TDockPosition::dpTop).OnInsertRemoveBar = [this](TDock97& dock, TToolbar97&, bool) {
        if (!loading_) chain_.SetVisible(IDC_ITEM_BEVELHEADER, !dock.Toolbars().empty());
    };
    dockSite_->LoadPlacements();
    bool fixed = false;
    {
        TLsReg window;
        if (window.OpenKey("\\Software\\Marlowe\\Lodestar\\Window", false))
            fixed = window.ReadBoolDef("FixToolbarPos", false);
    }
    SetToolbarsFixed(fixed);
    chain_.SetVisible(IDC_ITEM_BEVELHEADER, !dockSite_->Dock(TDockPosition::dpTop).Toolbars().empty());
    if (tb97ChildIcons_->Floating() && tb97ChildIcons_->FloatingWindow())
        ::ShowWindow(tb97ChildIcons_->FloatingWindow(), SW_HIDE);
    LayoutChainPage();
    OpenChainDrag();
}

void TForm3::LayoutChainPage() {
    if (!dockSite_) return;
    const RECT client = dockSite_->ClientRect();
    ::MoveWindow(chain_.Item(IDC_ITEM_LVCHILDICONS), client.left, client.top, client.right - client.left,
                 client.bottom - client.top, TRUE);
}

void TForm3::SetToolbarsFixed(bool fixed) {
    if (dockSite_) dockSite_->SetAllowDrag(!fixed);
}

void TForm3::PageControl1Change(int page) {
    // A floating toolbar belongs to the chain page and shows only with it.
    if (page == kChainPage && tb97ChildIcons_ && tb97ChildIcons_->Floating() && tb97ChildIcons_->Visible() &&
        tb97ChildIcons_->FloatingWindow())
        ::ShowWindow(tb97ChildIcons_->FloatingWindow(), SW_SHOWNOACTIVATE);
}

bool TForm3::PageControl1Changing(int page) {
    if (page == kChainPage && tb97ChildIcons_ && tb97ChildIcons_->Floating() &&
        tb97ChildIcons_->FloatingWindow())
        ::ShowWindow(tb97ChildIcons_->FloatingWindow(), SW_HIDE);
    return true;
}

int TForm3::ChildRowCount() const {
    return static_cast<int>(rows_.size());
}

const TChildIcon& TForm3::ChildRow(int row) const {
    const TListView list = ChildList();
    if (list.Handle()) return *reinterpret_cast<const TChildIcon*>(list.Data(row));
    return *rows_.at(static_cast<std::size_t>(row));
}

bool TForm3::AddChildRow(TChildIcon child) {
    if (rows_.size() >= kMaxChainEntries) return false;
    rows_.push_back(std::make_unique<TChildIcon>(std::move(child)));
    TListView list = ChildList();
    if (list.Handle()) {
        const int row = list.AddRow("", reinterpret_cast<LPARAM>(rows_.back().get()), I_IMAGENONE);
        ShowChildRow(row);
        UpdateChildCount();
    }
    return true;
}

void TForm3::DeleteChildRow(int row) {
    TListView list = ChildList();
    const TChildIcon* entry = list.Handle() ? reinterpret_cast<const TChildIcon*>(list.Data(row))
                                            : rows_.at(static_cast<std::size_t>(row)).get();
    if (list.Handle()) list.DeleteRow(row);
    std::erase_if(rows_, [entry](const std::unique_ptr<TChildIcon>& held) { return held.get() == entry; });
    if (list.Handle()) UpdateChildCount();
}

void TForm3::ReorderChildRows(const std::vector<int>& order) {
    TListView list = ChildList();
    const int count = list.Count();
    if (static_cast<int>(order.size()) != count) return;
    struct TRow {
        LPARAM Data;
        int Image;
        bool Selected;
    };
    std::vector<TRow> rows;
    rows.reserve(order.size());
    for (int row = 0; row < count; ++row)
        rows.push_back({list.Data(row), list.Image(row), list.Selected(row)});
    const int focused = list.FocusedRow();
    TUpdateGuard update(list.Handle());
    for (int row = 0; row < count; ++row) {
        const TRow& from = rows[static_cast<std::size_t>(order[static_cast<std::size_t>(row)])];
        list.SetData(row, from.Data);
        list.SetImage(row, from.Image);
        list.SetSelected(row, from.Selected);
        if (order[static_cast<std::size_t>(row)] == focused) list.SetFocusedRow(row);
        ShowChildRowTexts(row);
    }
}

void TForm3::ShowChildRow(int row) {
    ShowChildRowTexts(row);
    TListView list = ChildList();
    const TChildIcon& child = *reinterpret_cast<const TChildIcon*>(list.Data(row));
    const UniqueIcon icon = ItemIcon({}, child.Cmd, child.IDList);
    if (!icon) return;
    if (list.Image(row) == I_IMAGENONE)
        list.SetImage(row, imglist1.AddIcon(icon.Get()));
    else
        ::ImageList_ReplaceIcon(imglist1.Handle(), list.Image(row), icon.Get());
}

void TForm3::ShowChildRowTexts(int row) {
    TListView list = ChildList();
    const TChildIcon& child = *reinterpret_cast<const TChildIcon*>(list.Data(row));
    const TChainRowTexts texts = ChainRowTexts(child);
    list.SetText(row, ccName, ChildDefaultName(child.Cmd, child.IDList));
    list.SetText(row, ccDelay, texts.Delay);
    list.SetText(row, ccDupCheck, texts.DupCheck);
    list.SetText(row, ccAutoQuit, texts.AutoQuit);
    list.SetText(row, ccCmd, texts.Cmd);
    list.SetText(row, ccDefDir, texts.DefDir);
    list.SetText(row, ccWndSize, texts.WndSize);
}

void TForm3::UpdateChildButtons() {
    if (!tb97ChildIcons_) return;
    const int selected = ChildList().SelectedCount();
    for (const int id : {IDC_ITEM_BTNEDIT, IDC_ITEM_BTNEXCHANGE})
        tb97ChildIcons_->SetButtonEnabled(id, selected == 1);
    for (const int id :
         {IDC_ITEM_BTNDEL, IDC_ITEM_BTNUP, IDC_ITEM_BTNDOWN, IDC_ITEM_BTNCUT, IDC_ITEM_BTNCOPY})
        tb97ChildIcons_->SetButtonEnabled(id, selected >= 1);
}

void TForm3::UpdateChildCount() {
    if (!tb97ChildIcons_) return;
    const bool room = rows_.size() < kMaxChainEntries;
    tb97ChildIcons_->SetButtonEnabled(IDC_ITEM_BTNNEW, room);
    tb97ChildIcons_->SetButtonEnabled(IDC_ITEM_BTNPASTE, room && ClipboardHasItems());
    SetChainDropsAccepted(room);
}

void TForm3::btnNewClick() {
    if (rows_.size() >= kMaxChainEntries) return;
    TChildIcon child;
    TFormChild editor(this);
    editor.SetNewCaption();
    if (editor.EditChild(child, ChildRowCount())) AddChildRow(std::move(child));
}

void TForm3::btnEditClick() {
    TListView list = ChildList();
    const int row = list.FirstSelected();
    if (row < 0) return;
    auto* child = reinterpret_cast<TChildIcon*>(list.Data(row));
    TFormChild editor(this);
    if (editor.EditChild(*child, row)) ShowChildRow(row);
}

void TForm3::ChildButtonRightUp(int buttonId, POINT screen) {
    if (buttonId == IDC_ITEM_BTNEXCHANGE || !tb97ChildIcons_) return;
    chain_.PopupHelpMenu(tb97ChildIcons_->HelpContext(buttonId), screen);
}

} // namespace lodestar
