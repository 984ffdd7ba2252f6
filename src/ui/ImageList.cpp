#include "ImageList.h"

#include "WinError.h"

#include <utility>
#include <vector>

namespace lodestar {

namespace {
// Room for a typical icon library before the list has to grow, and the step by which it grows.
constexpr int kInitialImages = 64;
constexpr int kGrowBy = 64;
} // namespace

TImageList::TImageList(int width, int height)
    : handle_(::ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, kInitialImages, kGrowBy)),
      width_(width), height_(height) {
    if (!handle_) throw EWindowsError();
}

TImageList::TImageList(TImageList&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), width_(other.width_), height_(other.height_) {}

TImageList& TImageList::operator=(TImageList&& other) noexcept {
    if (this != &other) {
        if (handle_) ::ImageList_Destroy(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        width_ = other.width_;
        height_ = other.height_;
    }
    return *this;
}

TImageList::~TImageList() {
    if (handle_) ::ImageList_Destroy(handle_);
}

int TImageList::Count() const {
    return handle_ ? ::ImageList_GetImageCount(handle_) : 0;
}

int TImageList::AddIcon(HICON icon) {
    const int index = ::ImageList_ReplaceIcon(handle_, -1, icon);
    if (index < 0) throw EWindowsError();
    return index;
}

int TImageList::AddBlank() {
    // A black picture under an all-set mask: the mask leaves every pixel of the background as it was.
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    const UniqueBitmap colour(::CreateBitmap(width_, height_, 1, 32, nullptr));
    const std::vector<WORD> ones(static_cast<std::size_t>((width_ + 15) / 16 * height_), 0xFFFF);
    const UniqueBitmap mask(::CreateBitmap(width_, height_, 1, 1, ones.data()));
    if (!dc || !colour || !mask) throw EWindowsError();
    const HGDIOBJ old = ::SelectObject(dc.Get(), colour.Get());
    const RECT all{0, 0, width_, height_};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::SelectObject(dc.Get(), old);
    const int index = ::ImageList_Add(handle_, colour.Get(), mask.Get());
    if (index < 0) throw EWindowsError();
    return index;
}

void TImageList::Clear() {
    ::ImageList_Remove(handle_, -1);
}

void TImageList::Draw(HDC dc, int index, int x, int y) const {
    if (Valid(index)) ::ImageList_Draw(handle_, index, dc, x, y, ILD_TRANSPARENT);
}

void TImageList::DrawStretched(HDC dc, int index, int x, int y, int width, int height) const {
    if (width == width_ && height == height_) return Draw(dc, index, x, y);
    const UniqueIcon icon = Icon(index);
    if (icon) ::DrawIconEx(dc, x, y, icon.Get(), width, height, 0, nullptr, DI_NORMAL);
}

UniqueIcon TImageList::Icon(int index) const {
    if (!Valid(index)) return UniqueIcon();
    return UniqueIcon(::ImageList_GetIcon(handle_, index, ILD_TRANSPARENT));
}

} // namespace lodestar
