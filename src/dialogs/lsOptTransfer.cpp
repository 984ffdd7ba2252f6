// The options dialog's first page moving items around: cut, copy and paste through the clipboard, rows
// dragged within the item list or onto another group, and shell objects dropped on the list.
#include "lsOpt.h"

#include "Application.h"
#include "ChainRows.h"
#include "Clipboard.h"
#include "CommandLine.h"
#include "DropPIDLTarget.h"
#include "ItemRecord.h"
#include "ItemStream.h"
#include "Seams.h"
#include "Toolbar97.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsItem.h"
#include "resource.h"

#include <exception>
#include <utility>

namespace lodestar {

namespace {

const char* const kTargetGroupFull =
    "移動先のグループにはこれ以上アイコン項目を追加できません。\r操作を完了できませんでした。";

bool Accepted(DWORD effect) {
    return (effect & DROPEFFECT_LINK) != 0;
}

POINT ClientPoint(HWND window, POINT screen) {
    ::ScreenToClient(window, &screen);
    return screen;
}

} // namespace

void TForm2::CreateItemsTransfer() {
    TabSheet1.OnClick(IDC_OPTI_BTNCUT, [this] { miCutClick(); });
    TabSheet1.OnClick(IDC_OPTI_BTNCOPY, [this] { miCopyClick(); });
    TabSheet1.OnClick(IDC_OPTI_BTNPASTE, [this] { miPasteClick(); });
    TabSheet1.OnNotify(IDC_OPTI_LV1, LVN_BEGINDRAG, [this](NMHDR& header) -> LRESULT {
        // A press on the rows that moved the mouse by the system's drag distance.
        if (!ListCaptionEditing()) rowDrag_.Start(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    });
    rowDrag_.OnOver = [this](POINT screen) { lvDragOver(screen); };
    rowDrag_.OnEnd = [this](bool drop, POINT screen) { lv1EndDrag(drop, screen); };
    // The registration must go while the list still exists, or the system keeps it past the dialog.
    rowDrag_.OnListDestroy = [this] { CloseItemsTransfer(); };
    clipboardHook_ = std::make_unique<TClipboardEmptiedHook>([this] {
        if (tb97IconItems) tb97IconItems->SetButtonEnabled(IDC_OPTI_BTNPASTE, false);
    });

    PIDLTarget1 = CreateListDropTarget(
        this, [this](DWORD& effect) { PIDLTarget1Enter(effect); },
        [this](POINT point, DWORD& effect) { PIDLTarget1DragOver(point, effect); },
        [this](DWORD& effect) { PIDLTarget1Drop(effect); });
}

void TForm2::OpenItemsTransfer() {
    const HWND list = ItemList().Handle();
    // The rows' picture is drawn over the page, so that it follows the pointer onto the groups too.
    rowDrag_.Attach(list, TabSheet1.Handle());
    PIDLTarget1->SetShowImage(true);
    // The user learns when shell objects cannot be dropped here; everything else of the dialog works.
    PIDLTarget1->RegisterOrTell(list, "lv1");
    UpdatePasteButton(ItemList().Count());
    UpdateItemDrops(ItemList().Count());
}

void TForm2::CloseItemsTransfer() {
    if (PIDLTarget1) PIDLTarget1->UnregisterOrTell();
}

void TForm2::UpdatePasteButton(int rows) {
    if (tb97IconItems)
        tb97IconItems->SetButtonEnabled(IDC_OPTI_BTNPASTE,
                                        rows < static_cast<int>(kMaxItemsInGroup) && ClipboardHasItems());
}

void TForm2::UpdateItemDrops(int rows) {
    if (!PIDLTarget1) return;
    // A kept group takes nothing: the pointer shows so while it is over the list.
    if (rows < static_cast<int>(kMaxItemsInGroup) && !GroupKept(shownGroup_))
        PIDLTarget1->Dragtypes = {dtLink};
    else
        PIDLTarget1->Dragtypes = {};
}

// --- Clipboard ---

void TForm2::miCopyClick() {
    const TListView lv1 = ItemList();
    const std::vector<int> selected = lv1.SelectedRows();
    if (selected.empty()) return;
    std::vector<Bytes> streams;
    for (const int row : selected) {
        const auto& item = *reinterpret_cast<const TItemData*>(lv1.Data(row));
        Bytes stream;
        WriteItemStream(item, DefaultTip(item), stream);
        streams.push_back(std::move(stream));
    }
    const Bytes payload = EncodeItemList(streams);
    {
        // Opened for the main window, which then owns the block and frees it when the clipboard empties.
        TClipboardGuard clipboard(ClipboardWindow());
        clipboard.Empty();
        RememberClipboardBlock(clipboard.SetPrivateData(ITEMLIST_CLIPFORMAT, payload));
    }
    UpdatePasteButton(lv1.Count());
}

void TForm2::miCutClick() {
    if (ItemList().SelectedCount() == 0 || ListCaptionEditing()) return;
    // What cannot be deleted is not cut either: a copy that left the rows would only look like a cut.
    if (RefuseKeptChange()) return;
    miCopyClick();
    btnDelClick();
}

void TForm2::miPasteClick() {
    TListView lv1 = ItemList();
    if (lv1.Count() >= static_cast<int>(kMaxItemsInGroup) || ListCaptionEditing()) return;
    if (RefuseKeptChange()) return;
    const int before = lv1.Count();
    const int insertAt = lv1.FirstSelected();
    std::exception_ptr error;
    {
        TClipboardGuard clipboard(ClipboardWindow());
        std::optional<std::vector<std::uint8_t>> block;
        bool items = false;
        if (::IsClipboardFormatAvailable(ITEMLIST_CLIPFORMAT)) {
            block = clipboard.Data(ITEMLIST_CLIPFORMAT);
            items = true;
        } else if (::IsClipboardFormatAvailable(ITEM_CLIPFORMAT)) {
            block = clipboard.Data(ITEM_CLIPFORMAT);
        }
        if (!block) {
            Seams().Beep(MB_OK);
            return;
        }
        AddRowsInBatch([&] {
            try {
                if (items)
                    PasteItemList(*block);
                else
                    PasteChain(*block);
            } catch (...) {
                // The rows read before the damage stay, in their place; then the user hears of it.
                error = std::current_exception();
            }
        });
    }
    if (insertAt >= 0) ReorderItemRows(InsertOrder(lv1.Count(), before, insertAt));
    if (error) std::rethrow_exception(error);
}

void TForm2::PasteItemList(std::span<const std::uint8_t> block) {
    // The entries end at the count, at a byte count of 0 and at one longer than what the block holds.
    for (const Bytes& stream : SplitItemList(block)) {
        if (ItemList().Count() >= static_cast<int>(kMaxItemsInGroup)) return;
        TItemData item = ReadItem(stream);
        // An entry with neither command nor ID list could never start, nor be saved.
        if (IsValidItem(item)) AddItemRow(std::move(item));
    }
}

void TForm2::PasteChain(std::span<const std::uint8_t> block) {
    for (TChildIcon& child : DecodeChain(block)) {
        if (ItemList().Count() >= static_cast<int>(kMaxItemsInGroup)) return;
        TItemData item;
        item.Cmd = std::move(child.Cmd);
        item.DefDir = std::move(child.DefDir);
        item.IDList = std::move(child.IDList);
        item.WndSize = child.WndSize;
        AddItemRow(std::move(item));
    }
}

// --- Rows dragged within the page ---

int TForm2::GroupDropTarget(POINT screen) const {
    const TListView lv2 = GroupList();
    RECT bounds{};
    ::GetWindowRect(lv2.Handle(), &bounds);
    if (!::PtInRect(&bounds, screen)) return -1;
    const int group = lv2.RowInBand(ClientPoint(lv2.Handle(), screen));
    // Not the shown group, nor one kept as stored or already full.
    if (group < 0 || group == shownGroup_ || lv2.Selected(group) || GroupKept(group) ||
        GroupItems[static_cast<std::size_t>(group)].size() >= kMaxItemsInGroup)
        return -1;
    return group;
}

void TForm2::lvDragOver(POINT screen) {
    TListView lv2 = GroupList();
    const int group = GroupDropTarget(screen);
    if (group != dropHighlight_) {
        rowDrag_.HideImage();
        lv2.SetDropHighlighted(group);
        ::UpdateWindow(lv2.Handle());
        rowDrag_.ShowImage();
        dropHighlight_ = group;
    }
    RECT items{};
    ::GetWindowRect(ItemList().Handle(), &items);
    const bool accepted = group >= 0 || ::PtInRect(&items, screen);
    ::SetCursor(
        ::LoadCursorW(nullptr, MAKEINTRESOURCEW(accepted ? 32512 /* IDC_ARROW */ : 32648 /* IDC_NO */)));
}

void TForm2::lv1EndDrag(bool drop, POINT screen) {
    dropHighlight_ = -1;
    GroupList().SetDropHighlighted(-1);
    if (!drop) return;
    RECT items{};
    const HWND list = ItemList().Handle();
    ::GetWindowRect(list, &items);
    if (::PtInRect(&items, screen))
        lv1DragDrop(ClientPoint(list, screen));
    else if (const int group = GroupDropTarget(screen); group >= 0)
        lv2DragDrop(group);
}

void TForm2::lv1DragDrop(POINT client) {
    TListView lv1 = ItemList();
    const int count = lv1.Count();
    if (count == 0 || lv1.SelectedCount() == 0) return;
    if (RefuseKeptChange()) return;
    const std::vector<bool> selected = lv1.Selection();
    int target = lv1.RowInBand(client);
    if (target < 0) target = count - 1;
    if (!Seams().KeyDown(VK_CONTROL)) {
        ReorderItemRows(DragMoveOrder(selected, target));
        return;
    }
    AddRowsInBatch([&] {
        for (int row = 0; row < count && lv1.Count() < static_cast<int>(kMaxItemsInGroup); ++row)
            if (selected[static_cast<std::size_t>(row)])
                AddItemRow(*reinterpret_cast<const TItemData*>(lv1.Data(row)));
    });
    ReorderItemRows(InsertOrder(lv1.Count(), count, DragCopyInsertIndex(selected, target)));
    lv1.EnsureVisible(lv1.Count() - 1);
}

void TForm2::lv2DragDrop(int group) {
    if (group < 0 || group >= kGroupCount || group == shownGroup_ || GroupKept(group)) return;
    const bool copy = Seams().KeyDown(VK_CONTROL);
    // Moving rows out changes the shown group; copying them leaves it as it is.
    if (!copy && RefuseKeptChange()) return;
    TListView lv1 = ItemList();
    auto& target = GroupItems[static_cast<std::size_t>(group)];
    std::vector<int> transferred;
    bool full = false;
    for (int row = 0; row < lv1.Count(); ++row) {
        if (!lv1.Selected(row)) continue;
        if (target.size() >= kMaxItemsInGroup) {
            full = true;
            break;
        }
        target.push_back(*reinterpret_cast<const TItemData*>(lv1.Data(row)));
        transferred.push_back(row);
    }
    if (!transferred.empty()) GroupList().SetCut(group, false);
    if (!copy) DeleteItemRows(transferred);
    if (full) ShowErrorBox(kTargetGroupFull, MB_ICONERROR);
}

// --- Shell objects dropped on the list ---

void TForm2::PIDLTarget1Enter(DWORD& effect) {
    if (!Accepted(effect)) return;
    FocusControl(ItemList().Handle());
    ItemList().ClearSelection();
}

void TForm2::PIDLTarget1DragOver(POINT point, DWORD& effect) {
    if (!Accepted(effect)) return;
    // The row under the pointer is the only one selected: that is where the objects will land.
    const TListView lv1 = ItemList();
    PIDLTarget1->SelectOnlyRow(lv1.Handle(), lv1.RowInBand(point));
}

void TForm2::PIDLTarget1Drop(DWORD& effect) {
    if (!Accepted(effect)) return;
    TListView lv1 = ItemList();
    const int insertAt = lv1.FirstSelected();
    const int count = lv1.Count();
    lv1.ClearSelection();
    const bool dereferLinks = DereferLinksChosen();
    AddRowsInBatch([&] {
        for (int i = 0; i + 2 <= PIDLTarget1->PidlCount() && lv1.Count() < static_cast<int>(kMaxItemsInGroup);
             ++i) {
            const std::string path = PIDLTarget1->Filenames()[i];
            IdList idList = PIDLTarget1->IdListAt(i + 1);
            TItemData record;
            if (!path.empty() && IsFileSystemObject(path, idList)) {
                if (!dereferLinks || !ItemFromFile(path, record) || !IsValidItem(record)) {
                    record = TItemData();
                    record.Cmd = QuoteIfSpaced(path);
                }
            } else if (idList) {
                record.IDList = std::move(idList);
            } else {
                // Neither a path nor an ID list: an item that could never start.
                continue;
            }
            // A path the store would cut starts something else: refused, not stored cut.
            if (!ConfirmStoredLength(record.Cmd, "ドロップされたファイルのパス") ||
                !ConfirmStoredLength(record.DefDir, "ドロップされたショートカットの作業フォルダ") ||
                !ConfirmStoredLength(record.CustomIcon, "ドロップされたショートカットのアイコンのパス"))
                continue;
            AddItemRow(std::move(record));
        }
    });
    ReorderItemRows(InsertOrder(lv1.Count(), count, insertAt));
    FocusControl(lv1.Handle());
}

} // namespace lodestar
