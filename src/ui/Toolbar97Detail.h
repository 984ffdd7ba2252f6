// Pieces the docking toolbar's units share: window classes, sizes and small geometry helpers.
#pragma once

#include "Toolbar97.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace lodestar::toolbar97 {

inline constexpr const wchar_t* kDockClass = L"Lodestar.Dock97";
inline constexpr const wchar_t* kFrameClass = L"Lodestar.Toolbar97";
inline constexpr const wchar_t* kFloatClass = L"Lodestar.Float97";
inline constexpr const wchar_t* kOutlineClass = L"Lodestar.DragOutline97";

// The comctl32 control inside each frame; no id a dialog gives its own controls.
inline constexpr int kToolbarControlId = 0x7F97;
inline constexpr int kEdge = 2;  // raised edge around a docked toolbar
inline constexpr int kGrip = 8;  // the grip's strip at the toolbar's start
inline constexpr int kPad = 1;   // around a floating toolbar, inside its window
inline constexpr int kCatch = 8; // how far beyond its outer edge a dock still catches a dragged toolbar
inline constexpr int kOutlineWidth = 3;
inline constexpr int kMaxRow = 255;
inline constexpr int kMaxPos = 32767;
inline constexpr DWORD kFloatStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
inline constexpr DWORD kFloatExStyle = WS_EX_TOOLWINDOW;

// Registers a window class of this program once per process; the background is a system colour index.
void RegisterOnce(const wchar_t* name, WNDPROC procedure, int background);

// The object a window was created for, bound at WM_NCCREATE.
template <typename T> T* Bound(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self;
    }
    return reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

inline void Unbind(HWND hwnd) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

inline int Width(const RECT& r) {
    return r.right - r.left;
}
inline int Height(const RECT& r) {
    return r.bottom - r.top;
}

inline bool IsVertical(TDockPosition p) {
    return p == TDockPosition::dpLeft || p == TDockPosition::dpRight;
}
inline std::size_t IndexOf(TDockPosition p) {
    return static_cast<std::size_t>(p) - 1;
}

inline constexpr TDockPosition kAllDocks[] = {TDockPosition::dpTop, TDockPosition::dpBottom,
                                              TDockPosition::dpLeft, TDockPosition::dpRight};

inline std::optional<TDockPosition> DockOfNumber(std::int32_t number) {
    for (const TDockPosition p : kAllDocks)
        if (static_cast<std::int32_t>(p) == number) return p;
    return std::nullopt;
}

inline RECT ScreenRectOf(HWND host, RECT r) {
    ::MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace lodestar::toolbar97
