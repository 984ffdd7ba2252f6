// The program's icon resources as the build draws them, and the icons items are shown with: each read
// back pixel by pixel and compared with the pixel maps of res/icons, the shell's own icons and what the
// system draws.
#include "lsCommon.h"

#include "AppSettings.h"
#include "Handles.h"
#include "WinTestSupport.h"
#include "IconPixels.h"
#include "ShellIcons.h"
#include "WinText.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

// --- Reading icons back, independently of the code under test ---

struct TReadIcon {
    int Width = 0;
    int Height = 0;
    int ColorBits = 0;                // 0 for a monochrome icon
    std::vector<std::uint32_t> Color; // 0xAARRGGBB, top-down
    std::vector<std::uint8_t> Opaque; // mask black
    std::uint32_t Rgb(int x, int y) const { return Color[y * Width + x] & 0xFFFFFF; }
    std::uint32_t Alpha(int x, int y) const { return Color[y * Width + x] >> 24; }
    bool Drawn(int x, int y) const { return Opaque[y * Width + x] != 0; }
};

using test::Bits32;

TReadIcon ReadIcon(HICON icon) {
    TReadIcon read;
    ICONINFO info{};
    EXPECT_TRUE(icon && ::GetIconInfo(icon, &info));
    if (!icon) return read;
    const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP size{};
    ::GetObjectW(mask.Get(), sizeof size, &size);
    read.Width = size.bmWidth;
    read.Height = color ? size.bmHeight : size.bmHeight / 2;
    if (color) {
        BITMAP colorSize{};
        ::GetObjectW(color.Get(), sizeof colorSize, &colorSize);
        read.ColorBits = colorSize.bmBitsPixel;
        read.Color = Bits32(color.Get(), read.Width, read.Height);
    }
    for (std::uint32_t pixel : Bits32(mask.Get(), read.Width, read.Height))
        read.Opaque.push_back((pixel & 0xFFFFFF) == 0 ? 1 : 0);
    return read;
}

// The icon as the system draws it onto white.
std::vector<std::uint32_t> DrawnOnWhite(HICON icon, int size) {
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const UniqueBitmap target(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_TRUE(target);
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    const HGDIOBJ old = ::SelectObject(dc.Get(), target.Get());
    std::fill_n(static_cast<std::uint32_t*>(bits), size * size, 0x00FFFFFFu);
    EXPECT_TRUE(::DrawIconEx(dc.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
    ::GdiFlush();
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + size * size);
    ::SelectObject(dc.Get(), old);
    for (std::uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

bool SamePicture(HICON a, HICON b) {
    const TReadIcon ra = ReadIcon(a), rb = ReadIcon(b);
    return ra.Width == rb.Width && ra.Height == rb.Height && ra.Color == rb.Color && ra.Opaque == rb.Opaque;
}

// --- The pixel maps the resources are drawn from ---

struct TPixelMap {
    int Size = 0;
    std::map<char, std::uint32_t> Legend;
    std::vector<std::string> Rows;
    bool Drawn(int x, int y) const { return Rows[y][x] != '.'; }
    std::uint32_t Rgb(int x, int y) const { return Legend.at(Rows[y][x]); }
};

TPixelMap ReadPixelMap(const std::string& stem) {
    // The source folder as the Windows side sees it: Wine's drive Z: is the Unix root.
    std::ifstream in(std::string(LODESTAR_ICON_SOURCES) + "/" + stem + ".txt");
    EXPECT_TRUE(in) << stem;
    TPixelMap map;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.size() >= 11 && line.compare(1, 4, " = #") == 0)
            map.Legend[line[0]] = static_cast<std::uint32_t>(std::stoul(line.substr(5, 6), nullptr, 16));
        else
            map.Rows.push_back(line);
    }
    map.Size = static_cast<int>(map.Rows.size());
    return map;
}

UniqueIcon Resource(const wchar_t* name, int size = 16) {
    return UniqueIcon(
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, 0)));
}

