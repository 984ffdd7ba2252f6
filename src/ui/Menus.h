// Popup menus as components: items with captions, check marks, submenus and click handlers.
#pragma once

#include "Component.h"
#include "Handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lodestar {

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner, std::string caption = {});

    std::string Caption; // "-" is a separator
    bool Enabled = true;
    bool Checked = false;
    bool RadioItem = false;
    bool Default = false;
    bool Visible = true;
    std::function<void(TMenuItem* sender)> OnClick;
    // The key that runs the entry where its menu's owner takes keys (a stored shortcut word: the virtual
    // key with kShortcutShift, kShortcutCtrl and kShortcutAlt); 0 for none. The caption names it itself.
    std::uint16_t ShortCut = 0;
    // Shown as a submenu holding all entries of another menu, which stays their owner.
    class TPopupMenu* Submenu = nullptr;

    // Submenu entries, in order; the item owns them.
    TMenuItem* Add(std::string caption, std::function<void(TMenuItem*)> onClick = {});
    const std::vector<TMenuItem*>& Items() const { return items_; }
    void Clear();
    void Click();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TMenuItem*> items_;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);

    bool AutoPopup = true;
    // Where the menu lies from the point it is shown at: TPM_LEFTALIGN, TPM_RIGHTALIGN or TPM_CENTERALIGN.
    UINT Alignment = TPM_LEFTALIGN;
    TMenuItem* Items() const { return root_; }
    // The component the menu was last opened for.
    TComponent* PopupComponent = nullptr;
    std::function<void(TPopupMenu* sender)> OnPopup;
    // A key pressed where the menu's entries are at hand: the entry with that ShortCut, its state brought up
    // to date as by opening the menu (OnPopup), runs when enabled. True when an entry has the key, run or
    // not, so that the key goes no further.
    bool IsShortCut(std::uint16_t shortCut);
    // Shows the menu at a screen position, owned by the window; runs the chosen item's handler.
    // Returns the item chosen, or null.
    TMenuItem* Popup(HWND window, int x, int y);

private:
    TMenuItem* root_;
};

} // namespace lodestar
