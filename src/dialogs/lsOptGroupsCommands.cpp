// The options dialog's first page: its commands, the states of their buttons and menu entries, and the
// keys of the two lists.
#include "lsOpt.h"

#include "AppSettings.h"
#include "ChainRows.h"
#include "Errors.h"
#include "HotKey.h"
#include "LegacyText.h"
#include "LsReg.h"
#include "Seams.h"
#include "Settings.h"
#include "Toolbar97.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsItem.h"
#include "lsMain.h"
#include "PlaceDialog.h"
#include "resource.h"

#include <commctrl.h>

namespace lodestar {

namespace {
constexpr int kSizeColumn = 3; // "サイズ"
constexpr std::size_t kMaxNameBytes = 72;
const char* const kDuplicateGroupName = "そのグループ名はすでに使用されています. 他の名前を使ってください";
} // namespace

// --- Commands ---

void TForm2::btnNewClick() {
    if (ItemList().Count() >= static_cast<int>(kMaxItemsInGroup) || ListCaptionEditing()) return;
    if (RefuseKeptChange()) return;
    TItemData record;
    TForm3 editor(&mainForm_);
    editor.SetPlacement([this](HWND dialog) { PlaceDialog(Handle(), dialog); });
    editor.ResolveShortcuts = DereferLinksChosen();
    SetGroupHotKeys(editor);
    if (editor.EditItem(record)) {
        TListView lv1 = ItemList();
        if (AddItemRow(std::move(record))) lv1.EnsureVisible(lv1.Count() - 1);
    }
}

void TForm2::btnEditClick() {
    TListView lv1 = ItemList();
    const int row = lv1.FirstSelected();
    if (row < 0 || ListCaptionEditing()) return;
    if (RefuseKeptChange()) return;
    auto* record = reinterpret_cast<TItemData*>(lv1.Data(row));
    TForm3 editor(&mainForm_);
    editor.SetPlacement([this, &editor](HWND dialog) {
        PlaceDialog(Handle(), dialog);
        // The editor reads the stored setting when it opens; its toolbar follows this dialog's check box
        // as it is now instead.
        editor.SetToolbarsFixed(toolbarsFixed_);
    });
    editor.ResolveShortcuts = DereferLinksChosen();
    SetGroupHotKeys(editor);
    if (editor.EditItem(*record)) RefreshItemRow(row);
}

void TForm2::SetGroupHotKeys(TForm3& editor) {
    TListView lv1 = ItemList();
    for (int row = 0; row < lv1.Count(); ++row) {
        const auto* item = reinterpret_cast<const TItemData*>(lv1.Data(row));
        if (item && item->HotKey != 0) editor.GroupHotKeys.push_back({item->Tip, item->HotKey});
    }
    editor.HeldByThisProgram = [this](std::uint16_t hotKey) { return mainForm_.HoldsHotKey(hotKey); };
}

void TForm2::btnDelClick() {
    TListView lv1 = ItemList();
    if (lv1.Editing()) return;
    const std::vector<int> selected = lv1.SelectedRows();
    if (selected.empty()) return;
    if (RefuseKeptChange()) return;
    DeleteItemRows(selected);
}

void TForm2::DeleteItemRows(const std::vector<int>& rows) {
    if (rows.empty()) return;
    TListView lv1 = ItemList();
    {
        TUpdateGuard update(lv1.Handle());
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            const auto* record = reinterpret_cast<const TItemData*>(lv1.Data(*row));
            lv1.DeleteRow(*row);
            std::erase_if(itemRecords_,
                          [record](const std::unique_ptr<TItemData>& held) { return held.get() == record; });
        }
    }
    UpdateChainImages();
    lv1Change();
}

void TForm2::btnUpOrDownClick(bool up) {
    TListView lv1 = ItemList();
    if (lv1.Editing() || lv1.SelectedCount() == 0) return;
    if (RefuseKeptChange()) return;
    ReorderItemRows(MoveRunsOrder(lv1.Selection(), up));
    const std::vector<int> now = lv1.SelectedRows();
    if (!now.empty()) lv1.EnsureVisible(up ? now.front() : now.back());
}

void TForm2::ReorderItemRows(const std::vector<int>& order) {
    TListView lv1 = ItemList();
    const int count = lv1.Count();
    if (static_cast<int>(order.size()) != count) return;
    struct TRow {
        LPARAM Data;
        int Image;
        int State;
        bool Selected;
        std::string Size; // a size outside the three keeps whatever its row showed
    };
    std::vector<TRow> rows;
    for (int row = 0; row < count; ++row)
        rows.push_back({lv1.Data(row), lv1.Image(row), lv1.StateImage(row), lv1.Selected(row),
                        lv1.Text(row, kSizeColumn)});
    const int focused = lv1.FocusedRow();
    TUpdateGuard update(lv1.Handle());
    for (int row = 0; row < count; ++row) {
        const int old = order[static_cast<std::size_t>(row)];
        if (old == row) continue;
        const TRow& from = rows[static_cast<std::size_t>(old)];
        lv1.SetData(row, from.Data);
        lv1.SetImage(row, from.Image);
        lv1.SetStateImage(row, from.State);
        lv1.SetSelected(row, from.Selected);
        if (old == focused) lv1.SetFocusedRow(row);
        ShowItemRowTexts(row);
        lv1.SetText(row, kSizeColumn, from.Size);
    }
}

