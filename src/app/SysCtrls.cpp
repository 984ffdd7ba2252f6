#include "SysCtrls.h"

#include "Application.h"
#include "LegacyText.h"
#include "Seams.h"
#include "StartupRules.h"
#include "TrayIdentity.h"
#include "WinError.h"
#include "WinText.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lodestar {

namespace {
// Counted identifiers are never reused. Fixed ones come back (an item's icon after a group switch); a late
// notification for the icon that had one before is kept from the new one by the retirement below.
std::atomic<std::uint32_t> lastIconId{kFirstCountedIconId};

// Posted to the shared window behind an icon's removal, wParam holding its identifier: the shell's
// notifications are queued in order, so everything for the removed icon arrives before this marker.
constexpr UINT kRetiredMessage = WM_APP + 1;
// Posted to the shared window when the last TRemovalsDeferred ends: the icons held back leave the shell.
constexpr UINT kDeferredRemovalsMessage = WM_APP + 2;

// One hidden window serves every icon: a window per icon would make a group switch create and destroy
// hundreds of windows, and destroying windows is slow on some desktops (Wine's grows slower with every icon
// ever shown).
struct TTrayIcons {
    std::unique_ptr<TOwnedWindow> Window;
    std::unordered_map<std::uint32_t, TIconTray*> Icons;
    // Identifiers taken from the shell whose marker has not come back: their notifications are stale.
    std::unordered_map<std::uint32_t, int> Retired;
    int Dispatching = 0; // notifications being handled: the window cannot go from under its own message
    // The icons whose notifications are being handled, innermost last, and those of them released
    // meanwhile: a released icon leaves its owner and the tray at once and is destroyed once no handler of
    // it runs any more.
    std::vector<TIconTray*> Handling;
    std::vector<TIconTray*> Released;
    // While TRemovalsDeferred objects live, icons leaving the tray wait here, still in the shell.
    int Deferring = 0;
    std::vector<std::uint32_t> DeferredRemovals;
    // The handles of icons destroyed meanwhile go with them: freeing hundreds of icons is slow as well.
    std::vector<UniqueIcon> DeferredIcons;
};

// The identifier goes from the map only while it still names `icon`.
void ForgetIconId(TTrayIcons& icons, std::uint32_t id, const TIconTray* icon) {
    if (const auto found = icons.Icons.find(id); found != icons.Icons.end() && found->second == icon)
        icons.Icons.erase(found);
}

TTrayIcons& TrayIcons() {
    // Never destroyed: a window left at the program's end goes with its thread.
    static auto* icons = new TTrayIcons;
    return *icons;
}

// The shell forgot the identifier: its notifications still queued must not reach a later icon of it.
void RetireIconId(TTrayIcons& icons, std::uint32_t id) {
    if (!icons.Window || !::PostMessageW(icons.Window->Handle(), kRetiredMessage, id, 0)) return;
    ++icons.Retired[id];
}

void RemoveFromShell(TTrayIcons& icons, std::uint32_t id) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = icons.Window ? icons.Window->Handle() : nullptr;
    data.uID = id;
    Seams().NotifyIcon(NIM_DELETE, &data);
    RetireIconId(icons, id);
}

// An icon held back under the identifier goes before another is added under it.
void RemoveDeferred(TTrayIcons& icons, std::uint32_t id) {
    auto& waiting = icons.DeferredRemovals;
    if (const auto found = std::find(waiting.begin(), waiting.end(), id); found != waiting.end()) {
        waiting.erase(found);
        RemoveFromShell(icons, id);
    }
}

void RemoveAllDeferred(TTrayIcons& icons) {
    for (std::uint32_t id : std::exchange(icons.DeferredRemovals, {}))
        RemoveFromShell(icons, id);
    icons.DeferredIcons.clear();
}
} // namespace

TIconTray::TRemovalsDeferred::TRemovalsDeferred() {
    ++TrayIcons().Deferring;
}

TIconTray::TRemovalsDeferred::~TRemovalsDeferred() {
    TTrayIcons& icons = TrayIcons();
    if (--icons.Deferring > 0 || (icons.DeferredRemovals.empty() && icons.DeferredIcons.empty())) return;
    if (!icons.Window || !::PostMessageW(icons.Window->Handle(), kDeferredRemovalsMessage, 0, 0))
        RemoveAllDeferred(icons);
}

