#include "Dialog.h"

#include "Application.h"
#include "Errors.h"
#include "ListRowDrag.h"
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
    // Every modal dialog watches its keys, with or without a preview handler: a row drag in it must
    // have them before the dialog manager makes Escape and Enter end the dialog.
    const TKeyPreviewScope preview(this);
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

bool TDialog::PreviewKey(const MSG& message) {
    if (!keyPreview_) return false;
    const std::function<bool(const MSG&)> handler = keyPreview_;
    return handler(message);
}

LRESULT CALLBACK TDialog::MessageFilter(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == MSGF_DIALOGBOX && lParam) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
            if (TListRowDrag* drag = TListRowDrag::Running()) {
                try {
                    drag->Key(message);
                } catch (...) {
                    Application::HandleException(std::current_exception());
                }
                return TRUE;
            }
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
