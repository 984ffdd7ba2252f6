#include "Dialog.h"

#include "Application.h"
#include "Errors.h"
#include "WinError.h"
#include "WinText.h"

#include <utility>

namespace lodestar {

TDialog::TDialog(int templateId) : templateId_(templateId) {}

TDialog::~TDialog() {
    // Destroyed while shown (by one of its own handlers): the window must not call into freed memory.
    if (handle_) {
        ::SetWindowLongPtrW(handle_, DWLP_USER, 0);
        ::EndDialog(handle_, IDCANCEL);
    }
}

INT_PTR TDialog::ShowModal(HWND owner) {
    if (handle_) throw EProgramError("このダイアログは既に表示されています。");
    initError_ = nullptr;
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

std::optional<INT_PTR> TDialog::HandleMessage(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

void TDialog::OnCommand(int id, WORD code, std::function<void()> handler) {
    commands_.insert_or_assign(TCommandKey{id, code}, std::move(handler));
}

void TDialog::EndDialog(INT_PTR code) {
    if (handle_) ::EndDialog(handle_, code);
}

HWND TDialog::Item(int id) const {
    return handle_ ? ::GetDlgItem(handle_, id) : nullptr;
}

HWND TDialog::ItemOrThrow(int id) const {
    const HWND item = Item(id);
    if (!item) throw EProgramError("ダイアログに項目 " + std::to_string(id) + " がありません。");
    return item;
}

namespace {
std::string WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return Narrow(text);
}
} // namespace

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

void TDialog::SetTextLimit(int id, int characters) {
    ::SendMessageW(ItemOrThrow(id), EM_SETLIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void TDialog::FocusControl(int id) {
    // Through the dialog manager, so that the default button follows the focus.
    ::SendMessageW(handle_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ItemOrThrow(id)), TRUE);
    focusSet_ = true;
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
        // ShowModal hands the error to its caller: a half-initialised dialog must not be shown.
        initError_ = std::current_exception();
        ::EndDialog(handle_, IDCANCEL);
        return FALSE;
    }
    return focusSet_ ? FALSE : TRUE;
}

INT_PTR TDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && Command(LOWORD(wParam), HIWORD(wParam))) return TRUE;
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
        if (const std::optional<INT_PTR> brush =
                ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return *brush;
    }
    if (const std::optional<INT_PTR> result = HandleMessage(message, wParam, lParam)) return *result;
    // Enter, Esc and the close box end the dialog when no handler takes them.
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
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
