// Rows of a list view dragged with the mouse inside a dialog. From the list's LVN_BEGINDRAG until the
// button is released a picture of the rows follows the pointer over a surface window (the list itself, or a
// page that also holds other targets), the list holds the mouse, and Escape or a lost capture end the drag
// without a drop. The keyboard belongs to the drag while it runs: the dialog around the list does not see
// the keys (its Escape and Enter would end the dialog under the user's hand).
#pragma once

#include "DragImage.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>

namespace lodestar {

class TListRowDrag {
public:
    TListRowDrag() = default;
    TListRowDrag(const TListRowDrag&) = delete;
    TListRowDrag& operator=(const TListRowDrag&) = delete;
    ~TListRowDrag();

    // The pointer moved during a drag (a screen point).
    std::function<void(POINT screen)> OnOver;
    // The drag has ended, its picture gone and the mouse let go: `drop` when the button was released (at the
    // screen point), not when the drag was broken off.
    std::function<void(bool drop, POINT screen)> OnEnd;
    // The list is being destroyed (what must go while its window exists, goes here).
    std::function<void()> OnListDestroy;

    // Watches the list's messages from now on, until the list goes.
    void Attach(HWND list, HWND surface);
    // From the list's LVN_BEGINDRAG: the drag of the selected rows begins.
    void Start(const NMLISTVIEW& info);
    bool Dragging() const { return image_ != nullptr; }
    // The drag running on this thread, or null.
    static TListRowDrag* Running();
    // A key message that arrived during the drag: Escape ends it without a drop, every other key is
    // held back.
    void Key(const MSG& message);
    // Takes the picture away while something under it repaints, and puts it back.
    void HideImage();
    void ShowImage();
    // Ends a drag without a drop.
    void Cancel() { End(false, {}); }

private:
    void End(bool drop, POINT screen);
    bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR self) noexcept;

    HWND list_ = nullptr;
    HWND surface_ = nullptr;
    std::unique_ptr<TDragImage> image_;
};

} // namespace lodestar
