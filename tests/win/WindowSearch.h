// Finding windows of a dialog the way the tests need: by control id among all descendants (page controls
// live in child dialogs), or by any test among a window's descendants or a thread's top-level windows.
#pragma once

#include <windows.h>

#include <functional>

namespace lodestar::test {

namespace detail {
struct TWindowSearch {
    const std::function<bool(HWND)>* Match;
    HWND Found = nullptr;
};
inline BOOL CALLBACK VisitWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<TWindowSearch*>(data);
    if (!(*search.Match)(window)) return TRUE;
    search.Found = window;
    return FALSE;
}
} // namespace detail

// The first descendant of `parent` for which `match` holds, or null.
inline HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& match) {
    detail::TWindowSearch search{&match};
    ::EnumChildWindows(parent, &detail::VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The first top-level window of the thread for which `match` holds, or null.
inline HWND FindThreadWindow(DWORD thread, const std::function<bool(HWND)>& match) {
    detail::TWindowSearch search{&match};
    ::EnumThreadWindows(thread, &detail::VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The control of that id in the dialog or in one of its pages.
inline HWND FindDescendantById(HWND parent, int id) {
    return FindDescendant(parent, [id](HWND window) { return ::GetDlgCtrlID(window) == id; });
}

} // namespace lodestar::test
