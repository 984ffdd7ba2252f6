#include "Dialog.h"

#include "Application.h"
#include "Errors.h"
#include "Help.h"
#include "WinError.h"
#include "WinText.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace lodestar {

TDialogControl::TDialogControl(TDialog* dialog, int id, std::string name)
    : TComponent(dialog), dialog_(*dialog), id_(id) {
    SetName(std::move(name));
}

HWND TDialogControl::Handle() const {
    return dialog_.Handle() ? ::GetDlgItem(dialog_.Handle(), id_) : nullptr;
}

namespace {
// Dialogs shown with a key preview handler, innermost last, and the one message filter that serves them
// while there are any.
struct TKeyPreviewState {
    UniqueHook Hook;
    std::vector<TDialog*> Dialogs;
};

TKeyPreviewState& KeyPreviewState() {
    thread_local TKeyPreviewState state;
    return state;
}
} // namespace

class TDialog::TKeyPreviewScope {
public:
    explicit TKeyPreviewScope(TDialog* dialog) : dialog_(dialog) {
        TKeyPreviewState& state = KeyPreviewState();
        if (state.Dialogs.empty()) {
            state.Hook.Reset(
                ::SetWindowsHookExW(WH_MSGFILTER, &TDialog::MessageFilter, nullptr, ::GetCurrentThreadId()));
            if (!state.Hook) throw EWindowsError();
        }
        state.Dialogs.push_back(dialog);
    }
    TKeyPreviewScope(const TKeyPreviewScope&) = delete;
    TKeyPreviewScope& operator=(const TKeyPreviewScope&) = delete;
    ~TKeyPreviewScope() {
        TKeyPreviewState& state = KeyPreviewState();
        state.Dialogs.erase(std::remove(state.Dialogs.begin(), state.Dialogs.end(), dialog_),
                            state.Dialogs.end());
        if (state.Dialogs.empty()) state.Hook.Reset();
    }

private:
    TDialog* dialog_;
};

TDialog::TDialog(int templateId, TComponent* owner) : TComponent(owner), templateId_(templateId) {}

TDialog::~TDialog() {
    // Destroyed while shown (by one of its own handlers): the window must not call into freed memory.
    if (handle_) {
        const HWND window = std::exchange(handle_, nullptr);
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        if (page_)
            ::DestroyWindow(window);
        else
            ::EndDialog(window, IDCANCEL);
    }
}

INT_PTR TDialog::ShowModal(HWND owner) {
    if (handle_) throw EProgramError("このダイアログは既に表示されています。");
    initError_ = nullptr;
    page_ = false;
    std::optional<TKeyPreviewScope> preview;
    if (keyPreview_) preview.emplace(this);
    ::SetLastError(0);
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                             owner, &TDialog::Procedure, reinterpret_cast<LPARAM>(this));
    if (initError_) std::rethrow_exception(std::exchange(initError_, nullptr));
    if (result == -1) {
        const DWORD code = ::GetLastError();
        if (code != 0) throw EWindowsError(code);
        throw EProgramError("ダイアログを作成できませんでした。");
    }
    return result;
}

HWND TDialog::CreatePage(HWND parent) {
    if (handle_) throw EProgramError("このダイアログは既に表示されています。");
    initError_ = nullptr;
    page_ = true;
    ::SetLastError(0);
    const HWND window = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                             parent, &TDialog::Procedure, reinterpret_cast<LPARAM>(this));
    if (initError_) {
        if (window) ::DestroyWindow(window);
        std::rethrow_exception(std::exchange(initError_, nullptr));
    }
    if (!window) {
        const DWORD code = ::GetLastError();
        if (code != 0) throw EWindowsError(code);
        throw EProgramError("ダイアログを作成できませんでした。");
    }
    return window;
}

void TDialog::DestroyPage() {
    if (handle_ && page_) ::DestroyWindow(handle_);
}

