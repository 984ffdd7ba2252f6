#include "Toolbar97.h"

#include "Application.h"
#include "Toolbar97Detail.h"
#include "WinError.h"
#include "ToolbarPlacement.h"
#include "WinText.h"

#include <algorithm>

namespace lodestar {

using namespace toolbar97;

namespace {

// A floating window is usable where its caption lies on a monitor's work area, enough to grab it.
bool CaptionOnScreen(const RECT& window) {
    RECT caption = window;
    caption.bottom = caption.top + ::GetSystemMetrics(SM_CYSMCAPTION) + ::GetSystemMetrics(SM_CYFIXEDFRAME);
    const HMONITOR monitor = ::MonitorFromRect(&caption, MONITOR_DEFAULTTONULL);
    if (!monitor) return false;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info)) return false;
    RECT visible{};
    if (!::IntersectRect(&visible, &caption, &info.rcWork)) return false;
    return Width(visible) >= std::min(24, Width(caption)) && Height(visible) >= std::min(6, Height(caption));
}

} // namespace

// ---- TToolbar97 ------------------------------------------------------------------------------------------

TToolbar97::TToolbar97(TDockSite* site, std::string name, std::string caption, TDockPosition dock, int row,
                       int pos)
    : TComponent(site), site_(site), caption_(std::move(caption)), lastDock_(dock), defaultDock_(dock),
      defaultRow_(row), defaultPos_(pos) {
    SetName(std::move(name));
    RegisterOnce(kFrameClass, &TToolbar97::FrameProcedure, COLOR_BTNFACE);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    TDock97& home = site->Dock(dock);
    if (!::CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, Widen(caption_).c_str(),
                           WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           home.handle_ ? home.handle_ : site->host_, nullptr, instance, this))
        throw EWindowsError();
    toolbar_ =
        ::CreateWindowExW(WS_EX_CONTROLPARENT, TOOLBARCLASSNAMEW, Widen(caption_).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                              CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                          0, 0, 0, 0, frame_, reinterpret_cast<HMENU>(kToolbarControlId), instance, nullptr);
    if (!toolbar_) {
        const EWindowsError error;
        ::DestroyWindow(frame_);
        throw error;
    }
    ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SetWindowSubclass(toolbar_, &TToolbar97::ToolbarSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
    site->toolbars_.push_back(this);
    Attach(&home, row, pos);
}

TToolbar97::~TToolbar97() {
    if (drag_.Outline) ::DestroyWindow(drag_.Outline);
    if (float_)
        ::DestroyWindow(float_); // the frame with it
    else if (frame_)
        ::DestroyWindow(frame_);
    auto& list = site_->toolbars_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    dock_ = nullptr;
    site_->Arrange();
}

void TToolbar97::SetImages(HIMAGELIST images) {
    if (toolbar_) {
        ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
        int cx = 16, cy = 16;
        if (images && ::ImageList_GetIconSize(images, &cx, &cy))
            ::SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    }
    measured_ = false;
    ApplyOrientation(orientation_);
}

void TToolbar97::LoadImageStrip(HINSTANCE instance, const wchar_t* resource, int glyphWidth,
                                COLORREF transparent) {
    TOwnedImages images(::ImageList_LoadImageW(instance, resource, glyphWidth, 0, transparent, IMAGE_BITMAP,
                                               LR_CREATEDIBSECTION));
    if (!images) throw EWindowsError();
    SetImages(images.Get());
    ownImages_ = std::move(images);
}

void TToolbar97::AddButton(int id, int image, std::string hint, int helpContext) {
    TItem item;
    item.Id = id;
    item.Hint = std::move(hint);
    item.WideHint = Widen(item.Hint);
    item.HelpContext = helpContext;
    if (toolbar_) {
        TBBUTTON button{};
        button.iBitmap = image;
        button.idCommand = id;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        if (!::SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)))
            throw EWindowsError();
    }
    items_.push_back(std::move(item));
    measured_ = false;
    ApplyOrientation(orientation_);
}

void TToolbar97::AddSeparator() {
    TItem item;
    item.Separator = true;
    if (toolbar_) {
        TBBUTTON button{};
        button.fsStyle = BTNS_SEP;
        if (!::SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)))
            throw EWindowsError();
    }
    items_.push_back(std::move(item));
    measured_ = false;
    ApplyOrientation(orientation_);
}