// The icon shows exactly the map: colours where drawn, mask black exactly there.
void ExpectPictureOfMap(HICON icon, const TPixelMap& map, const std::string& what) {
    const TReadIcon read = ReadIcon(icon);
    ASSERT_EQ(read.Width, map.Size) << what;
    ASSERT_EQ(read.Height, map.Size) << what;
    for (int y = 0; y < map.Size; ++y) {
        for (int x = 0; x < map.Size; ++x) {
            ASSERT_EQ(read.Drawn(x, y), map.Drawn(x, y)) << what << " mask at " << x << "," << y;
            if (map.Drawn(x, y)) {
                ASSERT_EQ(read.Rgb(x, y), map.Rgb(x, y)) << what << " colour at " << x << "," << y;
            }
        }
    }
}

std::string OwnProgram() {
    wchar_t path[MAX_PATH] = {};
    EXPECT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    return Narrow(path);
}

// One icon of a file as the shell extracts it, small (SM_CXSMICON) or large.
UniqueIcon ExtractedIcon(const std::wstring& file, int index, bool small) {
    HICON icon = nullptr;
    const UINT count = small ? ::ExtractIconExW(file.c_str(), index, nullptr, &icon, 1)
                             : ::ExtractIconExW(file.c_str(), index, &icon, nullptr, 1);
    return UniqueIcon(count == 1 ? icon : nullptr);
}

// A key of its own under HKEY_CLASSES_ROOT (there, not under the user's classes, which Wine does not
// show in HKEY_CLASSES_ROOT), removed again at the end.
class TClassKey {
public:
    explicit TClassKey(std::wstring name) : name_(std::move(name)) {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, name_.c_str());
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, name_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                    key_.Put(), nullptr),
                  ERROR_SUCCESS);
    }
    ~TClassKey() {
        key_.Reset();
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, name_.c_str());
    }
    void Set(const wchar_t* subKey, const wchar_t* valueName, const std::wstring& value) {
        EXPECT_EQ(::RegSetKeyValueW(key_.Get(), subKey, valueName, REG_SZ, value.c_str(),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

private:
    std::wstring name_;
    UniqueKey key_;
};

// An icon file of the build, as an icon location.
std::wstring BuiltIcon(const std::string& file) {
    return Widen(std::string(LODESTAR_ICON_FILES) + "\\" + file + ",0");
}

const std::pair<const wchar_t*, std::string> kProgramIcons[] = {
    {L"L_VBAR", "l_vbar-16"}, {L"L_NEW", "l_new-16"}, {L"L_UNDEF", "l_undef-16"},
    {L"L_DIAL", "l_dial-16"}, {L"L_X", "l_x-16"},     {L"MAINICON", "mainicon-16"},
};

} // namespace

TEST(IconResources, EveryIconIsItsPixelMap) {
    for (const auto& [name, stem] : kProgramIcons) {
        const UniqueIcon icon = Resource(name);
        ASSERT_TRUE(icon) << Narrow(name);
        ExpectPictureOfMap(icon.Get(), ReadPixelMap(stem), stem);
    }
    for (const int size : {32, 48}) {
        const UniqueIcon icon = Resource(L"MAINICON", size);
        ASSERT_TRUE(icon) << size;
        ExpectPictureOfMap(icon.Get(), ReadPixelMap("mainicon-" + std::to_string(size)), "MAINICON");
    }
}

TEST(IconResources, ProgramFileShowsTheStar) {
    // The shell takes a program's first icon group, whatever its name: it must be the star, not L_DIAL.
    const std::wstring program = Widen(OwnProgram());
    const UniqueIcon large = ExtractedIcon(program, 0, false), small = ExtractedIcon(program, 0, true);
    ASSERT_TRUE(large && small);
    ExpectPictureOfMap(large.Get(), ReadPixelMap("mainicon-32"), "large");
    // Wine makes the small one from a larger picture of the group; whichever it takes, it takes it for
    // MAINICON (the seventh group) as well.
    EXPECT_TRUE(SamePicture(small.Get(), ExtractedIcon(program, 6, true).Get()));
}

TEST(IconResources, MainIconCarriesThreeSizes) {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceW(module, L"MAINICON", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    ASSERT_TRUE(found);
    const auto* directory = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, found)));
    ASSERT_TRUE(directory);
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries starting with width and height.
    const int count = directory[4] | directory[5] << 8;
    std::set<int> sizes;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* entry = directory + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]);
        EXPECT_EQ(entry[6] | entry[7] << 8, 32) << "bits per pixel"; // colour with alpha
        sizes.insert(entry[0]);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
}