TShiftState CurrentShiftState() {
    const auto& down = Seams().KeyDown;
    TShiftState shift = 0;
    if (down(VK_SHIFT)) shift |= ssShift;
    if (down(VK_CONTROL)) shift |= ssCtrl;
    if (down(VK_MENU)) shift |= ssAlt;
    if (down(VK_LBUTTON)) shift |= ssLeft;
    if (down(VK_RBUTTON)) shift |= ssRight;
    if (down(VK_MBUTTON)) shift |= ssMiddle;
    return shift;
}

TIconTray::TIconTray(TComponent* owner) : TComponent(owner), iconId_(++lastIconId) {
    TTrayIcons& icons = TrayIcons();
    if (!icons.Window)
        icons.Window = std::make_unique<TOwnedWindow>(L"LodestarTrayIcons", TOwnedWindow::TKind::MessageOnly,
                                                      &TIconTray::SharedWindowMessage);
    icons.Icons[iconId_] = this;
}

TIconTray::~TIconTray() {
    UpdateTrayIcon(false);
    TTrayIcons& icons = TrayIcons();
    if (icons.Deferring > 0 && icon_) icons.DeferredIcons.push_back(std::move(icon_));
    // A released icon gave its identifier back already; another icon may hold it now.
    ForgetIconId(icons, iconId_, this);
    if (icons.Icons.empty() && icons.Dispatching == 0) {
        // The shell drops the icons of a window that is gone only when it next looks at them.
        RemoveAllDeferred(icons);
        // The queued notifications and markers go with the window.
        icons.Window.reset();
        icons.Retired.clear();
    }
}

bool TIconTray::SetIconID(std::uint32_t id) {
    if (id == iconId_) return true;
    TTrayIcons& icons = TrayIcons();
    if (id == 0 || id >= kFirstCountedIconId || icons.Icons.count(id)) return false;
    const bool shown = registered_;
    UpdateTrayIcon(false);
    icons.Icons.erase(iconId_);
    iconId_ = id;
    icons.Icons[iconId_] = this;
    if (shown) UpdateTrayIcon(true);
    return true;
}

HWND TIconTray::WindowHandle() const {
    const TTrayIcons& icons = TrayIcons();
    return icons.Window ? icons.Window->Handle() : nullptr;
}

std::optional<LRESULT> TIconTray::SharedWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    TTrayIcons& icons = TrayIcons();
    const auto id = static_cast<std::uint32_t>(wParam);
    if (message == kRetiredMessage) {
        if (const auto retired = icons.Retired.find(id);
            retired != icons.Retired.end() && --retired->second <= 0)
            icons.Retired.erase(retired);
        return 0;
    }
    if (message == kDeferredRemovalsMessage) {
        if (icons.Deferring == 0) RemoveAllDeferred(icons);
        return 0;
    }
    if (message != kTrayCallbackMessage) return std::nullopt;
    const auto found = icons.Icons.find(id);
    // A late notification for an icon that has gone reaches no one, even an icon that took its identifier
    // since: a click meant for one item must not start another.
    if (found == icons.Icons.end() || icons.Retired.count(id)) return 0;
    struct TDispatch {
        TTrayIcons& Icons;
        ~TDispatch() {
            Icons.Handling.pop_back();
            if (Icons.Handling.empty())
                for (TIconTray* released : std::exchange(Icons.Released, {}))
                    delete released;
            --Icons.Dispatching;
        }
    };
    ++icons.Dispatching;
    icons.Handling.push_back(found->second);
    const TDispatch dispatch{icons};
    // A handler may release the icon (a menu command deleting its item, a group switch): it stays whole
    // until the handling ends.
    found->second->TrayMessage(lParam);
    return 0;
}

void TIconTray::Release(TIconTray* icon) {
    if (!icon) return;
    TTrayIcons& icons = TrayIcons();
    if (std::find(icons.Handling.begin(), icons.Handling.end(), icon) == icons.Handling.end()) {
        delete icon;
        return;
    }
    if (std::find(icons.Released.begin(), icons.Released.end(), icon) != icons.Released.end()) return;
    icon->Detach();
    icons.Released.push_back(icon);
}

