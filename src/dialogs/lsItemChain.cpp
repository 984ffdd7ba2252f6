// The item editor's page "連鎖起動": the chain rows, their list and the chain toolbar on its docks.
#include "lsItem.h"
#include "Dpi.h"

#include "Application.h"
#include "Clipboard.h"
#include "HotKey.h"
#include "CommandLine.h"
#include "ItemRecord.h"
#include "ItemStream.h"
#include "Seams.h"
#include "ChainRows.h"
#include "LsReg.h"
#include "Toolbar97.h"
#include "WinError.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "WinText.h"
#include "lsSubCmd.h"
#include "resource.h"

#include <algorithm>
#include <cstring>

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
    chain_.OnClick(IDC_ITEM_BTNDEL, [this] { btnDelClick(); });
    chain_.OnClick(IDC_ITEM_BTNCOPY, [this] { btnCopyClick(); });
    chain_.OnClick(IDC_ITEM_BTNCUT, [this] { btnCutClick(); });
    chain_.OnClick(IDC_ITEM_BTNPASTE, [this] { btnPasteClick(); });
    chain_.OnClick(IDC_ITEM_BTNUP, [this] { btnUpOrDownClick(true); });
    chain_.OnClick(IDC_ITEM_BTNDOWN, [this] { btnUpOrDownClick(false); });
    chain_.OnClick(IDC_ITEM_BTNEXCHANGE, [this] { btnExchangeClick(); });

    // The keys of the entries work in the list (ChainKeyPreview), whether the menu is open or not.
    pmChild = CreateComponent<TPopupMenu>(this);
    pmChild->SetName("pmChild");
    pmChild->OnPopup = [this](TPopupMenu*) { pmChildPopup(); };
    TMenuItem* items = pmChild->Items();
    const auto entry = [items](const char* name, const char* caption, std::uint16_t shortCut,
                               std::function<void()> action) {
        TMenuItem* item = items->Add(caption, [action = std::move(action)](TMenuItem*) { action(); });
        item->SetName(name);
        item->ShortCut = shortCut;
        return item;
    };
    miNew = entry("miNew", "新規作成(&N)...\tCtrl+N", kShortcutCtrl | 'N', [this] { btnNewClick(); });
    items->Add("-");
    miCut = entry("miCut", "切り取り(&T)\tCtrl+X", kShortcutCtrl | 'X', [this] { btnCutClick(); });
    miCopy = entry("miCopy", "コピー(&C)\tCtrl+C", kShortcutCtrl | 'C', [this] { btnCopyClick(); });
    miPaste = entry("miPaste", "貼り付け(&V)\tCtrl+V", kShortcutCtrl | 'V', [this] { btnPasteClick(); });
    miDel = entry("miDel", "削除(&L)\tDel", VK_DELETE, [this] { btnDelClick(); });
    items->Add("-");
    miExchange = entry("miExchange", "親アイコンと入れ替え(&X)\tCtrl+E", kShortcutCtrl | 'E',
                       [this] { btnExchangeClick(); });
    items->Add("-");
    miUp = entry("miUp", "前に移動(&U)\tF11", VK_F11, [this] { btnUpOrDownClick(true); });
    miDown = entry("miDown", "後ろに移動(&D)\tF12", VK_F12, [this] { btnUpOrDownClick(false); });
    items->Add("-");
    miEdit =
        entry("miEdit", "プロパティ(&R)...\tAlt+Enter", kShortcutAlt | VK_RETURN, [this] { btnEditClick(); });
    chain_.OnContextMenu(IDC_ITEM_LVCHILDICONS, [this](POINT screen) { lvChildIconsContextMenu(screen); });
    OnKeyPreview([this](const MSG& message) { return ChainKeyPreview(message); });
    clipboardHook_ = std::make_unique<TClipboardEmptiedHook>([this] {
        if (tb97ChildIcons_) tb97ChildIcons_->SetButtonEnabled(IDC_ITEM_BTNPASTE, false);
    });
    chain_.OnNotify(IDC_ITEM_LVCHILDICONS, NM_DBLCLK, [this](NMHDR&) -> LRESULT {
        btnEditClick();
        return 0;
    });
    OnRowChanged(chain_, IDC_ITEM_LVCHILDICONS, [this](const NMLISTVIEW& change) {
        if (change.uChanged & LVIF_STATE) UpdateChildButtons();
    });
    chain_.SetHelpContext(IDC_ITEM_LVCHILDICONS, kListHelp);
    chain_.SetHelpContext(IDC_ITEM_IMAGEICONCHAIN, 33);
    // The list's own right-click menu is pmChild; its help context is F1's.
    chain_.BindHelpMenu({IDC_ITEM_IMAGEICONCHAIN});
}

