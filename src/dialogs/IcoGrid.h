// The icon picker's grid: a control of its own window class, placed from the dialog template like any
// other control, that shows the images of an image list in square cells, column by column, and scrolls
// horizontally. It takes the focus, moves its current cell with the arrow keys, Home, End, Page Up and
// Page Down and with the mouse, and tells its parent about changes through WM_COMMAND. It draws only from
// the image list.
#pragma once

#include "IconGrid.h"
#include "ImageList.h"

#include <windows.h>

namespace lodestar {

// Messages the grid answers, for its dialog and for anything that reads controls from outside.
inline constexpr UINT ICOGRID_GETCURRENT = WM_USER + 1; // index of the current cell; -1 without icons
inline constexpr UINT ICOGRID_GETCOUNT = WM_USER + 2;   // number of icons
inline constexpr UINT ICOGRID_GETROWS = WM_USER + 3;    // rows of the current view
inline constexpr UINT ICOGRID_GETLEFTCOL = WM_USER + 4; // leftmost column in view
inline constexpr UINT ICOGRID_GETCELLSIZE = WM_USER + 5;

// Notification codes of WM_COMMAND to the parent.
inline constexpr WORD ICOGRIDN_SELCHANGE = 1; // the user made another cell current
inline constexpr WORD ICOGRIDN_DBLCLK = 2;    // double-click on a cell that holds an icon

class TIcoGrid {
public:
    static constexpr const wchar_t* kClassName = L"LodestarIcoGrid";
    // Registers the window class with this program's instance; safe to call again. Throws EWindowsError.
    static void Register();

    // The height of a horizontal scroll bar is read from the system here.
    TIcoGrid();
    TIcoGrid(const TIcoGrid&) = delete;
    TIcoGrid& operator=(const TIcoGrid&) = delete;
    ~TIcoGrid();

    // Takes over a window of the grid's class (a dialog's control) and draws `images` in it. The images
    // must outlive the window or the next Attach.
    void Attach(HWND window, const TImageList& images);
    HWND Handle() const { return handle_; }

    const TIconGridLayout& Layout() const { return layout_; }
    bool LargeView() const { return layout_.LargeView(); }
    // 42-pixel cells with the images drawn at 32×32, or 24-pixel cells with them at their own 16×16; the
    // current icon stays current.
    void SetLargeView(bool large);
    // The image list has other images: the first cell becomes current and the grid scrolls to its start.
    void IconsChanged();
    // Makes the icon of that index current; false when there is none.
    bool SelectIndex(int index);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    void Paint();
    void DrawCell(HDC dc, TGridCell cell, bool focused) const;
    void Resized();
    void Scroll(WPARAM request); // WM_HSCROLL's wParam
    void Wheel(int delta);
    void Key(WPARAM key);
    void Click(LPARAM point, bool twice);
    // After the layout changed: scroll bar and picture follow it.
    void Update();
    void Notify(WORD code) const;

    HWND handle_ = nullptr;
    const TImageList* images_ = nullptr;
    TIconGridLayout layout_;
    int wheelRest_ = 0; // part of a wheel notch not yet scrolled
};

} // namespace lodestar
