// The chain list as a drag source and target: rows dragged within it, shell objects dropped on it.
#include "lsItem.h"

#include "Application.h"
#include "ChainRows.h"
#include "CommandLine.h"
#include "DropPIDLTarget.h"
#include "Seams.h"
#include "lsCommon.h"
#include "resource.h"

#include <utility>

namespace lodestar {

namespace {

bool Accepted(DWORD effect) {
    return (effect & DROPEFFECT_LINK) != 0;
}

} // namespace

void TForm3::CreateChainDrag() {
    PIDLTarget1 = CreateListDropTarget(
        this, [this](DWORD& effect) { PIDLTarget1Enter(effect); },
        [this](POINT point, DWORD& effect) { PIDLTarget1DragOver(point, effect); },
        [this](DWORD& effect) { PIDLTarget1Drop(effect); });
    PIDLTarget1->OnLeave = [this](TComponent*) { DropRow = -1; };
    chain_.OnNotify(IDC_ITEM_LVCHILDICONS, LVN_BEGINDRAG, [this](NMHDR& header) -> LRESULT {
        rowDrag_.Start(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    });
}

void TForm3::OpenChainDrag() {
    const HWND list = ChildList().Handle();
    rowDrag_.Attach(list, list);
    rowDrag_.OnEnd = [this, list](bool drop, POINT screen) {
        ::ScreenToClient(list, &screen);
        if (drop) lvChildIconsDragDrop(screen);
    };
    // The registration must go while the list still exists, or the system keeps it past the dialog.
    rowDrag_.OnListDestroy = [this] { CloseChainDrag(); };
    // The user learns when shell objects cannot be dropped here; everything else of the dialog works.
    PIDLTarget1->RegisterOrTell(list, "lvChildIcons");
}

void TForm3::CloseChainDrag() {
    rowDrag_.Cancel();
    DropRow = -1;
    if (PIDLTarget1) PIDLTarget1->UnregisterOrTell();
}

void TForm3::SetChainDropsAccepted(bool on) {
    if (!PIDLTarget1) return;
    if (on)
        PIDLTarget1->Dragtypes = {dtLink};
    else
        PIDLTarget1->Dragtypes = {};
}

void TForm3::lvChildIconsDragDrop(POINT point) {
    TListView list = ChildList();
    RECT client{};
    ::GetClientRect(list.Handle(), &client);
    // The button released outside the list is no drop: the user took the rows away from it.
    if (!::PtInRect(&client, point)) return;
    const int count = list.Count();
    const std::vector<bool> selected = list.Selection();
    if (count == 0 || list.SelectedCount() == 0) return;
    int target = list.RowInBand(point);
    if (target < 0) target = count - 1;
    if (!Seams().KeyDown(VK_CONTROL)) {
        ReorderChildRows(DragMoveOrder(selected, target));
        return;
    }
    TUpdateGuard update(list.Handle());
    for (int row = 0; row < count; ++row)
        if (selected[static_cast<std::size_t>(row)] && !AddChildRow(ChildRow(row))) break;
    ReorderChildRows(InsertOrder(ChildRowCount(), count, DragCopyInsertIndex(selected, target)));
    list.EnsureVisible(ChildRowCount() - 1);
}

void TForm3::PIDLTarget1Enter(DWORD effect) {
    DropRow = -1;
    // A drag the list refuses leaves the list as it is.
    if (!Accepted(effect)) return;
    FocusControl(ChildList().Handle());
    PIDLTarget1->SelectOnlyRow(ChildList().Handle(), -1);
}

void TForm3::PIDLTarget1DragOver(POINT point, DWORD effect) {
    if (!Accepted(effect)) return;
    DropRow = ChildList().RowInBand(point);
    PIDLTarget1->SelectOnlyRow(ChildList().Handle(), DropRow);
}

void TForm3::PIDLTarget1Drop(DWORD effect) {
    const int insertAt = std::exchange(DropRow, -2);
    if (!Accepted(effect)) return;
    TListView list = ChildList();
    const int count = list.Count();
    TUpdateGuard update(list.Handle());
    list.ClearSelection();
    for (int i = 0; i + 2 <= PIDLTarget1->PidlCount() && ChildRowCount() < static_cast<int>(kMaxChainEntries);
         ++i) {
        const std::string path = PIDLTarget1->Filenames()[i];
        IdList idList = PIDLTarget1->IdListAt(i + 1);
        TChildIcon child;
        if (!path.empty() && IsFileSystemObject(path, idList)) {
            TItemData record;
            if (ResolveShortcuts && ItemFromFile(path, record) && (!record.Cmd.empty() || record.IDList)) {
                child.IDList = std::move(record.IDList);
                child.Cmd = std::move(record.Cmd);
                child.DefDir = std::move(record.DefDir);
                child.WndSize = record.WndSize;
            } else {
                child.Cmd = QuoteIfSpaced(path);
            }
        } else if (idList) {
            child.IDList = std::move(idList);
        } else {
            // Neither a path nor an ID list: an entry that could never start.
            continue;
        }
        // A path the store would cut starts something else: refused, not stored cut.
        if (!ConfirmStoredLength(child.Cmd, "ドロップされたファイルのパス") ||
            !ConfirmStoredLength(child.DefDir, "ドロップされたショートカットの作業フォルダ"))
            continue;
        AddChildRow(std::move(child));
    }
    ReorderChildRows(InsertOrder(ChildRowCount(), count, insertAt));
    FocusControl(list.Handle());
}

} // namespace lodestar
