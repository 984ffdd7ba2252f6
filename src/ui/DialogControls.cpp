// The control helpers of a dialog: texts, states, focus and background colours.
#include "Dialog.h"

#include "Errors.h"
#include "WinError.h"
#include "WinText.h"

namespace lodestar {

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

} // namespace lodestar
