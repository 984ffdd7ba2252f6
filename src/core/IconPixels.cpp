#include "IconPixels.h"

#include <algorithm>

namespace lodestar {

namespace {

constexpr std::uint32_t Alpha(std::uint32_t pixel) {
    return pixel >> 24;
}
constexpr std::uint32_t Channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// A pixel's coverage from 0 to 255. With an alpha channel the system draws by the alpha and ignores the
// mask, so soft edges whose mask bit is white still count.
std::uint32_t Coverage(const TIconPixels& picture, std::size_t i) {
    if (picture.HasAlpha) return Alpha(picture.Color[i]);
    return picture.Opaque[i] ? 255 : 0;
}

// Straight (not premultiplied) colour `top` with coverage `a` over colour `base` with coverage `b`.
std::uint32_t Over(std::uint32_t top, std::uint32_t a, std::uint32_t base, std::uint32_t b) {
    // Everything scaled by 255 * 255 to stay in integers.
    const std::uint32_t baseWeight = b * (255 - a);
    const std::uint32_t outAlpha255 = a * 255 + baseWeight;
    if (outAlpha255 == 0) return 0;
    std::uint32_t result = 0;
    for (const int shift : {0, 8, 16}) {
        const std::uint32_t c = Channel(top, shift) * a * 255 + Channel(base, shift) * baseWeight;
        result |= ((c + outAlpha255 / 2) / outAlpha255) << shift;
    }
    return result | (((outAlpha255 + 127) / 255) << 24);
}

} // namespace

bool AnyAlpha(std::span<const std::uint32_t> color) {
    return std::any_of(color.begin(), color.end(), [](std::uint32_t pixel) { return Alpha(pixel) != 0; });
}

std::vector<std::uint8_t> OpaqueFromMaskPixels(std::span<const std::uint32_t> maskPixels) {
    std::vector<std::uint8_t> opaque(maskPixels.size());
    std::transform(maskPixels.begin(), maskPixels.end(), opaque.begin(),
                   [](std::uint32_t pixel) -> std::uint8_t { return (pixel & 0xFFFFFF) == 0 ? 1 : 0; });
    return opaque;
}

std::vector<std::uint8_t> PackMaskBits(const TIconPixels& picture) {
    if (!picture.Valid()) return {};
    const std::size_t stride = (static_cast<std::size_t>(picture.Width) + 15) / 16 * 2;
    std::vector<std::uint8_t> bits(stride * picture.Height, 0);
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            if (!picture.Opaque[static_cast<std::size_t>(y) * picture.Width + x])
                bits[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        }
    }
    return bits;
}

void GrayPixels(TIconPixels& picture) {
    for (std::uint32_t& pixel : picture.Color) {
        const std::uint32_t gray = (Channel(pixel, 0) + Channel(pixel, 8) + Channel(pixel, 16)) / 3;
        pixel = (pixel & 0xFF000000u) | gray << 16 | gray << 8 | gray;
    }
}

TIconPixels ScaledPixels(const TIconPixels& picture, int width, int height) {
    if (!picture.Valid() || width <= 0 || height <= 0) return {};
    if (width == picture.Width && height == picture.Height) return picture;
    TIconPixels scaled;
    scaled.Width = width;
    scaled.Height = height;
    scaled.HasAlpha = picture.HasAlpha;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    scaled.Color.resize(count);
    scaled.Opaque.resize(count);
    for (int y = 0; y < height; ++y) {
        // The source pixel whose centre is nearest to this pixel's centre.
        const int sy = static_cast<int>((2LL * y + 1) * picture.Height / (2LL * height));
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>((2LL * x + 1) * picture.Width / (2LL * width));
            const std::size_t from = static_cast<std::size_t>(sy) * picture.Width + sx;
            const std::size_t to = static_cast<std::size_t>(y) * width + x;
            scaled.Color[to] = picture.Color[from];
            scaled.Opaque[to] = picture.Opaque[from];
        }
    }
    return scaled;
}

TIconPixels OverlayPixels(const TIconPixels& base, const TIconPixels& top) {
    if (!base.Valid()) return base;
    if (!top.Valid()) return base;
    const TIconPixels fitted = ScaledPixels(top, base.Width, base.Height);
    TIconPixels result = base;
    result.HasAlpha = base.HasAlpha || fitted.HasAlpha;
    for (std::size_t i = 0; i < result.Color.size(); ++i) {
        const std::uint32_t topCoverage = Coverage(fitted, i);
        if (!result.HasAlpha) {
            if (topCoverage != 0) result.Color[i] = fitted.Color[i] & 0xFFFFFF;
        } else {
            const std::uint32_t baseCoverage = Coverage(base, i);
            // A base without alpha gets its mask as alpha; its colour where the mask is white would be
            // XORed onto the screen and is not part of the picture.
            const std::uint32_t baseColor = baseCoverage == 0 ? 0 : (base.Color[i] & 0xFFFFFF);
            result.Color[i] = topCoverage == 0 ? baseColor | baseCoverage << 24
                                               : Over(fitted.Color[i], topCoverage, baseColor, baseCoverage);
        }
        if (fitted.Opaque[i]) result.Opaque[i] = 1;
    }
    return result;
}

TIconPixels RunningMarkPixels(int side) {
    if (side < 8) return {};
    TIconPixels mark;
    mark.Width = mark.Height = side;
    mark.Color.assign(static_cast<std::size_t>(side) * side, 0);
    mark.Opaque.assign(mark.Color.size(), 0);
    // Distances in half pixels, so that the disc's centre may lie on a pixel's edge: the disc is
    // `diameter` pixels across, its rim about a sixteenth of the side thick.
    const int diameter = side * 7 / 16;
    const int rim = std::max(1, (side + 8) / 16);
    const int outer = diameter * diameter;
    const int inner = (diameter - 2 * rim) * (diameter - 2 * rim);
    for (int y = 0; y < diameter; ++y) {
        for (int x = 0; x < diameter; ++x) {
            const int dx = 2 * x + 1 - diameter;
            const int dy = 2 * y + 1 - diameter;
            const int distance = dx * dx + dy * dy;
            if (distance > outer) continue;
            const std::size_t i = static_cast<std::size_t>(y) * side + x;
            mark.Opaque[i] = 1;
            mark.Color[i] = distance > inner ? kRunningMarkRim : kRunningMarkFill;
        }
    }
    return mark;
}

} // namespace lodestar
