#include "DragImage.h"

namespace lodestar {

TDragImage::TDragImage(HIMAGELIST images, POINT hotSpot, HWND window, POINT at)
    : images_(images), window_(window) {
    if (!images_ || !::ImageList_BeginDrag(images_, 0, hotSpot.x, hotSpot.y)) return;
    const POINT point = WindowPoint(at);
    entered_ = ::ImageList_DragEnter(window_, point.x, point.y) != FALSE;
    if (!entered_) ::ImageList_EndDrag();
}

TDragImage::~TDragImage() {
    if (entered_) {
        ::ImageList_DragLeave(window_);
        ::ImageList_EndDrag();
    }
    if (images_) ::ImageList_Destroy(images_);
}

void TDragImage::Move(POINT at) {
    if (!entered_) return;
    const POINT point = WindowPoint(at);
    ::ImageList_DragMove(point.x, point.y);
}

void TDragImage::Hide() {
    if (entered_) ::ImageList_DragShowNolock(FALSE);
}

void TDragImage::Show() {
    if (entered_) ::ImageList_DragShowNolock(TRUE);
}

POINT TDragImage::WindowPoint(POINT client) const {
    POINT screen = client;
    ::ClientToScreen(window_, &screen);
    RECT outer{};
    ::GetWindowRect(window_, &outer);
    return {screen.x - outer.left, screen.y - outer.top};
}

} // namespace lodestar
