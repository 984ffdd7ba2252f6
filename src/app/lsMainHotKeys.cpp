// The main window's hotkeys as the user sees them: what an editor checks a new hotkey against, and the
// main menu's list of items whose hotkeys the system refused (held by another program), each entry
// opening the item's editor.
#include "lsCommonUi.h"
#include "lsMain.h"

namespace lodestar {

std::vector<THotKeyHolder> TForm1::ItemHotKeys() const {
    std::vector<THotKeyHolder> holders;
    for (const TIconItem* item : IconItems())
        if (item->HotKey() != 0) holders.push_back({item->Hint(), item->HotKey()});
    return holders;
}

bool TForm1::HoldsHotKey(std::uint16_t hotKey) const {
    for (const TIconItem* item : IconItems())
        if (item->HotKey() == hotKey && !item->HotKeyRefused()) return true;
    return false;
}

void TForm1::UpdateRefusedHotKeys() {
    if (!miRefusedHotKeys) return;
    miRefusedHotKeys->Clear();
    std::size_t count = 0;
    for (TIconItem* item : IconItems()) {
        if (item->HotKey() == 0 || item->RetryHotKey()) continue;
        TMenuItem* entry = miRefusedHotKeys->Add(RefusedHotKeyEntry(item->Hint(), HotKeyText(item->HotKey())),
                                                 [this](TMenuItem* s) { miRefusedHotKeyClick(s); });
        entry->Tag = item->Tag;
        ++count;
    }
    miRefusedHotKeys->Caption = RefusedHotKeysCaption(count);
    miRefusedHotKeys->Visible = count > 0;
}

void TForm1::pmMainPopup(TPopupMenu*) {
    UpdateRefusedHotKeys();
    UpdateHiddenIcons();
}

void TForm1::miRefusedHotKeyClick(TMenuItem* sender) {
    EditIconItem(dynamic_cast<TIconItem*>(MainIcon->FindComponent(IconItemName(sender->Tag))));
}

} // namespace lodestar