void TForm2::miEditNameClick(bool groups) {
    TListView list = groups ? GroupList() : ItemList();
    if (list.Editing()) return;
    const int row = list.FocusedRow();
    if (row < 0) return;
    if (groups ? GroupKept(row) : GroupKept(shownGroup_)) {
        ShowErrorBox(KeptGroupMessage(groups ? row : shownGroup_), MB_ICONEXCLAMATION);
        return;
    }
    list.EditCaption(row);
}

bool TForm2::lv1Edited(int row, const std::string& text) {
    if (GroupKept(shownGroup_)) return false;
    TListView lv1 = ItemList();
    auto& item = *reinterpret_cast<TItemData*>(lv1.Data(row));
    // The name is stored in the legacy encoding in at most 72 bytes, as the item editor keeps it.
    item.Tip = CutToLegacyBytes(text, kMaxNameBytes);
    if (item.Tip.empty() || item.Tip != text) {
        // An empty name stays automatic; either way the row shows the name kept once the edit has ended.
        ::PostMessageW(TabSheet1.Handle(), WM_SHOWREFUSAL, 1, row);
        return false;
    }
    return true;
}

bool TForm2::lv2Edited(int row, const std::string& text) {
    if (text.empty() || GroupKept(row)) return false;
    const TListView lv2 = GroupList();
    const std::wstring wanted = Widen(text);
    for (int g = 0; g < kGroupCount; ++g)
        if (::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Widen(lv2.Text(g)).c_str(), -1,
                             wanted.c_str(), -1) == CSTR_EQUAL)
            throw EProgramError(kDuplicateGroupName);
    return true;
}

// --- States ---

void TForm2::lv1Change() {
    // Rows added in a batch are taken together at its end.
    if (!tb97IconItems || batching_) return;
    const int selected = ItemList().SelectedCount();
    tb97IconItems->SetButtonEnabled(IDC_OPTI_BTNEDIT, selected == 1);
    for (const int id :
         {IDC_OPTI_BTNDEL, IDC_OPTI_BTNUP, IDC_OPTI_BTNDOWN, IDC_OPTI_BTNCUT, IDC_OPTI_BTNCOPY})
        tb97IconItems->SetButtonEnabled(id, selected >= 1);
}

void TForm2::lv1Insert() {
    const int rows = ItemList().Count();
    if (rows < static_cast<int>(kMaxItemsInGroup)) return;
    if (tb97IconItems) {
        tb97IconItems->SetButtonEnabled(IDC_OPTI_BTNNEW, false);
        tb97IconItems->SetButtonEnabled(IDC_OPTI_BTNPASTE, false);
    }
    UpdateItemDrops(rows);
}

void TForm2::lv1Deletion(int countBefore) {
    // The notice comes before the row goes: the list falls below the limit when it held 200 or fewer.
    if (countBefore > static_cast<int>(kMaxItemsInGroup) || countBefore == 0) return;
    if (tb97IconItems) tb97IconItems->SetButtonEnabled(IDC_OPTI_BTNNEW, true);
    // The clipboard is asked once, as the list falls below the limit, not for every row deleted.
    if (countBefore == static_cast<int>(kMaxItemsInGroup)) {
        UpdatePasteButton(countBefore - 1);
        UpdateItemDrops(countBefore - 1);
    }
}

void TForm2::pm1Popup() {
    const TListView lv1 = ItemList();
    const int selected = lv1.SelectedCount();
    const bool room = lv1.Count() < static_cast<int>(kMaxItemsInGroup);
    miNew->Enabled = room;
    miProperty->Enabled = selected == 1;
    for (TMenuItem* item : {miCopy, miCut, miDel, miUp, miDown})
        item->Enabled = selected >= 1;
    miPaste->Enabled = room && ClipboardHasItems();
    miEditName->Enabled = lv1.FocusedRow() >= 0;
}

bool TForm2::lv1KeyDown(UINT key, bool alt) {
    // Shift plays no part in the list's keys.
    const bool ctrl = Seams().KeyDown(VK_CONTROL);
    if (key == 'A' && ctrl && !alt) {
        ItemList().SelectAll();
        return true;
    }
    return pm1->IsShortCut(ShortCutOf(key, false, ctrl, alt));
}

bool TForm2::lv2KeyDown(UINT key, bool alt) {
    if (key != VK_F2 || alt || Seams().KeyDown(VK_CONTROL)) return false;
    miEditNameClick(true);
    return true;
}

} // namespace lodestar
