#include "IconGrid.h"

#include <algorithm>

namespace lodestar {

TIconGridLayout::TIconGridLayout(int gridHeight, int scrollBarHeight, int clientWidth)
    : gridHeight_(gridHeight), scrollBarHeight_(scrollBarHeight), clientWidth_(clientWidth) {
    Recompute(0);
}

int TIconGridLayout::RowsFor(int gridHeight, int scrollBarHeight, int cellSize) {
    return std::max(1, (gridHeight - scrollBarHeight - kIconGridBorder) / cellSize);
}

int TIconGridLayout::ColumnsFor(int count, int rows) {
    if (count <= 0) return 1;
    return count / rows + (count % rows != 0 ? 1 : 0);
}

bool TIconGridLayout::CanSelect(TGridCell cell) const {
    return cell.Col >= 0 && cell.Row >= 0 && cell.Row < rows_ && IndexOf(cell) < count_;
}

void TIconGridLayout::SetIconCount(int count) {
    count_ = std::max(0, count);
    leftCol_ = 0;
    Recompute(0);
}

void TIconGridLayout::SetLargeView(bool large) {
    if (large == large_) return;
    const int index = CurrentIndex();
    large_ = large;
    Recompute(index);
}

void TIconGridLayout::SetDpi(int dpi, int scrollBarHeight) {
    const int index = CurrentIndex();
    dpi_ = dpi > 0 ? dpi : 96;
    scrollBarHeight_ = scrollBarHeight;
    Recompute(index);
}

void TIconGridLayout::Resize(int gridHeight, int clientWidth) {
    const int index = CurrentIndex();
    gridHeight_ = gridHeight;
    clientWidth_ = std::max(0, clientWidth);
    Recompute(index);
}

void TIconGridLayout::Recompute(int keepIndex) {
    rows_ = RowsFor(gridHeight_, scrollBarHeight_, CellSize());
    cols_ = ColumnsFor(count_, rows_);
    current_ = CellOf(keepIndex);
    ShowCurrent();
}

bool TIconGridLayout::Select(TGridCell cell) {
    if (!CanSelect(cell)) return false;
    current_ = cell;
    ShowCurrent();
    return true;
}

bool TIconGridLayout::SelectIndex(int index) {
    return index >= 0 && index < count_ && Select(CellOf(index));
}

bool TIconGridLayout::Move(TGridMove move) {
    if (count_ == 0) return false;
    TGridCell target = current_;
    switch (move) {
    case TGridMove::gmLeft:
        --target.Col;
        break;
    case TGridMove::gmRight:
        ++target.Col;
        break;
    case TGridMove::gmUp:
        --target.Row;
        break;
    case TGridMove::gmDown:
        ++target.Row;
        break;
    case TGridMove::gmPageLeft:
        // Every cell before an icon holds one, so the cell a page to the left always can be selected.
        target.Col = std::max(0, target.Col - VisibleCols());
        break;
    case TGridMove::gmPageRight:
        target.Col = std::min(cols_ - 1, target.Col + VisibleCols());
        if (!CanSelect(target)) target = CellOf(count_ - 1);
        break;
    case TGridMove::gmFirst:
        target = CellOf(0);
        break;
    case TGridMove::gmLast:
        target = CellOf(count_ - 1);
        break;
    }
    if (target == current_) return false;
    return Select(target);
}

int TIconGridLayout::VisibleCols() const {
    return std::max(1, clientWidth_ / CellSize());
}

int TIconGridLayout::MaxLeftCol() const {
    return std::max(0, cols_ - VisibleCols());
}

bool TIconGridLayout::ScrollTo(int col) {
    const int clamped = std::clamp(col, 0, MaxLeftCol());
    if (clamped == leftCol_) return false;
    leftCol_ = clamped;
    return true;
}

void TIconGridLayout::ShowCurrent() {
    if (current_.Col < leftCol_)
        leftCol_ = current_.Col;
    else if (current_.Col >= leftCol_ + VisibleCols())
        leftCol_ = current_.Col - VisibleCols() + 1;
    leftCol_ = std::clamp(leftCol_, 0, MaxLeftCol());
}

std::optional<TGridCell> TIconGridLayout::CellAt(int x, int y) const {
    if (x < 0 || y < 0) return std::nullopt;
    const TGridCell cell{leftCol_ + x / CellSize(), y / CellSize()};
    if (cell.Row >= rows_ || cell.Col >= cols_) return std::nullopt;
    return cell;
}

} // namespace lodestar