void TIconTray::Detach() {
    UpdateTrayIcon(false);
    TTrayIcons& icons = TrayIcons();
    ForgetIconId(icons, iconId_, this);
    OnClick = nullptr;
    OnDblClick = nullptr;
    OnMouseDown = nullptr;
    OnMouseMove = nullptr;
    OnMouseUp = nullptr;
    SetRBtnPopupMenu(nullptr);
    SetLBtnPopupMenu(nullptr);
    LeaveOwner();
}

void TIconTray::SetIcon(HICON icon) {
    icon_.Reset(icon ? ::CopyIcon(icon) : nullptr);
    UpdateTrayIcon(true);
}

void TIconTray::TakeIcon(UniqueIcon icon) {
    icon_ = std::move(icon);
    UpdateTrayIcon(true);
}

void TIconTray::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    UpdateTrayIcon(true);
}

void TIconTray::SetShowHint(bool show) {
    if (show == showHint_) return;
    showHint_ = show;
    UpdateTrayIcon(true);
}

void TIconTray::Loaded() {
    if (HideMainForm) ::ShowWindow(Application::Handle(), SW_HIDE);
    UpdateTrayIcon(true);
}

void TIconTray::SetRBtnPopupMenu(TPopupMenu* menu) {
    if (rbtnMenu_ && rbtnMenu_ != lbtnMenu_) RemoveFreeNotification(rbtnMenu_);
    rbtnMenu_ = menu;
    FreeNotification(menu);
}

void TIconTray::SetLBtnPopupMenu(TPopupMenu* menu) {
    if (lbtnMenu_ && lbtnMenu_ != rbtnMenu_) RemoveFreeNotification(lbtnMenu_);
    lbtnMenu_ = menu;
    FreeNotification(menu);
}

void TIconTray::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == rbtnMenu_) rbtnMenu_ = nullptr;
    if (component == lbtnMenu_) lbtnMenu_ = nullptr;
}

NOTIFYICONDATAW TIconTray::Block() const {
    NOTIFYICONDATAW data{};
    // The first version of the block: every shell since Windows 95 takes it.
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = WindowHandle();
    data.uID = iconId_;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = icon_.Get();
    if (showHint_) {
        const std::wstring tip = Widen(CutToLegacyBytes(hint_, kMaxTipBytes));
        tip.copy(data.szTip, std::min<std::size_t>(tip.size(), 63));
    }
    return data;
}

void TIconTray::UpdateTrayIcon(bool show) {
    if (show && !icon_) show = false;
    TTrayIcons& icons = TrayIcons();
    if (show) {
        if (!registered_) RemoveDeferred(icons, iconId_);
        NOTIFYICONDATAW data = Block();
        if (!Seams().NotifyIcon(registered_ ? NIM_MODIFY : NIM_ADD, &data)) throw EIconTrayError();
        notifyData_ = data;
    } else if (registered_) {
        auto& waiting = icons.DeferredRemovals;
        if (icons.Deferring == 0)
            RemoveFromShell(icons, iconId_);
        else if (std::find(waiting.begin(), waiting.end(), iconId_) == waiting.end())
            waiting.push_back(iconId_);
    }
    registered_ = show;
}

void TIconTray::ReAdd() {
    if (!icon_) {
        registered_ = false;
        return;
    }
    RemoveDeferred(TrayIcons(), iconId_);
    NOTIFYICONDATAW data = Block();
    bool known = Seams().NotifyIcon(NIM_ADD, &data) || Seams().NotifyIcon(NIM_MODIFY, &data);
    if (!known) {
        // Neither added nor changed: whatever the shell holds under the identifier goes, then the icon is
        // added anew. Notifications of what it held were this icon's own, so nothing is retired.
        NOTIFYICONDATAW old = Block();
        old.uFlags = 0;
        Seams().NotifyIcon(NIM_DELETE, &old);
        known = Seams().NotifyIcon(NIM_ADD, &data);
    }
    registered_ = known;
    if (!known) throw EIconTrayError();
    notifyData_ = data;
}

void TIconTray::DoClick() {
    if (OnClick) OnClick(this);
}
void TIconTray::DoDblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TIconTray::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TIconTray::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TIconTray::DoMouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TIconTray::PopupAtCursor(POINT position, TPopupMenu* menu) {
    if (!menu || !menu->AutoPopup) return;
    if (Owner()) ::SendMessageW(Application::Handle(), WM_CANCELMODE, 0, 0);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(Application::Handle());
    Application::ProcessMessages();
    menu->Popup(Application::Handle(), position.x, position.y);
}

