#include "Menus.h"

#include "WinText.h"

#include <algorithm>

namespace lodestar {

namespace {

// Builds the Windows menu for the items; the command id is the index into `flat` plus one.
HMENU BuildMenu(const TMenuItem& parent, std::vector<TMenuItem*>& flat) {
    HMENU menu = ::CreatePopupMenu();
    for (TMenuItem* item : parent.Items()) {
        if (!item->Visible) continue;
        if (item->Caption == "-") {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item->Enabled ? MF_ENABLED : MF_GRAYED) | (item->Checked ? MF_CHECKED : 0);
        const std::wstring caption = Widen(item->Caption);
        const TMenuItem* sub = item->Submenu ? item->Submenu->Items() : item;
        if (!sub->Items().empty()) {
            ::AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(*sub, flat)),
                          caption.c_str());
        } else {
            flat.push_back(item);
            ::AppendMenuW(menu, flags, flat.size(), caption.c_str());
            const UINT id = static_cast<UINT>(flat.size());
            if (item->Checked && item->RadioItem) ::CheckMenuRadioItem(menu, id, id, id, MF_BYCOMMAND);
            if (item->Default) ::SetMenuDefaultItem(menu, id, FALSE);
        }
    }
    return menu;
}

} // namespace

TMenuItem::TMenuItem(TComponent* owner, std::string caption)
    : TComponent(owner), Caption(std::move(caption)) {}

TMenuItem* TMenuItem::Add(std::string caption, std::function<void(TMenuItem*)> onClick) {
    auto* item = CreateComponent<TMenuItem>(this, std::move(caption));
    item->OnClick = std::move(onClick);
    items_.push_back(item);
    return item;
}

void TMenuItem::Clear() {
    while (!items_.empty())
        delete items_.back();
}

void TMenuItem::Click() {
    if (Enabled && OnClick) OnClick(this);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove)
        items_.erase(std::remove(items_.begin(), items_.end(), component), items_.end());
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), root_(CreateComponent<TMenuItem>(this)) {}

namespace {
TMenuItem* FindShortCut(TMenuItem* item, std::uint16_t shortCut) {
    for (TMenuItem* entry : item->Items()) {
        if (entry->ShortCut == shortCut && entry->Visible) return entry;
        if (TMenuItem* inner = FindShortCut(entry, shortCut)) return inner;
    }
    return nullptr;
}
} // namespace

bool TPopupMenu::IsShortCut(std::uint16_t shortCut) {
    if (shortCut == 0) return false;
    TMenuItem* entry = FindShortCut(root_, shortCut);
    if (!entry) return false;
    // States the last opening left would refuse keys that apply now, or let through keys that no longer do.
    if (OnPopup) OnPopup(this);
    entry->Click();
    return true;
}

TMenuItem* TPopupMenu::Popup(HWND window, int x, int y) {
    if (OnPopup) OnPopup(this);
    std::vector<TMenuItem*> flat;
    const UniqueMenu menu(BuildMenu(*root_, flat));
    const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
        menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY | Alignment, x, y, 0, window, nullptr));
    // The menu closes before the command runs; a posted no-op lets the owner's next click open menus again.
    ::PostMessageW(window, WM_NULL, 0, 0);
    if (chosen == 0 || chosen > flat.size()) return nullptr;
    TMenuItem* item = flat[chosen - 1];
    item->Click();
    return item;
}

} // namespace lodestar
