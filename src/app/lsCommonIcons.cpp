// The icons items are shown with: the shell's, the program's own, and those drawn from them (gray, or
// with the red cross of something missing).
#include "lsCommon.h"

#include "AppSettings.h"
#include "CommandLine.h"
#include "IconPixels.h"
#include "ShellHelpers.h"
#include "ShellIcons.h"
#include "WinText.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

namespace lodestar {

namespace {

// The program's own icons are in the resources of its executable, drawn for 16, 20, 24 and 32 pixels;
// the system scales the nearest for other sizes.
UniqueIcon ProgramIcon(const wchar_t* name, int size = 16) {
    return UniqueIcon(static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

// The side of a square icon; 0 when it cannot be read.
int IconSide(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return 0;
    const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP size{};
    if (!::GetObjectW(mask.Get(), sizeof size, &size)) return 0;
    return size.bmWidth;
}

// The icon at `size`: itself when it has that size already, else a copy drawn at that size.
UniqueIcon AtSize(UniqueIcon icon, int size) {
    if (!icon || IconSide(icon.Get()) == size) return icon;
    if (UniqueIcon resized{
            static_cast<HICON>(::CopyImage(icon.Get(), IMAGE_ICON, size, size, LR_COPYFROMRESOURCE))})
        return resized;
    return icon;
}

struct TStockSource {
    const wchar_t* Resource; // the program's own icon, or null for a shell icon
    int ShellIcon;
    bool Cross;
};

constexpr std::array<TStockSource, kStockIconCount> kStockSources = {{
    {L"L_VBAR", 0, false},
    {L"L_NEW", 0, false},
    {L"L_UNDEF", 0, false},
    {L"L_DIAL", 0, false},
    {L"L_X", 0, false},
    {nullptr, 8, true},   // hard disk
    {nullptr, 6, true},   // floppy disk
    {nullptr, 11, true},  // CD-ROM
    {nullptr, 7, true},   // removable disk
    {nullptr, 10, false}, // disconnected network drive
    {nullptr, 3, true},   // closed folder
    {L"L_NEW", 0, true},
}};

// What GetIconInfo hands out; the caller owns both bitmaps. An icon without colour (monochrome) has a
// mask of twice its height: the AND mask above the XOR picture.
struct TIconBitmaps {
    UniqueBitmap Color;
    UniqueBitmap Mask;
};

std::optional<TIconBitmaps> IconBitmaps(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return std::nullopt;
    TIconBitmaps bitmaps{UniqueBitmap(info.hbmColor), UniqueBitmap(info.hbmMask)};
    if (!bitmaps.Mask) return std::nullopt;
    return bitmaps;
}

std::optional<BITMAP> BitmapSize(HBITMAP bitmap) {
    BITMAP size{};
    if (::GetObjectW(bitmap, sizeof size, &size) != sizeof size || size.bmWidth <= 0 || size.bmHeight <= 0)
        return std::nullopt;
    return size;
}

// A bitmap's pixels converted to 32 bits, rows top-down; nothing when GetDIBits fails.
std::optional<std::vector<std::uint32_t>> Pixels32(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    if (::GetDIBits(dc, bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS) != height)
        return std::nullopt;
    return pixels;
}

// The icon's picture. Nothing when a bitmap cannot be read or the mask does not match the colour.
std::optional<TIconPixels> ReadPicture(const TIconBitmaps& bitmaps) {
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!dc) return std::nullopt;
    const std::optional<BITMAP> maskSize = BitmapSize(bitmaps.Mask.Get());
    if (!maskSize) return std::nullopt;
    TIconPixels picture;
    if (bitmaps.Color) {
        const std::optional<BITMAP> colorSize = BitmapSize(bitmaps.Color.Get());
        if (!colorSize || colorSize->bmWidth != maskSize->bmWidth ||
            colorSize->bmHeight != maskSize->bmHeight)
            return std::nullopt;
        picture.Width = colorSize->bmWidth;
        picture.Height = colorSize->bmHeight;
        auto color = Pixels32(dc.Get(), bitmaps.Color.Get(), picture.Width, picture.Height);
        auto mask = Pixels32(dc.Get(), bitmaps.Mask.Get(), picture.Width, picture.Height);
        if (!color || !mask) return std::nullopt;
        picture.Color = std::move(*color);
        picture.Opaque = OpaqueFromMaskPixels(*mask);
        // Only a 32-bit colour bitmap has an alpha byte of its own; in a conversion it means nothing.
        picture.HasAlpha = colorSize->bmBitsPixel == 32 && AnyAlpha(picture.Color);
        if (!picture.HasAlpha)
            for (std::uint32_t& pixel : picture.Color)
                pixel &= 0xFFFFFF;
    } else {
        if (maskSize->bmHeight % 2 != 0) return std::nullopt;
        picture.Width = maskSize->bmWidth;
        picture.Height = maskSize->bmHeight / 2;
        auto both = Pixels32(dc.Get(), bitmaps.Mask.Get(), picture.Width, maskSize->bmHeight);
        if (!both) return std::nullopt;
        const std::size_t half = both->size() / 2;
        picture.Opaque = OpaqueFromMaskPixels(std::span(*both).first(half));
        picture.Color.assign(both->begin() + half, both->end());
        for (std::uint32_t& pixel : picture.Color)
            pixel &= 0xFFFFFF;
    }
    return picture;
}

// A 32-bit colour bitmap of the picture; the system takes its alpha only when some alpha byte is not 0.
UniqueBitmap ColorBitmap(const TIconPixels& picture) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = picture.Width;
    format.bmiHeader.biHeight = -picture.Height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    std::memcpy(bits, picture.Color.data(), picture.Color.size() * sizeof(std::uint32_t));
    ::GdiFlush();
    return bitmap;
}

UniqueBitmap MaskBitmap(const TIconPixels& picture) {
    const std::vector<std::uint8_t> bits = PackMaskBits(picture);
    if (bits.empty()) return {};
    return UniqueBitmap(::CreateBitmap(picture.Width, picture.Height, 1, 1, bits.data()));
}

// A new icon of the picture, with `mask` as its mask when given, else the picture's own. The bitmaps
// are copied into the icon, so they are deleted here.
UniqueIcon MakeIcon(const TIconPixels& picture, HBITMAP mask = nullptr) {
    if (!picture.Valid()) return {};
    const UniqueBitmap color = ColorBitmap(picture);
    UniqueBitmap ownMask;
    if (!mask) {
        ownMask = MaskBitmap(picture);
        mask = ownMask.Get();
    }
    if (!color || !mask) return {};
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color.Get();
    info.hbmMask = mask;
    return UniqueIcon(::CreateIconIndirect(&info));
}

// The shell's icon of a file, folder, parsing name or (with SHGFI_PIDL in `pidlFlag`) ID list, at a size
// other than the small icon's 16: the icon the shell names is extracted at that size, with the shortcut
// arrow drawn over it where the shell would draw one. Where the shell names no file (icons made at run
// time), its large icon is drawn at the size.
UniqueIcon ShellIconAt(LPCWSTR target, UINT pidlFlag, int size) {
    SHFILEINFOW info{};
    if (::SHGetFileInfoW(target, 0, &info, sizeof info, pidlFlag | SHGFI_ICONLOCATION | SHGFI_ATTRIBUTES) &&
        info.szDisplayName[0] != L'\0') {
        const std::string location = Narrow(info.szDisplayName) + "," + std::to_string(info.iIcon);
        if (UniqueIcon icon = ExtractIconAt(location, size)) {
            if ((info.dwAttributes & SFGAO_LINK) && !ProgramSettings().HideLinkOverlay) {
                // Shell icon 29: the shortcut arrow.
                if (const UniqueIcon arrow = GetShellIcon(29, size))
                    icon = OverlayIcon(std::move(icon), arrow.Get());
            }
            return icon;
        }
    }
    info = {};
    if (ProgramSettings().HideLinkOverlay) {
        const auto list = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(target, 0, &info, sizeof info, pidlFlag | SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
        if (!list) return {};
        return AtSize(UniqueIcon(::ImageList_GetIcon(list, info.iIcon, ILD_TRANSPARENT)), size);
    }
    if (!::SHGetFileInfoW(target, 0, &info, sizeof info, pidlFlag | SHGFI_ICON | SHGFI_LARGEICON)) return {};
    return AtSize(UniqueIcon(info.hIcon), size);
}

// The shell answers for a file, folder or parsing name.
UniqueIcon ShellIconOf(const std::wstring& target, int size) {
    if (size != 16) return ShellIconAt(target.c_str(), 0, size);
    SHFILEINFOW info{};
    if (ProgramSettings().HideLinkOverlay) {
        // The image list's icon is the plain one; the shell's own icon would carry the shortcut arrow.
        // The system image list is shared and not destroyed.
        const auto list = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(target.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        if (!list) return {};
        return UniqueIcon(::ImageList_GetIcon(list, info.iIcon, ILD_TRANSPARENT));
    }
    // On failure Wine leaves whatever it likes in hIcon: the result decides.
    if (!::SHGetFileInfoW(target.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON)) return {};
    return UniqueIcon(info.hIcon);
}

} // namespace

UniqueIcon StockIcon(int kind, int size) {
    UniqueIcon icon;
    if (kind >= 0 && kind < kStockIconCount) {
        const TStockSource& source = kStockSources[static_cast<std::size_t>(kind)];
        icon = source.Resource ? ProgramIcon(source.Resource, size) : GetShellIcon(source.ShellIcon, size);
        if (icon && source.Cross) icon = MarkMissing(std::move(icon));
    }
    if (!icon) icon = ProgramIcon(L"L_UNDEF", size);
    return icon;
}

UniqueIcon ItemIcon(std::string_view customIcon, std::string_view cmd, const IdList& idList, int size) {
    if (!customIcon.empty()) {
        std::string file(customIcon);
        const int index = SplitIconLocation(file);
        // Written as the user or Windows writes it: "%SystemRoot%\system32\shell32.dll", perhaps quoted.
        file = ExpandEnvironment(UnquotedPath(file));
        // -1 is how an icon that could not be chosen was stored.
        if (index != -1) {
            if (UniqueIcon icon = ExtractIconAt(file + "," + std::to_string(index), size)) return icon;
        }
        return StockIcon(siUndef, size);
    }
    if (!cmd.empty()) return CommandIcon(cmd, size);
    if (idList.Present()) {
        const auto pidl = reinterpret_cast<LPCWSTR>(idList.Data());
        if (size != 16) {
            if (UniqueIcon icon = ShellIconAt(pidl, SHGFI_PIDL, size)) return icon;
            return StockIcon(siUndef, size);
        }
        SHFILEINFOW info{};
        // Wine writes into hIcon even when it fails: only the result counts.
        if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(idList.Data()), 0, &info, sizeof info,
                             SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON) &&
            info.hIcon)
            return UniqueIcon(info.hIcon);
        return StockIcon(siUndef);
    }
    return StockIcon(siNew, size);
}

UniqueIcon CommandIcon(std::string_view cmd, int size) {
    TCmd split = SplitCommandLine(cmd);
    // Started expanded (%USERPROFILE%\Documents\memo.txt), so shown expanded too.
    split.Path = ExpandEnvironment(split.Path);
    const TIconLookup lookup = CommandIconLookup(split);
    if (lookup.DialUp) return StockIcon(siDial, size);
    if (!lookup.Target.empty()) {
        if (UniqueIcon icon = ShellIconOf(Widen(lookup.Target), size)) return icon;
    }
    return FallbackIcon(lookup.Target, size);
}

UniqueIcon FallbackIcon(std::string_view text, int size) {
    if (const std::optional<std::string> scheme = UrlSchemeOf(text)) {
        if (UniqueIcon icon = GetURLProtocolIcon(*scheme, size)) return icon;
        return StockIcon(siUndef, size);
    }
    const std::wstring root = Widen(DrivePart(text) + "\\");
    const bool endsInBackslash = !text.empty() && text.back() == '\\';
    if (const std::optional<TStockIcon> kind = DriveStockIcon(::GetDriveTypeW(root.c_str()), endsInBackslash))
        return StockIcon(*kind, size);
    return StockIcon(siUndef, size);
}

UniqueIcon MarkMissing(UniqueIcon icon) {
    // The cross drawn for the icon's own size, so that it is not stretched from 16 pixels.
    const int side = IconSide(icon.Get());
    const UniqueIcon cross = ProgramIcon(L"L_X", side > 0 ? side : 16);
    if (!cross) return icon;
    return OverlayIcon(std::move(icon), cross.Get());
}

UniqueIcon OverlayIcon(UniqueIcon base, HICON top) {
    const std::optional<TIconBitmaps> baseBitmaps = IconBitmaps(base.Get());
    if (!baseBitmaps) return base;
    const std::optional<TIconBitmaps> topBitmaps = IconBitmaps(top);
    if (!topBitmaps) return base;
    const std::optional<TIconPixels> basePicture = ReadPicture(*baseBitmaps);
    const std::optional<TIconPixels> topPicture = ReadPicture(*topBitmaps);
    if (!basePicture || !topPicture) return base;
    UniqueIcon combined = MakeIcon(OverlayPixels(*basePicture, *topPicture));
    if (!combined) return base;
    return combined;
}

UniqueIcon GrayIcon(HICON icon) {
    if (!icon) return {};
    const std::optional<TIconBitmaps> bitmaps = IconBitmaps(icon);
    std::optional<TIconPixels> picture;
    if (bitmaps && bitmaps->Color) picture = ReadPicture(*bitmaps);
    if (picture) {
        GrayPixels(*picture);
        if (UniqueIcon gray = MakeIcon(*picture, bitmaps->Mask.Get())) return gray;
    }
    // A monochrome icon is gray already; anything unreadable stays as it is.
    return UniqueIcon(::CopyIcon(icon));
}

UniqueIcon MarkRunning(HICON icon) {
    if (!icon) return {};
    const std::optional<TIconBitmaps> bitmaps = IconBitmaps(icon);
    std::optional<TIconPixels> picture;
    if (bitmaps) picture = ReadPicture(*bitmaps);
    if (picture) {
        const TIconPixels mark = RunningMarkPixels(std::min(picture->Width, picture->Height));
        if (UniqueIcon marked = MakeIcon(OverlayPixels(*picture, mark))) return marked;
    }
    return UniqueIcon(::CopyIcon(icon));
}

} // namespace lodestar
