#include "IcoGrid.h"

#include "Application.h"
#include "Dpi.h"
#include "WinError.h"

#include <windowsx.h>

#include <algorithm>

namespace lodestar {

namespace {
// The client area the design's 337-pixel grid leaves inside its border.
constexpr int kDefaultClientWidth = 333;
constexpr int kDefaultHeight = 198;
} // namespace

void TIcoGrid::Register() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(instance, kClassName, &existing)) return;
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = &TIcoGrid::Procedure;
    cls.hInstance = instance;
    cls.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)) /* IDC_ARROW */;
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kClassName;
    if (!::RegisterClassExW(&cls) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) throw EWindowsError();
}

TIcoGrid::TIcoGrid() : layout_(kDefaultHeight, ::GetSystemMetrics(SM_CYHSCROLL), kDefaultClientWidth) {}

TIcoGrid::~TIcoGrid() {
    if (handle_) ::SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
}

void TIcoGrid::Attach(HWND window, const TImageList& images) {
    if (handle_) ::SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    handle_ = window;
    images_ = &images;
    // The grid is laid out for its monitor's scale; its images are drawn for it already.
    const int dpi = WindowDpi(window);
    layout_.SetDpi(dpi, ScrollBarHeightForDpi(dpi));
    ::SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    layout_.SetIconCount(images.Count());
    Resized();
}

void TIcoGrid::SetLargeView(bool large) {
    layout_.SetLargeView(large);
    Update();
}

void TIcoGrid::IconsChanged() {
    layout_.SetIconCount(images_ ? images_->Count() : 0);
    Update();
}

bool TIcoGrid::SelectIndex(int index) {
    if (!layout_.SelectIndex(index)) return false;
    Update();
    return true;
}

void TIcoGrid::Update() {
    if (!handle_) return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = layout_.Cols() - 1;
    info.nPage = static_cast<UINT>(layout_.VisibleCols());
    info.nPos = layout_.LeftCol();
    ::SetScrollInfo(handle_, SB_HORZ, &info, TRUE);
    ::InvalidateRect(handle_, nullptr, FALSE);
}

void TIcoGrid::Notify(WORD code) const {
    ::SendMessageW(::GetParent(handle_), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(handle_), code),
                   reinterpret_cast<LPARAM>(handle_));
}

void TIcoGrid::Resized() {
    RECT window{};
    RECT client{};
    ::GetWindowRect(handle_, &window);
    ::GetClientRect(handle_, &client);
    layout_.Resize(window.bottom - window.top, client.right);
    Update();
}

void TIcoGrid::Scroll(WPARAM request) {
    const int page = layout_.VisibleCols();
    int target = layout_.LeftCol();
    switch (LOWORD(request)) {
    case SB_LINELEFT:
        --target;
        break;
    case SB_LINERIGHT:
        ++target;
        break;
    case SB_PAGELEFT:
        target -= page;
        break;
    case SB_PAGERIGHT:
        target += page;
        break;
    case SB_LEFT:
        target = 0;
        break;
    case SB_RIGHT:
        target = layout_.MaxLeftCol();
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        // The thumb's position comes in 16 bits, which hold any column: a file holds at most 65535 icon
        // groups, that is fewer than 16384 columns even of four rows.
        target = HIWORD(request);
        break;
    default:
        return;
    }
    if (layout_.ScrollTo(target)) Update();
}

void TIcoGrid::Wheel(int delta) {
    // One column per notch; turning towards the user scrolls to the right, as lists do downwards.
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ %= WHEEL_DELTA;
    if (notches != 0 && layout_.ScrollTo(layout_.LeftCol() - notches)) Update();
}

void TIcoGrid::Key(WPARAM key) {
    TGridMove move;
    switch (key) {
    case VK_LEFT:
        move = TGridMove::gmLeft;
        break;
    case VK_RIGHT:
        move = TGridMove::gmRight;
        break;
    case VK_UP:
        move = TGridMove::gmUp;
        break;
    case VK_DOWN:
        move = TGridMove::gmDown;
        break;
    case VK_PRIOR:
        move = TGridMove::gmPageLeft;
        break;
    case VK_NEXT:
        move = TGridMove::gmPageRight;
        break;
    case VK_HOME:
        move = TGridMove::gmFirst;
        break;
    case VK_END:
        move = TGridMove::gmLast;
        break;
    default:
        return;
    }
    if (!layout_.Move(move)) return;
    Update();
    Notify(ICOGRIDN_SELCHANGE);
}

