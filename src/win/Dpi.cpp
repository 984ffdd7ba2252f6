#include "Dpi.h"

namespace lodestar {

namespace {

// Functions of newer systems, looked up at run time: the program also runs where they are missing.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

template <typename Fn> Fn User32Function(const char* name) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

int ScreenDpi() {
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem) {
        if (const UINT dpi = getDpiForSystem(); dpi != 0) return static_cast<int>(dpi);
    }
    const HDC screen = ::GetDC(nullptr);
    if (!screen) return kDefaultDpi;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace

int WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (window && getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int TaskbarDpi() {
    // The taskbar follows its monitor's scale; the system DPI stays what it was at log-on.
    return WindowDpi(::FindWindowW(L"Shell_TrayWnd", nullptr));
}

namespace {

int MetricForDpi(int index, int dpi, int fallback) {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi && dpi > 0) {
        if (const int value = forDpi(index, static_cast<UINT>(dpi)); value > 0) return value;
    }
    const int value = ::GetSystemMetrics(index);
    return value > 0 ? value : fallback;
}

} // namespace

int SmallIconSizeForDpi(int dpi) {
    return MetricForDpi(SM_CXSMICON, dpi, 16);
}

int IconSizeForDpi(int dpi) {
    return MetricForDpi(SM_CXICON, dpi, 32);
}

int ScrollBarHeightForDpi(int dpi) {
    return MetricForDpi(SM_CYHSCROLL, dpi, 16);
}

int TrayIconSize() {
    return SmallIconSizeForDpi(TaskbarDpi());
}

int ScaleForDpi(int pixels, int dpi) {
    return ::MulDiv(pixels, dpi > 0 ? dpi : kDefaultDpi, kDefaultDpi);
}

} // namespace lodestar
