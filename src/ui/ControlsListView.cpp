#include "ControlsListView.h"

#include "Errors.h"
#include "WinText.h"

#include <algorithm>

namespace lodestar {

namespace {
LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(list, message, wParam, lParam);
}
} // namespace

void TListView::AddExtendedStyle(DWORD style) {
    Send(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
}

int TListView::AddColumn(std::string_view caption, int width, int format) {
    std::wstring text = Widen(caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = format;
    column.cx = width;
    column.pszText = text.data();
    const LRESULT index = Send(handle_, LVM_INSERTCOLUMNW, ColumnCount(), reinterpret_cast<LPARAM>(&column));
    if (index < 0) throw EProgramError("リストに列を追加できません。");
    return static_cast<int>(index);
}

int TListView::ColumnCount() const {
    const auto header = reinterpret_cast<HWND>(Send(handle_, LVM_GETHEADER));
    return header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int TListView::ColumnWidth(int column) const {
    return static_cast<int>(Send(handle_, LVM_GETCOLUMNWIDTH, column));
}

HIMAGELIST TListView::SetImageList(HIMAGELIST list, int kind) {
    return reinterpret_cast<HIMAGELIST>(
        Send(handle_, LVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(list)));
}

HIMAGELIST TListView::ImageList(int kind) const {
    return reinterpret_cast<HIMAGELIST>(Send(handle_, LVM_GETIMAGELIST, kind));
}

int TListView::Count() const {
    return static_cast<int>(Send(handle_, LVM_GETITEMCOUNT));
}

int TListView::InsertRow(int index, std::string_view caption, LPARAM data, int image) {
    std::wstring text = Widen(caption);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = text.data();
    item.lParam = data;
    item.iImage = image;
    const LRESULT row = Send(handle_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (row < 0) throw EProgramError("リストに行を追加できません。");
    return static_cast<int>(row);
}

void TListView::DeleteRow(int row) {
    Send(handle_, LVM_DELETEITEM, row);
}
void TListView::Clear() {
    Send(handle_, LVM_DELETEALLITEMS);
}

std::string TListView::Text(int row, int column) const {
    // The list copies at most the buffer's size and says how much it copied: grow until it fits.
    std::wstring buffer(128, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied =
            static_cast<std::size_t>(Send(handle_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size()) {
            buffer.resize(copied);
            return Narrow(buffer);
        }
        if (buffer.size() >= 65536) {
            buffer.resize(copied);
            return Narrow(buffer);
        }
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

void TListView::SetText(int row, int column, std::string_view text) {
    std::wstring wide = Widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    Send(handle_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

LPARAM TListView::Data(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return Send(handle_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

void TListView::SetData(int row, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    Send(handle_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int TListView::FindData(LPARAM data) const {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return static_cast<int>(
        Send(handle_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

int TListView::Image(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    return Send(handle_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.iImage : I_IMAGENONE;
}

void TListView::SetImage(int row, int image) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    Send(handle_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int TListView::StateImage(int row) const {
    return static_cast<int>(
        (Send(handle_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12);
}

void TListView::SetStateImage(int row, int image) {
    SetState(row, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
}

void TListView::SetState(int row, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    Send(handle_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool TListView::Selected(int row) const {
    return (Send(handle_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}
void TListView::SetSelected(int row, bool selected) {
    SetState(row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}
int TListView::SelectedCount() const {
    return static_cast<int>(Send(handle_, LVM_GETSELECTEDCOUNT));
}

std::vector<int> TListView::SelectedRows() const {
    std::vector<int> rows;
    for (int row = FirstSelected(); row >= 0;
         row = static_cast<int>(Send(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED)))
        rows.push_back(row);
    return rows;
}

std::vector<bool> TListView::Selection() const {
    std::vector<bool> selected(static_cast<std::size_t>(std::max(Count(), 0)));
    for (const int row : SelectedRows())
        if (row < static_cast<int>(selected.size())) selected[static_cast<std::size_t>(row)] = true;
    return selected;
}

int TListView::FirstSelected() const {
    return static_cast<int>(Send(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// Row -1 stands for every row.
void TListView::SelectAll() {
    SetState(-1, LVIS_SELECTED, LVIS_SELECTED);
}
void TListView::ClearSelection() {
    SetState(-1, 0, LVIS_SELECTED);
}

int TListView::FocusedRow() const {
    return static_cast<int>(Send(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void TListView::SetFocusedRow(int row) {
    if (row < 0) {
        if (const int focused = FocusedRow(); focused >= 0) SetState(focused, 0, LVIS_FOCUSED);
        return;
    }
    SetState(row, LVIS_FOCUSED, LVIS_FOCUSED);
}

bool TListView::Cut(int row) const {
    return (Send(handle_, LVM_GETITEMSTATE, row, LVIS_CUT) & LVIS_CUT) != 0;
}
void TListView::SetCut(int row, bool cut) {
    SetState(row, cut ? LVIS_CUT : 0, LVIS_CUT);
}

HWND TListView::EditCaption(int row) {
    ::SetFocus(handle_);
    return reinterpret_cast<HWND>(Send(handle_, LVM_EDITLABELW, row));
}

bool TListView::Editing() const {
    return Send(handle_, LVM_GETEDITCONTROL) != 0;
}

void TListView::EndEditing(bool keep) {
    if (!Editing()) return;
    // The edit hands its text over when it loses the focus.
    if (keep)
        ::SetFocus(handle_);
    else
        Send(handle_, LVM_CANCELEDITLABEL);
}

int TListView::DropHighlighted() const {
    return static_cast<int>(Send(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED));
}

void TListView::SetDropHighlighted(int row) {
    SetState(-1, 0, LVIS_DROPHILITED);
    if (row >= 0) SetState(row, LVIS_DROPHILITED, LVIS_DROPHILITED);
}

void TListView::SetInsertMark(TInsertMark mark) {
    LVINSERTMARK info{};
    info.cbSize = sizeof info;
    info.iItem = mark.Row;
    info.dwFlags = mark.After ? LVIM_AFTER : 0;
    Send(handle_, LVM_SETINSERTMARK, 0, reinterpret_cast<LPARAM>(&info));
}

TListView::TInsertMark TListView::InsertMark() const {
    LVINSERTMARK info{};
    info.cbSize = sizeof info;
    if (!Send(handle_, LVM_GETINSERTMARK, 0, reinterpret_cast<LPARAM>(&info))) return {};
    return TInsertMark{info.iItem, (info.dwFlags & LVIM_AFTER) != 0};
}

TListView::THit TListView::HitTest(POINT client) const {
    LVHITTESTINFO info{};
    info.pt = client;
    const auto row = static_cast<int>(Send(handle_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    return THit{row, info.flags};
}

int TListView::RowAtScreen(POINT screen) const {
    ::ScreenToClient(handle_, &screen);
    return HitTest(screen).Row;
}

int TListView::RowInBand(POINT client) const {
    const int top = std::max(TopRow(), 0);
    for (int row = top, count = Count(); row < count; ++row) {
        const RECT bounds = RowRect(row);
        if (bounds.top > client.y) break;
        if (client.y >= bounds.top && client.y < bounds.bottom && client.x >= bounds.left &&
            client.x < bounds.right)
            return row;
    }
    return -1;
}

RECT TListView::RowRect(int row, int part) const {
    RECT rect{};
    rect.left = part;
    if (!Send(handle_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) return RECT{};
    return rect;
}

void TListView::EnsureVisible(int row, bool partialOk) {
    Send(handle_, LVM_ENSUREVISIBLE, row, partialOk ? TRUE : FALSE);
}
int TListView::TopRow() const {
    return static_cast<int>(Send(handle_, LVM_GETTOPINDEX));
}

void OnCaptionEditing(TDialog& dialog, int id, std::function<bool(int row)> allow) {
    dialog.OnNotify(id, LVN_BEGINLABELEDITW, [allow = std::move(allow)](NMHDR& header) -> LRESULT {
        const auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
        // TRUE refuses the edit.
        return allow && !allow(info.item.iItem) ? TRUE : FALSE;
    });
}

void OnCaptionEdited(TDialog& dialog, int id, std::function<bool(int row, const std::string& text)> accept) {
    dialog.OnNotify(id, LVN_ENDLABELEDITW, [accept = std::move(accept)](NMHDR& header) -> LRESULT {
        const auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
        // No text: the user cancelled, and the row keeps its caption.
        if (!info.item.pszText) return FALSE;
        return !accept || accept(info.item.iItem, Narrow(info.item.pszText)) ? TRUE : FALSE;
    });
}

void OnRowChanged(TDialog& dialog, int id, std::function<void(const NMLISTVIEW& change)> handler) {
    dialog.OnNotify(id, LVN_ITEMCHANGED, [handler = std::move(handler)](NMHDR& header) -> LRESULT {
        if (handler) handler(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    });
}

} // namespace lodestar
