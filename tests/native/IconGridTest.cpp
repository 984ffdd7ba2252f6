#include "IconGrid.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace lodestar;

namespace {

// The picker's grid: 198 pixels high, 337 wide with a 2-pixel border, so 333 pixels of cells side by side.
TIconGridLayout PickerGrid(int icons, bool large = false) {
    TIconGridLayout grid(198, 16, 333);
    grid.SetLargeView(large);
    grid.SetIconCount(icons);
    return grid;
}

std::string At(TGridCell cell) {
    return "(" + std::to_string(cell.Col) + "," + std::to_string(cell.Row) + ")";
}

} // namespace

TEST(IconGridLayout, RowsAndColumnsFollowHeightCellSizeAndCount) {
    const struct {
        int Height;
        int ScrollBar;
        bool Large;
        int Icons;
        int Rows;
        int Cols;
    } cases[] = {
        {198, 16, false, 15, 7, 3},                              // 7, 7 and 1 icons
        {198, 16, true, 15, 4, 4},                               // 4, 4, 4 and 3
        {198, 16, false, 14, 7, 2},                              // no remainder, no extra column
        {198, 16, false, 1, 7, 1},    {198, 16, false, 0, 7, 1}, // an empty grid still has its one column
        {198, 16, false, 184, 7, 27}, {198, 16, true, 184, 4, 46},
        {198, 17, false, 15, 7, 3}, // (198 - 17 - 4) div 24 = 7
        {198, 22, true, 15, 4, 4},  // (198 - 22 - 4) div 42 = 4
        {200, 16, false, 15, 7, 3},   {202, 16, false, 15, 7, 3},
        {206, 16, false, 15, 7, 3}, // 186 div 24 = 7
        {212, 16, false, 15, 8, 2}, // 192 div 24 = 8
        {66, 16, false, 15, 1, 15}, // 46 div 24 = 1
        {40, 16, true, 3, 1, 3},    // smaller than one cell: one row, not none
        {0, 16, false, 3, 1, 3},
    };
    for (const auto& c : cases) {
        TIconGridLayout grid(c.Height, c.ScrollBar, 333);
        grid.SetLargeView(c.Large);
        grid.SetIconCount(c.Icons);
        const std::string context = std::to_string(c.Height) + "/" + std::to_string(c.ScrollBar) +
                                    (c.Large ? " large " : " normal ") + std::to_string(c.Icons);
        EXPECT_EQ(grid.Rows(), c.Rows) << context;
        EXPECT_EQ(grid.Cols(), c.Cols) << context;
        EXPECT_EQ(grid.CellSize(), c.Large ? 42 : 24) << context;
        EXPECT_EQ(grid.Current(), (TGridCell{0, 0})) << context;
    }
}

TEST(IconGridLayout, OnlyCellsWithIconsCanBecomeCurrent) {
    const struct {
        int Icons;
        TGridCell Cell;
        bool Selectable;
    } cases[] = {
        {15, {0, 0}, true},   {15, {1, 6}, true},   {15, {2, 0}, true},  // icon 14, the last
        {15, {2, 1}, false},  {15, {2, 6}, false},  {15, {3, 0}, false}, // blank cells after the last icon
        {15, {0, 7}, false},                                             // below the last row
        {15, {-1, 0}, false}, {15, {0, -1}, false}, {0, {0, 0}, false},  // an empty grid has no icon cell
        {1, {0, 0}, true},    {14, {1, 6}, true},   {14, {2, 0}, false},
    };
    for (const auto& c : cases) {
        TIconGridLayout grid = PickerGrid(c.Icons);
        const std::string context = std::to_string(c.Icons) + " icons, cell " + At(c.Cell);
        EXPECT_EQ(grid.CanSelect(c.Cell), c.Selectable) << context;
        EXPECT_EQ(grid.Select(c.Cell), c.Selectable) << context;
        EXPECT_EQ(grid.Current(), c.Selectable ? c.Cell : TGridCell{}) << context;
    }
}

