// Where the folder browser and the management dialogs appear, and which flags the folder browser gets:
// plain rectangle arithmetic and option sets, so that the rules hold the same on every screen layout.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace lodestar {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// The folder the browser starts on, and the root of its tree: a special folder, or the manual kind for
// a path or parsing name given as text.
enum TSelectFolder : std::uint8_t {
    sfDesktop,
    sfManual,
    sfDrives,
    sfDesktopDir,
    sfFavorites,
    sfPrograms,
    sfRecent,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates
};
enum TRootFolder : std::uint8_t {
    rfDesktop,
    rfManual,
    rfDrives,
    rfDesktopDir,
    rfFavorites,
    rfPrograms,
    rfRecent,
    rfSendTo,
    rfStartMenu,
    rfStartup,
    rfTemplates,
    rfControls
};

// The shell's special-folder number (CSIDL) of each kind; the manual kinds fall back to the desktop (0).
int SpecialFolderId(TSelectFolder folder);
int SpecialFolderId(TRootFolder folder);

// Options of the folder browser, in the order in which their flags are collected.
enum TSHBrowseOption : std::uint8_t {
    sboDontGoBelowDomain,
    sboReturnFSAncestors,
    sboReturnOnlyFSDirs,
    sboStatusTextAndShowPath, // status line that always shows the selected path
    sboStatusText,
    sboBrowseIncludeFiles
};
using TSHBrowseOptions = std::set<TSHBrowseOption>;

struct TBrowseFlags {
    std::uint32_t Flags = 0; // BIF_* values
    bool ShowPath = false;   // the status line shows the selected path, whatever the event says
    friend bool operator==(const TBrowseFlags&, const TBrowseFlags&) = default;
};

// The OR of the options' flags in option order. sboStatusTextAndShowPath ends the collection: the
// options after it add nothing.
TBrowseFlags BrowseFlags(const TSHBrowseOptions& options);

// The browser window's top-left corner on the screen when it is centred: a half of the work area's spare
// width to the left, a third of its spare height above, counted from the screen's corner. A window larger
// than the work area, or a work area that starts after a left or top taskbar, never puts the corner before
// the work area's own: the caption stays reachable.
TPoint CenterScreenPosition(const TRect& workArea, int width, int height);

// The edge of the screen that the taskbar stands on, numbered as the shell numbers them (ABE_*).
enum TTaskbarEdge : std::uint8_t { teLeft = 0, teTop = 1, teRight = 2, teBottom = 3 };

struct TTaskbar {
    TRect Bounds;
    TTaskbarEdge Edge = teBottom;
    bool AutoHide = false;
};

// The screen without the taskbar's strip on the edge where it stands; a taskbar that hides itself takes
// nothing away.
TRect WorkAreaWithout(const TRect& screen, const TTaskbar& taskbar);

// One display as the system reports it: its whole rectangle and the part that its taskbars and other
// desktop bars leave free, in the coordinates of the whole desktop (negative left of or above the primary).
struct TMonitor {
    TRect Bounds;
    TRect WorkArea;
};

// The work area that a dialog opened at `at` is kept inside: that of the display holding the point, or of
// the nearest display when the point lies on none. The display the taskbar stands on loses the taskbar's
// strip unless it hides itself, as WorkAreaWithout cuts it; any other keeps the work area the system
// gives it. Without a taskbar the whole display; an empty rectangle when there is no display at all.
TRect WorkAreaAt(const std::vector<TMonitor>& monitors, TPoint at, const std::optional<TTaskbar>& taskbar);

// A dialog's top-left corner: at its owner's client origin, moved up and left so that it ends inside the
// work area, then down and right so that it starts inside it (a dialog larger than the work area keeps
// its top-left corner visible).
TPoint PlaceDialogPosition(const TRect& workArea, TPoint ownerClientOrigin, int width, int height);

// Where a dialog that remembers its own place opens: at the stored left and top, or centred on the
// screen for a missing one (half the spare width and height, remainders dropped), then pulled back: a
// negative coordinate becomes 0, an edge beyond the screen's moves the dialog back to end on it. A dialog
// larger than the screen keeps its top-left corner on the screen, so that its caption stays in reach.
TPoint RememberedDialogPosition(const TRect& screen, std::optional<int> left, std::optional<int> top,
                                int width, int height);

} // namespace lodestar
