// The rules for items made from files and for their icons, and the pixel rules of the drawn icons, run
// on the program's own pixel maps from res/icons.
#include "HotKey.h"
#include "IconPixels.h"
#include "ItemData.h"
#include "ItemRules.h"
#include "PixelMaps.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace lodestar;

TEST(ItemRules, ShellHotkeyBecomesShortcutWord) {
    struct Case {
        std::uint16_t shell;
        std::uint16_t shortcut;
    } cases[] = {
        {0x0041, 0x0041}, // A
        {0x0141, 0x2041}, // Shift+A
        {0x0241, 0x4041}, // Ctrl+A
        {0x0441, 0x8041}, // Alt+A
        {0x0670, 0xC070}, // Ctrl+Alt+F1
        {0x0F2E, 0xE02E}, // Shift+Ctrl+Alt+Del, extended key flag dropped
        {0x0870, 0x0070}, // extended flag alone
        {0xF041, 0x0041}, // bits the shell does not define
        {0x0000, 0x0000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HotkeyToShortCut(c.shell), c.shortcut) << std::hex << c.shell;
}

TEST(ItemRules, EveryShellHotkeyRegistersWithItsOwnKeyAndModifiers) {
    // What the hotkey component hands to RegisterHotKey must be what the shortcut file said.
    for (unsigned shell = 0; shell <= 0xFFFF; ++shell) {
        const std::uint16_t shortcut = HotkeyToShortCut(static_cast<std::uint16_t>(shell));
        ASSERT_EQ(HotKeyVirtualKey(shortcut), shell & 0xFF) << std::hex << shell;
        const unsigned expected =
            ((shell & 0x400) ? 1u : 0u) | ((shell & 0x200) ? 2u : 0u) | ((shell & 0x100) ? 4u : 0u);
        ASSERT_EQ(HotKeyModifiers(shortcut), expected) << std::hex << shell;
    }
}

TEST(ItemRules, ShowCommandBecomesWindowSize) {
    const std::map<int, std::uint8_t> sizes = {
        {-1, wsNormal}, {0, wsNormal},  {1, wsNormal},    {2, wsMinimized}, {3, wsMaximized},
        {4, wsNormal},  {5, wsNormal},  {6, wsMinimized}, {7, wsMinimized}, {8, wsNormal},
        {9, wsNormal},  {10, wsNormal}, {11, wsNormal},   {12, wsNormal},   {1000, wsNormal},
    };
    for (const auto& [showCmd, size] : sizes)
        EXPECT_EQ(ShowCmdToWndSize(showCmd), size) << showCmd;
}

TEST(ItemRules, AmpersandsAreDoubledForMenus) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Notepad", "Notepad"},
        {"&", "&&"},
        {"&&", "&&&&"},
        {"Tom & Jerry", "Tom && Jerry"},
        {"&File&", "&&File&&"},
        {"表&示ツール", "表&&示ツール"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(EscapeAmpersands(text), escaped) << text;
}

TEST(ItemRules, UrlSchemesAreTwoToSevenCharacters) {
    const std::pair<std::string, bool> cases[] = {
        {"http://example.com/", true},
        {"mailto:a", true},
        {"ab:", true},         // shortest
        {"abcdefg:x", true},   // longest
        {"abcdefgh:x", false}, // one too long
        {"a:", false},         // a drive
        {"C:\\x", false},
        {"c:", false},
        {"ab$c:", true},
        {"x-y.z@!:", true},
        {"a\"b'c(:", true},
        {"a)b*c,%:", true},
        {"a&_b:", true},
        {"a+b:", false}, // "+" is not among the allowed marks
        {"a/b:", false},
        {"ab c:", false},
        {"1ab:", false}, // must start with a letter
        {"_ab:", false},
        {"ab1:", true},
        {"ほげ:", false},
        {"aほ:", false},
        {":abc", false},
        {"abc", false},
        {"", false},
        {"news:a:b", true}, // the first colon counts
        {"C:\\dir\\x:y", false},
    };
    for (const auto& [text, scheme] : cases)
        EXPECT_EQ(IsUrlScheme(text), scheme) << text;
}

TEST(ItemRules, SchemeForTheIconLookup) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"http://example.com/", "http"},
        {"mailto:a@example.com", "mailto"},
        {"shell:startup", "shell"},
        {"ms-settings:display", std::nullopt}, // too long for a scheme without "//"
        {"ms-settings://display", "ms-settings"},
        {"C:\\dir\\a://b", "C:\\dir\\a"},           // "://" wins even after a path
        {"C:\\Program Files\\a://b", std::nullopt}, // a blank before "://"
        {"://x", std::nullopt},
        {"C:\\Windows\\notepad.exe", std::nullopt},
        {"notepad", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, scheme] : cases)
        EXPECT_EQ(UrlSchemeOf(text), scheme) << text;
}

