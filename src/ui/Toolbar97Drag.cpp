#include "Toolbar97.h"

#include "Application.h"
#include "Toolbar97Detail.h"
#include "WinError.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

namespace lodestar {

using namespace toolbar97;

namespace {

LRESULT CALLBACK OutlineProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// The frame that shows where a dragged toolbar would go.
HWND ShowOutline(HWND outline, HWND owner, const RECT& r) {
    if (!outline) {
        RegisterOnce(kOutlineClass, &OutlineProcedure, COLOR_3DDKSHADOW);
        outline = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                                    kOutlineClass, L"", WS_POPUP, 0, 0, 0, 0, owner, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        if (!outline) return nullptr;
    }
    const int w = std::max(Width(r), 2 * kOutlineWidth + 1);
    const int h = std::max(Height(r), 2 * kOutlineWidth + 1);
    HRGN frame = ::CreateRectRgn(0, 0, w, h);
    HRGN inner = ::CreateRectRgn(kOutlineWidth, kOutlineWidth, w - kOutlineWidth, h - kOutlineWidth);
    ::CombineRgn(frame, frame, inner, RGN_DIFF);
    ::DeleteObject(inner);
    if (!::SetWindowRgn(outline, frame, FALSE)) ::DeleteObject(frame); // else the window owns it
    ::SetWindowPos(outline, HWND_TOPMOST, r.left, r.top, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return outline;
}

} // namespace

// ---- Dragging --------------------------------------------------------------------------------------------

void TToolbar97::BeginDrag(POINT screen) {
    if (!frame_) return;
    RECT r{};
    ::GetWindowRect(Floating() && float_ ? float_ : frame_, &r);
    drag_.Active = true;
    drag_.Moved = false;
    drag_.Start = screen;
    drag_.Grab = POINT{screen.x - r.left, screen.y - r.top};
    ::SetCapture(frame_);
}

TToolbar97::TDragTarget TToolbar97::TargetAt(POINT screen) {
    TDragTarget target;
    for (const TDockPosition p : kAllDocks) {
        TDock97& dock = site_->Dock(p);
        if (!dock.allowDrag_ || !MayDock(dock)) continue;
        const bool vertical = dock.Vertical();
        const SIZE size = FrameSize(vertical ? TOrientation::Vertical : TOrientation::Horizontal);
        const RECT r = ScreenRectOf(site_->host_, dock.bounds_);
        RECT catchArea = r;
        switch (p) {
        case TDockPosition::dpTop:
            catchArea.top -= kCatch;
            catchArea.bottom += size.cy;
            break;
        case TDockPosition::dpBottom:
            catchArea.top -= size.cy;
            catchArea.bottom += kCatch;
            break;
        case TDockPosition::dpLeft:
            catchArea.left -= kCatch;
            catchArea.right += size.cx;
            break;
        case TDockPosition::dpRight:
            catchArea.left -= size.cx;
            catchArea.right += kCatch;
            break;
        }
        if (!::PtInRect(&catchArea, screen)) continue;
        // The point grabbed stays under the cursor while the toolbar keeps its orientation; turned, the
        // toolbar hangs from its grip.
        const bool sameWay = dock_ && dock_->Vertical() == vertical;
        const int grab = sameWay ? (vertical ? drag_.Grab.y : drag_.Grab.x) : kEdge + kGrip / 2;
        const int length = vertical ? Height(r) : Width(r);
        const int barLength = vertical ? size.cy : size.cx;
        const int along = (vertical ? screen.y - r.top : screen.x - r.left) - grab;
        target.Dock = &dock;
        target.Pos = std::clamp(along, 0, std::max(0, length - barLength));
        const int cross = vertical ? screen.x - r.left : screen.y - r.top;
        target.Row = DropRow(dock.rows_, cross, p == TDockPosition::dpTop || p == TDockPosition::dpLeft);
        const int thickness = vertical ? size.cx : size.cy;
        const int count = dock.RowCount();
        const int offset = target.Row < 0 ? -thickness
                           : target.Row >= count
                               ? dock.rows_.Thickness
                               : dock.rows_.RowOffsets[static_cast<std::size_t>(target.Row)];
        target.Outline = vertical ? RECT{r.left + offset, r.top + target.Pos, r.left + offset + size.cx,
                                         r.top + target.Pos + size.cy}
                                  : RECT{r.left + target.Pos, r.top + offset, r.left + target.Pos + size.cx,
                                         r.top + offset + size.cy};
        return target;
    }
    const POINT grab =
        Floating()
            ? drag_.Grab
            : POINT{12, (::GetSystemMetrics(SM_CYSMCAPTION) + ::GetSystemMetrics(SM_CYFIXEDFRAME)) / 2};
    target.FloatPos = POINT{screen.x - grab.x, screen.y - grab.y};
    target.Outline = FloatRect(target.FloatPos);
    return target;
}

void TToolbar97::DragTo(POINT screen) {
    if (!drag_.Active) return;
    if (!drag_.Moved) {
        if (std::abs(screen.x - drag_.Start.x) <= ::GetSystemMetrics(SM_CXDRAG) &&
            std::abs(screen.y - drag_.Start.y) <= ::GetSystemMetrics(SM_CYDRAG))
            return;
        drag_.Moved = true;
    }
    drag_.Outline =
        ShowOutline(drag_.Outline, ::GetAncestor(site_->host_, GA_ROOT), TargetAt(screen).Outline);
}

void TToolbar97::EndDrag(POINT screen, bool drop) {
    if (!drag_.Active) return;
    drag_.Active = false;
    if (drag_.Outline) {
        ::DestroyWindow(drag_.Outline);
        drag_.Outline = nullptr;
    }
    if (::GetCapture() == frame_) ::ReleaseCapture();
    if (!drop || !drag_.Moved) return;
    const TDragTarget target = TargetAt(screen);
    if (target.Dock) {
        if (target.Dock != dock_ || target.Row != row_ || target.Pos != pos_)
            Attach(target.Dock, target.Row, target.Pos);
    } else {
        Float(target.FloatPos);
    }
}

// ---- Window procedures -----------------------------------------------------------------------------------

LRESULT CALLBACK TToolbar97::FrameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = Bound<TToolbar97>(hwnd, message, lParam);
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCCREATE) self->frame_ = hwnd;
    if (message == WM_NCDESTROY) {
        Unbind(hwnd);
        self->frame_ = nullptr;
        self->toolbar_ = nullptr;
        for (TItem& item : self->items_)
            item.Control = nullptr;
        self->drag_.Active = false;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->FrameMessage(message, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
}

LRESULT CALLBACK TToolbar97::FloatProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = Bound<TToolbar97>(hwnd, message, lParam);
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCCREATE) self->float_ = hwnd;
    if (message == WM_NCDESTROY) {
        Unbind(hwnd);
        if (self->float_ == hwnd) self->float_ = nullptr;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->FloatMessage(message, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
}

LRESULT CALLBACK TToolbar97::ToolbarSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TToolbar97*>(data);
    try {
        switch (message) {
        case WM_RBUTTONUP:
            if (self->RightUp(lParam)) return 0;
            break;
        case WM_COMMAND:
            // A control of the toolbar's reports to the host, as it would sitting on the host itself.
            if (lParam != 0 && ::GetParent(reinterpret_cast<HWND>(lParam)) == hwnd)
                return ::SendMessageW(self->site_->host_, WM_COMMAND, wParam, lParam);
            break;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(hwnd, &TToolbar97::ToolbarSubclass, 1);
            break;
        default:
            break;
        }
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TToolbar97::RightUp(LPARAM lParam) {
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int index =
        static_cast<int>(::SendMessageW(toolbar_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&at)));
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return false;
    const TItem& item = items_[static_cast<std::size_t>(index)];
    if (item.Separator) return false;
    ::ClientToScreen(toolbar_, &at);
    if (OnButtonRightUp) OnButtonRightUp(*this, item.Id, at);
    return true;
}

std::optional<LRESULT> TToolbar97::Notify(const NMHDR& header) {
    if (header.hwndFrom != toolbar_ && header.code != TTN_GETDISPINFOW) return std::nullopt;
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        if (const TItem* item = Find(static_cast<int>(header.idFrom))) {
            info.hinst = nullptr;
            info.lpszText = const_cast<wchar_t*>(item->WideHint.c_str());
        }
        return 0;
    }
    if (header.code == TBN_GETINFOTIPW) {
        auto& tip = const_cast<NMTBGETINFOTIPW&>(reinterpret_cast<const NMTBGETINFOTIPW&>(header));
        const TItem* item = Find(tip.iItem);
        if (item && tip.pszText && tip.cchTextMax > 0) {
            const std::size_t n =
                std::min<std::size_t>(item->WideHint.size(), static_cast<std::size_t>(tip.cchTextMax) - 1);
            std::copy_n(item->WideHint.c_str(), n, tip.pszText);
            tip.pszText[n] = L'\0';
        }
        return 0;
    }
    return std::nullopt;
}

LRESULT TToolbar97::FrameMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = frame_;
    switch (message) {
    case WM_COMMAND:
        return ::SendMessageW(site_->host_, WM_COMMAND, wParam, lParam);
    case WM_NOTIFY:
        if (const std::optional<LRESULT> result = Notify(*reinterpret_cast<const NMHDR*>(lParam)))
            return *result;
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(hwnd, &ps);
        if (orientation_ != TOrientation::Floating) {
            RECT r{};
            ::GetClientRect(hwnd, &r);
            ::DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
            for (int line = 0; line < 2; ++line) {
                const int at = kEdge + 1 + 3 * line;
                RECT grip = orientation_ == TOrientation::Vertical
                                ? RECT{kEdge + 2, at, r.right - kEdge - 2, at + 3}
                                : RECT{at, kEdge + 2, at + 3, r.bottom - kEdge - 2};
                ::DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
            }
        }
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == hwnd && LOWORD(lParam) == HTCLIENT && dock_ &&
            dock_->allowDrag_) {
            ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEALL)));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (dock_ && dock_->allowDrag_) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ClientToScreen(hwnd, &at);
            BeginDrag(at);
        }
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        if (drag_.Active) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ClientToScreen(hwnd, &at);
            if (message == WM_MOUSEMOVE)
                DragTo(at);
            else
                EndDrag(at, true);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (drag_.Active && reinterpret_cast<HWND>(lParam) != hwnd) EndDrag(POINT{}, false);
        return 0;
    case WM_KEYDOWN:
        if (drag_.Active && wParam == VK_ESCAPE) {
            EndDrag(POINT{}, false);
            return 0;
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT TToolbar97::FloatMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = float_;
    switch (message) {
    case WM_MOUSEACTIVATE:
        // Clicking the floating toolbar leaves the dialog active, as clicking a docked one does.
        return MA_NOACTIVATE;
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION) {
            BeginDrag(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        const auto& pos = *reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(pos.flags & SWP_NOMOVE) && !dock_) floatPos_ = POINT{pos.x, pos.y};
        break;
    }
    case WM_CLOSE:
        return 0; // no close button, and no other way to close it either
    case WM_COMMAND:
        return ::SendMessageW(site_->host_, WM_COMMAND, wParam, lParam);
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace lodestar
