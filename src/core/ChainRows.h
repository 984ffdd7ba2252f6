// What a row of an item's chain list shows besides the entry's name.
#pragma once

#include "ItemData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lodestar {

struct TChainRowTexts {
    std::string Delay;    // wait rule and delay: "(起)+5秒", "(終)", "3秒" or empty
    std::string DupCheck; // "", "★", "名", "題"
    std::string AutoQuit; // "★" or empty
    std::string Cmd;      // the command, "(特殊)" for a shell object
    std::string DefDir;   // the working folder, "(自動)" when there is none
    std::string WndSize;  // "通常", "最小化", "最大化"
    friend bool operator==(const TChainRowTexts&, const TChainRowTexts&) = default;
};

// The wait rule and whole seconds of delay as the list shows them.
std::string ChainDelayText(std::int32_t delayMs, std::uint8_t waitMode);
TChainRowTexts ChainRowTexts(const TChildIcon& child);

// Reordering a list of rows. Each rule gives the new order as the old index of the row at each place.
//
// Up or down: every run of consecutive selected rows moves one place past the unselected row next to
// it, keeping its inner order; a run already at the top (bottom) stays.
std::vector<int> MoveRunsOrder(const std::vector<bool>& selected, bool up);
// Rows dragged onto row `target` (without Ctrl): they land just after it when they came from above it
// and just before it when they came from below, keeping their order. A target outside the list, or one
// of the dragged rows, leaves the order as it is.
std::vector<int> DragMoveOrder(const std::vector<bool>& selected, int target);
// Where copies of the selected rows dragged onto `target` with Ctrl go: after the target when the first
// selected row lies above it, else before it.
int DragCopyInsertIndex(const std::vector<bool>& selected, int target);
// Rows appended at the end (from `firstNew` on, of `count` rows in all) moved in front of row `insertAt`;
// an insert place outside 0 .. firstNew - 1 leaves them at the end.
std::vector<int> InsertOrder(int count, int firstNew, int insertAt);

} // namespace lodestar
