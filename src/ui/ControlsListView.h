// A list view of a dialog template, in report style: columns, a small image and a state image per row,
// one record (an integer or a pointer) per row, multi-select, row captions that the user edits (the
// dialog may refuse the new text), drop highlight and insert mark, and hit tests. Owns nothing: the image
// lists are held by whoever made them.
#pragma once

#include "Dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

class TListView {
public:
    explicit TListView(HWND handle) : handle_(handle) {}
    HWND Handle() const { return handle_; }

    // LVS_EX_FULLROWSELECT and friends, on top of those set.
    void AddExtendedStyle(DWORD style);
    // Appends a column; returns its index. `format`: LVCFMT_LEFT or LVCFMT_RIGHT.
    int AddColumn(std::string_view caption, int width, int format = LVCFMT_LEFT);
    int ColumnCount() const;
    int ColumnWidth(int column) const;
    // Kind: LVSIL_SMALL, LVSIL_STATE or LVSIL_NORMAL; returns the list held before. Null removes it.
    HIMAGELIST SetImageList(HIMAGELIST list, int kind = LVSIL_SMALL);
    HIMAGELIST ImageList(int kind = LVSIL_SMALL) const;

    int Count() const;
    // Inserts a row before `index` (at the end when `index` is the count or more); returns its index.
    int InsertRow(int index, std::string_view caption, LPARAM data = 0, int image = I_IMAGENONE);
    int AddRow(std::string_view caption, LPARAM data = 0, int image = I_IMAGENONE) {
        return InsertRow(Count(), caption, data, image);
    }
    void DeleteRow(int row);
    void Clear();

    // Column 0 is the row's caption.
    std::string Text(int row, int column = 0) const;
    void SetText(int row, int column, std::string_view text);
    LPARAM Data(int row) const;
    void SetData(int row, LPARAM data);
    // The row holding the record, -1 for none.
    int FindData(LPARAM data) const;
    // The row's small image, I_IMAGENONE for none.
    int Image(int row) const;
    void SetImage(int row, int image);
    // The row's state image: 0 none, else the image of that index in the state list.
    int StateImage(int row) const;
    void SetStateImage(int row, int image);

    bool Selected(int row) const;
    void SetSelected(int row, bool selected);
    int SelectedCount() const;
    std::vector<int> SelectedRows() const;
    // Per row, whether it is selected.
    std::vector<bool> Selection() const;
    // The first selected row, -1 for none.
    int FirstSelected() const;
    void SelectAll();
    void ClearSelection();
    // The row with the focus mark, -1 for none.
    int FocusedRow() const;
    void SetFocusedRow(int row);
    // The cut state: the row drawn dimmed.
    bool Cut(int row) const;
    void SetCut(int row, bool cut);

    // Starts editing the caption of `row` (the list takes the focus); returns the edit control.
    HWND EditCaption(int row);
    // Whether a caption is being edited.
    bool Editing() const;
    // Ends the edit: with `keep` the new text goes through the usual notification, else it is cancelled.
    void EndEditing(bool keep);

    // The row drawn as the target of a drag, -1 for none: what shows where a drop lands in report view.
    int DropHighlighted() const;
    void SetDropHighlighted(int row);

    // The insert mark: a line before or after a row, none when `row` is -1. Icon views only: the list
    // view shows none in report view and reports none there.
    struct TInsertMark {
        int Row = -1;
        bool After = false;
    };
    void SetInsertMark(TInsertMark mark);
    TInsertMark InsertMark() const;

    struct THit {
        int Row = -1;   // -1 over no row
        UINT Flags = 0; // LVHT_ONITEMICON, LVHT_ONITEMLABEL, LVHT_NOWHERE, ...
    };
    // What is under a point of the list's client area.
    THit HitTest(POINT client) const;
    // The row under a screen point, -1 for none.
    int RowAtScreen(POINT screen) const;
    // The row whose band across all columns holds the client point (also beside its texts), -1 for none.
    int RowInBand(POINT client) const;
    // The row's bounds in the list's client area (LVIR_BOUNDS, LVIR_LABEL, ...).
    RECT RowRect(int row, int part = LVIR_BOUNDS) const;
    void EnsureVisible(int row, bool partialOk = false);
    int TopRow() const;

private:
    void SetState(int row, UINT state, UINT mask);
    HWND handle_;
};

// Notifications of list view `id` of a dialog, bound like its other handlers.
//
// Before the user edits the caption of `row`: false refuses the edit.
void OnCaptionEditing(TDialog& dialog, int id, std::function<bool(int row)> allow);
// The user ended an edit with new text (not called when the edit was cancelled): false refuses the text
// and the row keeps its caption. A handler that throws refuses it too.
void OnCaptionEdited(TDialog& dialog, int id, std::function<bool(int row, const std::string& text)> accept);
// A row's state, image or record changed (LVN_ITEMCHANGED).
void OnRowChanged(TDialog& dialog, int id, std::function<void(const NMLISTVIEW& change)> handler);

} // namespace lodestar