void TIcoGrid::Click(LPARAM point, bool twice) {
    if (::GetFocus() != handle_) ::SetFocus(handle_);
    const std::optional<TGridCell> cell = layout_.CellAt(GET_X_LPARAM(point), GET_Y_LPARAM(point));
    if (!cell || !layout_.CanSelect(*cell)) return;
    const bool changed = *cell != layout_.Current();
    // Select also scrolls a partly shown cell into view when it already is the current one.
    layout_.Select(*cell);
    Update();
    if (changed) Notify(ICOGRIDN_SELCHANGE);
    if (twice) Notify(ICOGRIDN_DBLCLK);
}

void TIcoGrid::DrawCell(HDC dc, TGridCell cell, bool focused) const {
    const int size = layout_.CellSize();
    const int x = layout_.ColLeft(cell.Col);
    const int y = cell.Row * size;
    const int index = layout_.IndexOf(cell);
    if (index >= layout_.IconCount()) return; // the background is already there
    const RECT rect{x, y, x + size, y + size};
    const bool current = cell == layout_.Current();
    // The current cell is filled with the selection colour while the grid has the focus, and framed with
    // it otherwise, so that the choice stays visible while the user types a file name.
    if (current && focused) ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    if (current && !focused) ::FrameRect(dc, &rect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    if (images_) {
        // The images are small icons of the grid's scale; the large view shows them at twice that.
        const int small = images_->Width();
        const int large = 2 * small;
        if (layout_.LargeView())
            images_->DrawStretched(dc, index, x + (size - large) / 2, y + (size - large) / 2, large, large);
        else
            images_->Draw(dc, index, x + (size - small) / 2, y + (size - small) / 2);
    }
    if (current && focused) ::DrawFocusRect(dc, &rect);
}

void TIcoGrid::Paint() {
    PAINTSTRUCT ps{};
    const HDC target = ::BeginPaint(handle_, &ps);
    RECT client{};
    ::GetClientRect(handle_, &client);
    // Drawn off screen first, so that scrolling with the thumb does not flicker.
    const UniqueMemoryDC dc(::CreateCompatibleDC(target));
    const UniqueBitmap picture(
        ::CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
    const bool buffered = dc && picture;
    const HDC draw = buffered ? dc.Get() : target;
    const HGDIOBJ old = buffered ? ::SelectObject(draw, picture.Get()) : nullptr;
    ::FillRect(draw, &client, ::GetSysColorBrush(COLOR_WINDOW));
    const bool focused = ::GetFocus() == handle_;
    const int lastCol = std::min(layout_.Cols() - 1, layout_.LeftCol() + layout_.VisibleCols());
    for (int col = layout_.LeftCol(); col <= lastCol; ++col)
        for (int row = 0; row < layout_.Rows(); ++row)
            DrawCell(draw, {col, row}, focused);
    if (buffered) {
        ::BitBlt(target, 0, 0, client.right, client.bottom, draw, 0, 0, SRCCOPY);
        ::SelectObject(draw, old);
    }
    ::EndPaint(handle_, &ps);
}

LRESULT TIcoGrid::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SIZE:
        Resized();
        return 0;
    case WM_HSCROLL:
        Scroll(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_MOUSEHWHEEL:
        Wheel(-GET_WHEEL_DELTA_WPARAM(wParam));
        return TRUE;
    case WM_KEYDOWN:
        Key(wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Click(lParam, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(handle_, nullptr, FALSE);
        return 0;
    case ICOGRID_GETCURRENT:
        return layout_.IconCount() > 0 ? layout_.CurrentIndex() : -1;
    case ICOGRID_GETCOUNT:
        return layout_.IconCount();
    case ICOGRID_GETROWS:
        return layout_.Rows();
    case ICOGRID_GETLEFTCOL:
        return layout_.LeftCol();
    case ICOGRID_GETCELLSIZE:
        return layout_.CellSize();
    default:
        return ::DefWindowProcW(handle_, message, wParam, lParam);
    }
}

LRESULT CALLBACK TIcoGrid::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<TIcoGrid*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        self = nullptr;
    }
    // Until a dialog takes the window over it is an empty field that still keeps the arrow keys.
    if (!self) {
        if (message == WM_GETDLGCODE) return DLGC_WANTARROWS;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
}

} // namespace lodestar
