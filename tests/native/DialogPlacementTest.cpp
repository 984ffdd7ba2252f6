#include "DialogPlacement.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace lodestar;

TEST(BrowseFlags, CollectedInOptionOrderUntilTheShowPathOption) {
    struct Case {
        TSHBrowseOptions options;
        TBrowseFlags flags;
    } cases[] = {
        {{sboReturnOnlyFSDirs}, {0x1, false}}, // the component's default
        {{}, {0x0, false}},
        {{sboReturnOnlyFSDirs, sboStatusTextAndShowPath, sboStatusText}, {0x1 | 0x4, true}},
        {{sboStatusTextAndShowPath, sboBrowseIncludeFiles}, {0x4, true}},
        {{sboStatusText, sboBrowseIncludeFiles}, {0x4 | 0x4000, false}},
        {{sboDontGoBelowDomain, sboReturnFSAncestors}, {0x2 | 0x8, false}},
        // the options before the show-path option all count
        {{sboDontGoBelowDomain, sboReturnFSAncestors, sboReturnOnlyFSDirs, sboStatusTextAndShowPath},
         {0x2 | 0x8 | 0x1 | 0x4, true}},
        {{sboDontGoBelowDomain, sboReturnFSAncestors, sboReturnOnlyFSDirs, sboStatusText,
          sboBrowseIncludeFiles},
         {0x2 | 0x8 | 0x1 | 0x4 | 0x4000, false}},
        {{sboBrowseIncludeFiles, sboReturnOnlyFSDirs}, {0x4001, false}}, // the set's order, not the writing
    };
    for (const Case& c : cases) {
        const TBrowseFlags flags = BrowseFlags(c.options);
        EXPECT_EQ(flags.Flags, c.flags.Flags) << "options " << c.options.size();
        EXPECT_EQ(flags.ShowPath, c.flags.ShowPath) << "flags " << c.flags.Flags;
    }
}

TEST(SpecialFolderId, ManualKindsFallBackToTheDesktop) {
    const std::pair<TSelectFolder, int> selections[] = {
        {sfDesktop, 0},    {sfManual, 0},   {sfDrives, 17},    {sfDesktopDir, 16},
        {sfFavorites, 6},  {sfPrograms, 2}, {sfRecent, 8},     {sfSendTo, 9},
        {sfStartMenu, 11}, {sfStartup, 7},  {sfTemplates, 21},
    };
    for (const auto& [folder, id] : selections)
        EXPECT_EQ(SpecialFolderId(folder), id) << "select folder " << int(folder);
    const std::pair<TRootFolder, int> roots[] = {
        {rfDesktop, 0},    {rfManual, 0},   {rfDrives, 17},    {rfDesktopDir, 16},
        {rfFavorites, 6},  {rfPrograms, 2}, {rfRecent, 8},     {rfSendTo, 9},
        {rfStartMenu, 11}, {rfStartup, 7},  {rfTemplates, 21}, {rfControls, 3},
    };
    for (const auto& [folder, id] : roots)
        EXPECT_EQ(SpecialFolderId(folder), id) << "root folder " << int(folder);
}

TEST(CenterScreenPosition, HalfTheSpareWidthAndAThirdOfTheSpareHeight) {
    struct Case {
        TRect workArea;
        int width, height;
        TPoint position;
    } cases[] = {
        {{0, 0, 1024, 738}, 300, 400, {362, 112}}, // 1024x768 with a 30-pixel bottom taskbar
        {{0, 0, 1024, 768}, 300, 400, {362, 122}},
        {{0, 0, 1024, 738}, 301, 401, {361, 112}}, // remainders are dropped
        {{0, 0, 1024, 738}, 1024, 738, {0, 0}},
        // measured from the screen's corner, not the work area's ...
        {{0, 30, 1024, 768}, 300, 400, {362, 112}},
        {{100, 0, 1024, 768}, 300, 400, {312, 122}},
        // ... but never before the work area's corner
        {{0, 0, 1024, 738}, 1100, 800, {0, 0}},
        {{0, 30, 1024, 768}, 300, 700, {362, 30}},
        {{100, 0, 1024, 768}, 900, 400, {100, 122}},
    };
    for (const Case& c : cases) {
        const TPoint p = CenterScreenPosition(c.workArea, c.width, c.height);
        EXPECT_EQ(p, c.position) << c.width << "x" << c.height << " at (" << p.X << ", " << p.Y << ")";
    }
}

