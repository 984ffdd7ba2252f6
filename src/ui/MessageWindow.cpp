#include "MessageWindow.h"

#include "Application.h"
#include "WinError.h"
#include "WinText.h"

namespace lodestar {

TMessageWindow::~TMessageWindow() {
    DestroyHandle();
}

namespace {
void RegisterOnce(const wchar_t* className, WNDPROC procedure) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    if (::GetClassInfoExW(instance, className, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    if (!::RegisterClassExW(&wc)) throw EWindowsError();
}
} // namespace

void TMessageWindow::CreateMessageOnly(const wchar_t* className) {
    RegisterOnce(className, &TMessageWindow::Procedure);
    if (!::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           ::GetModuleHandleW(nullptr), this))
        throw EWindowsError();
}

void TMessageWindow::CreateHidden(const wchar_t* className, const std::string& title, DWORD exStyle) {
    RegisterOnce(className, &TMessageWindow::Procedure);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const HWND hwnd = ::CreateWindowExW(exStyle, className, Widen(title).c_str(), WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, instance, this);
    if (!hwnd) throw EWindowsError();
}

void TMessageWindow::DestroyHandle() {
    if (handle_) ::DestroyWindow(handle_);
}

LRESULT TMessageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(handle_, message, wParam, lParam);
}

TOwnedWindow::TOwnedWindow(const wchar_t* className, TKind kind, THandler handler, DWORD exStyle)
    : handler_(std::move(handler)) {
    if (kind == TKind::MessageOnly)
        CreateMessageOnly(className);
    else
        CreateHidden(className, {}, exStyle);
}

LRESULT TOwnedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const std::optional<LRESULT> result = handler_(message, wParam, lParam)) return *result;
    return TMessageWindow::HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK TMessageWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<TMessageWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<TMessageWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
}

} // namespace lodestar