std::optional<INT_PTR> TDialog::HandleMessage(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

void TDialog::OnCommand(int id, WORD code, std::function<void()> handler) {
    commands_.insert_or_assign(TCommandKey{id, code}, std::move(handler));
}

void TDialog::OnNotify(int id, UINT code, TNotifyHandler handler) {
    notifications_.insert_or_assign(TCommandKey{id, code}, std::move(handler));
}

void TDialog::OnScroll(int id, std::function<void(int)> handler) {
    scrolls_.insert_or_assign(id, std::move(handler));
}

void TDialog::OnDrawItem(int id, std::function<void(const DRAWITEMSTRUCT&)> handler) {
    drawItems_.insert_or_assign(id, std::move(handler));
}

void TDialog::OnContextMenu(int id, std::function<void(POINT)> handler) {
    contextMenus_.insert_or_assign(id, std::move(handler));
}

void TDialog::OnKeyPreview(std::function<bool(const MSG&)> handler) {
    keyPreview_ = std::move(handler);
}

void TDialog::SetHelpContext(int id, int context) {
    if (context)
        helpContexts_.insert_or_assign(id, context);
    else
        helpContexts_.erase(id);
}

TDialogControl* TDialog::NameControl(int id, std::string name) {
    return new TDialogControl(this, id, std::move(name)); // owned by this dialog
}

HWND TDialog::FindControl(std::string_view name) const {
    const auto* control = dynamic_cast<const TDialogControl*>(FindComponent(name));
    return control ? control->Handle() : nullptr;
}

void TDialog::EndDialog(INT_PTR code) {
    if (handle_ && !page_) ::EndDialog(handle_, code);
}

HWND TDialog::Item(int id) const {
    return handle_ ? ::GetDlgItem(handle_, id) : nullptr;
}

HWND TDialog::ItemOrThrow(int id) const {
    const HWND item = Item(id);
    if (!item) throw EProgramError("ダイアログに項目 " + std::to_string(id) + " がありません。");
    return item;
}

std::string WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return Narrow(text);
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
    if (!::SetWindowTextW(window, Widen(text).c_str())) throw EWindowsError();
}

std::string TDialog::Text(int id) const {
    return WindowText(ItemOrThrow(id));
}

void TDialog::SetText(int id, std::string_view text) {
    if (!::SetWindowTextW(ItemOrThrow(id), Widen(text).c_str())) throw EWindowsError();
}

std::string TDialog::Caption() const {
    return handle_ ? WindowText(handle_) : std::string();
}

void TDialog::SetCaption(std::string_view text) {
    if (handle_ && !::SetWindowTextW(handle_, Widen(text).c_str())) throw EWindowsError();
}

