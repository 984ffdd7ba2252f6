#include "PlaceDialog.h"

#include <shellapi.h>

#include <optional>
#include <vector>

namespace lodestar {

namespace {

TRect FromRECT(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

TRect Screen() {
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

std::optional<TTaskbar> Taskbar() {
    APPBARDATA data{};
    data.cbSize = sizeof data;
    if (!::SHAppBarMessage(ABM_GETTASKBARPOS, &data)) return std::nullopt;
    TTaskbar taskbar;
    taskbar.Bounds = FromRECT(data.rc);
    switch (data.uEdge) {
    case ABE_LEFT:
        taskbar.Edge = teLeft;
        break;
    case ABE_TOP:
        taskbar.Edge = teTop;
        break;
    case ABE_RIGHT:
        taskbar.Edge = teRight;
        break;
    default:
        taskbar.Edge = teBottom;
        break;
    }
    APPBARDATA state{};
    state.cbSize = sizeof state;
    taskbar.AutoHide = (::SHAppBarMessage(ABM_GETSTATE, &state) & ABS_AUTOHIDE) != 0;
    return taskbar;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) noexcept {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(monitor, &info)) {
        try {
            reinterpret_cast<std::vector<TMonitor>*>(list)->push_back(
                {FromRECT(info.rcMonitor), FromRECT(info.rcWork)});
        } catch (...) {
            return FALSE; // out of memory: the displays found so far must do
        }
    }
    return TRUE;
}

} // namespace

TRect TaskbarWorkArea() {
    const std::optional<TTaskbar> taskbar = Taskbar();
    return taskbar ? WorkAreaWithout(Screen(), *taskbar) : Screen();
}

TRect DisplayWorkAreaAt(TPoint at) {
    std::vector<TMonitor> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) return TaskbarWorkArea();
    return WorkAreaAt(monitors, at, Taskbar());
}

TRect SystemWorkArea() {
    RECT area{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) || area.right <= area.left) return Screen();
    return FromRECT(area);
}

void PlaceDialog(HWND owner, HWND dialog) {
    RECT bounds{};
    if (!owner || !::IsWindow(owner) || !::GetWindowRect(dialog, &bounds)) return;
    POINT origin{0, 0};
    ::ClientToScreen(owner, &origin);
    // The display the middle of the owner is on, where the user sees it; its client origin may lie on
    // another.
    RECT ownerBounds{};
    ::GetWindowRect(owner, &ownerBounds);
    const TRect area = DisplayWorkAreaAt({ownerBounds.left + (ownerBounds.right - ownerBounds.left) / 2,
                                          ownerBounds.top + (ownerBounds.bottom - ownerBounds.top) / 2});
    const TPoint p = PlaceDialogPosition(area, {origin.x, origin.y}, bounds.right - bounds.left,
                                         bounds.bottom - bounds.top);
    ::SetWindowPos(dialog, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace lodestar
