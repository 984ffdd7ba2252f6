// The program's icons at the sizes of the common display scales, and the icon rules at those sizes.
#include "IconGrid.h"
#include "IconPixels.h"
#include "PixelMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::testing;

namespace {

const char* const kStems[] = {"l_vbar", "l_new", "l_undef", "l_dial", "l_x"};
// 100, 125, 150 and 200 % display scale.
const int kSizes[] = {16, 20, 24, 32};

// As a 32-bit icon with alpha holds the same picture.
TIconPixels WithAlpha(TIconPixels picture) {
    for (std::size_t i = 0; i < picture.Color.size(); ++i)
        picture.Color[i] = picture.Opaque[i] ? picture.Color[i] | 0xFF000000u : 0;
    picture.HasAlpha = true;
    return picture;
}

// FNV-1a over every byte of the result: size, alpha flag, colours (little-endian), opaque flags, mask.
std::string Fingerprint(const TIconPixels& p) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const auto add = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 0x100000001b3ull; };
    const auto add32 = [&add](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            add(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    add32(static_cast<std::uint32_t>(p.Width));
    add32(static_cast<std::uint32_t>(p.Height));
    add(p.HasAlpha ? 1 : 0);
    for (std::uint32_t c : p.Color)
        add32(c);
    for (std::uint8_t o : p.Opaque)
        add(o);
    for (std::uint8_t b : PackMaskBits(p))
        add(b);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

TEST(IconScale, SixteenPixelResultsStayByteForByte) {
    // Recorded from the rules as they were before icons came in other sizes: the gray and the marked
    // pictures of every 16-pixel icon, with and without an alpha channel.
    std::map<std::string, std::string> recorded;
    std::ifstream in(SourceRoot() / "tests" / "native" / "data" / "icon-pixels-16.txt");
    ASSERT_TRUE(in);
    std::string line;
    while (std::getline(in, line))
        if (line.size() > 17) recorded[line.substr(17)] = line.substr(0, 16);
    ASSERT_EQ(recorded.size(), 49u);

    std::map<std::string, std::string> now;
    const TIconPixels cross = ReadIconMap("l_x-16").Picture;
    for (const std::string stem :
         {"l_vbar-16", "l_new-16", "l_undef-16", "l_dial-16", "l_x-16", "mainicon-16"}) {
        for (const bool alpha : {false, true}) {
            const TIconPixels p = alpha ? WithAlpha(ReadIconMap(stem).Picture) : ReadIconMap(stem).Picture;
            const std::string name = stem + (alpha ? "+alpha" : "");
            TIconPixels gray = p;
            GrayPixels(gray);
            now["gray " + name] = Fingerprint(gray);
            now["cross-over " + name] = Fingerprint(OverlayPixels(p, cross));
            now["alpha-cross-over " + name] = Fingerprint(OverlayPixels(p, WithAlpha(cross)));
            TIconPixels grayMarked = OverlayPixels(p, cross);
            GrayPixels(grayMarked);
            now["gray-cross-over " + name] = Fingerprint(grayMarked);
        }
    }
    now["cross-over shrunk mainicon-32"] =
        Fingerprint(OverlayPixels(ScaledPixels(ReadIconMap("mainicon-32").Picture, 16, 16), cross));
    EXPECT_EQ(now, recorded);
}

TEST(IconScale, EveryIconIsDrawnForEachScale) {
    for (const std::string stem : kStems) {
        const TPixelMap small = ReadIconMap(stem + "-16");
        std::set<std::uint32_t> smallColors;
        for (const auto& [key, color] : small.Legend)
            smallColors.insert(color);
        for (const int size : kSizes) {
            const TPixelMap map = ReadIconMap(stem + "-" + std::to_string(size));
            ASSERT_EQ(map.Picture.Width, size) << stem;
            ASSERT_EQ(map.Picture.Height, size) << stem;
            // The same look: the colours of the 16-pixel picture, each of them used.
            std::set<std::uint32_t> colors, used;
            for (const auto& [key, color] : map.Legend)
                colors.insert(color);
            for (std::size_t i = 0; i < map.Picture.Color.size(); ++i)
                if (map.Picture.Opaque[i]) used.insert(map.Picture.Color[i]);
            EXPECT_EQ(colors, smallColors) << stem << " " << size;
            EXPECT_EQ(used, colors) << stem << " " << size;
        }
    }
}

TEST(IconScale, CrossLeavesTheTopLeftFreeAtEverySize) {
    // Over a missing file's icon the cross takes the lower right; the picture above and left of it
    // shows which kind of thing is missing.
    for (const int size : kSizes) {
        const TIconPixels cross = ReadIconMap("l_x-" + std::to_string(size)).Picture;
        // The running mark: a dot in the top-left corner, never on the cross, laid over icons with and
        // without alpha and over gray ones without touching any other pixel.
        const TIconPixels mark = RunningMarkPixels(size);
        ASSERT_TRUE(mark.Valid());
        const std::size_t corner = static_cast<std::size_t>(size / 8) * (size + 1);
        EXPECT_TRUE(!mark.Opaque[0] && mark.Opaque[corner] && !mark.Opaque[corner * 4]) << size;
        const TIconPixels sheet = ReadIconMap("l_new-" + std::to_string(size)).Picture;
        TIconPixels gray = WithAlpha(sheet);
        GrayPixels(gray);
        for (const TIconPixels& base : {sheet, WithAlpha(sheet), gray}) {
            const TIconPixels marked = OverlayPixels(base, mark);
            for (std::size_t i = 0; i < marked.Color.size(); ++i) {
                ASSERT_FALSE(mark.Opaque[i] && cross.Opaque[i]) << size << ": " << i;
                ASSERT_EQ(marked.Opaque[i], mark.Opaque[i] || base.Opaque[i]) << size << ": " << i;
                if (!mark.Opaque[i]) {
                    ASSERT_EQ(marked.Color[i], base.Color[i]) << size << ": " << i;
                }
            }
        }
        const int free = size * 3 / 8;
        for (int y = 0; y < free; ++y)
            for (int x = 0; x < size; ++x)
                ASSERT_FALSE(cross.Opaque[static_cast<std::size_t>(y) * size + x])
                    << size << ": " << x << "," << y;
        // ... and reaches the icon's bottom.
        EXPECT_TRUE(std::any_of(cross.Opaque.end() - size, cross.Opaque.end(), [](auto o) { return o != 0; }))
            << size;
    }
}

TEST(IconScale, MissingFileAt24PixelsIsTheExpectedMap) {
    const TIconPixels sheet = ReadIconMap("l_new-24").Picture;
    const TIconPixels cross = ReadIconMap("l_x-24").Picture;
    const TIconPixels expected =
        ReadPixelMapFile(SourceRoot() / "tests" / "native" / "data" / "missing-sheet-24.txt").Picture;
    const TIconPixels marked = OverlayPixels(sheet, cross);
    EXPECT_EQ(marked, expected);
    // With an alpha channel: the same colours, opaque where drawn, transparent elsewhere.
    EXPECT_EQ(OverlayPixels(WithAlpha(sheet), WithAlpha(cross)), WithAlpha(expected));
    // Gray: every drawn pixel's channels equal, the mask kept.
    TIconPixels gray = marked;
    GrayPixels(gray);
    EXPECT_EQ(gray.Opaque, expected.Opaque);
    for (const std::uint32_t c : gray.Color)
        ASSERT_TRUE((c & 0xFF) == (c >> 8 & 0xFF) && (c & 0xFF) == (c >> 16 & 0xFF)) << std::hex << c;
}

TEST(IconScale, PickerCellsGrowWithTheScale) {
    const struct {
        int dpi, scrollBar, cell, largeCell, rows, largeRows;
    } cases[] = {
        {96, 16, 24, 42, 7, 4},  // the design: (198 - 16 - 4) div 24, div 42
        {120, 20, 30, 53, 7, 4}, // grid 248 high
        {144, 24, 36, 63, 7, 4}, // grid 297 high
        {192, 32, 48, 84, 7, 4}, // grid 396 high
    };
    for (const auto& c : cases) {
        TIconGridLayout layout;
        layout.SetIconCount(15);
        layout.SelectIndex(9);
        layout.SetDpi(c.dpi, c.scrollBar);
        layout.Resize((198 * c.dpi + 48) / 96, (333 * c.dpi + 48) / 96);
        EXPECT_EQ(layout.CellSize(), c.cell) << c.dpi;
        EXPECT_EQ(layout.Rows(), c.rows) << c.dpi;
        EXPECT_EQ(layout.CurrentIndex(), 9) << c.dpi;
        layout.SetLargeView(true);
        EXPECT_EQ(layout.CellSize(), c.largeCell) << c.dpi;
        EXPECT_EQ(layout.Rows(), c.largeRows) << c.dpi;
        EXPECT_EQ(layout.CurrentIndex(), 9) << c.dpi;
        // A point in the middle of the second column, third row finds that cell.
        const auto cell = layout.CellAt(c.largeCell * 3 / 2, c.largeCell * 5 / 2);
        ASSERT_TRUE(cell) << c.dpi;
        EXPECT_EQ(*cell, (TGridCell{1, 2})) << c.dpi;
    }
}