void TIconTray::TrayMessage(LPARAM mouseMessage) {
    POINT pos{};
    ::GetCursorPos(&pos);
    const TShiftState shift = CurrentShiftState();
    const int x = pos.x;
    const int y = pos.y;
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_MOUSEMOVE:
        DoMouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        DoMouseDown(TMouseButton::mbLeft, shift, x, y);
        break;
    case WM_LBUTTONUP:
        DoClick();
        DoMouseUp(TMouseButton::mbLeft, shift, x, y);
        PopupAtCursor(pos, lbtnMenu_);
        break;
    case WM_LBUTTONDBLCLK:
        DoDblClick();
        DoMouseDown(TMouseButton::mbLeft, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDOWN:
        DoMouseDown(TMouseButton::mbRight, shift, x, y);
        break;
    case WM_RBUTTONUP:
        DoMouseUp(TMouseButton::mbRight, shift, x, y);
        PopupAtCursor(pos, rbtnMenu_);
        break;
    case WM_RBUTTONDBLCLK:
        DoMouseDown(TMouseButton::mbRight, shift | ssDouble, x, y);
        break;
    case WM_MBUTTONDOWN:
        DoMouseDown(TMouseButton::mbMiddle, shift, x, y);
        break;
    case WM_MBUTTONUP:
        DoMouseUp(TMouseButton::mbMiddle, shift, x, y);
        break;
    case WM_MBUTTONDBLCLK:
        DoMouseDown(TMouseButton::mbMiddle, shift | ssDouble, x, y);
        break;
    default:
        break;
    }
}

// --- Shortcut files ---

void TShellLink::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    fileName_ = name;
    const std::filesystem::path path(Widen(name));
    if (Description.empty()) Description = Narrow(path.stem().wstring());
    if (WorkDir.empty()) {
        std::string folder = Narrow(path.parent_path().wstring());
        while (folder.size() > 3 && folder.back() == '\\')
            folder.pop_back();
        WorkDir = folder;
    }
}

std::string TShellLink::SpecialFolderPath(TShellLinkType type) {
    // A folder the profile lacks (a fresh account's Startup folder) is made: the shortcut needs it.
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(Application::Handle(), static_cast<int>(type) | CSIDL_FLAG_CREATE, nullptr,
                                  SHGFP_TYPE_CURRENT, path)))
        return {};
    return Narrow(path);
}

std::string TShellLink::CreateLink() {
    if (fileName_.empty()) SetFileName(Application::ExeName());
    const WORD hotKey = ShortCutToShellHotkey(HotKey);
    const std::string folder = SpecialFolderPath(LinkType);
    if (folder.empty()) throw EShellLinkError("Error in GetSpecialFolderLocation");
    const std::filesystem::path target(Widen(fileName_));
    std::filesystem::path linkName = target.filename();
    linkName.replace_extension(L".lnk");
    const std::wstring linkPath = Widen(folder) + (folder.back() == '\\' ? L"" : L"\\") + linkName.wstring();

    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.PutVoid())) ||
        !link)
        throw EShellLinkError("Error in QueryInterface");
    const ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
    if (!file) throw EShellLinkError("Error in QueryInterface");
    const std::wstring path = Widen(fileName_);
    link->SetDescription(Widen(Description).c_str());
    link->SetPath(path.c_str());
    link->SetWorkingDirectory(Widen(WorkDir).c_str());
    link->SetArguments(Widen(Arguments).c_str());
    link->SetHotkey(hotKey);
    const int show = WindowState == TShellLinkWindowState::wsMinimized   ? SW_SHOWMINNOACTIVE
                     : WindowState == TShellLinkWindowState::wsMaximized ? SW_SHOWMAXIMIZED
                                                                         : SW_SHOWNORMAL;
    link->SetShowCmd(show);
    link->SetIconLocation(path.c_str(), 0);
    const HRESULT saved = file->Save(linkPath.c_str(), TRUE);
    if (FAILED(saved)) throw EWindowsError(static_cast<DWORD>(saved));
    return Narrow(linkPath);
}

} // namespace lodestar
