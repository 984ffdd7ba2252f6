// Rows of a dock: where the toolbars of one dock go, and which row a toolbar dropped on a dock joins.
// Pure geometry along the dock ("position", "length") and across it ("offset", "thickness"), in pixels.
#pragma once

#include <vector>

namespace lodestar {

struct TBarRequest {
    int Row = 0; // any number: rows are taken in order and numbered again from 0
    int Pos = 0;
    int Length = 0;
    int Thickness = 0;
};

struct TBarPlace {
    int Row = 0;
    int Pos = 0;
    int Offset = 0; // of its row, from the dock's start across
};

struct TDockRows {
    std::vector<TBarPlace> Bars; // in the order of the requests
    std::vector<int> RowOffsets;
    std::vector<int> RowThickness;
    int Thickness = 0; // of the whole dock; 0 when it holds no bar
};

// Rows keep their order and lose their gaps; in a row, bars keep the order of their positions (ties: the
// order of the requests), are pushed apart where they overlap and back inside the dock where they fit.
TDockRows LayoutDockRows(const std::vector<TBarRequest>& bars, int dockLength);

// The row a bar dropped at `cross` (pixels across from the dock's start) joins: an existing row, or -1 for
// a new row before the first, or the row count for a new row after the last. A new row opens only on the
// dock's inner side (after its rows for the top and left docks, before them for the bottom and right ones);
// beyond the outer side the bar joins the outermost row.
int DropRow(const TDockRows& rows, int cross, bool innerSideAfter);

} // namespace lodestar
