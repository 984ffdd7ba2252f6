#include "Hkhotkey.h"

#include "HotKey.h"

namespace lodestar {

THookHotKey::THotKeyWindow::THotKeyWindow(THookHotKey& owner) : owner_(owner) { CreateHidden(L"LodestarHotKeys"); }

LRESULT THookHotKey::THotKeyWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_HOTKEY) return TMessageWindow::HandleMessage(message, wParam, lParam);
    owner_.DoHotKey(static_cast<int>(wParam));
    return 0;
}

THookHotKey::THookHotKey(TComponent* owner, HWND ownerWindow)
    : TComponent(owner), ownerWindow_(ownerWindow), window_(*this) {}

// Destroying the window ends its registrations with the system.
THookHotKey::~THookHotKey() { window_.Destroy(); }

bool THookHotKey::AddHotKey(int id, std::uint16_t shortcut) {
    return ::RegisterHotKey(window_.Handle(), id, HotKeyModifiers(shortcut), HotKeyVirtualKey(shortcut)) != FALSE;
}

bool THookHotKey::RemoveHotKey(int id) { return ::UnregisterHotKey(window_.Handle(), id) != FALSE; }

void THookHotKey::DoHotKey(int id) {
    if (!OnHotKey) return;
    if (Activate && ownerWindow_) ::SetForegroundWindow(ownerWindow_);
    OnHotKey(this, id);
}

} // namespace lodestar