TEST(ItemRules, ShortcutSuffixIsRemovedFromTheEnd) {
    const std::pair<std::string, std::string> cases[] = {
        {"Notepad へのショートカット", "Notepad "}, // the blank stays
        {"メモ帳へのショートカット", "メモ帳"},
        {"Notepadへのｼｮｰﾄｶｯﾄ", "Notepad"},
        {"aへのショートカット", "a"},
        {"へのショートカット", "へのショートカット"}, // nothing before it
        {"へのｼｮｰﾄｶｯﾄ", "へのｼｮｰﾄｶｯﾄ"},
        {"Notepad へのショートカット (2)", "Notepad へのショートカット (2)"},
        // Only the first occurrence is looked at; here it does not end the name.
        {"aへのショートカットへのショートカット", "aへのショートカットへのショートカット"},
        // Full width first, then half width: both go.
        {"aへのｼｮｰﾄｶｯﾄへのショートカット", "a"},
        {"aへのショートカットへのｼｮｰﾄｶｯﾄ", "aへのショートカット"},
        {"Notepad", "Notepad"},
        {"", ""},
    };
    for (const auto& [name, shown] : cases)
        EXPECT_EQ(RemoveShortcutSuffix(name), shown) << name;
}

TEST(ItemRules, DrivePartOfPaths) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Windows\\notepad.exe", "C:"},
        {"C:", "C:"},
        {"c:relative", "c:"},
        {"\\\\server\\share\\dir\\file.txt", "\\\\server\\share"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"\\\\server", "\\\\server"},
        {"\\dir\\file", ""},
        {"notepad", ""},
        {"", ""},
    };
    for (const auto& [path, drive] : cases)
        EXPECT_EQ(DrivePart(path), drive) << path;
}

TEST(ItemRules, MissingTargetIconFollowsTheDriveType) {
    struct Case {
        unsigned type;
        std::optional<TStockIcon> file;   // path without trailing backslash
        std::optional<TStockIcon> folder; // with it
    } cases[] = {
        {0, siMissingFile, siMissingFolder}, // unknown
        {1, siNetworkDrive, siNetworkDrive}, // no root directory
        {2, siMissingRemovable, siMissingRemovable},
        {3, siMissingFile, siMissingFolder}, // fixed
        {4, siNetworkDrive, siNetworkDrive}, // remote
        {5, siMissingCdRom, siMissingCdRom},
        {6, siMissingFile, siMissingFolder}, // RAM disk
        {7, std::nullopt, std::nullopt},
        {0xFFFFFFFF, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriveStockIcon(c.type, false), c.file) << c.type;
        EXPECT_EQ(DriveStockIcon(c.type, true), c.folder) << c.type;
    }
}

TEST(ItemRules, CommandIconLookup) {
    const TIconLookup dial{true, ""};
    const std::pair<std::string, TIconLookup> cases[] = {
        {"C:\\Windows\\rundll32.exe rnaui.dll,RnaDial My Provider", dial},
        {"rundll32 RNAUI.DLL,RnaDial x", dial},
        {"RunDll32.Exe RnaUi.dll", dial},
        {"rundll32.exe rnaui.dl", {false, "rundll32.exe"}},
        {"rundll32.exe shell32.dll,Control_RunDLL", {false, "rundll32.exe"}},
        {"C:\\Windows\\explorer.exe ::{20D04FE0-3AEA-1069-A2D8-08002B30309D}",
         {false, "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"}},
        {"explorer ::{21EC2020-3AEA-1069-A2DD-08002B30309D}",
         {false, "::{21EC2020-3AEA-1069-A2DD-08002B30309D}"}},
        {"explorer.exe /e,::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", {false, "explorer.exe"}},
        {"myexplorer.exe ::{x}", {false, "myexplorer.exe"}},
        {"\"C:\\Program Files\\App\\app.exe\" -x", {false, "C:\\Program Files\\App\\app.exe"}},
        {"http://example.com/", {false, "http://example.com/"}},
        {"", {false, ""}},
    };
    for (const auto& [cmd, lookup] : cases)
        EXPECT_EQ(CommandIconLookup(SplitCommandLine(cmd)), lookup) << cmd;
}

