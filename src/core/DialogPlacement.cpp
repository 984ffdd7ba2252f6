#include "DialogPlacement.h"

#include <algorithm>

namespace lodestar {

namespace {

// CSIDL values, spelled here because the core sees no Windows header.
constexpr int kDesktop = 0x00;
constexpr int kPrograms = 0x02;
constexpr int kControls = 0x03;
constexpr int kFavorites = 0x06;
constexpr int kStartup = 0x07;
constexpr int kRecent = 0x08;
constexpr int kSendTo = 0x09;
constexpr int kStartMenu = 0x0B;
constexpr int kDesktopDirectory = 0x10;
constexpr int kDrives = 0x11;
constexpr int kTemplates = 0x15;

// BIF_* values.
constexpr std::uint32_t kReturnOnlyFSDirs = 0x0001;
constexpr std::uint32_t kDontGoBelowDomain = 0x0002;
constexpr std::uint32_t kStatusText = 0x0004;
constexpr std::uint32_t kReturnFSAncestors = 0x0008;
constexpr std::uint32_t kBrowseIncludeFiles = 0x4000;

} // namespace

int SpecialFolderId(TSelectFolder folder) {
    switch (folder) {
    case sfDrives:
        return kDrives;
    case sfDesktopDir:
        return kDesktopDirectory;
    case sfFavorites:
        return kFavorites;
    case sfPrograms:
        return kPrograms;
    case sfRecent:
        return kRecent;
    case sfSendTo:
        return kSendTo;
    case sfStartMenu:
        return kStartMenu;
    case sfStartup:
        return kStartup;
    case sfTemplates:
        return kTemplates;
    case sfDesktop:
    case sfManual:
        break;
    }
    return kDesktop;
}

int SpecialFolderId(TRootFolder folder) {
    switch (folder) {
    case rfDrives:
        return kDrives;
    case rfDesktopDir:
        return kDesktopDirectory;
    case rfFavorites:
        return kFavorites;
    case rfPrograms:
        return kPrograms;
    case rfRecent:
        return kRecent;
    case rfSendTo:
        return kSendTo;
    case rfStartMenu:
        return kStartMenu;
    case rfStartup:
        return kStartup;
    case rfTemplates:
        return kTemplates;
    case rfControls:
        return kControls;
    case rfDesktop:
    case rfManual:
        break;
    }
    return kDesktop;
}

TBrowseFlags BrowseFlags(const TSHBrowseOptions& options) {
    TBrowseFlags result;
    for (const TSHBrowseOption option : options) { // a std::set visits its options in option order
        switch (option) {
        case sboDontGoBelowDomain:
            result.Flags |= kDontGoBelowDomain;
            break;
        case sboReturnFSAncestors:
            result.Flags |= kReturnFSAncestors;
            break;
        case sboReturnOnlyFSDirs:
            result.Flags |= kReturnOnlyFSDirs;
            break;
        case sboStatusTextAndShowPath:
            result.Flags |= kStatusText;
            result.ShowPath = true;
            return result;
        case sboStatusText:
            result.Flags |= kStatusText;
            break;
        case sboBrowseIncludeFiles:
            result.Flags |= kBrowseIncludeFiles;
            break;
        }
    }
    return result;
}

TPoint CenterScreenPosition(const TRect& workArea, int width, int height) {
    const int x = (workArea.Width() - width) / 2;
    const int y = (workArea.Height() - height) / 3;
    return {std::max(x, workArea.Left), std::max(y, workArea.Top)};
}

TRect WorkAreaWithout(const TRect& screen, const TTaskbar& taskbar) {
    TRect area = screen;
    if (taskbar.AutoHide) return area;
    switch (taskbar.Edge) {
    case teLeft:
        area.Left = taskbar.Bounds.Right;
        break;
    case teTop:
        area.Top = taskbar.Bounds.Bottom;
        break;
    case teRight:
        area.Right = taskbar.Bounds.Left;
        break;
    case teBottom:
        area.Bottom = taskbar.Bounds.Top;
        break;
    }
    return area;
}

namespace {
bool Holds(const TRect& r, TPoint p) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
// Squared, so that nothing is rounded; in 64 bits, so that far-off points cannot overflow.
long long DistanceSquared(const TRect& r, TPoint p) {
    const long long dx = p.X < r.Left ? r.Left - p.X : p.X >= r.Right ? p.X - (r.Right - 1) : 0;
    const long long dy = p.Y < r.Top ? r.Top - p.Y : p.Y >= r.Bottom ? p.Y - (r.Bottom - 1) : 0;
    return dx * dx + dy * dy;
}
} // namespace

TRect WorkAreaAt(const std::vector<TMonitor>& monitors, TPoint at, const std::optional<TTaskbar>& taskbar) {
    const TMonitor* chosen = nullptr;
    for (const TMonitor& m : monitors) {
        if (Holds(m.Bounds, at)) {
            chosen = &m;
            break;
        }
        if (!chosen || DistanceSquared(m.Bounds, at) < DistanceSquared(chosen->Bounds, at)) chosen = &m;
    }
    if (!chosen) return {};
    if (!taskbar) return chosen->Bounds;
    const TRect& bar = taskbar->Bounds;
    if (Holds(chosen->Bounds, {bar.Left + bar.Width() / 2, bar.Top + bar.Height() / 2}))
        return WorkAreaWithout(chosen->Bounds, *taskbar);
    const TRect& work = chosen->WorkArea;
    return work.Width() > 0 && work.Height() > 0 ? work : chosen->Bounds;
}

TPoint PlaceDialogPosition(const TRect& workArea, TPoint ownerClientOrigin, int width, int height) {
    TPoint p = ownerClientOrigin;
    if (p.Y + height > workArea.Bottom) p.Y = workArea.Bottom - height;
    if (p.X + width > workArea.Right) p.X = workArea.Right - width;
    if (p.Y < workArea.Top) p.Y = workArea.Top;
    if (p.X < workArea.Left) p.X = workArea.Left;
    return p;
}

namespace {
int PulledBack(int start, int size, int screenStart, int screenEnd) {
    if (start < screenStart)
        start = screenStart;
    else if (start + size > screenEnd)
        start = screenEnd - size;
    return std::max(start, screenStart);
}
} // namespace

TPoint RememberedDialogPosition(const TRect& screen, std::optional<int> left, std::optional<int> top,
                                int width, int height) {
    const int x = left.value_or(screen.Left + screen.Width() / 2 - width / 2);
    const int y = top.value_or(screen.Top + screen.Height() / 2 - height / 2);
    return {PulledBack(x, width, screen.Left, screen.Right),
            PulledBack(y, height, screen.Top, screen.Bottom)};
}

} // namespace lodestar