TEST(IconGridLayout, IconIndexSelectsItsCellInEitherView) {
    const struct {
        int Icons;
        int Index;
        bool Large;
        bool Selected;
        TGridCell Cell;
    } cases[] = {
        {15, 9, false, true, {1, 2}},    {15, 9, true, true, {2, 1}},      {15, 14, false, true, {2, 0}},
        {15, 14, true, true, {3, 2}},    {15, 15, false, false, {0, 0}},   {15, -1, false, false, {0, 0}},
        {15, -154, true, false, {0, 0}}, // a resource id taken over from a shortcut
        {0, 0, false, false, {0, 0}},    {184, 183, false, true, {26, 1}},
    };
    for (const auto& c : cases) {
        TIconGridLayout grid = PickerGrid(c.Icons, c.Large);
        const std::string context = std::to_string(c.Icons) + " icons, index " + std::to_string(c.Index);
        EXPECT_EQ(grid.SelectIndex(c.Index), c.Selected) << context;
        EXPECT_EQ(grid.Current(), c.Cell) << context;
    }
}

TEST(IconGridLayout, SwitchingTheViewKeepsTheCurrentIcon) {
    TIconGridLayout grid = PickerGrid(15);
    ASSERT_TRUE(grid.SelectIndex(9));
    ASSERT_EQ(grid.Current(), (TGridCell{1, 2}));
    const struct {
        bool Large;
        TGridCell Cell;
        int Rows;
        int Cols;
    } steps[] = {
        {true, {2, 1}, 4, 4},
        {true, {2, 1}, 4, 4}, // the same view again changes nothing
        {false, {1, 2}, 7, 3},
        {true, {2, 1}, 4, 4},
    };
    for (const auto& step : steps) {
        grid.SetLargeView(step.Large);
        EXPECT_EQ(grid.LargeView(), step.Large);
        EXPECT_EQ(grid.Current(), step.Cell) << step.Large;
        EXPECT_EQ(grid.CurrentIndex(), 9) << step.Large;
        EXPECT_EQ(grid.Rows(), step.Rows) << step.Large;
        EXPECT_EQ(grid.Cols(), step.Cols) << step.Large;
    }
    // New icons start again at the first cell, in the view chosen.
    grid.SetIconCount(40);
    EXPECT_TRUE(grid.LargeView());
    EXPECT_EQ(grid.Current(), (TGridCell{0, 0}));
    EXPECT_EQ(grid.Cols(), 10);
}

TEST(IconGridLayout, KeysMoveWithinTheIcons) {
    using enum TGridMove;
    const struct {
        int Icons;
        int From;
        TGridMove Move;
        int To;
    } cases[] = {
        // 15 icons in 7 rows: columns of 7, 7 and 1.
        {15, 0, gmRight, 7},
        {15, 7, gmRight, 14},
        {15, 14, gmRight, 14}, // no column after the last
        {15, 13, gmRight, 13}, // the cell to the right is blank
        {15, 8, gmRight, 8},
        {15, 7, gmLeft, 0},
        {15, 2, gmLeft, 2},
        {15, 0, gmDown, 1},
        {15, 6, gmDown, 6}, // no row below the last
        {15, 14, gmDown, 14},
        {15, 13, gmDown, 13}, // the next column is not entered
        {15, 8, gmUp, 7},
        {15, 7, gmUp, 7}, // nor the previous one
        {15, 9, gmFirst, 0},
        {15, 9, gmLast, 14},
        {15, 3, gmPageRight, 14}, // the page would leave the icons: the last one
        {15, 10, gmPageLeft, 3},
        // 184 icons, 13 columns in view: a page is 13 columns.
        {184, 2, gmPageRight, 93},
        {184, 93, gmPageLeft, 2},
        {184, 180, gmPageRight, 183},
        {184, 181, gmPageRight, 183},
        {184, 170, gmPageRight, 183}, // column 24 + 13 is beyond the last column
        {184, 173, gmPageLeft, 82},
        {184, 40, gmPageLeft, 5},
        {184, 183, gmRight, 183},
        {1, 0, gmRight, 0},
        {1, 0, gmLast, 0},
    };
    for (const auto& c : cases) {
        TIconGridLayout grid = PickerGrid(c.Icons);
        ASSERT_TRUE(grid.SelectIndex(c.From));
        const std::string context = std::to_string(c.Icons) + " icons, from " + std::to_string(c.From) +
                                    " move " + std::to_string(static_cast<int>(c.Move));
        EXPECT_EQ(grid.Move(c.Move), c.To != c.From) << context;
        EXPECT_EQ(grid.CurrentIndex(), c.To) << context;
    }
    TIconGridLayout empty = PickerGrid(0);
    for (const TGridMove move : {gmRight, gmDown, gmLast, gmPageRight})
        EXPECT_FALSE(empty.Move(move));
    EXPECT_EQ(empty.Current(), (TGridCell{0, 0}));
}

