// The picture that follows the mouse while something is dragged within one window, drawn by the image-list
// drag of the common controls. The system keeps one such picture per thread, so at most one of these
// exists at a time.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace lodestar {

class TDragImage {
public:
    // Takes ownership of `images` (null: nothing is drawn) and shows their first image over `window`, with
    // `hotSpot` of the image under the client point `at`. While it shows, the window does not repaint.
    TDragImage(HIMAGELIST images, POINT hotSpot, HWND window, POINT at);
    TDragImage(const TDragImage&) = delete;
    TDragImage& operator=(const TDragImage&) = delete;
    // Removes the picture, lets the window repaint again and frees the images.
    ~TDragImage();

    // To the client point.
    void Move(POINT at);
    // Takes the picture away for the time something under it repaints, and puts it back.
    void Hide();
    void Show();

private:
    // The image-list drag counts from the window's outer corner, not its client area.
    POINT WindowPoint(POINT client) const;

    HIMAGELIST images_ = nullptr;
    HWND window_ = nullptr;
    bool entered_ = false;
};

} // namespace lodestar
