// Geometry of the icon picker's grid. Icons fill the grid column by column: icon k sits in column
// k div rows, row k mod rows. The grid scrolls horizontally only, so the number of rows follows from its
// height and the cell size, and there are as many columns as the icons need (at least one). Only cells that
// hold an icon can become current. All sizes are pixels.
#pragma once

#include <optional>

namespace lodestar {

inline constexpr int kIconCellNormal = 24;
inline constexpr int kIconCellLarge = 42;
// The grid's sunken border, two pixels on each side.
inline constexpr int kIconGridBorder = 4;

struct TGridCell {
    int Col = 0;
    int Row = 0;
    friend bool operator==(const TGridCell&, const TGridCell&) = default;
};

enum class TGridMove { gmLeft, gmRight, gmUp, gmDown, gmPageLeft, gmPageRight, gmFirst, gmLast };

class TIconGridLayout {
public:
    // `gridHeight` is the height of the whole grid window, border and scroll bar included.
    explicit TIconGridLayout(int gridHeight = 198, int scrollBarHeight = 16, int clientWidth = 333);

    // The cells are 24 and 42 pixels at 96 dpi and grow with the display scale, rounded to the nearest
    // pixel (36 and 63 at 144 dpi); the current icon stays current.
    void SetDpi(int dpi, int scrollBarHeight);
    int Dpi() const { return dpi_; }

    // Rows that fit below each other: (grid height - scroll bar height - border) div cell size, but at
    // least one, so that a grid squeezed smaller than a cell still places every icon.
    static int RowsFor(int gridHeight, int scrollBarHeight, int cellSize);
    // Columns for `count` icons in `rows` rows: count div rows, one more for a remainder, at least one.
    static int ColumnsFor(int count, int rows);

    int GridHeight() const { return gridHeight_; }
    int ScrollBarHeight() const { return scrollBarHeight_; }
    int ClientWidth() const { return clientWidth_; }
    bool LargeView() const { return large_; }
    int CellSize() const { return ((large_ ? kIconCellLarge : kIconCellNormal) * dpi_ + 48) / 96; }
    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    int IconCount() const { return count_; }
    TGridCell Current() const { return current_; }
    // Index of the current cell; may name no icon when the grid holds none.
    int CurrentIndex() const { return IndexOf(current_); }
    int LeftCol() const { return leftCol_; }

    int IndexOf(TGridCell cell) const { return cell.Col * rows_ + cell.Row; }
    TGridCell CellOf(int index) const { return {index / rows_, index % rows_}; }
    // The selection rule: a cell inside the grid that holds an icon.
    bool CanSelect(TGridCell cell) const;

    // A new set of icons: the first cell becomes current and the grid scrolls back to its start.
    void SetIconCount(int count);
    // Switches between 24- and 42-pixel cells; the current icon stays current and in view.
    void SetLargeView(bool large);
    // The grid window got another size; the current icon stays current and in view.
    void Resize(int gridHeight, int clientWidth);

    // Makes a cell current when the selection rule allows it (and scrolls it into view); false otherwise.
    bool Select(TGridCell cell);
    // Makes the icon of that index current; false, and the current cell unchanged, when there is none.
    bool SelectIndex(int index);
    // Keyboard movement from the current cell. Arrows move by one cell and stop at the edges and before
    // empty cells; page moves go by the columns in view, at most to the first or last icon; first and last
    // go to the first and last icon. False when the current cell stays.
    bool Move(TGridMove move);

    // Columns entirely inside the client area (at least one).
    int VisibleCols() const;
    // The furthest the grid can scroll: the last column then stands at the right edge.
    int MaxLeftCol() const;
    // Scrolls so that `col` is the leftmost column, clamped to the possible range; false when it already is.
    bool ScrollTo(int col);
    // The cell under a point of the client area, empty cells included; none outside the rows and columns.
    std::optional<TGridCell> CellAt(int x, int y) const;
    // Left edge of a column in client coordinates (negative for columns scrolled out to the left).
    int ColLeft(int col) const { return (col - leftCol_) * CellSize(); }

private:
    void Recompute(int keepIndex);
    void ShowCurrent();

    int dpi_ = 96;
    int gridHeight_;
    int scrollBarHeight_;
    int clientWidth_;
    bool large_ = false;
    int rows_ = 1;
    int cols_ = 1;
    int count_ = 0;
    TGridCell current_;
    int leftCol_ = 0;
};

} // namespace lodestar
