#include "ListRowDrag.h"

#include "Application.h"

#include <windowsx.h>

#include <exception>

namespace lodestar {

namespace {
constexpr UINT_PTR kSubclassId = 0x4C52; // "LR"

POINT ToScreen(HWND window, POINT client) {
    ::ClientToScreen(window, &client);
    return client;
}

POINT ToClient(HWND window, POINT screen) {
    ::ScreenToClient(window, &screen);
    return screen;
}

// The mouse drives one drag at a time on a thread.
thread_local TListRowDrag* running = nullptr;
} // namespace

TListRowDrag* TListRowDrag::Running() {
    return running;
}

void TListRowDrag::Key(const MSG& message) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) End(false, {});
}

TListRowDrag::~TListRowDrag() {
    if (running == this) running = nullptr;
    image_.reset();
    if (list_) ::RemoveWindowSubclass(list_, &TListRowDrag::Proc, kSubclassId);
}

void TListRowDrag::Attach(HWND list, HWND surface) {
    if (list_) ::RemoveWindowSubclass(list_, &TListRowDrag::Proc, kSubclassId);
    list_ = list;
    surface_ = surface ? surface : list;
    ::SetWindowSubclass(list_, &TListRowDrag::Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TListRowDrag::Start(const NMLISTVIEW& info) {
    if (image_ || !list_ || ListView_GetSelectedCount(list_) == 0) return;
    POINT corner{};
    const HIMAGELIST picture = ListView_CreateDragImage(list_, info.iItem, &corner);
    const POINT hotSpot{info.ptAction.x - corner.x, info.ptAction.y - corner.y};
    image_ = std::make_unique<TDragImage>(picture, hotSpot, surface_,
                                          ToClient(surface_, ToScreen(list_, info.ptAction)));
    running = this;
    ::SetCapture(list_);
}

void TListRowDrag::HideImage() {
    if (image_) image_->Hide();
}

void TListRowDrag::ShowImage() {
    if (image_) image_->Show();
}

void TListRowDrag::End(bool drop, POINT screen) {
    if (!image_) return;
    // The drag is over before the capture goes, so that losing it ends nothing twice.
    image_.reset();
    if (running == this) running = nullptr;
    if (::GetCapture() == list_) ::ReleaseCapture();
    if (OnEnd) OnEnd(drop, screen);
}

bool TListRowDrag::Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const POINT client{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEMOVE:
        if (!image_) return false;
        image_->Move(ToClient(surface_, ToScreen(list_, client)));
        if (OnOver) OnOver(ToScreen(list_, client));
        return true;
    case WM_LBUTTONUP:
        if (!image_) return false;
        End(true, ToScreen(list_, client));
        return true;
    case WM_KEYDOWN:
        if (!image_ || wParam != VK_ESCAPE) return false;
        End(false, {});
        return true;
    case WM_GETDLGCODE:
        // Escape during a drag ends the drag, not the dialog.
        if (!image_) return false;
        result = DLGC_WANTALLKEYS;
        return true;
    case WM_CAPTURECHANGED:
        if (image_ && reinterpret_cast<HWND>(lParam) != list_) End(false, {});
        return false;
    case WM_DESTROY:
        image_.reset();
        if (running == this) running = nullptr;
        if (OnListDestroy) OnListDestroy();
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK TListRowDrag::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR self) noexcept {
    auto* drag = reinterpret_cast<TListRowDrag*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, &TListRowDrag::Proc, kSubclassId);
        drag->list_ = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        LRESULT result = 0;
        if (drag->Message(message, wParam, lParam, result)) return result;
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace lodestar
