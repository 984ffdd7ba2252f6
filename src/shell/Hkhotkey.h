// System-wide keyboard shortcuts as an event of the program. Each shortcut is registered under an id
// the caller chooses; pressing it anywhere raises OnHotKey with that id.
#pragma once

#include "Component.h"
#include "MessageWindow.h"

#include <cstdint>
#include <functional>

namespace lodestar {

class THookHotKey : public TComponent {
public:
    using THotKeyEvent = std::function<void(TComponent* sender, int index)>;

    // `ownerWindow` is brought to the foreground before the event when Activate is set.
    THookHotKey(TComponent* owner, HWND ownerWindow = nullptr);
    ~THookHotKey() override;

    bool Activate = true;
    THotKeyEvent OnHotKey;

    // Whether the system accepted the combination (it refuses ones held by other programs).
    bool AddHotKey(int id, std::uint16_t shortcut);
    bool RemoveHotKey(int id);
    // Whether the system would take the combination now: false while anyone holds it (this program
    // included) or when it is no valid combination. Nothing stays registered.
    static bool Available(std::uint16_t shortcut);
    HWND WindowHandle() const { return window_.Handle(); }
    void SetOwnerWindow(HWND window) { ownerWindow_ = window; }

protected:
    virtual void DoHotKey(int id);

private:
    HWND ownerWindow_;
    TOwnedWindow window_;
};

} // namespace lodestar