TEST(ItemRules, ChainEntryNameFromItsPath) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Windows\\notepad.exe", "notepad.exe"},
        {"C:\\Windows\\", "Windows"},
        {"C:\\", "C:"},
        {"C:", "C:"},
        {"\\\\server\\share\\", "share"},
        {"notepad", "notepad"},
        {"", ""},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(PathDisplayName(path), name) << path;
}

namespace {

using lodestar::testing::ReadIconMap;
using lodestar::testing::TPixelMap;

TPixelMap ReadPixelMap(const std::string& stem) {
    return ReadIconMap(stem);
}

TIconPixels ReadPicture(const std::string& stem) {
    return ReadPixelMap(stem).Picture;
}

// As a 32-bit icon with alpha holds the same picture: fully opaque where drawn, transparent and black
// elsewhere.
TIconPixels WithAlpha(TIconPixels picture) {
    for (std::size_t i = 0; i < picture.Color.size(); ++i)
        picture.Color[i] = picture.Opaque[i] ? picture.Color[i] | 0xFF000000u : 0;
    picture.HasAlpha = true;
    return picture;
}

std::size_t At(const TIconPixels& p, int x, int y) {
    return static_cast<std::size_t>(y) * p.Width + x;
}

} // namespace

TEST(IconSources, ChainBitmapKeepsWhiteForTheBackground) {
    // The list that shows the bitmap takes white as transparent: a white pixel of the links would vanish.
    const TPixelMap chain = ReadPixelMap("chain-16");
    for (const auto& [key, color] : chain.Legend)
        EXPECT_NE(color, 0xFFFFFFu) << key;
    EXPECT_GT(std::count(chain.Picture.Opaque.begin(), chain.Picture.Opaque.end(), 1), 0);
}