void TForm3::OpenChainPage() {
    TListView list = ChildList();
    // The rows' pictures at the small icon's size of the dialog's display scale (16 at 100 %).
    if (const int size = SmallIconSizeForDpi(WindowDpi(list.Handle())); size != imglist1.Width())
        imglist1 = TImageList(size, size);
    list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    list.SetImageList(imglist1.Handle(), LVSIL_SMALL);
    list.AddColumn("子アイコン", 110);
    list.AddColumn("遅延", 66, LVCFMT_RIGHT);
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
    const UniqueIcon icon = ItemIcon({}, child.Cmd, child.IDList, imglist1.Width());
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

std::vector<bool> TForm3::SelectedChildRows() const {
    const TListView list = ChildList();
    std::vector<bool> selected(static_cast<std::size_t>(list.Count()));
    for (const int row : list.SelectedRows())
        selected[static_cast<std::size_t>(row)] = true;
    return selected;
}

void TForm3::pmChildPopup() {
    const TListView list = ChildList();
    const bool room = rows_.size() < kMaxChainEntries;
    const int selected = list.SelectedCount();
    miNew->Enabled = room;
    miEdit->Enabled = selected == 1;
    miExchange->Enabled = selected == 1;
    for (TMenuItem* item : {miCopy, miCut, miDel, miUp, miDown})
        item->Enabled = selected >= 1;
    miPaste->Enabled = room && ClipboardHasItems();
}

void TForm3::lvChildIconsContextMenu(POINT screen) {
    ::SetForegroundWindow(Handle());
    pmChild->Popup(Handle(), screen.x, screen.y);
}

bool TForm3::ChainKeyPreview(const MSG& message) {
    const TListView list = ChildList();
    if (!list.Handle() || message.hwnd != list.Handle() || list.Editing()) return false;
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    // Shift plays no part in the list's keys.
    const bool ctrl = Seams().KeyDown(VK_CONTROL);
    const bool alt = message.message == WM_SYSKEYDOWN || Seams().KeyDown(VK_MENU);
    const auto key = static_cast<unsigned>(message.wParam);
    if (key == 'A' && ctrl && !alt) {
        ChildList().SelectAll();
        return true;
    }
    return pmChild->IsShortCut(ShortCutOf(key, false, ctrl, alt));
}

void TForm3::btnDelClick() {
    TListView list = ChildList();
    if (list.Editing()) return;
    const std::vector<int> selected = list.SelectedRows();
    if (selected.empty()) return;
    TUpdateGuard update(list.Handle());
    for (auto row = selected.rbegin(); row != selected.rend(); ++row)
        DeleteChildRow(*row);
    UpdateChildButtons();
}

void TForm3::btnCopyClick() {
    const TListView list = ChildList();
    const std::vector<int> selected = list.SelectedRows();
    if (selected.empty()) return;
    TChildIconList entries;
    for (const int row : selected)
        entries.push_back(ChildRow(row));
    const Bytes payload = EncodeChain(entries);
    {
        TClipboardGuard clipboard(ClipboardWindow());
        clipboard.Empty();
        RememberClipboardBlock(clipboard.SetPrivateData(ITEM_CLIPFORMAT, payload));
    }
    if (tb97ChildIcons_)
        tb97ChildIcons_->SetButtonEnabled(IDC_ITEM_BTNPASTE, rows_.size() < kMaxChainEntries);
}

void TForm3::btnCutClick() {
    if (ChildList().SelectedCount() == 0) return;
    btnCopyClick();
    btnDelClick();
}

void TForm3::btnPasteClick() {
    TListView list = ChildList();
    const int before = ChildRowCount();
    const int insertAt = list.FirstSelected();
    {
        TClipboardGuard clipboard(ClipboardWindow());
        TUpdateGuard update(list.Handle());
        if (::IsClipboardFormatAvailable(ITEM_CLIPFORMAT)) {
            const auto block = clipboard.Data(ITEM_CLIPFORMAT);
            if (!block) return;
            PasteChain(*block);
        } else if (::IsClipboardFormatAvailable(ITEMLIST_CLIPFORMAT)) {
            const auto block = clipboard.Data(ITEMLIST_CLIPFORMAT);
            if (!block) return;
            PasteItemList(*block);
        } else {
            return;
        }
    }
    if (insertAt >= 0) ReorderChildRows(InsertOrder(ChildRowCount(), before, insertAt));
    UpdateChildButtons();
}

void TForm3::PasteChain(const std::vector<std::uint8_t>& block) {
    for (TChildIcon& child : DecodeChain(block))
        if (!AddChildRow(std::move(child))) break;
}

void TForm3::PasteItemList(const std::vector<std::uint8_t>& block) {
    // A count, then per item a byte count and the item's stream. A block that announces more than it
    // holds raises the read error once the items before the damage are in; nothing beyond it is read.
    MemoryReader in(block);
    const auto readCount = [&in, &block]() {
        if (in.Remaining() < 4) throw EReadError("ストリームの読み込みエラー");
        std::uint32_t value = 0;
        std::memcpy(&value, block.data() + in.Position(), 4);
        in.Seek(in.Position() + 4);
        return value;
    };
    const std::uint32_t count = readCount();
    for (std::uint32_t i = 0; i < count && rows_.size() < kMaxChainEntries; ++i) {
        const std::uint32_t length = readCount();
        if (length == 0) return;
        if (length > in.Remaining()) throw EReadError("ストリームの読み込みエラー");
        const TItemData item = ReadItem(std::span(block).subspan(in.Position(), length));
        in.Seek(in.Position() + length);
        TChildIcon child;
        child.IDList = item.IDList;
        child.Cmd = item.Cmd;
        child.DefDir = item.DefDir;
        child.WndSize = item.WndSize;
        AddChildRow(std::move(child));
    }
}

void TForm3::btnUpOrDownClick(bool up) {
    TListView list = ChildList();
    if (list.Editing() || list.SelectedCount() == 0) return;
    ReorderChildRows(MoveRunsOrder(SelectedChildRows(), up));
    const std::vector<int> selected = list.SelectedRows();
    if (!selected.empty()) list.EnsureVisible(up ? selected.front() : selected.back());
}

void TForm3::btnExchangeClick() {
    if (!Enabled(IDOK)) {
        Seams().Beep(MB_OK);
        return;
    }
    TListView list = ChildList();
    const int row = list.FocusedRow();
    if (row < 0) return;
    auto& child = *reinterpret_cast<TChildIcon*>(list.Data(row));

    TItemData current;
    current.Cmd = general_.Text(IDC_ITEM_EDITCMD);
    current.DefDir = general_.Text(IDC_ITEM_EDITDEFDIR);
    current.WndSize =
        static_cast<std::uint8_t>(std::max(0, TComboBox(general_.Item(IDC_ITEM_COMBOWNDSIZE)).ItemIndex()));
    current.IDList = idList_;
    // A name that is only the current target's default name goes with the target.
    if (general_.Text(IDC_ITEM_EDITTIP) == DefaultTip(current))
        general_.SetText(IDC_ITEM_EDITTIP, list.Text(row));

    general_.SetText(IDC_ITEM_EDITCMD, child.Cmd);
    general_.SetText(IDC_ITEM_EDITDEFDIR, child.DefDir);
    TComboBox(general_.Item(IDC_ITEM_COMBOWNDSIZE)).SetItemIndex(child.WndSize < 3 ? child.WndSize : 0);
    SetIDList(child.IDList);

    child.Cmd = current.Cmd;
    child.DefDir = current.DefDir;
    child.WndSize = current.WndSize;
    child.IDList = current.IDList;
    ShowChildRow(row);
    if (iconLocation_.empty()) UpdatePreview();
}

void TForm3::ChildButtonRightUp(int buttonId, POINT screen) {
    if (buttonId == IDC_ITEM_BTNEXCHANGE || !tb97ChildIcons_) return;
    chain_.PopupHelpMenu(tb97ChildIcons_->HelpContext(buttonId), screen);
}

} // namespace lodestar
