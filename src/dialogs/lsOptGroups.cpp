// The options dialog's first page: the ten groups and the items of the shown one. The dialog owns copies
// of every record; nothing reaches the registry before OK.
#include "lsOpt.h"

#include "Application.h"
#include "Dpi.h"
#include "Errors.h"
#include "ItemRecord.h"
#include "HotKey.h"
#include "ItemRules.h"
#include "ItemStream.h"
#include "LsReg.h"
#include "Seams.h"
#include "Settings.h"
#include "ShellIcons.h"
#include "Store.h"
#include "Toolbar97.h"
#include "WinError.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsMain.h"
#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

namespace lodestar {

namespace {

// The toolbar's buttons from the left, with their pictures in the chain toolbar's glyph strip.
struct TItemButton {
    int Id;
    int Image;
    const char* Hint;
    int HelpContext;
    bool SeparatorAfter;
};
constexpr TItemButton kItemButtons[] = {
    {IDC_OPTI_BTNNEW, 0, "アイコン項目の新規作成", 45, true},
    {IDC_OPTI_BTNCUT, 1, "切り取り", 58, false},
    {IDC_OPTI_BTNCOPY, 2, "コピー", 58, false},
    {IDC_OPTI_BTNPASTE, 3, "貼り付け", 58, false},
    {IDC_OPTI_BTNDEL, 4, "削除", 46, true},
    {IDC_OPTI_BTNUP, 6, "前へ移動", 15, false},
    {IDC_OPTI_BTNDOWN, 7, "後ろへ移動", 2, true},
    {IDC_OPTI_BTNEDIT, 8, "アイコン項目のプロパティ", 44, false},
};

constexpr int kImageClosedFolder = 0;
constexpr int kImageOpenFolder = 1;
constexpr int kSplitterWidth = 4;
constexpr int kMinListWidth = 24;

std::string DamagedGroupMessage(int group) {
    return "グループ " + std::to_string(group) +
           " には読み込めなかったアイコン項目があるため、このグループは表示も変更もできません。\r"
           "保存されている内容はそのまま残してあります。";
}

std::string OverfullGroupMessage(int group) {
    return "グループ " + std::to_string(group) +
           " には 200 個を超えるアイコン項目が保存されているため、このグループは表示も変更もできません。\r"
           "保存されている内容はそのまま残してあります。";
}

// A copy of a mark drawn for 16 pixels, in the middle of a white square of `size` pixels (white is its
// transparent colour): the mark keeps its sharp pixels at every display scale.
UniqueBitmap CenteredIn(HBITMAP mark, int size) {
    BITMAP info{};
    if (!::GetObjectW(mark, sizeof info, &info) || (info.bmWidth == size && info.bmHeight == size))
        return UniqueBitmap(static_cast<HBITMAP>(::CopyImage(mark, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const UniqueMemoryDC source(::CreateCompatibleDC(nullptr));
    const UniqueMemoryDC target(::CreateCompatibleDC(nullptr));
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap square(::CreateDIBSection(target.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!square || !source || !target) return {};
    const HGDIOBJ oldSource = ::SelectObject(source.Get(), mark);
    const HGDIOBJ oldTarget = ::SelectObject(target.Get(), square.Get());
    const RECT all{0, 0, size, size};
    ::FillRect(target.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::BitBlt(target.Get(), (size - info.bmWidth) / 2, (size - info.bmHeight) / 2, info.bmWidth, info.bmHeight,
             source.Get(), 0, 0, SRCCOPY);
    ::SelectObject(source.Get(), oldSource);
    ::SelectObject(target.Get(), oldTarget);
    return square;
}

// Whether the items would be stored exactly as they were read.
bool SameStoredItems(const std::vector<TItemData>& items,
                     const std::optional<std::vector<TItemData>>& stored) {
    if (!stored || stored->size() != items.size()) return false;
    Bytes now;
    Bytes before;
    for (std::size_t i = 0; i < items.size(); ++i) {
        now.clear();
        before.clear();
        WriteItemStream(items[i], DefaultTip(items[i]), now);
        WriteItemStream((*stored)[i], DefaultTip((*stored)[i]), before);
        if (now != before) return false;
    }
    return true;
}

} // namespace

TListView TForm2::ItemList() const {
    return TListView(TabSheet1.Item(IDC_OPTI_LV1));
}

TListView TForm2::GroupList() const {
    return TListView(TabSheet1.Item(IDC_OPTI_LV2));
}

void TForm2::CreateItemsPage() {
    TabSheet1.OnClick(IDC_OPTI_BTNNEW, [this] { btnNewClick(); });
    TabSheet1.OnClick(IDC_OPTI_BTNEDIT, [this] { btnEditClick(); });
    TabSheet1.OnClick(IDC_OPTI_BTNDEL, [this] { btnDelClick(); });
    TabSheet1.OnClick(IDC_OPTI_BTNUP, [this] { btnUpOrDownClick(true); });
    TabSheet1.OnClick(IDC_OPTI_BTNDOWN, [this] { btnUpOrDownClick(false); });
    // The toolbar's check box reports to the page; its value is kept for after its window has gone.
    TabSheet1.OnClick(IDC_OPTI_CBSHOWMAINICO, [this] {
        if (cbShowMainIco) showMainIcon_ = ::SendMessageW(cbShowMainIco, BM_GETCHECK, 0, 0) == BST_CHECKED;
    });

    pm1 = CreateComponent<TPopupMenu>(this);
    pm1->SetName("pm1");
    pm1->OnPopup = [this](TPopupMenu*) { pm1Popup(); };
    TMenuItem* items = pm1->Items();
    const auto entry = [items](const char* name, const char* caption, std::uint16_t shortCut,
                               std::function<void()> action) {
        TMenuItem* item = items->Add(caption, [action = std::move(action)](TMenuItem*) {
            if (action) action();
        });
        item->SetName(name);
        item->ShortCut = shortCut;
        return item;
    };
    // The keys of the entries work in the item list (lv1KeyDown), whether the menu is open or not.
    miNew = entry("miNew", "新規作成(&N)...\tCtrl+N", kShortcutCtrl | 'N', [this] { btnNewClick(); });
    items->Add("-");
    miCut = entry("miCut", "切り取り(&T)\tCtrl+X", kShortcutCtrl | 'X', [this] { miCutClick(); });
    miCopy = entry("miCopy", "コピー(&C)\tCtrl+C", kShortcutCtrl | 'C', [this] { miCopyClick(); });
    miPaste = entry("miPaste", "貼り付け(&V)\tCtrl+V", kShortcutCtrl | 'V', [this] { miPasteClick(); });
    miDel = entry("miDel", "削除(&L)\tDel", VK_DELETE, [this] { btnDelClick(); });
    items->Add("-");
    miEditName = entry("miEditName", "表示名の変更(&M)\tF2", VK_F2, [this] { miEditNameClick(false); });
    items->Add("-");
    miUp = entry("miUp", "前に移動(&U)\tF11", VK_F11, [this] { btnUpOrDownClick(true); });
    miDown = entry("miDown", "後ろに移動(&D)\tF12", VK_F12, [this] { btnUpOrDownClick(false); });
    items->Add("-");
    miProperty = entry("miProperty", "プロパティ(&R)...\tAlt+Enter", kShortcutAlt | VK_RETURN,
                       [this] { btnEditClick(); });

    pm2 = CreateComponent<TPopupMenu>(this);
    pm2->SetName("pm2");
    pm2->Items()
        ->Add("表示名の変更(&M)\tF2", [this](TMenuItem*) { miEditNameClick(true); })
        ->SetName("miEditName2");

    TabSheet1.OnContextMenu(IDC_OPTI_LV1, [this](POINT screen) {
        ::SetForegroundWindow(Handle());
        pm1->Popup(Handle(), screen.x, screen.y);
    });
    TabSheet1.OnContextMenu(IDC_OPTI_LV2, [this](POINT screen) {
        ::SetForegroundWindow(Handle());
        pm2->Popup(Handle(), screen.x, screen.y);
    });
    TabSheet1.OnNotify(IDC_OPTI_LV1, NM_DBLCLK, [this](NMHDR&) -> LRESULT {
        btnEditClick();
        return 0;
    });
    OnRowChanged(TabSheet1, IDC_OPTI_LV1, [this](const NMLISTVIEW& change) {
        if (change.uChanged & LVIF_STATE) lv1Change();
    });
    OnRowChanged(TabSheet1, IDC_OPTI_LV2, [this](const NMLISTVIEW& change) {
        if ((change.uChanged & LVIF_STATE) && !switching_) lv2Change();
    });
    TabSheet1.OnNotify(IDC_OPTI_LV1, LVN_INSERTITEM, [this](NMHDR&) -> LRESULT {
        lv1Insert();
        return 0;
    });
    TabSheet1.OnNotify(IDC_OPTI_LV1, LVN_DELETEITEM, [this](NMHDR&) -> LRESULT {
        lv1Deletion(ItemList().Count());
        return 0;
    });
    TabSheet1.OnNotify(IDC_OPTI_LV1, LVN_DELETEALLITEMS, [this](NMHDR&) -> LRESULT {
        // The closing dialog's rows go without a notice each: nothing is shown any more.
        if (closed_) return TRUE;
        lv1Deletion(ItemList().Count());
        return FALSE; // one deletion notice per row follows
    });
    OnCaptionEditing(TabSheet1, IDC_OPTI_LV1, [this](int) { return !GroupKept(shownGroup_); });
    OnCaptionEditing(TabSheet1, IDC_OPTI_LV2, [this](int row) { return !GroupKept(row); });
    OnCaptionEdited(TabSheet1, IDC_OPTI_LV1,
                    [this](int row, const std::string& text) { return lv1Edited(row, text); });
    OnCaptionEdited(TabSheet1, IDC_OPTI_LV2,
                    [this](int row, const std::string& text) { return lv2Edited(row, text); });
    TabSheet1.SetHelpContext(IDC_OPTI_LV1, 43);
    TabSheet1.SetHelpContext(IDC_OPTI_LV2, 50);
    TabSheet1.SetHelpContext(IDC_OPTI_CBSHOWMAINICO, 21);
    TabSheet1.BindHelpMenu({IDC_OPTI_CBSHOWMAINICO});
    CreateItemsTransfer();
}

void TForm2::OpenItemsPage() {
    // The rows' pictures at the small icon's size of the dialog's display scale (16 at 100 %).
    const int size = SmallIconSizeForDpi(WindowDpi(Handle()));
    imgList1 = std::make_unique<TImageList>(size, size);
    imgList2 = std::make_unique<TImageList>(size, size);
    for (const int number : {3, 4}) {
        const UniqueIcon icon = GetShellIcon(number, size);
        if (icon)
            imgList2->AddIcon(icon.Get());
        else
            imgList2->AddBlank();
    }
    const UniqueBitmap chain(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), L"CHAIN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!chain || ::ImageList_AddMasked(imgList2->Handle(), CenteredIn(chain.Get(), size).Get(),
                                        RGB(255, 255, 255)) < 0)
        Seams().Beep(MB_OK);

    UseSystemUIFont(TabSheet1.Handle());
    TListView lv1 = ItemList();
    lv1.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    lv1.SetImageList(imgList1->Handle(), LVSIL_SMALL);
    lv1.AddColumn("アイコン名", 150);
    lv1.AddColumn("実行コマンド", 210);
    lv1.AddColumn("作業フォルダ", 110);
    lv1.AddColumn("サイズ", 56);
    lv1.AddColumn("表示アイコン", 120);
    lv1.AddColumn("ショートカットキー", 120);
    TListView lv2 = GroupList();
    lv2.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    lv2.SetImageList(imgList2->Handle(), LVSIL_SMALL);
    lv2.AddColumn("グループ", 200);
    ::SetWindowSubclass(lv1.Handle(), &TForm2::ListKeyProc, 1, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowSubclass(lv2.Handle(), &TForm2::ListKeyProc, 2, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowSubclass(TabSheet1.Handle(), &TForm2::ItemsPageProc, 0, reinterpret_cast<DWORD_PTR>(this));

    {
        TLsReg window;
        if (window.OpenKey(kWindowKey, false)) groupViewWidth_ = window.ReadIntegerDef("GroupViewWidth", 100);
    }
    RECT area{};
    ::GetClientRect(TabSheet1.Handle(), &area);
    itemsDocks_ = CreateComponent<TDockSite>(this, TabSheet1.Handle(), area);
    itemsDocks_->OnResize = [this](TDockSite&) { LayoutItemsPage(); };
    tb97MainIcon = &itemsDocks_->AddToolbar("tb97MainIcon", "メインアイコン", TDockPosition::dpTop);
    tb97MainIcon->SetDockableTo({TDockPosition::dpTop, TDockPosition::dpBottom});
    cbShowMainIco = tb97MainIcon->AddControl(WC_BUTTONW, IDC_OPTI_CBSHOWMAINICO, "メインアイコンを表示(&M)",
                                             BS_AUTOCHECKBOX | WS_TABSTOP);
    SetShowMainIconChecked(showMainIcon_);
    tb97IconItems = &itemsDocks_->AddToolbar("tb97IconItems", "アイコン項目編集", TDockPosition::dpTop, 0, 1);
    try {
        tb97IconItems->LoadImageStrip(::GetModuleHandleW(nullptr), L"CHILDTOOLS", 16, RGB(255, 255, 255));
    } catch (const EWindowsError&) {
        // Without the glyphs the buttons still work and show their hints.
    }
    for (const TItemButton& button : kItemButtons) {
        tb97IconItems->AddButton(button.Id, button.Image, button.Hint, button.HelpContext);
        if (button.SeparatorAfter) tb97IconItems->AddSeparator();
    }
    const auto helpMenu = [this](TToolbar97& bar, int id, POINT screen) {
        TabSheet1.PopupHelpMenu(bar.HelpContext(id), screen);
    };
    tb97IconItems->OnButtonRightUp = helpMenu;
    itemsDocks_->LoadPlacements();
    itemsDocks_->SetAllowDrag(!toolbarsFixed_);
    itemsPageOpen_ = true;
    LayoutItemsPage();
    LoadGroups();
    OpenItemsTransfer();
}

void TForm2::CloseItemsPage() {
    if (!itemsPageOpen_) return;
    if (itemsDocks_) {
        itemsDocks_->SetAllowDrag(true);
        itemsDocks_->SavePlacements();
    }
    try {
        TLsReg window;
        window.OpenKey(kWindowKey, true);
        RECT bounds{};
        ::GetWindowRect(GroupList().Handle(), &bounds);
        window.WriteInteger("GroupViewWidth", bounds.right - bounds.left);
    } catch (...) {
        // The width is only where the splitter was left; the dialog closes anyway.
    }
}

void TForm2::SetToolbarsFixed(bool fixed) {
    toolbarsFixed_ = fixed;
    if (itemsDocks_) itemsDocks_->SetAllowDrag(!fixed);
}

// The check box lives on its toolbar, which moves between the docks and its floating window: it is reached
// by its handle, not as a control of the page.
bool TForm2::ShowMainIconChecked() const {
    if (!cbShowMainIco || !::IsWindow(cbShowMainIco)) return showMainIcon_;
    return ::SendMessageW(cbShowMainIco, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm2::SetShowMainIconChecked(bool checked) {
    showMainIcon_ = checked;
    if (cbShowMainIco) ::SendMessageW(cbShowMainIco, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TForm2::ListCaptionEditing() const {
    return itemsPageOpen_ && (ItemList().Editing() || GroupList().Editing());
}

int TForm2::ShownGroup() const {
    return shownGroup_;
}

int TForm2::ItemCount() const {
    const TListView list = ItemList();
    return list.Handle() ? list.Count() : static_cast<int>(closedRows_.size());
}

const TItemData& TForm2::ItemRecordAt(int index) const {
    if (index < 0 || index >= ItemCount()) throw EProgramError("アイコン項目の番号が範囲外です。");
    const TListView list = ItemList();
    if (list.Handle()) return *reinterpret_cast<const TItemData*>(list.Data(index));
    return *closedRows_[static_cast<std::size_t>(index)];
}

UniqueIcon TForm2::ItemIconAt(int index) const {
    if (index < 0 || index >= ItemCount() || !imgList1) return {};
    const TListView list = ItemList();
    const int image = list.Handle() ? list.Image(index) : closedImages_[static_cast<std::size_t>(index)];
    if (image < 0) return {};
    return UniqueIcon(::ImageList_GetIcon(imgList1->Handle(), image, ILD_NORMAL));
}

bool TForm2::GroupKept(int group) const {
    if (group < 0 || group >= kGroupCount) return false;
    return groupDamaged_[static_cast<std::size_t>(group)] || group == keptShownGroup_;
}

std::string TForm2::KeptGroupMessage(int group) const {
    if (group < 0 || group >= kGroupCount) return {};
    if (groupOverfull_[static_cast<std::size_t>(group)]) return OverfullGroupMessage(group);
    if (groupDamaged_[static_cast<std::size_t>(group)]) return DamagedGroupMessage(group);
    return mainForm_.GroupKeptMessage();
}

bool TForm2::RefuseKeptChange() {
    if (!GroupKept(shownGroup_)) return false;
    ShowErrorBox(KeptGroupMessage(shownGroup_), MB_ICONEXCLAMATION);
    return true;
}

// --- Loading and saving ---

void TForm2::LoadGroups() {
    TListView lv2 = GroupList();
    const int current = std::clamp(mainForm_.CurrentGroup(), 0, kGroupCount - 1);
    shownGroup_ = current;
    keptShownGroup_ = mainForm_.GroupIncomplete() ? current : -1;
    switching_ = true;
    struct TEnd {
        bool& Flag;
        ~TEnd() { Flag = false; }
    } end{switching_};
    lv2.Clear();
    for (int g = 0; g < kGroupCount; ++g)
        lv2.AddRow(GroupCaption(g, ReadGroupName(g)), g, kImageClosedFolder);
    TListView lv1 = ItemList();
    for (int g = 0; g < kGroupCount; ++g) {
        auto& list = GroupItems[static_cast<std::size_t>(g)];
        list.clear();
        if (g == current) {
            AddRowsInBatch([this] {
                for (TIconItem* item : mainForm_.IconItems())
                    AddItemRow(item->GetData());
            });
            continue;
        }
        std::vector<TItemData> read;
        try {
            TLsReg reg;
            reg.ReadGroup(g, 0, [&read](const TItemData& item, int) { read.push_back(item); });
            if (read.size() > kMaxItemsInGroup) {
                // More than the list takes: showing the group would drop the rest when it is saved.
                groupDamaged_[static_cast<std::size_t>(g)] = true;
                groupOverfull_[static_cast<std::size_t>(g)] = true;
            } else {
                storedGroups_[static_cast<std::size_t>(g)] = read;
                list = std::move(read);
            }
        } catch (...) {
            // What was read before the damage is not offered: saving it would lose the rest for good.
            groupDamaged_[static_cast<std::size_t>(g)] = true;
            Application::HandleException(std::current_exception());
        }
        lv2.SetCut(g, list.empty());
    }
    if (lv1.Count() > 0) lv1.SetFocusedRow(0);
    lv1Change();
    lv2.SetImage(current, kImageOpenFolder);
    lv2.SetCut(current, false);
    lv2.SetFocusedRow(current);
    lv2.SetSelected(current, true);
}

void TForm2::SaveGroups(std::vector<int>& written) {
    const TListView lv2 = GroupList();
    std::exception_ptr firstError;
    for (int g = 0; g < kGroupCount; ++g) {
        // A kept group's key stays exactly as stored, its name included.
        if (GroupKept(g)) continue;
        const std::string name = StoredGroupName(g, lv2.Text(g));
        try {
            TLsReg reg;
            reg.OpenKey(std::string(kGroupsKey) + "\\" + GroupKeyName(g), true);
            reg.WriteString("", name);
            // The shown group's items are the main window's to write, unless an import replaced the group
            // the main window keeps unwritten because it read it incompletely. A group as it was read needs
            // no writing.
            const auto& items = GroupItems[static_cast<std::size_t>(g)];
            if (g != shownGroup_) {
                if (!SameStoredItems(items, storedGroups_[static_cast<std::size_t>(g)])) {
                    SaveShownGroup(g, items);
                    written.push_back(g);
                }
            } else if (g == importedKeptGroup_) {
                const TListView lv1 = ItemList();
                std::vector<TItemData> rows;
                for (int row = 0; row < lv1.Count(); ++row)
                    rows.push_back(*reinterpret_cast<const TItemData*>(lv1.Data(row)));
                SaveShownGroup(g, rows);
                written.push_back(g);
            }
        } catch (...) {
            if (!firstError) firstError = std::current_exception();
        }
    }
    if (firstError) std::rethrow_exception(firstError);
}

// --- Switching groups ---

void TForm2::lv2Change() {
    TListView lv2 = GroupList();
    const int focused = lv2.FocusedRow();
    if (focused < 0 || !lv2.Selected(focused)) {
        // A click beside the rows leaves no group marked; once the list is done, the shown group gets its
        // marks back (not at once: a click on another row passes through this state too).
        ::PostMessageW(TabSheet1.Handle(), WM_SHOWREFUSAL, 2, 0);
        return;
    }
    if (focused == shownGroup_) return;
    const int from = shownGroup_;
    // A group that could not be read cannot be shown: the marks go back at once. (The main window's
    // incompletely read group may be left: its rows wait unchanged, and it is not saved.)
    std::string refusal;
    if (groupDamaged_[static_cast<std::size_t>(focused)]) refusal = KeptGroupMessage(focused);
    switching_ = true;
    struct TEnd {
        bool& Flag;
        ~TEnd() { Flag = false; }
    } end{switching_};
    if (!refusal.empty()) {
        lv2.SetSelected(focused, false);
        lv2.SetFocusedRow(from);
        lv2.SetSelected(from, true);
        // Not from inside the list's notification: the box would run its own loop under the click.
        ::PostMessageW(TabSheet1.Handle(), WM_SHOWREFUSAL, 0,
                       reinterpret_cast<LPARAM>(new std::string(refusal)));
        return;
    }
    LeaveGroup(from);
    EnterGroup(focused);
    lv1Change();
}

void TForm2::EnterGroup(int group) {
    TListView lv1 = ItemList();
    auto& list = GroupItems[static_cast<std::size_t>(group)];
    AddRowsInBatch([this, &list] {
        for (TItemData& record : list)
            AddItemRow(std::move(record));
    });
    list.clear();
    shownGroup_ = group;
    UpdateItemDrops(lv1.Count());
    TListView lv2 = GroupList();
    lv2.SetImage(group, kImageOpenFolder);
    lv2.SetCut(group, false);
    if (lv1.Count() > 0) lv1.SetFocusedRow(0);
}

void TForm2::LeaveGroup(int group) {
    TListView lv1 = ItemList();
    auto& list = GroupItems[static_cast<std::size_t>(group)];
    for (int row = 0; row < lv1.Count(); ++row)
        list.push_back(std::move(*reinterpret_cast<TItemData*>(lv1.Data(row))));
    {
        TUpdateGuard update(lv1.Handle());
        lv1.Clear();
    }
    itemRecords_.clear();
    iconsPending_.clear();
    imgList1->Clear();
    UpdateChainImages();
    TListView lv2 = GroupList();
    lv2.SetImage(group, kImageClosedFolder);
    lv2.SetCut(group, list.empty());
}

// --- Layout and the page's own messages ---

void TForm2::LayoutItemsPage() {
    if (!itemsDocks_) return;
    const RECT client = itemsDocks_->ClientRect();
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int groups = std::clamp(groupViewWidth_, kMinListWidth,
                                  std::max(kMinListWidth, width - kSplitterWidth - kMinListWidth));
    ::MoveWindow(GroupList().Handle(), client.left, client.top, groups, height, TRUE);
    ::MoveWindow(ItemList().Handle(), client.left + groups + kSplitterWidth, client.top,
                 std::max(0, width - groups - kSplitterWidth), height, TRUE);
    TListView lv2 = GroupList();
    RECT inside{};
    ::GetClientRect(lv2.Handle(), &inside);
    ::SendMessageW(lv2.Handle(), LVM_SETCOLUMNWIDTH, 0, std::max<LONG>(inside.right - inside.left, 20));
}

void TForm2::ItemsPageMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kFillIconsTimer) FillPendingIcons(kIconsPerFill);
        break;
    case WM_SHOWREFUSAL:
        if (wParam == 2) {
            TListView lv2 = GroupList();
            const int focused = lv2.FocusedRow();
            if (focused >= 0 && lv2.Selected(focused)) break;
            switching_ = true;
            lv2.SetFocusedRow(shownGroup_);
            lv2.SetSelected(shownGroup_, true);
            switching_ = false;
        } else if (wParam == 1) {
            const int row = static_cast<int>(lParam);
            if (row < ItemList().Count()) RefreshItemRow(row);
        } else {
            const std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lParam));
            ShowErrorBox(*text, MB_ICONEXCLAMATION);
        }
        break;
    case WM_SIZE:
        if (itemsDocks_) {
            RECT area{};
            ::GetClientRect(TabSheet1.Handle(), &area);
            itemsDocks_->SetBounds(area);
            LayoutItemsPage();
        }
        break;
    case WM_LBUTTONDOWN:
        ::SetCapture(TabSheet1.Handle());
        splitting_ = true;
        break;
    case WM_MOUSEMOVE:
        if (splitting_ && itemsDocks_) {
            const int x = static_cast<short>(LOWORD(lParam));
            groupViewWidth_ = x - itemsDocks_->ClientRect().left;
            LayoutItemsPage();
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (splitting_) {
            splitting_ = false;
            if (message == WM_LBUTTONUP) ::ReleaseCapture();
        }
        break;
    default:
        break;
    }
}

LRESULT CALLBACK TForm2::ItemsPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) noexcept {
    auto* form = reinterpret_cast<TForm2*>(self);
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, &TForm2::ItemsPageProc, 0);
    // The gap between the lists is the splitter: the page itself is only hit there.
    if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == window && form->itemsDocks_) {
        POINT point{};
        ::GetCursorPos(&point);
        ::ScreenToClient(window, &point);
        RECT lv2{};
        ::GetWindowRect(form->GroupList().Handle(), &lv2);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&lv2), 2);
        if (point.x >= lv2.right && point.x < lv2.right + kSplitterWidth && point.y >= lv2.top &&
            point.y < lv2.bottom) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)) /* IDC_SIZEWE */);
            return TRUE;
        }
    }
    if (message == WM_LBUTTONDOWN && form->itemsDocks_) {
        RECT lv2{};
        ::GetWindowRect(form->GroupList().Handle(), &lv2);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&lv2), 2);
        const int x = static_cast<short>(LOWORD(lParam));
        if (x < lv2.right || x >= lv2.right + kSplitterWidth)
            return ::DefSubclassProc(window, message, wParam, lParam);
    }
    const bool fillTimer = message == WM_TIMER && wParam == kFillIconsTimer;
    if (message == WM_SHOWREFUSAL || fillTimer || message == WM_SIZE || message == WM_LBUTTONDOWN ||
        message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_CAPTURECHANGED) {
        try {
            form->ItemsPageMessage(message, wParam, lParam);
        } catch (...) {
            Application::HandleException(std::current_exception());
        }
        if (message == WM_SHOWREFUSAL || fillTimer) return 0;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TForm2::ListKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self) noexcept {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, &TForm2::ListKeyProc, id);
    if (message == WM_DESTROY && id == 1) {
        // The main window reads the rows after the dialog's windows have gone.
        auto* form = reinterpret_cast<TForm2*>(self);
        const TListView list(window);
        form->closedRows_.clear();
        form->closedImages_.clear();
        try {
            for (int row = 0; row < list.Count(); ++row) {
                form->closedRows_.push_back(reinterpret_cast<const TItemData*>(list.Data(row)));
                form->closedImages_.push_back(list.Image(row));
            }
        } catch (...) {
            Application::HandleException(std::current_exception());
        }
    }
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        auto* form = reinterpret_cast<TForm2*>(self);
        try {
            const bool alt = message == WM_SYSKEYDOWN || Seams().KeyDown(VK_MENU);
            const UINT key = static_cast<UINT>(wParam);
            if (id == 1 ? form->lv1KeyDown(key, alt) : form->lv2KeyDown(key, alt)) return 0;
        } catch (...) {
            Application::HandleException(std::current_exception());
            return 0;
        }
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace lodestar