TEST(WorkAreaWithout, CutsTheTaskbarAwayOnItsEdgeUnlessItHides) {
    const TRect screen{0, 0, 1024, 768};
    struct Case {
        TTaskbar taskbar;
        TRect area;
    } cases[] = {
        {{{0, 738, 1024, 768}, teBottom, false}, {0, 0, 1024, 738}},
        {{{0, 0, 1024, 30}, teTop, false}, {0, 30, 1024, 768}},
        {{{0, 0, 60, 768}, teLeft, false}, {60, 0, 1024, 768}},
        {{{964, 0, 1024, 768}, teRight, false}, {0, 0, 964, 768}},
        {{{0, 738, 1024, 768}, teBottom, true}, screen},
        {{{0, 0, 60, 768}, teLeft, true}, screen},
        // a taskbar pushed partly off the screen cuts only what is left of it
        {{{-2, 766, 1026, 798}, teBottom, false}, {0, 0, 1024, 766}},
    };
    for (const Case& c : cases) {
        const TRect area = WorkAreaWithout(screen, c.taskbar);
        EXPECT_EQ(area, c.area) << "edge " << int(c.taskbar.Edge) << " auto-hide " << c.taskbar.AutoHide
                                << ": (" << area.Left << ", " << area.Top << ", " << area.Right << ", "
                                << area.Bottom << ")";
    }
}

// The primary display with a bottom taskbar, and a second one left of and above it with a taskbar of its
// own.
const TMonitor kPrimary{{0, 0, 1024, 768}, {0, 0, 1024, 738}};
const TMonitor kUpperLeft{{-1280, -1024, 0, 0}, {-1280, -1024, 0, -40}};
const std::vector<TMonitor> kDisplays{kPrimary, kUpperLeft};
const TTaskbar kBottomBar{{0, 738, 1024, 768}, teBottom, false};

TEST(WorkAreaAt, TheDisplayHoldingOrNearestThePointWithoutItsTaskbar) {
    struct Case {
        std::string what;
        TPoint at;
        std::optional<TTaskbar> taskbar;
        TRect area;
    } cases[] = {
        {"primary", {100, 80}, kBottomBar, {0, 0, 1024, 738}},
        {"upper left display", {-500, -400}, kBottomBar, kUpperLeft.WorkArea},
        {"off every display, nearest the upper left one", {-1400, -1100}, kBottomBar, kUpperLeft.WorkArea},
        {"below the upper left one, nearest the primary", {-100, 300}, kBottomBar, {0, 0, 1024, 738}},
        {"taskbar hides itself", {100, 80}, TTaskbar{kBottomBar.Bounds, teBottom, true}, kPrimary.Bounds},
        {"taskbar moved",
         {-500, -400},
         TTaskbar{{-1280, -30, 0, 0}, teBottom, false},
         {-1280, -1024, 0, -30}},
        {"no taskbar", {-500, -400}, std::nullopt, kUpperLeft.Bounds},
    };
    for (const Case& c : cases) {
        const TRect area = WorkAreaAt(kDisplays, c.at, c.taskbar);
        EXPECT_EQ(area, c.area) << c.what << ": (" << area.Left << ", " << area.Top << ", " << area.Right
                                << ", " << area.Bottom << ")";
    }
}

