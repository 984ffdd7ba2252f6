#include "PlaceDialog.h"

#include <shellapi.h>

namespace lodestar {

namespace {

TRect FromRECT(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

TRect Screen() {
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

TRect TaskbarWorkArea() {
    APPBARDATA data{};
    data.cbSize = sizeof data;
    if (!::SHAppBarMessage(ABM_GETTASKBARPOS, &data)) return Screen();
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
    return WorkAreaWithout(Screen(), taskbar);
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
    const TPoint p = PlaceDialogPosition(TaskbarWorkArea(), {origin.x, origin.y}, bounds.right - bounds.left,
                                         bounds.bottom - bounds.top);
    ::SetWindowPos(dialog, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace lodestar
