#include "ChainRows.h"

#include <algorithm>
#include <numeric>

namespace lodestar {

std::string ChainDelayText(std::int32_t delayMs, std::uint8_t waitMode) {
    std::string delay = delayMs != 0 ? std::to_string(delayMs / 1000) + "秒" : std::string();
    const char* wait = waitMode == wmInputIdle ? "(起)" : waitMode == wmExit ? "(終)" : nullptr;
    if (!wait) return delay;
    return delay.empty() ? std::string(wait) : std::string(wait) + "+" + delay;
}

TChainRowTexts ChainRowTexts(const TChildIcon& child) {
    static const char* const kDupChecks[] = {"", "★", "名", "題"};
    static const char* const kWndSizes[] = {"通常", "最小化", "最大化"};
    TChainRowTexts texts;
    texts.Delay = ChainDelayText(child.DelayMs, child.WaitMode);
    // Stored values beyond the known ones show as nothing rather than as something they are not.
    if (child.DupCheckMode < 4) texts.DupCheck = kDupChecks[child.DupCheckMode];
    if (child.AutoQuit) texts.AutoQuit = "★";
    texts.Cmd = child.Cmd.empty() ? "(特殊)" : child.Cmd;
    texts.DefDir = child.DefDir.empty() ? "(自動)" : child.DefDir;
    if (child.WndSize < 3) texts.WndSize = kWndSizes[child.WndSize];
    return texts;
}

namespace {
// The rows sorted by key, rows of equal keys keeping their order.
std::vector<int> OrderByKeys(const std::vector<long>& keys) {
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });
    return order;
}
} // namespace

std::vector<int> MoveRunsOrder(const std::vector<bool>& selected, bool up) {
    const long count = static_cast<long>(selected.size());
    std::vector<long> keys(selected.size());
    for (long i = 0; i < count; ++i) {
        if (!selected[static_cast<std::size_t>(i)]) {
            keys[static_cast<std::size_t>(i)] = i;
            continue;
        }
        // The unselected row next to the run this row belongs to, on the side the run moves to.
        long next = i;
        if (up) {
            while (next >= 0 && selected[static_cast<std::size_t>(next)])
                --next;
            keys[static_cast<std::size_t>(i)] = next - 1;
        } else {
            while (next < count && selected[static_cast<std::size_t>(next)])
                ++next;
            keys[static_cast<std::size_t>(i)] = next + 1;
        }
    }
    return OrderByKeys(keys);
}

std::vector<int> DragMoveOrder(const std::vector<bool>& selected, int target) {
    const long count = static_cast<long>(selected.size());
    std::vector<long> keys(selected.size());
    std::iota(keys.begin(), keys.end(), 0L);
    // Rows dropped onto one of themselves have not moved: the key rule would swap the target with the
    // selected rows above it.
    if (target < 0 || target >= count || selected[static_cast<std::size_t>(target)]) return OrderByKeys(keys);
    for (long i = 0; i < count; ++i) {
        long& key = keys[static_cast<std::size_t>(i)];
        if (!selected[static_cast<std::size_t>(i)])
            key = (i - target) * 1000;
        else if (i < target)
            key = i + 1;
        else
            key = i - 999;
    }
    return OrderByKeys(keys);
}

int DragCopyInsertIndex(const std::vector<bool>& selected, int target) {
    const auto first = std::find(selected.begin(), selected.end(), true);
    const bool fromAbove = first != selected.end() && first - selected.begin() < target;
    return fromAbove ? target + 1 : target;
}

std::vector<int> InsertOrder(int count, int firstNew, int insertAt) {
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(std::max(count, 0)));
    if (insertAt < 0 || insertAt >= firstNew || firstNew > count) {
        for (int i = 0; i < count; ++i)
            order.push_back(i);
        return order;
    }
    for (int i = 0; i < insertAt; ++i)
        order.push_back(i);
    for (int i = firstNew; i < count; ++i)
        order.push_back(i);
    for (int i = insertAt; i < firstNew; ++i)
        order.push_back(i);
    return order;
}

} // namespace lodestar
