// Right clicks and F1 in a dialog: the context menus bound to controls, and the help contexts.
#include "Dialog.h"

#include "Help.h"
#include "WinError.h"
#include "WinText.h"

#include <windowsx.h>

namespace lodestar {

namespace {
bool IsStaticControl(HWND window) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return ::lstrcmpiW(name, L"Static") == 0;
}

bool IsGroupBox(HWND window) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return ::lstrcmpiW(name, L"Button") == 0 &&
           (::GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The smallest visible child of `dialog` under the screen point: a label or picture inside a group box
// rather than the box.
HWND ChildAt(HWND dialog, POINT screen) {
    HWND best = nullptr;
    long long bestArea = 0;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        if (!::IsWindowVisible(child) || !::GetWindowRect(child, &rect) || !::PtInRect(&rect, screen))
            continue;
        const long long area = static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top);
        if (!best || area < bestArea) {
            best = child;
            bestArea = area;
        }
    }
    return best;
}
// The control that a window of the dialog stands for: the window itself or the nearest window around it
// that `known` names (a check box on a docked toolbar has its own help), else the dialog's child that holds
// it (the edit of a combo box and the header of a list view stand for their control). Null for a window
// outside the dialog.
HWND ControlOf(HWND dialog, HWND window, const std::function<bool(int id)>& known) {
    if (!dialog || !window || !::IsChild(dialog, window)) return nullptr;
    for (HWND w = window;; w = ::GetParent(w)) {
        if (known(::GetDlgCtrlID(w)) || ::GetParent(w) == dialog) return w;
    }
}

} // namespace

bool TDialog::ContextMenu(HWND window, LPARAM point) {
    POINT screen{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    const bool fromKeyboard = screen.x == -1 && screen.y == -1;
    HWND control = window;
    if (window == handle_) {
        if (fromKeyboard) return false;
        control = ChildAt(handle_, screen);
    }
    control = ControlOf(handle_, control, [this](int id) { return contextMenus_.count(id) != 0; });
    if (!control) return false;
    const auto found = contextMenus_.find(::GetDlgCtrlID(control));
    if (found == contextMenus_.end() || !found->second) return false;
    if (fromKeyboard) {
        RECT rect{};
        ::GetWindowRect(control, &rect);
        screen = {rect.left, rect.top};
    }
    const std::function<void(POINT)> handler = found->second;
    handler(screen);
    return true;
}

int TDialog::HelpContextOf(HWND control) const {
    control = ControlOf(handle_, control, [this](int id) { return helpContexts_.count(id) != 0; });
    if (!control) return 0;
    if (const auto found = helpContexts_.find(::GetDlgCtrlID(control)); found != helpContexts_.end())
        return found->second;
    if (!IsStaticControl(control)) return 0;
    // A label's mnemonic focuses the next control after it that is neither a label nor a group box.
    for (HWND next = ::GetWindow(control, GW_HWNDNEXT); next; next = ::GetWindow(next, GW_HWNDNEXT)) {
        if (IsStaticControl(next) || IsGroupBox(next)) continue;
        const auto found = helpContexts_.find(::GetDlgCtrlID(next));
        return found == helpContexts_.end() ? 0 : found->second;
    }
    return 0;
}

bool TDialog::ShowHelpPopupFor(HWND control) const {
    const int context = HelpContextOf(control);
    if (!context) return false;
    ShowHelpPopup(handle_, context);
    return true;
}

void TDialog::BindHelpMenu(std::initializer_list<int> ids) {
    for (const int id : ids)
        OnContextMenu(id, [this, id](POINT screen) { PopupHelpMenu(HelpContextOf(Item(id)), screen); });
}

void TDialog::PopupHelpMenu(int context, POINT screen) {
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu || !::AppendMenuW(menu.Get(), MF_STRING, 1, Widen("ヘルプ(&H)").c_str())) throw EWindowsError();
    // The menu closes when the user clicks elsewhere only while its owner is the foreground window.
    ::SetForegroundWindow(handle_);
    const BOOL chosen = ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x,
                                         screen.y, 0, handle_, nullptr);
    ::PostMessageW(handle_, WM_NULL, 0, 0);
    if (chosen == 1) ShowHelpPopup(handle_, context);
}

bool TDialog::Help(const HELPINFO& info) {
    if (info.iContextType != HELPINFO_WINDOW) return false;
    int context = HelpContextOf(static_cast<HWND>(info.hItemHandle));
    if (!context) context = dialogHelpContext_;
    if (!context && page_) {
        // The dialog that holds the page may know a context for the whole dialog.
        ::SendMessageW(::GetParent(handle_), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return true;
    }
    if (context) ShowHelpPopup(handle_, context);
    return true;
}

} // namespace lodestar