TEST(IconPixels, MaskBlackMeansOpaque) {
    const std::vector<std::uint32_t> mask = {0x00000000, 0xFF000000, 0x00FFFFFF,
                                             0xFFFFFFFF, 0x00000001, 0x00010000};
    EXPECT_EQ(OpaqueFromMaskPixels(mask), (std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(AnyAlpha(std::vector<std::uint32_t>{0x00FFFFFF, 0x00000000}));
    EXPECT_TRUE(AnyAlpha(std::vector<std::uint32_t>{0x00FFFFFF, 0x01000000}));
    EXPECT_FALSE(AnyAlpha({}));
}

TEST(IconPixels, MaskBitsOfTheCross) {
    const TIconPixels cross = ReadPicture("l_x-16");
    const std::vector<std::uint8_t> bits = PackMaskBits(cross);
    ASSERT_EQ(bits.size(), 32u); // 16 rows of one 16-bit word
    // Rows 0..5 are empty: every bit set.
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(bits[row * 2], 0xFF) << row;
        EXPECT_EQ(bits[row * 2 + 1], 0xFF) << row;
    }
    // "......KKK....KKK": drawn at 6..8 and 13..15.
    EXPECT_EQ(bits[6 * 2], 0xFC);
    EXPECT_EQ(bits[6 * 2 + 1], 0x78);
    // Every bit agrees with the map.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ((bits[y * 2 + x / 8] >> (7 - x % 8)) & 1, cross.Opaque[At(cross, x, y)] ? 0 : 1)
                << x << "," << y;
}

TEST(IconPixels, MaskRowsArePaddedToWords) {
    const std::pair<int, std::size_t> cases[] = {{1, 2}, {8, 2}, {16, 2}, {17, 4}, {32, 4}, {48, 6}};
    for (const auto& [width, stride] : cases) {
        TIconPixels picture;
        picture.Width = width;
        picture.Height = 3;
        picture.Color.assign(static_cast<std::size_t>(width) * 3, 0);
        picture.Opaque.assign(picture.Color.size(), 0);
        const std::vector<std::uint8_t> bits = PackMaskBits(picture);
        ASSERT_EQ(bits.size(), stride * 3) << width;
        // Padding bits beyond the width stay 0; bits of the width are set (nothing drawn).
        for (int x = 0; x < static_cast<int>(stride * 8); ++x)
            EXPECT_EQ((bits[stride + x / 8] >> (7 - x % 8)) & 1, x < width ? 1 : 0) << width << " " << x;
    }
    EXPECT_TRUE(PackMaskBits(TIconPixels()).empty());
}

TEST(IconPixels, GrayKeepsAlphaAndMask) {
    for (const std::string stem : {"mainicon-48", "l_dial-16"}) {
        for (const bool alpha : {false, true}) {
            const TIconPixels original = alpha ? WithAlpha(ReadPicture(stem)) : ReadPicture(stem);
            TIconPixels gray = original;
            GrayPixels(gray);
            ASSERT_EQ(gray.Opaque, original.Opaque);
            for (std::size_t i = 0; i < gray.Color.size(); ++i) {
                const std::uint32_t c = original.Color[i];
                const std::uint32_t mean = ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3;
                EXPECT_EQ(gray.Color[i], (c & 0xFF000000u) | mean << 16 | mean << 8 | mean)
                    << stem << " " << i;
            }
        }
    }
    // The dark facet of the star, #f2a614: (242 + 166 + 20) / 3 = 142, rounded down.
    TIconPixels one{1, 1, {0xFFF2A614}, {1}, true};
    GrayPixels(one);
    EXPECT_EQ(one.Color[0], 0xFF8E8E8Eu);
}

TEST(IconPixels, CrossOverSheetWithoutAlpha) {
    const TIconPixels sheet = ReadPicture("l_new-16");
    const TIconPixels cross = ReadPicture("l_x-16");
    const TIconPixels marked = OverlayPixels(sheet, cross);
    ASSERT_TRUE(marked.Valid());
    EXPECT_FALSE(marked.HasAlpha);
    int crossPixels = 0;
    for (std::size_t i = 0; i < marked.Color.size(); ++i) {
        if (cross.Opaque[i]) {
            ++crossPixels;
            EXPECT_EQ(marked.Color[i], cross.Color[i]) << i;
        } else {
            EXPECT_EQ(marked.Color[i], sheet.Color[i]) << i;
        }
        EXPECT_EQ(marked.Opaque[i], sheet.Opaque[i] | cross.Opaque[i]) << i;
    }
    EXPECT_GT(crossPixels, 40);
    // The cross reaches beyond the sheet's right edge (column 15): drawn there only because of the cross.
    EXPECT_FALSE(sheet.Opaque[At(sheet, 15, 15)]);
    EXPECT_TRUE(marked.Opaque[At(marked, 15, 15)]);
}

TEST(IconPixels, CrossOverIconsWithAlpha) {
    const TIconPixels sheet = ReadPicture("l_new-16");
    const TIconPixels cross = ReadPicture("l_x-16");
    // Base with alpha and a masked top, and both with alpha: the same picture either way.
    for (const TIconPixels& top : {cross, WithAlpha(cross)}) {
        const TIconPixels marked = OverlayPixels(WithAlpha(sheet), top);
        ASSERT_TRUE(marked.HasAlpha);
        for (std::size_t i = 0; i < marked.Color.size(); ++i) {
            if (cross.Opaque[i])
                EXPECT_EQ(marked.Color[i], cross.Color[i] | 0xFF000000u) << i;
            else if (sheet.Opaque[i])
                EXPECT_EQ(marked.Color[i], sheet.Color[i] | 0xFF000000u) << i;
            else
                EXPECT_EQ(marked.Color[i], 0u) << i; // stays transparent, not black
            EXPECT_EQ(marked.Opaque[i], sheet.Opaque[i] | cross.Opaque[i]) << i;
        }
    }
    // A masked base under a top with alpha: the base's mask becomes its alpha.
    const TIconPixels marked = OverlayPixels(sheet, WithAlpha(cross));
    ASSERT_TRUE(marked.HasAlpha);
    EXPECT_EQ(marked.Color[At(marked, 0, 0)], 0u);                                         // neither
    EXPECT_EQ(marked.Color[At(marked, 2, 0)], sheet.Color[At(sheet, 2, 0)] | 0xFF000000u); // sheet outline
    EXPECT_EQ(marked.Color[At(marked, 15, 15)], cross.Color[At(cross, 15, 15)] | 0xFF000000u);
}

TEST(IconPixels, SoftEdgesBlendByAlpha) {
    struct Case {
        std::uint32_t base, top;
        std::uint8_t baseMask, topMask;
        std::uint32_t result;
    } cases[] = {
        {0xFF0000FF, 0x80FF0000, 1, 1, 0xFF80007F}, // half red over opaque blue
        {0x00000000, 0x80FF0000, 0, 1, 0x80FF0000}, // half red over nothing keeps its colour
        {0x800000FF, 0x80FF0000, 1, 1, 0xC0AA0055}, // half over half: 3/4 covered, 2:1 red
        {0xFF00FF00, 0x00FF0000, 1, 1, 0xFF00FF00}, // alpha 0 draws nothing, whatever the mask
        {0x4000FF00, 0x00000000, 0, 0, 0x4000FF00}, // a soft base edge outside its mask stays
        {0xFF00FF00, 0x40FFFFFF, 1, 0, 0xFF40FF40}, // a soft top edge outside its mask is drawn
    };
    for (const Case& c : cases) {
        const TIconPixels base{1, 1, {c.base}, {c.baseMask}, true};
        const TIconPixels top{1, 1, {c.top}, {c.topMask}, true};
        const TIconPixels result = OverlayPixels(base, top);
        EXPECT_EQ(result.Color[0], c.result) << std::hex << c.base << " " << c.top;
        EXPECT_EQ(result.Opaque[0], c.baseMask | c.topMask);
    }
}

TEST(IconPixels, SmallCrossIsScaledOverLargerIcon) {
    // The cross drawn for 16 pixels over a 32-pixel icon (a shell icon at 200% scale).
    const TIconPixels star = ReadPicture("mainicon-32");
    const TIconPixels cross = ReadPicture("l_x-16");
    const TIconPixels marked = OverlayPixels(star, cross);
    ASSERT_EQ(marked.Width, 32);
    ASSERT_EQ(marked.Height, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::size_t from = At(cross, x / 2, y / 2);
            const std::uint32_t expected =
                cross.Opaque[from] ? cross.Color[from] : star.Color[At(star, x, y)];
            ASSERT_EQ(marked.Color[At(marked, x, y)], expected) << x << "," << y;
        }
    }
    // And shrinking takes every other pixel.
    const TIconPixels small = ScaledPixels(star, 16, 16);
    ASSERT_TRUE(small.Valid());
    EXPECT_EQ(small.Color[At(small, 8, 8)], star.Color[At(star, 17, 17)]);
}