HWND TToolbar97::AddControl(const wchar_t* className, int id, const std::string& text, DWORD style,
                            int width) {
    if (!toolbar_) throw EProgramError("ツールバーのウィンドウがありません。");
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(site_->host_, WM_GETFONT, 0, 0));
    const std::wstring wide = Widen(text);
    if (width <= 0) {
        // A check box's caption with the box and the gap before the text.
        const HDC dc = ::GetDC(toolbar_);
        const HGDIOBJ old =
            ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
        SIZE extent{};
        std::wstring shown;
        for (const wchar_t ch : wide)
            if (ch != L'&') shown += ch;
        ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
        ::SelectObject(dc, old);
        ::ReleaseDC(toolbar_, dc);
        width = extent.cx + ::GetSystemMetrics(SM_CXMENUCHECK) + 8;
    }
    TBBUTTON button{};
    button.iBitmap = width;
    button.idCommand = id;
    button.fsStyle = BTNS_SEP;
    if (!::SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)))
        throw EWindowsError();
    const HWND control = ::CreateWindowExW(
        0, className, wide.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, width, 16, toolbar_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (!control) {
        const EWindowsError error;
        ::SendMessageW(toolbar_, TB_DELETEBUTTON, items_.size(), 0);
        throw error;
    }
    if (font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TItem item;
    item.Id = id;
    item.Separator = true;
    item.Control = control;
    item.Width = width;
    items_.push_back(std::move(item));
    measured_ = false;
    // A control does not stand on its end: the toolbar leaves the side docks.
    if (dock_ && dock_->Vertical()) Attach(&site_->Dock(defaultDock_), defaultRow_, defaultPos_);
    ApplyOrientation(orientation_);
    return control;
}

const TToolbar97::TItem* TToolbar97::Find(int id) const {
    for (const TItem& item : items_)
        if (item.Id == id && !item.Control && !item.Separator) return &item;
    return nullptr;
}

std::vector<int> TToolbar97::ButtonIds() const {
    std::vector<int> ids;
    for (const TItem& item : items_)
        if (!item.Separator) ids.push_back(item.Id);
    return ids;
}

std::string TToolbar97::Hint(int id) const {
    const TItem* item = Find(id);
    return item ? item->Hint : std::string();
}

int TToolbar97::HelpContext(int id) const {
    const TItem* item = Find(id);
    return item ? item->HelpContext : 0;
}

bool TToolbar97::ButtonEnabled(int id) const {
    return toolbar_ && Find(id) && ::SendMessageW(toolbar_, TB_ISBUTTONENABLED, id, 0) != 0;
}

void TToolbar97::SetButtonEnabled(int id, bool enabled) {
    if (toolbar_ && Find(id))
        ::SendMessageW(toolbar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void TToolbar97::SetDockableTo(std::initializer_list<TDockPosition> docks) {
    dockable_.fill(false);
    for (const TDockPosition p : docks)
        dockable_[IndexOf(p)] = true;
}

bool TToolbar97::DockableTo(TDockPosition dock) const {
    if (!dockable_[IndexOf(dock)]) return false;
    if (IsVertical(dock))
        for (const TItem& item : items_)
            if (item.Width > 0) return false;
    return true;
}

bool TToolbar97::MayDock(TDock97& dock) const {
    return DockableTo(dock.position_);
}

void TToolbar97::SetVisible(bool visible) {
    visible_ = visible;
    if (Floating()) {
        if (float_) ::ShowWindow(float_, visible ? SW_SHOWNA : SW_HIDE);
    } else {
        if (frame_ && !visible) ::ShowWindow(frame_, SW_HIDE);
        site_->Arrange();
    }
}

bool TToolbar97::DockTo(TDockPosition dock, int row, int pos) {
    if (!DockableTo(dock)) return false;
    Attach(&site_->Dock(dock), row, pos);
    return true;
}

void TToolbar97::Attach(TDock97* dock, int row, int pos) {
    TDock97* const old = dock_;
    dock_ = dock;
    row_ = row;
    pos_ = std::clamp(pos, 0, kMaxPos);
    lastDock_ = dock->position_;
    if (frame_ && dock->handle_) {
        ::ShowWindow(frame_, SW_HIDE);
        ::SetParent(frame_, dock->handle_);
    }
    ApplyOrientation(dock->Vertical() ? TOrientation::Vertical : TOrientation::Horizontal);
    if (float_) {
        const HWND window = float_;
        ::DestroyWindow(window);
    }
    site_->Arrange();
    if (old != dock) {
        if (old && old->OnInsertRemoveBar) old->OnInsertRemoveBar(*old, *this, false);
        if (dock->OnInsertRemoveBar) dock->OnInsertRemoveBar(*dock, *this, true);
    }
}

RECT TToolbar97::FloatRect(POINT topLeft) {
    const SIZE size = FrameSize(TOrientation::Floating);
    RECT r{0, 0, size.cx, size.cy};
    ::AdjustWindowRectEx(&r, kFloatStyle, FALSE, kFloatExStyle);
    ::OffsetRect(&r, topLeft.x - r.left, topLeft.y - r.top);
    return r;
}

void TToolbar97::Float(POINT screenTopLeft) {
    if (frame_ && !float_) {
        // The window first: when it cannot be made, the toolbar stays where it is.
        RegisterOnce(kFloatClass, &TToolbar97::FloatProcedure, COLOR_BTNFACE);
        const HWND owner = ::GetAncestor(site_->host_, GA_ROOT);
        if (!::CreateWindowExW(kFloatExStyle, kFloatClass, Widen(caption_).c_str(), kFloatStyle, 0, 0, 0, 0,
                               owner, nullptr, ::GetModuleHandleW(nullptr), this))
            throw EWindowsError();
    }
    TDock97* const old = dock_;
    dock_ = nullptr;
    floatPos_ = screenTopLeft;
    if (frame_ && float_) {
        ::ShowWindow(frame_, SW_HIDE);
        ::SetParent(frame_, float_);
    }
    ApplyOrientation(TOrientation::Floating);
    if (frame_ && float_) {
        const SIZE size = FrameSize(TOrientation::Floating);
        ::SetWindowPos(frame_, nullptr, 0, 0, size.cx, size.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        const RECT r = FloatRect(floatPos_);
        ::SetWindowPos(float_, nullptr, r.left, r.top, Width(r), Height(r), SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(float_, visible_ ? SW_SHOWNA : SW_HIDE);
    }
    site_->Arrange();
    if (old && old->OnInsertRemoveBar) old->OnInsertRemoveBar(*old, *this, false);
}

POINT TToolbar97::GripPoint() const {
    POINT p{};
    if (float_) {
        RECT window{};
        ::GetWindowRect(float_, &window);
        POINT client{0, 0};
        ::ClientToScreen(float_, &client);
        return POINT{window.left + 12, (window.top + client.y) / 2};
    }
    if (!frame_) return p;
    RECT r{};
    ::GetClientRect(frame_, &r);
    p = orientation_ == TOrientation::Vertical ? POINT{r.right / 2, kEdge + kGrip / 2}
                                               : POINT{kEdge + kGrip / 2, r.bottom / 2};
    ::ClientToScreen(frame_, &p);
    return p;
}

// ---- Size and orientation --------------------------------------------------------------------------------

void TToolbar97::Measure() {
    if (measured_ || !toolbar_) return;
    const auto measureAs = [&](bool vertical) {
        // Standing on end, the buttons wrap one by one and separators lie across.
        const LONG_PTR style = ::GetWindowLongPtrW(toolbar_, GWL_STYLE);
        ::SetWindowLongPtrW(toolbar_, GWL_STYLE, vertical ? (style | CCS_VERT) : (style & ~CCS_VERT));
        const int count = static_cast<int>(::SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TBBUTTON button{};
            ::SendMessageW(toolbar_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            const BYTE state = vertical ? (button.fsState | TBSTATE_WRAP) : (button.fsState & ~TBSTATE_WRAP);
            TBBUTTONINFOW info{};
            info.cbSize = sizeof info;
            info.dwMask = TBIF_STATE | TBIF_BYINDEX;
            info.fsState = state;
            ::SendMessageW(toolbar_, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
        }
        ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
        SIZE size{0, 0};
        for (int i = 0; i < count; ++i) {
            RECT r{};
            if (!::SendMessageW(toolbar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
            size.cx = std::max(size.cx, r.right);
            size.cy = std::max(size.cy, r.bottom);
        }
        if (count == 0) {
            const LRESULT button = ::SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0);
            size = SIZE{0, HIWORD(button)};
            if (vertical) size = SIZE{LOWORD(button), 0};
        }
        return size;
    };
    toolbarSizes_[static_cast<std::size_t>(TOrientation::Vertical)] = measureAs(true);
    toolbarSizes_[static_cast<std::size_t>(TOrientation::Horizontal)] = measureAs(false);
    toolbarSizes_[static_cast<std::size_t>(TOrientation::Floating)] =
        toolbarSizes_[static_cast<std::size_t>(TOrientation::Horizontal)];
    measured_ = true;
    // Measuring left the buttons lying: they stand as the toolbar does.
    if (orientation_ == TOrientation::Vertical) measureAs(true);
}

SIZE TToolbar97::FrameSize(TOrientation orientation) {
    Measure();
    const SIZE t = toolbarSizes_[static_cast<std::size_t>(orientation)];
    switch (orientation) {
    case TOrientation::Horizontal:
        return SIZE{2 * kEdge + kGrip + t.cx, 2 * kEdge + t.cy};
    case TOrientation::Vertical:
        return SIZE{2 * kEdge + t.cx, 2 * kEdge + kGrip + t.cy};
    case TOrientation::Floating:
        break;
    }
    return SIZE{2 * kPad + t.cx, 2 * kPad + t.cy};
}

void TToolbar97::ApplyOrientation(TOrientation orientation) {
    const bool turned = (orientation == TOrientation::Vertical) != (orientation_ == TOrientation::Vertical);
    orientation_ = orientation;
    if (turned) measured_ = false;
    Measure();
    if (!frame_ || !toolbar_) return;
    const SIZE t = toolbarSizes_[static_cast<std::size_t>(orientation)];
    const POINT at = orientation == TOrientation::Horizontal ? POINT{kEdge + kGrip, kEdge}
                     : orientation == TOrientation::Vertical ? POINT{kEdge, kEdge + kGrip}
                                                             : POINT{kPad, kPad};
    ::SetWindowPos(toolbar_, nullptr, at.x, at.y, t.cx, t.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE frame = FrameSize(orientation);
    ::SetWindowPos(frame_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    PlaceControls();
    ::InvalidateRect(frame_, nullptr, TRUE);
    if (orientation == TOrientation::Floating && float_) {
        RECT window{};
        ::GetWindowRect(float_, &window);
        const RECT r = FloatRect(POINT{window.left, window.top});
        ::SetWindowPos(float_, nullptr, 0, 0, Width(r), Height(r),
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    } else if (orientation != TOrientation::Floating) {
        site_->Arrange();
    }
}

void TToolbar97::PlaceControls() {
    const LRESULT button = ::SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const TItem& item = items_[i];
        if (!item.Control) continue;
        RECT r{};
        ::SendMessageW(toolbar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        const int height = std::min<int>(HIWORD(button), Height(r) > 0 ? Height(r) : HIWORD(button));
        ::SetWindowPos(item.Control, nullptr, r.left, r.top + (Height(r) - height) / 2, item.Width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// ---- Placement -------------------------------------------------------------------------------------------

void TToolbar97::SetDefault() {
    Attach(&site_->Dock(defaultDock_), defaultRow_, defaultPos_);
    SetVisible(true);
}

bool TToolbar97::Apply(const TToolbarPlacement& p) {
    const std::optional<TDockPosition> last = DockOfNumber(p.LastDock);
    if (!last) return false;
    if (p.DockRow < 0 || p.DockRow > kMaxRow || p.DockPos < 0 || p.DockPos > kMaxPos) return false;
    if (p.DockedTo == TToolbarPlacement::kFloating) {
        const POINT at{p.FloatLeft, p.FloatTop};
        if (!CaptionOnScreen(FloatRect(at))) return false;
        Float(at);
        if (DockableTo(*last)) lastDock_ = *last;
        row_ = p.DockRow;
        pos_ = p.DockPos;
        SetVisible(p.Visible);
        return true;
    }
    const std::optional<TDockPosition> dock = DockOfNumber(p.DockedTo);
    if (!dock || !DockableTo(*dock)) return false;
    DockTo(*dock, p.DockRow, p.DockPos);
    floatPos_ = POINT{p.FloatLeft, p.FloatTop};
    // Nothing in the program hides a docked toolbar, and nothing would show it again.
    SetVisible(true);
    return true;
}

bool TToolbar97::LoadPlacement() {
    try {
        const std::optional<TToolbarPlacement> placement = ReadToolbarPlacement(Name());
        if (placement && Apply(*placement)) return true;
        SetDefault();
    } catch (...) {
        // Placement is a convenience: whatever went wrong, the toolbar stays usable where it is.
    }
    return false;
}

bool TToolbar97::SavePlacement() const {
    TToolbarPlacement p;
    p.Visible = visible_;
    p.DockedTo = dock_ ? static_cast<std::int32_t>(dock_->position_) : TToolbarPlacement::kFloating;
    p.LastDock = static_cast<std::int32_t>(lastDock_);
    p.DockRow = row_;
    p.DockPos = pos_;
    p.FloatLeft = floatPos_.x;
    p.FloatTop = floatPos_.y;
    return WriteToolbarPlacement(Name(), p);
}

} // namespace lodestar