TEST(IconGridLayout, ScrollingKeepsTheCurrentColumnInView) {
    // 184 icons: 27 columns of which 13 fit into 333 pixels, so the grid scrolls up to column 14.
    TIconGridLayout grid = PickerGrid(184);
    EXPECT_EQ(grid.VisibleCols(), 13);
    EXPECT_EQ(grid.MaxLeftCol(), 14);
    const struct {
        int Select;
        int LeftCol;
    } selections[] = {
        {0, 0}, {12 * 7, 0}, {13 * 7, 1}, {183, 14}, {15 * 7, 14}, {13 * 7, 13}, {0, 0},
    };
    for (const auto& s : selections) {
        ASSERT_TRUE(grid.SelectIndex(s.Select));
        EXPECT_EQ(grid.LeftCol(), s.LeftCol) << s.Select;
    }
    // The scroll bar moves the view, not the current cell.
    const struct {
        int To;
        int LeftCol;
        bool Moved;
    } scrolls[] = {{5, 5, true}, {5, 5, false}, {100, 14, true}, {-3, 0, true}, {14, 14, true}};
    for (const auto& s : scrolls) {
        EXPECT_EQ(grid.ScrollTo(s.To), s.Moved) << s.To;
        EXPECT_EQ(grid.LeftCol(), s.LeftCol) << s.To;
        EXPECT_EQ(grid.CurrentIndex(), 0) << s.To;
    }
    // The large view holds fewer columns; the current icon is scrolled into it.
    ASSERT_TRUE(grid.SelectIndex(100)); // column 14 of 7 rows
    grid.SetLargeView(true);            // column 25 of 4 rows
    EXPECT_EQ(grid.VisibleCols(), 7);
    EXPECT_EQ(grid.Current(), (TGridCell{25, 0}));
    EXPECT_EQ(grid.LeftCol(), 19);
    EXPECT_EQ(grid.MaxLeftCol(), 39);
    // A wider grid shows more columns and scrolls less far.
    grid.Resize(198, 1000);
    EXPECT_EQ(grid.VisibleCols(), 23);
    EXPECT_EQ(grid.LeftCol(), 19);
    EXPECT_EQ(grid.MaxLeftCol(), 23);
    EXPECT_EQ(grid.CurrentIndex(), 100);
    // New icons scroll back to the start.
    grid.SetIconCount(184);
    EXPECT_EQ(grid.LeftCol(), 0);
}

TEST(IconGridLayout, PointsFindTheirCellsInTheScrolledGrid) {
    TIconGridLayout grid = PickerGrid(184);
    ASSERT_TRUE(grid.ScrollTo(3));
    const struct {
        int X;
        int Y;
        std::optional<TGridCell> Cell;
    } cases[] = {
        {0, 0, TGridCell{3, 0}},    {23, 23, TGridCell{3, 0}},    {24, 0, TGridCell{4, 0}},
        {100, 50, TGridCell{7, 2}}, {332, 167, TGridCell{16, 6}}, // the partly shown column at the right
        {10, 168, std::nullopt},                                  // below the seventh row
        {-1, 10, std::nullopt},     {10, -1, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<TGridCell> cell = grid.CellAt(c.X, c.Y);
        const std::string context = std::to_string(c.X) + "," + std::to_string(c.Y);
        ASSERT_EQ(cell.has_value(), c.Cell.has_value()) << context;
        if (cell) {
            EXPECT_EQ(*cell, *c.Cell) << context << " gave " << At(*cell);
        }
    }
    EXPECT_EQ(grid.ColLeft(3), 0);
    EXPECT_EQ(grid.ColLeft(5), 48);
    EXPECT_EQ(grid.ColLeft(1), -48);
    // Past the last column there are no cells, only background.
    TIconGridLayout few = PickerGrid(15);
    EXPECT_EQ(few.CellAt(71, 0), (std::optional<TGridCell>{TGridCell{2, 0}}));
    EXPECT_EQ(few.CellAt(72, 0), std::nullopt);
    EXPECT_EQ(few.CellAt(50, 30), (std::optional<TGridCell>{TGridCell{2, 1}})); // blank, but a cell
}