bool TDialog::Checked(int id) const {
    return ::SendMessageW(ItemOrThrow(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TDialog::SetChecked(int id, bool checked) {
    ::SendMessageW(ItemOrThrow(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TDialog::Enabled(int id) const {
    return ::IsWindowEnabled(ItemOrThrow(id)) != FALSE;
}

void TDialog::SetEnabled(int id, bool enabled) {
    ::EnableWindow(ItemOrThrow(id), enabled ? TRUE : FALSE);
}

void TDialog::SetVisible(int id, bool visible) {
    ::ShowWindow(ItemOrThrow(id), visible ? SW_SHOWNA : SW_HIDE);
}

void TDialog::SetTextLimit(int id, int characters) {
    ::SendMessageW(ItemOrThrow(id), EM_SETLIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void TDialog::FocusControl(int id) {
    // Through the dialog manager, so that the default button follows the focus.
    ::SendMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ItemOrThrow(id)), TRUE);
    focusSet_ = true;
}

void TDialog::FocusControl(HWND control) {
    if (!control) throw EProgramError("フォーカスを移す項目がありません。");
    ::SendMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    focusSet_ = true;
}

void TDialog::SetStaticIcon(int id, HICON icon) {
    ::SendMessageW(ItemOrThrow(id), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void TDialog::SetControlSysColor(int id, int sysColorIndex) {
    const HWND item = ItemOrThrow(id);
    colors_.insert_or_assign(id, TControlColor{sysColorIndex, 0, UniqueBrush()});
    ::InvalidateRect(item, nullptr, TRUE);
}

void TDialog::SetControlColor(int id, COLORREF color) {
    const HWND item = ItemOrThrow(id);
    UniqueBrush brush(::CreateSolidBrush(color));
    if (!brush) throw EWindowsError();
    colors_.insert_or_assign(id, TControlColor{-1, color, std::move(brush)});
    ::InvalidateRect(item, nullptr, TRUE);
}

void TDialog::ResetControlColor(int id) {
    if (colors_.erase(id) != 0) ::InvalidateRect(ItemOrThrow(id), nullptr, TRUE);
}

std::optional<INT_PTR> TDialog::ControlColor(HDC dc, HWND control) const {
    if (::GetParent(control) != handle_) return std::nullopt;
    const auto found = colors_.find(::GetDlgCtrlID(control));
    if (found == colors_.end()) return std::nullopt;
    const TControlColor& entry = found->second;
    // What the default procedure would set for the text, with our background.
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    if (entry.SysColorIndex >= 0) {
        ::SetBkColor(dc, ::GetSysColor(entry.SysColorIndex));
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(entry.SysColorIndex));
    }
    ::SetBkColor(dc, entry.Color);
    return reinterpret_cast<INT_PTR>(entry.Brush.Get());
}

bool TDialog::Command(int id, WORD code) {
    const auto found = commands_.find(TCommandKey{id, code});
    if (found == commands_.end() || !found->second) return false;
    // A copy: the handler may register or replace handlers, including itself.
    const std::function<void()> handler = found->second;
    handler();
    return true;
}

INT_PTR TDialog::Initialise() {
    focusSet_ = false;
    try {
        OnInit();
    } catch (...) {
        // ShowModal and CreatePage hand the error to their caller: a half-initialised dialog must not be
        // shown.
        initError_ = std::current_exception();
        if (!page_) ::EndDialog(handle_, IDCANCEL);
        return FALSE;
    }
    // A page leaves the focus where the dialog that holds it puts it.
    return focusSet_ || page_ ? FALSE : TRUE;
}

std::optional<int> TDialog::OwnControlId(HWND window) const {
    if (!handle_ || !window || window == handle_ || ::GetParent(window) != handle_) return std::nullopt;
    return ::GetDlgCtrlID(window);
}

std::optional<INT_PTR> TDialog::Notify(NMHDR& header) {
    const auto found = notifications_.find(TCommandKey{static_cast<int>(header.idFrom), header.code});
    if (found == notifications_.end() || !found->second) return std::nullopt;
    const TNotifyHandler handler = found->second;
    return handler(header);
}

bool TDialog::Scroll(HWND control, int request) {
    const std::optional<int> id = OwnControlId(control);
    if (!id) return false;
    const auto found = scrolls_.find(*id);
    if (found == scrolls_.end() || !found->second) return false;
    const std::function<void(int)> handler = found->second;
    handler(request);
    return true;
}

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

bool TDialog::PreviewKey(const MSG& message) {
    if (!keyPreview_) return false;
    const std::function<bool(const MSG&)> handler = keyPreview_;
    return handler(message);
}

LRESULT CALLBACK TDialog::MessageFilter(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == MSGF_DIALOGBOX && lParam) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
            const std::vector<TDialog*> dialogs = KeyPreviewState().Dialogs;
            for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
                TDialog* dialog = *it;
                if (!dialog->handle_ ||
                    (message.hwnd != dialog->handle_ && !::IsChild(dialog->handle_, message.hwnd)))
                    continue;
                try {
                    if (dialog->PreviewKey(message)) return TRUE;
                } catch (...) {
                    Application::HandleException(std::current_exception());
                    return TRUE;
                }
                break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR TDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (Command(LOWORD(wParam), HIWORD(wParam))) return TRUE;
        break;
    case WM_NOTIFY:
        if (lParam) {
            if (const std::optional<INT_PTR> result = Notify(*reinterpret_cast<NMHDR*>(lParam))) {
                ::SetWindowLongPtrW(handle_, DWLP_MSGRESULT, *result);
                return TRUE;
            }
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam && Scroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (const auto found = drawItems_.find(static_cast<int>(wParam));
            found != drawItems_.end() && found->second) {
            const std::function<void(const DRAWITEMSTRUCT&)> handler = found->second;
            handler(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_CONTEXTMENU:
        if (ContextMenu(reinterpret_cast<HWND>(wParam), lParam)) return TRUE;
        break;
    case WM_HELP:
        if (lParam && Help(*reinterpret_cast<const HELPINFO*>(lParam))) return TRUE;
        break;
    case WM_GETMINMAXINFO:
        if (minTrackSize_.cx > 0 || minTrackSize_.cy > 0) {
            auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
            info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, minTrackSize_.cx);
            info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, minTrackSize_.cy);
        }
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (const std::optional<INT_PTR> brush =
                ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return *brush;
        break;
    default:
        break;
    }
    if (const std::optional<INT_PTR> result = HandleMessage(message, wParam, lParam)) return *result;
    // Enter, Esc and the close box end a modal dialog when no handler takes them.
    if (!page_ && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
        (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK TDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<TDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<TDialog*>(lParam);
        self->handle_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        return self->Initialise();
    }
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->handle_ = nullptr;
        return FALSE;
    }
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return FALSE;
    }
}

} // namespace lodestar
