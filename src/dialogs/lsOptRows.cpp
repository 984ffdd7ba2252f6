// The options dialog's item rows: each owns a copy of its record; its texts show at once, its icon when
// it is made, right away for a single row and a little later for rows added in one go.
#include "lsOpt.h"

#include "HotKey.h"
#include "ItemRecord.h"
#include "ItemRules.h"
#include "ShellIcons.h"
#include "lsCommon.h"
#include "lsCommonUi.h"

#include <commctrl.h>

#include <algorithm>

namespace lodestar {

namespace {

enum TItemColumn { icName, icCmd, icDefDir, icWndSize, icIcon, icHotKey };

std::string WndSizeText(std::uint8_t size) {
    switch (size) {
    case 0:
        return "通常";
    case 1:
        return "最小化";
    case 2:
        return "最大化";
    default:
        return {};
    }
}

// The list view counts state images from 1; 3 draws image 2 of imgList2, the "CHAIN" mark.
constexpr int kChainStateImage = 3;

} // namespace

bool TForm2::AddItemRow(TItemData record) {
    TListView lv1 = ItemList();
    if (lv1.Count() >= static_cast<int>(kMaxItemsInGroup)) return false;
    if (!record.Tip.empty() && record.Tip == DefaultTip(record)) record.Tip.clear();
    itemRecords_.push_back(std::make_unique<TItemData>(std::move(record)));
    const int row = lv1.AddRow("", reinterpret_cast<LPARAM>(itemRecords_.back().get()), I_IMAGENONE);
    for (int column = icCmd; column <= icHotKey; ++column)
        lv1.SetText(row, column, "");
    RefreshItemRow(row);
    return true;
}

void TForm2::ShowItemRowTexts(int row) {
    TListView lv1 = ItemList();
    const TItemData& item = *reinterpret_cast<const TItemData*>(lv1.Data(row));
    lv1.SetText(row, icName, ItemName(item));
    lv1.SetText(row, icCmd, item.Cmd.empty() ? std::string("(特殊)") : item.Cmd);
    lv1.SetText(row, icDefDir, item.DefDir.empty() ? std::string("(自動)") : item.DefDir);
    if (const std::string size = WndSizeText(item.WndSize); !size.empty()) lv1.SetText(row, icWndSize, size);
    lv1.SetText(row, icIcon, item.CustomIcon);
    lv1.SetText(row, icHotKey, HotKeyText(item.HotKey));
}

void TForm2::RefreshItemRow(int index) {
    ShowItemRowTexts(index);
    TListView lv1 = ItemList();
    const TItemData& item = *reinterpret_cast<const TItemData*>(lv1.Data(index));
    if (batching_)
        iconsPending_.insert(&item);
    else
        SetRowIcon(index);
    const int state = item.Children.empty() ? 0 : kChainStateImage;
    if (lv1.StateImage(index) != state) lv1.SetStateImage(index, state);
    if (!batching_) UpdateChainImages();
}

void TForm2::SetRowIcon(int row) {
    TListView lv1 = ItemList();
    const TItemData& item = *reinterpret_cast<const TItemData*>(lv1.Data(row));
    iconsPending_.erase(&item);
    if (const UniqueIcon icon = ItemIcon(item.CustomIcon, item.Cmd, item.IDList, imgList1->Width())) {
        if (lv1.Image(row) == I_IMAGENONE)
            lv1.SetImage(row, imgList1->AddIcon(icon.Get()));
        else
            ::ImageList_ReplaceIcon(imgList1->Handle(), lv1.Image(row), icon.Get());
    }
}

void TForm2::FillPendingIcons(int limit) {
    TListView lv1 = ItemList();
    if (iconsPending_.empty() || !lv1.Handle()) return;
    const int count = lv1.Count();
    const int top = static_cast<int>(::SendMessageW(lv1.Handle(), LVM_GETTOPINDEX, 0, 0));
    const int inView = static_cast<int>(::SendMessageW(lv1.Handle(), LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
    const auto fill = [&](int from, int to) {
        for (int row = from; row < to && limit > 0 && !iconsPending_.empty(); ++row)
            if (iconsPending_.count(reinterpret_cast<const TItemData*>(lv1.Data(row)))) {
                SetRowIcon(row);
                --limit;
            }
    };
    fill(std::max(0, top), std::min(count, top + inView));
    fill(0, count);
    // Records of rows that went meanwhile wait for nothing.
    if (limit > 0) iconsPending_.clear();
    // A timer, not a posted message: the dialog shows itself only once its queue has run empty, and
    // timers come only then.
    if (!iconsPending_.empty())
        ::SetTimer(TabSheet1.Handle(), kFillIconsTimer, USER_TIMER_MINIMUM, nullptr);
    else
        ::KillTimer(TabSheet1.Handle(), kFillIconsTimer);
}

void TForm2::AddRowsInBatch(const std::function<void()>& add) {
    {
        TUpdateGuard update(ItemList().Handle());
        batching_ = true;
        struct TEnd {
            bool& Flag;
            ~TEnd() { Flag = false; }
        } end{batching_};
        add();
    }
    // The rows in view get their icons before the list is drawn; the rest follow.
    FillPendingIcons(static_cast<int>(::SendMessageW(ItemList().Handle(), LVM_GETCOUNTPERPAGE, 0, 0)) + 1);
    UpdateChainImages();
    lv1Change();
}

void TForm2::UpdateChainImages() {
    TListView lv1 = ItemList();
    bool any = false;
    for (int row = 0; row < lv1.Count() && !any; ++row)
        any = lv1.StateImage(row) != 0;
    const HIMAGELIST wanted = any ? imgList2->Handle() : nullptr;
    if (lv1.ImageList(LVSIL_STATE) != wanted) lv1.SetImageList(wanted, LVSIL_STATE);
}

void TForm2::FreeAllItems() {
    if (itemsPageOpen_ && ItemList().Handle()) {
        TListView lv1 = ItemList();
        lv1.Clear();
        lv1.SetImageList(nullptr, LVSIL_STATE);
    }
    closedRows_.clear();
    closedImages_.clear();
    itemRecords_.clear();
    iconsPending_.clear();
    for (auto& list : GroupItems)
        list.clear();
    if (imgList1) imgList1->Clear();
}

} // namespace lodestar