TEST(PlaceDialogPosition, AtTheOwnerThenInsideTheWorkArea) {
    const TRect screen{0, 0, 1024, 768};
    const TRect bottomBar = WorkAreaWithout(screen, {{0, 738, 1024, 768}, teBottom, false});
    const TRect topBar = WorkAreaWithout(screen, {{0, 0, 1024, 30}, teTop, false});
    const TRect leftBar = WorkAreaWithout(screen, {{0, 0, 60, 768}, teLeft, false});
    const TRect rightBar = WorkAreaWithout(screen, {{964, 0, 1024, 768}, teRight, false});
    const TRect upperLeft = WorkAreaAt(kDisplays, {-500, -400}, kBottomBar);
    struct Case {
        std::string what;
        TRect workArea;
        TPoint origin;
        int width, height;
        TPoint position;
    } cases[] = {
        {"fits: stays at the owner", bottomBar, {100, 80}, 400, 300, {100, 80}},
        {"beyond bottom and right", bottomBar, {900, 600}, 400, 300, {624, 438}},
        {"ends exactly at the taskbar", bottomBar, {624, 438}, 400, 300, {624, 438}},
        {"one pixel into the taskbar", bottomBar, {0, 439}, 400, 300, {0, 438}},
        {"right taskbar", rightBar, {900, 600}, 400, 300, {564, 468}},
        {"left taskbar: owner partly behind it", leftBar, {20, 100}, 400, 300, {60, 100}},
        {"top taskbar: owner above the work area", topBar, {200, 10}, 400, 300, {200, 30}},
        {"owner off the screen to the top left", screen, {-300, -200}, 400, 300, {0, 0}},
        // taller and wider than the work area: moved up and left first, then back to its corner
        {"larger than the work area", bottomBar, {500, 500}, 1200, 900, {0, 0}},
        {"larger, top taskbar", topBar, {500, 500}, 1200, 900, {0, 30}},
        {"larger, left taskbar", leftBar, {500, 500}, 1200, 900, {60, 0}},
        {"owner on the upper left display", upperLeft, {-500, -400}, 400, 300, {-500, -400}},
        {"beyond that display's taskbar", upperLeft, {-100, -100}, 400, 300, {-400, -340}},
    };
    for (const Case& c : cases) {
        const TPoint p = PlaceDialogPosition(c.workArea, c.origin, c.width, c.height);
        EXPECT_EQ(p, c.position) << c.what << ": (" << p.X << ", " << p.Y << ")";
    }
}

TEST(RememberedDialogPosition, StoredPlaceOnTheScreenElseCentred) {
    const TRect screen{0, 0, 1024, 768};
    const int width = 493, height = 373;
    struct Case {
        std::string what;
        std::optional<int> left, top;
        TPoint position;
    } cases[] = {
        {"stored and on the screen", 100, 50, {100, 50}},
        {"ends exactly at the screen's edges", 1024 - width, 768 - height, {531, 395}},
        {"missing: centred, remainders dropped", std::nullopt, std::nullopt, {266, 198}},
        {"only the top missing", 10, std::nullopt, {10, 198}},
        {"negative: to the edge", -300, -40, {0, 0}},
        {"beyond the right and bottom: moved back", 5000, 700, {531, 395}},
        {"beyond the right, above the top", 5000, -40, {531, 0}},
        {"one pixel over the right edge", 532, 0, {531, 0}},
    };
    for (const Case& c : cases) {
        const TPoint p = RememberedDialogPosition(screen, c.left, c.top, width, height);
        EXPECT_EQ(p, c.position) << c.what << ": (" << p.X << ", " << p.Y << ")";
    }
    // A place stored on a display left of and above the primary stays there.
    const TRect upperLeft = WorkAreaAt(kDisplays, {-900, -700}, kBottomBar);
    EXPECT_EQ(RememberedDialogPosition(upperLeft, -900, -700, width, height), (TPoint{-900, -700}));
    EXPECT_EQ(RememberedDialogPosition(upperLeft, -100, -100, width, height), (TPoint{-493, -413}));
    EXPECT_EQ(RememberedDialogPosition(upperLeft, std::nullopt, std::nullopt, width, height),
              (TPoint{-886, -718}));
    // Larger than the screen: the caption and the system menu stay on it.
    EXPECT_EQ(RememberedDialogPosition({0, 0, 400, 300}, 50, 50, width, height), (TPoint{0, 0}));
    EXPECT_EQ(RememberedDialogPosition({0, 0, 400, 300}, std::nullopt, std::nullopt, width, height),
              (TPoint{0, 0}));
}
