#include "Toolbar97.h"

#include "Application.h"
#include "Toolbar97Detail.h"
#include "WinError.h"

#include <algorithm>

namespace lodestar {

using namespace toolbar97;

void toolbar97::RegisterOnce(const wchar_t* name, WNDPROC procedure, int background) {
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

} // namespace lodestar
