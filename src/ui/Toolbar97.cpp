#include "Toolbar97.h"

#include "Application.h"
#include "ToolbarPlacement.h"
#include "WinError.h"
#include "WinText.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

namespace lodestar {

namespace {

constexpr const wchar_t* kDockClass = L"Lodestar.Dock97";
constexpr const wchar_t* kFrameClass = L"Lodestar.Toolbar97";
constexpr const wchar_t* kFloatClass = L"Lodestar.Float97";
constexpr const wchar_t* kOutlineClass = L"Lodestar.DragOutline97";

constexpr int kEdge = 2;  // raised edge around a docked toolbar
constexpr int kGrip = 8;  // the grip's strip at the toolbar's start
constexpr int kPad = 1;   // around a floating toolbar, inside its window
constexpr int kCatch = 8; // how far beyond its outer edge a dock still catches a dragged toolbar
constexpr int kOutlineWidth = 3;
constexpr int kMaxRow = 255;
constexpr int kMaxPos = 32767;
constexpr DWORD kFloatStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kFloatExStyle = WS_EX_TOOLWINDOW;

void RegisterOnce(const wchar_t* name, WNDPROC procedure, int background) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(instance, name, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    wc.lpszClassName = name;
    if (!::RegisterClassExW(&wc)) throw EWindowsError();
}

// The object a window was created for, bound at WM_NCCREATE.
template <typename T> T* Bound(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self;
    }
    return reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Unbind(HWND hwnd) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

bool IsVertical(TDockPosition p) {
    return p == TDockPosition::dpLeft || p == TDockPosition::dpRight;
}
std::size_t IndexOf(TDockPosition p) {
    return static_cast<std::size_t>(p) - 1;
}

constexpr TDockPosition kAllDocks[] = {TDockPosition::dpTop, TDockPosition::dpBottom, TDockPosition::dpLeft,
                                       TDockPosition::dpRight};

std::optional<TDockPosition> DockOfNumber(std::int32_t number) {
    for (const TDockPosition p : kAllDocks)
        if (static_cast<std::int32_t>(p) == number) return p;
    return std::nullopt;
}

RECT ScreenRectOf(HWND host, RECT r) {
    ::MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

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
    ::SetWindowRgn(outline, frame, FALSE); // the window owns the region from here on
    ::SetWindowPos(outline, HWND_TOPMOST, r.left, r.top, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return outline;
}

} // namespace

// ---- TDock97 ---------------------------------------------------------------------------------------------

TDock97::TDock97(TDockSite* site, TDockPosition position)
    : TComponent(site), site_(site), position_(position) {
    RegisterOnce(kDockClass, &TDock97::Procedure, COLOR_BTNFACE);
    if (!::CreateWindowExW(WS_EX_CONTROLPARENT, kDockClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, site->host_,
                           nullptr, ::GetModuleHandleW(nullptr), this))
        throw EWindowsError();
}

TDock97::~TDock97() {
    if (handle_) ::DestroyWindow(handle_);
}

bool TDock97::Vertical() const {
    return IsVertical(position_);
}

std::vector<TToolbar97*> TDock97::Members() const {
    std::vector<TToolbar97*> members;
    for (TToolbar97* toolbar : site_->toolbars_)
        if (toolbar->dock_ == this) members.push_back(toolbar);
    return members;
}

std::vector<TToolbar97*> TDock97::Toolbars() const {
    std::vector<TToolbar97*> members = Members();
    std::stable_sort(members.begin(), members.end(), [](const TToolbar97* a, const TToolbar97* b) {
        return a->row_ != b->row_ ? a->row_ < b->row_ : a->pos_ < b->pos_;
    });
    return members;
}

void TDock97::Arrange(const RECT& bounds) {
    bounds_ = bounds;
    if (handle_) ::MoveWindow(handle_, bounds.left, bounds.top, Width(bounds), Height(bounds), TRUE);
}

LRESULT CALLBACK TDock97::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = Bound<TDock97>(hwnd, message, lParam);
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCCREATE) self->handle_ = hwnd;
    if (message == WM_NCDESTROY) {
        Unbind(hwnd);
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

LRESULT TDock97::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(handle_, message, wParam, lParam);
}

// ---- TDockSite -------------------------------------------------------------------------------------------

TDockSite::TDockSite(TComponent* owner, HWND host, const RECT& area)
    : TComponent(owner), host_(host), area_(area) {
    for (const TDockPosition p : kAllDocks)
        docks_[IndexOf(p)] = new TDock97(this, p);
    Arrange();
}

TDockSite::~TDockSite() {
    // The toolbars and docks reach back into the site: they go while it is still whole.
    arranging_ = true;
    while (!Components().empty())
        delete Components().back();
}

TDock97& TDockSite::Dock(TDockPosition position) const {
    return *docks_[IndexOf(position)];
}

std::vector<TToolbar97*> TDockSite::Toolbars() const {
    return toolbars_;
}

void TDockSite::SetBounds(const RECT& area) {
    area_ = area;
    Arrange();
}

TToolbar97& TDockSite::AddToolbar(std::string name, std::string caption, TDockPosition dock, int row,
                                  int pos) {
    return *new TToolbar97(this, std::move(name), std::move(caption), dock, row, pos);
}

void TDockSite::SetAllowDrag(bool allow) {
    for (TDock97* dock : docks_)
        dock->SetAllowDrag(allow);
}

void TDockSite::LoadPlacements() {
    for (TToolbar97* toolbar : toolbars_)
        toolbar->LoadPlacement();
}

bool TDockSite::SavePlacements() const {
    bool all = true;
    for (const TToolbar97* toolbar : toolbars_)
        all = toolbar->SavePlacement() && all;
    return all;
}

void TDockSite::Arrange() {
    if (arranging_) return;
    arranging_ = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{arranging_};

    std::array<int, 4> thickness{};
    auto layOut = [&](TDock97& dock, int length) {
        std::vector<TToolbar97*> members;
        std::vector<TBarRequest> requests;
        for (TToolbar97* toolbar : dock.Members()) {
            if (!toolbar->visible_) continue;
            const SIZE size = toolbar->FrameSize(dock.Vertical() ? TToolbar97::TOrientation::Vertical
                                                                 : TToolbar97::TOrientation::Horizontal);
            members.push_back(toolbar);
            requests.push_back(dock.Vertical() ? TBarRequest{toolbar->row_, toolbar->pos_, size.cy, size.cx}
                                               : TBarRequest{toolbar->row_, toolbar->pos_, size.cx, size.cy});
        }
        dock.rows_ = LayoutDockRows(requests, std::max(length, 0));
        for (std::size_t i = 0; i < members.size(); ++i) {
            members[i]->row_ = dock.rows_.Bars[i].Row;
            members[i]->pos_ = dock.rows_.Bars[i].Pos;
        }
        thickness[IndexOf(dock.position_)] = dock.rows_.Thickness;
    };
    const int width = Width(area_);
    layOut(Dock(TDockPosition::dpTop), width);
    layOut(Dock(TDockPosition::dpBottom), width);
    const int top = thickness[IndexOf(TDockPosition::dpTop)];
    const int bottom = thickness[IndexOf(TDockPosition::dpBottom)];
    layOut(Dock(TDockPosition::dpLeft), Height(area_) - top - bottom);
    layOut(Dock(TDockPosition::dpRight), Height(area_) - top - bottom);
    const int left = thickness[IndexOf(TDockPosition::dpLeft)];
    const int right = thickness[IndexOf(TDockPosition::dpRight)];

    Dock(TDockPosition::dpTop).Arrange({area_.left, area_.top, area_.right, area_.top + top});
    Dock(TDockPosition::dpBottom).Arrange({area_.left, area_.bottom - bottom, area_.right, area_.bottom});
    Dock(TDockPosition::dpLeft)
        .Arrange({area_.left, area_.top + top, area_.left + left, area_.bottom - bottom});
    Dock(TDockPosition::dpRight)
        .Arrange({area_.right - right, area_.top + top, area_.right, area_.bottom - bottom});

    for (TDock97* dock : docks_) {
        const std::vector<TToolbar97*> members = dock->Members();
        for (TToolbar97* toolbar : members) {
            if (!toolbar->frame_) continue;
            if (!toolbar->visible_) {
                ::ShowWindow(toolbar->frame_, SW_HIDE);
                continue;
            }
            const SIZE size = toolbar->FrameSize(toolbar->orientation_);
            const int offset = dock->rows_.RowOffsets.empty()
                                   ? 0
                                   : dock->rows_.RowOffsets[static_cast<std::size_t>(toolbar->row_)];
            const int x = dock->Vertical() ? offset : toolbar->pos_;
            const int y = dock->Vertical() ? toolbar->pos_ : offset;
            ::SetWindowPos(toolbar->frame_, nullptr, x, y, size.cx, size.cy,
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        }
    }

    const RECT client{area_.left + left, area_.top + top, area_.right - right, area_.bottom - bottom};
    if (!::EqualRect(&client, &client_)) {
        client_ = client;
        if (OnResize) OnResize(*this);
    }
}

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
    toolbar_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, TOOLBARCLASSNAMEW, Widen(caption_).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                     CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                 0, 0, 0, 0, frame_, reinterpret_cast<HMENU>(1), instance, nullptr);
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
    if (ownImages_) ::ImageList_Destroy(ownImages_);
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
    HIMAGELIST images = ::ImageList_LoadImageW(instance, resource, glyphWidth, 0, transparent, IMAGE_BITMAP,
                                               LR_CREATEDIBSECTION);
    if (!images) throw EWindowsError();
    SetImages(images);
    if (ownImages_) ::ImageList_Destroy(ownImages_);
    ownImages_ = images;
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
    TDock97* const old = dock_;
    dock_ = nullptr;
    floatPos_ = screenTopLeft;
    if (frame_) {
        if (!float_) {
            RegisterOnce(kFloatClass, &TToolbar97::FloatProcedure, COLOR_BTNFACE);
            const HWND owner = ::GetAncestor(site_->host_, GA_ROOT);
            ::CreateWindowExW(kFloatExStyle, kFloatClass, Widen(caption_).c_str(), kFloatStyle, 0, 0, 0, 0,
                              owner, nullptr, ::GetModuleHandleW(nullptr), this);
        }
        if (float_) {
            ::ShowWindow(frame_, SW_HIDE);
            ::SetParent(frame_, float_);
        }
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