TEST(IconResources, CrossIsOpaqueOnlyWhereDrawn) {
    const UniqueIcon cross(
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), L"L_X", IMAGE_ICON, 16, 16, 0)));
    ASSERT_TRUE(cross);
    const TReadIcon read = ReadIcon(cross.Get());
    const TPixelMap map = ReadPixelMap("l_x-16");
    int drawn = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(read.Drawn(x, y), map.Drawn(x, y)) << x << "," << y;
            // Alpha agrees with the mask: nothing half-transparent, nothing hidden under a black mask.
            if (read.ColorBits == 32) {
                EXPECT_EQ(read.Alpha(x, y), map.Drawn(x, y) ? 255u : 0u) << x << "," << y;
            }
            drawn += map.Drawn(x, y);
        }
    }
    EXPECT_GT(drawn, 40);
    EXPECT_LT(drawn, 128); // an overlay: most of it lets the icon beneath show
}

TEST(IconResources, ChainBitmapIsDrawnOnWhite) {
    const UniqueBitmap chain(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), L"CHAIN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(chain);
    BITMAP size{};
    ASSERT_EQ(::GetObjectW(chain.Get(), sizeof size, &size), static_cast<int>(sizeof size));
    EXPECT_EQ(size.bmWidth, 16);
    EXPECT_EQ(size.bmHeight, 16);
    EXPECT_EQ(size.bmBitsPixel, 24);
    const std::vector<std::uint32_t> pixels = Bits32(chain.Get(), 16, 16);
    const TPixelMap map = ReadPixelMap("chain-16");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(pixels[y * 16 + x] & 0xFFFFFF, map.Drawn(x, y) ? map.Rgb(x, y) : 0xFFFFFFu)
                << x << "," << y;
}

TEST(StockIcons, EveryKindGivesAnIcon) {
    const UniqueIcon undef = Resource(L"L_UNDEF");
    for (int kind = -1; kind <= 12; ++kind) {
        const UniqueIcon icon = StockIcon(kind);
        ASSERT_TRUE(icon) << kind;
        const TReadIcon read = ReadIcon(icon.Get());
        EXPECT_EQ(read.Width, ::GetSystemMetrics(SM_CXSMICON)) << kind;
    }
    EXPECT_TRUE(SamePicture(StockIcon(-1).Get(), undef.Get()));
    EXPECT_TRUE(SamePicture(StockIcon(12).Get(), undef.Get()));
    EXPECT_TRUE(SamePicture(StockIcon(1000).Get(), undef.Get()));
    // The program's own, as they are.
    const wchar_t* own[] = {L"L_VBAR", L"L_NEW", L"L_UNDEF", L"L_DIAL", L"L_X"};
    for (int kind = 0; kind < 5; ++kind)
        EXPECT_TRUE(SamePicture(StockIcon(kind).Get(), Resource(own[kind]).Get())) << kind;
    // The disconnected network drive carries its own mark.
    EXPECT_TRUE(SamePicture(StockIcon(siNetworkDrive).Get(), GetShellIcon(10).Get()));
}

