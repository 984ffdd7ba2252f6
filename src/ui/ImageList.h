// An image list of the common controls, owned: created with a fixed image size, destroyed with the object.
// Images keep the order in which they were added, so an image's index can stand for something else's
// index (an icon's place in its file, an item's row).
#pragma once

#include "Handles.h"

#include <windows.h>
#include <commctrl.h>

namespace lodestar {

class TImageList {
public:
    // 32-bit images with a mask, so that icons keep their transparent parts. Throws EWindowsError when
    // the system cannot create the list.
    TImageList(int width, int height);
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;
    TImageList(TImageList&& other) noexcept;
    TImageList& operator=(TImageList&& other) noexcept;
    ~TImageList();

    HIMAGELIST Handle() const { return handle_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const;

    // Appends a copy of the icon (the caller keeps its own) and returns its index. An icon of another size
    // is scaled to the list's. Throws EWindowsError when the list cannot take it.
    int AddIcon(HICON icon);
    // Appends an image that draws nothing, to keep the indexes of the images after it.
    int AddBlank();
    void Clear();

    // Draws image `index` with its transparent parts left as they are; an index outside the list draws
    // nothing.
    void Draw(HDC dc, int index, int x, int y) const;
    // The same, stretched or shrunk to the given size.
    void DrawStretched(HDC dc, int index, int x, int y, int width, int height) const;
    // A new icon made from image `index`; empty for an index outside the list.
    UniqueIcon Icon(int index) const;

private:
    bool Valid(int index) const { return index >= 0 && index < Count(); }

    HIMAGELIST handle_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace lodestar
