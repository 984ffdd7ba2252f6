#include "Toolbar97Layout.h"

#include <algorithm>
#include <numeric>

namespace lodestar {

TDockRows LayoutDockRows(const std::vector<TBarRequest>& bars, int dockLength) {
    TDockRows result;
    result.Bars.resize(bars.size());
    std::vector<int> rows;
    for (const TBarRequest& bar : bars)
        rows.push_back(bar.Row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    int offset = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        std::vector<std::size_t> members;
        for (std::size_t i = 0; i < bars.size(); ++i)
            if (bars[i].Row == rows[row]) members.push_back(i);
        std::stable_sort(members.begin(), members.end(),
                         [&](std::size_t a, std::size_t b) { return bars[a].Pos < bars[b].Pos; });
        // Left to right no bar may start before the end of the previous one; right to left none may end
        // beyond the dock, as long as the bars before it still fit.
        std::vector<int> pos(members.size());
        int end = 0;
        for (std::size_t k = 0; k < members.size(); ++k) {
            pos[k] = std::max({bars[members[k]].Pos, end, 0});
            end = pos[k] + bars[members[k]].Length;
        }
        int limit = dockLength;
        for (std::size_t k = members.size(); k-- > 0;) {
            const int before = std::accumulate(members.begin(), members.begin() + static_cast<long>(k), 0,
                                               [&](int sum, std::size_t m) { return sum + bars[m].Length; });
            pos[k] = std::max(std::min(pos[k], limit - bars[members[k]].Length), before);
            limit = pos[k];
        }
        int thickness = 0;
        for (std::size_t k = 0; k < members.size(); ++k) {
            result.Bars[members[k]] = TBarPlace{static_cast<int>(row), pos[k], offset};
            thickness = std::max(thickness, bars[members[k]].Thickness);
        }
        result.RowOffsets.push_back(offset);
        result.RowThickness.push_back(thickness);
        offset += thickness;
    }
    result.Thickness = offset;
    return result;
}

int DropRow(const TDockRows& rows, int cross, bool innerSideAfter) {
    const int count = static_cast<int>(rows.RowOffsets.size());
    if (count == 0) return 0;
    if (cross < 0) return innerSideAfter ? 0 : -1;
    for (int row = 0; row < count; ++row)
        if (cross <
            rows.RowOffsets[static_cast<std::size_t>(row)] + rows.RowThickness[static_cast<std::size_t>(row)])
            return row;
    return innerSideAfter ? count : count - 1;
}

} // namespace lodestar