TEST(IconPixels, NothingToOverlayLeavesTheBase) {
    const TIconPixels sheet = ReadPicture("l_new-16");
    EXPECT_EQ(OverlayPixels(sheet, TIconPixels()), sheet);
    EXPECT_FALSE(OverlayPixels(TIconPixels(), sheet).Valid());
    TIconPixels broken = sheet;
    broken.Opaque.pop_back(); // a mask that does not match its picture
    EXPECT_EQ(OverlayPixels(sheet, broken), sheet);
}

TEST(ShortcutText, AsMenusShowShortcuts) {
    // The keyboard's names for keys without a fixed one, as a Japanese keyboard layout gives them.
    const auto keyboard = [](unsigned key) -> std::string {
        if (key == 0x6A) return "Num *";
        if (key == 0xBA) return ":";
        return {};
    };
    const struct {
        std::uint16_t shortcut;
        const char* text;
    } cases[] = {
        {0, ""},
        {kShortcutCtrl | kShortcutAlt, ""}, // modifiers without a key name nothing
        {kShortcutCtrl | kShortcutAlt | 'N', "Ctrl+Alt+N"},
        {kShortcutShift | kShortcutCtrl | kShortcutAlt | '7', "Shift+Ctrl+Alt+7"},
        {kShortcutAlt | kShortcutShift | 0x70, "Shift+Alt+F1"},
        {kShortcutCtrl | 0x87, "Ctrl+F24"},
        {0x2E, "Del"},
        {kShortcutCtrl | 0x0D, "Ctrl+Enter"},
        {kShortcutCtrl | kShortcutAlt | 0x21, "Ctrl+Alt+PgUp"},
        {kShortcutCtrl | kShortcutAlt | 0x28, "Ctrl+Alt+Down"},
        {kShortcutCtrl | kShortcutAlt | 0x20, "Ctrl+Alt+Space"},
        {kShortcutCtrl | 0x6A, "Ctrl+Num *"},
        {kShortcutCtrl | kShortcutAlt | 0xBA, "Ctrl+Alt+:"},
        {kShortcutCtrl | 0xE8, ""}, // a key the keyboard has no name for
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortcutText(c.shortcut, keyboard), c.text) << std::hex << c.shortcut;
    EXPECT_EQ(ShortcutText(kShortcutCtrl | 0x6A, {}), "");
}
