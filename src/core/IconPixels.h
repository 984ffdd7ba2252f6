// Small icons as plain pixels: the rules of the gray and the overlaid icons, apart from how the pictures
// are read out of and put back into icons.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lodestar {

// One icon picture, rows top-down.
struct TIconPixels {
    int Width = 0;
    int Height = 0;
    // Width * Height pixels as a 32-bit DIB holds them: 0xAARRGGBB (blue in the lowest byte).
    std::vector<std::uint32_t> Color;
    // Width * Height flags: 1 where the icon's AND mask is black, that is where the picture is drawn.
    std::vector<std::uint8_t> Opaque;
    // The colour's alpha byte is used. An icon whose colour has no alpha channel (24 bits or fewer, or
    // 32 bits with every alpha byte 0) is drawn through its mask alone; its alpha bytes stay 0.
    bool HasAlpha = false;

    bool Valid() const {
        return Width > 0 && Height > 0 && Color.size() == static_cast<std::size_t>(Width) * Height &&
               Opaque.size() == Color.size();
    }
    friend bool operator==(const TIconPixels&, const TIconPixels&) = default;
};

// Whether any pixel has a non-zero alpha byte: the way the system tells an icon with an alpha channel
// from one drawn through its mask.
bool AnyAlpha(std::span<const std::uint32_t> color);

// The opaque flags of a mask read as 32-bit pixels: opaque where the pixel is black.
std::vector<std::uint8_t> OpaqueFromMaskPixels(std::span<const std::uint32_t> maskPixels);

// The AND mask as a monochrome bitmap's bits (CreateBitmap with 1 plane of 1 bit): rows top-down, each
// padded to a multiple of 16 bits, leftmost pixel in the highest bit, 1 where the picture is not drawn.
std::vector<std::uint8_t> PackMaskBits(const TIconPixels& picture);

// Every pixel's blue, green and red replaced by their mean (rounded down); alpha and mask unchanged.
void GrayPixels(TIconPixels& picture);

// The picture at another size, each pixel taken from the nearest one of the source.
TIconPixels ScaledPixels(const TIconPixels& picture, int width, int height);

// `top` laid over `base` (at the base's size; a top of another size is scaled to it). The result's mask
// is black where either mask is (the masks ANDed).
// Without an alpha channel in either picture, the top's colour replaces the base's where the top's mask
// is black, and the result has no alpha either. With one in either, the result has one, so that the
// base's transparent surroundings stay transparent where the top is not drawn: a picture without alpha
// counts as fully opaque where its mask is black and fully transparent elsewhere, one with alpha by its
// alpha alone (as the system draws it), and the top is blended over the base ("over" of straight alpha).
// A fully opaque top pixel thus replaces the base's colour and makes the pixel fully opaque.
TIconPixels OverlayPixels(const TIconPixels& base, const TIconPixels& top);

// The mark of an item whose program runs, for an icon of `side` pixels: a bright green disc with a dark
// rim in the top-left corner (the missing-file cross takes the lower right), about 7/16 of the side
// across; fully opaque where drawn, without alpha, transparent elsewhere. Laid over an icon with
// OverlayPixels after any graying, so that it keeps its colour on gray icons and shows on light and dark
// taskbars alike. Nothing for a side below 8.
TIconPixels RunningMarkPixels(int side);
inline constexpr std::uint32_t kRunningMarkFill = 0x2EE86A;
inline constexpr std::uint32_t kRunningMarkRim = 0x0C2A12;

} // namespace lodestar
