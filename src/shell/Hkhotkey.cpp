#include "Hkhotkey.h"

#include "HotKey.h"

namespace lodestar {

THookHotKey::THookHotKey(TComponent* owner, HWND ownerWindow)
    : TComponent(owner), ownerWindow_(ownerWindow),
      window_(L"LodestarHotKeys", TOwnedWindow::TKind::Hidden,
              [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                  if (message != WM_HOTKEY) return std::nullopt;
                  DoHotKey(static_cast<int>(wParam));
                  return 0;
              }) {}

// Destroying the window ends its registrations with the system.
THookHotKey::~THookHotKey() {
    window_.Destroy();
}

bool THookHotKey::AddHotKey(int id, std::uint16_t shortcut) {
    return ::RegisterHotKey(window_.Handle(), id, HotKeyModifiers(shortcut), HotKeyVirtualKey(shortcut)) !=
           FALSE;
}

bool THookHotKey::RemoveHotKey(int id) {
    return ::UnregisterHotKey(window_.Handle(), id) != FALSE;
}

bool THookHotKey::Available(std::uint16_t shortcut) {
    // A registration of the thread alone, under an id no window uses; taken back at once.
    constexpr int kProbeId = 0xBFFF;
    if (!::RegisterHotKey(nullptr, kProbeId, HotKeyModifiers(shortcut), HotKeyVirtualKey(shortcut)))
        return false;
    ::UnregisterHotKey(nullptr, kProbeId);
    return true;
}

void THookHotKey::DoHotKey(int id) {
    if (!OnHotKey) return;
    if (Activate && ownerWindow_) ::SetForegroundWindow(ownerWindow_);
    OnHotKey(this, id);
}

} // namespace lodestar