TEST(StockIcons, MissingKindsCarryTheCross) {
    const TPixelMap cross = ReadPixelMap("l_x-16");
    const std::pair<int, int> kinds[] = {{siMissingHardDisk, 8},  {siMissingFloppy, 6}, {siMissingCdRom, 11},
                                         {siMissingRemovable, 7}, {siMissingFolder, 3}, {siMissingFile, -1}};
    for (const auto& [kind, shellIcon] : kinds) {
        const UniqueIcon base = shellIcon < 0 ? Resource(L"L_NEW") : GetShellIcon(shellIcon);
        ASSERT_TRUE(base) << kind;
        const TReadIcon before = ReadIcon(base.Get());
        const TReadIcon marked = ReadIcon(StockIcon(kind).Get());
        ASSERT_EQ(marked.Width, 16) << kind;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (cross.Drawn(x, y)) {
                    EXPECT_EQ(marked.Rgb(x, y), cross.Rgb(x, y)) << kind << " at " << x << "," << y;
                    EXPECT_TRUE(marked.Drawn(x, y));
                } else {
                    EXPECT_EQ(marked.Drawn(x, y), before.Drawn(x, y)) << kind << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ItemIcons, CustomIconFromFileAndIndex) {
    const std::string shell32 = "C:\\windows\\system32\\shell32.dll";
    HICON third = nullptr, fourth = nullptr;
    ASSERT_EQ(::ExtractIconExW(Widen(shell32).c_str(), 3, nullptr, &third, 1), 1u);
    ASSERT_EQ(::ExtractIconExW(Widen(shell32).c_str(), 4, nullptr, &fourth, 1), 1u);
    const UniqueIcon thirdOwned(third), fourthOwned(fourth);
    ASSERT_FALSE(SamePicture(third, fourth)); // the index must matter for the case below to mean anything
    EXPECT_TRUE(SamePicture(ItemIcon(shell32 + ",4", "", {}).Get(), fourth));
    // As the user or Windows writes locations: through the environment, the file quoted.
    const std::string locations[] = {shell32 + ",3", "%SystemRoot%\\system32\\shell32.dll,3",
                                     "\"" + shell32 + "\",3", "\"%SystemRoot%\\system32\\shell32.dll\", 3",
                                     "%SYSTEMROOT%\\system32\\shell32.dll,+3"};
    for (const std::string& location : locations)
        EXPECT_TRUE(SamePicture(ItemIcon(location, "notepad.exe", {}).Get(), third)) << location;

    // The built icon file: its 16-pixel picture.
    const UniqueIcon own = ItemIcon(std::string(LODESTAR_ICON_FILES) + "\\mainicon.ico,0", "", {});
    ExpectPictureOfMap(own.Get(), ReadPixelMap("mainicon-16"), "mainicon.ico");
}

TEST(ItemIcons, CustomIconThatCannotBeHadIsUndefined) {
    const UniqueIcon undef = Resource(L"L_UNDEF");
    const std::string cases[] = {
        "C:\\windows\\system32\\shell32.dll,-1", // stored when no icon was chosen
        "C:\\nowhere\\missing.ico,0",            // Wine answers a missing file with a count of -1
        "C:\\windows\\system32\\shell32.dll,99999",
        ",3",
    };
    for (const std::string& custom : cases)
        EXPECT_TRUE(SamePicture(ItemIcon(custom, "C:\\windows\\notepad.exe", {}).Get(), undef.Get()))
            << custom;
}

TEST(ItemIcons, CommandIdListAndNothing) {
    // A command: the icon the shell shows for its file. A document type of the test's own shows L_DIAL.
    // (Wine shows a generic picture for every program file, so a program would prove little.)
    TClassKey extension(L".lodestar-doc"), type(L"LodestarTest.Document");
    extension.Set(nullptr, nullptr, L"LodestarTest.Document");
    type.Set(L"DefaultIcon", nullptr, BuiltIcon("l_dial.ico"));
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::string document = Narrow(temp) + "Lodestar Icon Test.lodestar-doc";
    ASSERT_TRUE(UniqueFile(
        ::CreateFileW(Widen(document).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
    const std::vector<std::uint32_t> dial = DrawnOnWhite(Resource(L"L_DIAL").Get(), 16);
    // The same picture whether the shell draws it or it comes plain from the system image list.
    TSettings& settings = ProgramSettings();
    const TSettings saved = settings;
    for (const bool hideLinkOverlay : {false, true}) {
        settings.HideLinkOverlay = hideLinkOverlay;
        EXPECT_EQ(DrawnOnWhite(ItemIcon("", "\"" + document + "\" -x", {}).Get(), 16), dial)
            << hideLinkOverlay;
        EXPECT_EQ(DrawnOnWhite(CommandIcon(QuoteIfSpaced(document)).Get(), 16), dial) << hideLinkOverlay;
        // Written through the environment, as in %USERPROFILE%\Documents\memo.txt.
        ASSERT_TRUE(
            ::SetEnvironmentVariableW(L"LODESTAR_TEMP", Widen(RemoveBackslash(Narrow(temp))).c_str()));
        EXPECT_EQ(DrawnOnWhite(
                      ItemIcon("", "\"%LODESTAR_TEMP%\\" + ExtractFileName(document) + "\"", {}).Get(), 16),
                  dial)
            << hideLinkOverlay;
    }
    settings = saved;
    ::DeleteFileW(Widen(document).c_str());
    // A dial-up connection.
    EXPECT_TRUE(SamePicture(ItemIcon("", "rundll32.exe rnaui.dll,RnaDial Provider", {}).Get(),
                            Resource(L"L_DIAL").Get()));
    // A missing program on a fixed drive: the sheet with the cross.
    EXPECT_TRUE(SamePicture(ItemIcon("", "C:\\nowhere-lodestar\\tool.exe -x", {}).Get(),
                            StockIcon(siMissingFile).Get()));

    // An ID list: the shell's icon of the object.
    UniqueCoTask<ITEMIDLIST> pidl;
    ASSERT_HRESULT_SUCCEEDED(
        ::SHParseDisplayName(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", nullptr, pidl.Put(), 0, nullptr));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
    const IdList myComputer = *IdList::FromBytes({bytes, IdList::WalkedSize(bytes)});
    SHFILEINFOW info{};
    ASSERT_TRUE(::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl.Get()), 0, &info, sizeof info,
                                 SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON));
    const UniqueIcon expected(info.hIcon);
    EXPECT_TRUE(SamePicture(ItemIcon("", "", myComputer).Get(), expected.Get()));

    // Nothing at all: the blank sheet.
    EXPECT_TRUE(SamePicture(ItemIcon("", "", {}).Get(), Resource(L"L_NEW").Get()));
}

TEST(ItemIcons, FallbackForUrlsAndMissingPaths) {
    {
        // A scheme of the test's own, with one of the built icon files.
        TClassKey scheme(L"lodestar-test");
        scheme.Set(nullptr, L"URL Protocol", L"");
        scheme.Set(L"DefaultIcon", nullptr, BuiltIcon("l_dial.ico"));
        EXPECT_TRUE(SamePicture(FallbackIcon("lodestar-test://x").Get(), Resource(L"L_DIAL").Get()));
        // Without "URL Protocol" it is no scheme.
        TClassKey other(L"lodestar-other");
        other.Set(L"DefaultIcon", nullptr, BuiltIcon("l_dial.ico"));
        EXPECT_TRUE(SamePicture(FallbackIcon("lodestar-other://x").Get(), Resource(L"L_UNDEF").Get()));
    }

    // Whatever the system has registered for http and mailto, or the undefined icon.
    for (const std::string url : {"http://x", "mailto:a"}) {
        const std::string scheme = url.substr(0, url.find(':'));
        const UniqueIcon registered = GetURLProtocolIcon(scheme);
        const UniqueIcon fallback = FallbackIcon(url);
        ASSERT_TRUE(fallback) << url;
        EXPECT_TRUE(SamePicture(fallback.Get(), registered ? registered.Get() : Resource(L"L_UNDEF").Get()))
            << url;
    }

    struct Case {
        std::string Text;
        int Kind;
    } cases[] = {
        {"C:\\nowhere-lodestar\\", siMissingFolder},
        {"C:\\nowhere-lodestar\\file.txt", siMissingFile},
        {"Q:\\tool.exe", siNetworkDrive}, // a drive that is not there
    };
    for (const Case& c : cases)
        EXPECT_TRUE(SamePicture(FallbackIcon(c.Text).Get(), StockIcon(c.Kind).Get())) << c.Text;
}

TEST(DrawnIcons, GrayHasEqualChannelsAndKeepsMaskAndAlpha) {
    for (const auto& [name, stem] : kProgramIcons) {
        const UniqueIcon original = Resource(name);
        const UniqueIcon gray = GrayIcon(original.Get());
        ASSERT_TRUE(gray) << stem;
        const TReadIcon before = ReadIcon(original.Get()), after = ReadIcon(gray.Get());
        ASSERT_EQ(after.Color.size(), before.Color.size()) << stem;
        EXPECT_EQ(after.Opaque, before.Opaque) << stem;
        for (std::size_t i = 0; i < after.Color.size(); ++i) {
            const std::uint32_t c = before.Color[i];
            const std::uint32_t mean = ((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF)) / 3;
            ASSERT_EQ(after.Color[i], (c & 0xFF000000u) | mean << 16 | mean << 8 | mean)
                << stem << " pixel " << i;
        }
    }
    EXPECT_FALSE(GrayIcon(nullptr));
}

TEST(DrawnIcons, GrayOfIconWithoutAlpha) {
    // A 24-bit icon drawn through its mask, made from the sheet's map.
    const TPixelMap map = ReadPixelMap("l_new-16");
    TIconPixels picture;
    picture.Width = picture.Height = 16;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            picture.Color.push_back(map.Drawn(x, y) ? map.Rgb(x, y) : 0);
            picture.Opaque.push_back(map.Drawn(x, y));
        }
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const HDC screen = ::GetDC(nullptr);
    const UniqueBitmap color(::CreateCompatibleBitmap(screen, 16, 16));
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(::SetDIBits(dc.Get(), color.Get(), 0, 16, picture.Color.data(), &format, DIB_RGB_COLORS), 16);
    const std::vector<std::uint8_t> maskBits = PackMaskBits(picture);
    const UniqueBitmap mask(::CreateBitmap(16, 16, 1, 1, maskBits.data()));
    ICONINFO info{TRUE, 0, 0, mask.Get(), color.Get()};
    const UniqueIcon icon(::CreateIconIndirect(&info));
    ASSERT_TRUE(icon);

    const UniqueIcon gray = GrayIcon(icon.Get());
    const std::vector<std::uint32_t> drawn = DrawnOnWhite(gray.Get(), 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const std::uint32_t c = map.Drawn(x, y) ? map.Rgb(x, y) : 0xFFFFFF;
            const std::uint32_t mean = ((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF)) / 3;
            EXPECT_EQ(drawn[y * 16 + x], mean << 16 | mean << 8 | mean) << x << "," << y;
        }
    }
}

TEST(DrawnIcons, CrossOverSheetAsTheSystemDrawsIt) {
    const TPixelMap sheet = ReadPixelMap("l_new-16"), cross = ReadPixelMap("l_x-16");
    const UniqueIcon marked = MarkMissing(Resource(L"L_NEW"));
    ASSERT_TRUE(marked);
    const TReadIcon read = ReadIcon(marked.Get());
    const std::vector<std::uint32_t> drawn = DrawnOnWhite(marked.Get(), 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const std::uint32_t expected = cross.Drawn(x, y)   ? cross.Rgb(x, y)
                                           : sheet.Drawn(x, y) ? sheet.Rgb(x, y)
                                                               : 0xFFFFFFu; // transparent, not black
            EXPECT_EQ(drawn[y * 16 + x], expected) << x << "," << y;
            EXPECT_EQ(read.Drawn(x, y), sheet.Drawn(x, y) || cross.Drawn(x, y)) << x << "," << y;
        }
    }
}

TEST(DrawnIcons, MonochromeIconTakesTheCrossToo) {
    // No colour bitmap: the mask holds the AND mask above the XOR picture. Drawn in the upper half, white
    // on the left, black on the right.
    BYTE andBits[32], xorBits[32];
    for (int row = 0; row < 16; ++row) {
        andBits[row * 2] = andBits[row * 2 + 1] = row < 8 ? 0x00 : 0xFF;
        xorBits[row * 2] = 0xFF;
        xorBits[row * 2 + 1] = 0x00;
    }
    UniqueIcon monochrome(::CreateIcon(nullptr, 16, 16, 1, 1, andBits, xorBits));
    ASSERT_TRUE(monochrome);
    ASSERT_EQ(ReadIcon(monochrome.Get()).ColorBits, 0);
    const TReadIcon marked = ReadIcon(MarkMissing(std::move(monochrome)).Get());
    const TPixelMap cross = ReadPixelMap("l_x-16");
    ASSERT_EQ(marked.Width, 16);
    ASSERT_EQ(marked.Height, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(marked.Drawn(x, y), y < 8 || cross.Drawn(x, y)) << x << "," << y;
            if (cross.Drawn(x, y)) {
                EXPECT_EQ(marked.Rgb(x, y), cross.Rgb(x, y)) << x << "," << y;
            } else if (y < 8) {
                EXPECT_EQ(marked.Rgb(x, y), x < 8 ? 0xFFFFFFu : 0u) << x << "," << y;
            }
        }
    }
}

TEST(DrawnIcons, OverlayThatCannotBeDrawnLeavesTheBase) {
    UniqueIcon base = Resource(L"L_NEW");
    const HICON handle = base.Get();
    UniqueIcon same = OverlayIcon(std::move(base), nullptr);
    EXPECT_EQ(same.Get(), handle); // the very icon, not a copy
    EXPECT_FALSE(OverlayIcon(UniqueIcon(), Resource(L"L_X").Get()));
}

// How many more GDI objects the process can make: where GetGuiResources counts nothing (Wine), what a
// leak eats away. Every probe is deleted again.
std::size_t SpareGdiHandles() {
    std::vector<UniqueBitmap> probes;
    while (probes.size() < 200000) {
        UniqueBitmap probe(::CreateBitmap(1, 1, 1, 1, nullptr));
        if (!probe) break;
        probes.push_back(std::move(probe));
    }
    return probes.size();
}

TEST(DrawnIcons, NoHandlesLeak) {
    auto round = [] {
        for (int kind = 0; kind <= 12; ++kind)
            UniqueIcon icon = GrayIcon(StockIcon(kind).Get());
        UniqueIcon a = ItemIcon("", "C:\\windows\\notepad.exe", {});
        UniqueIcon b = ItemIcon("C:\\windows\\system32\\shell32.dll,3", "", {});
        UniqueIcon c = FallbackIcon("C:\\nowhere-lodestar\\");
        UniqueIcon d = OverlayIcon(std::move(a), b.Get());
        UniqueIcon e = MarkMissing(std::move(c));
    };
    round(); // the shell's caches fill on first use
    const HANDLE process = ::GetCurrentProcess();
    const DWORD gdiBefore = ::GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD userBefore = ::GetGuiResources(process, GR_USEROBJECTS);
    if (gdiBefore != 0 || userBefore != 0) {
        for (int i = 0; i < 20; ++i) // some 400 calls
            round();
        EXPECT_LE(::GetGuiResources(process, GR_GDIOBJECTS), gdiBefore + 8);
        EXPECT_LE(::GetGuiResources(process, GR_USEROBJECTS), userBefore + 8);
    } else {
        // An icon holds its pictures as GDI objects here, so a lost icon shows as well.
        const std::size_t spareBefore = SpareGdiHandles();
        ASSERT_GT(spareBefore, 1000u);
        for (int i = 0; i < 20; ++i)
            round();
        EXPECT_GE(SpareGdiHandles() + 8, spareBefore);
    }
}
