// What the item editor's chain list shows for an entry, from entries as they are stored.
#include "ChainRows.h"

#include <gtest/gtest.h>

using namespace lodestar;

TEST(ChainRows, ColumnsOfStoredEntries) {
    struct Case {
        const char* what;
        TChildIcon child;
        TChainRowTexts texts;
    } cases[] = {
        {"a program started at once, nothing checked",
         {{}, R"("C:\Program Files\Editor\edit.exe" /n)", "", 0, 0, 0, false, 0, ""},
         {"", "", "", R"("C:\Program Files\Editor\edit.exe" /n)", "(自動)", "通常"}},
        {"waits until the one before is ready, then 5.5 s (whole seconds shown)",
         {{}, "notepad.exe", R"(C:\work)", 1, 5500, 1, true, 1, ""},
         {"(起)+5秒", "★", "★", "notepad.exe", R"(C:\work)", "最小化"}},
        {"waits for the end without a delay",
         {{}, "calc.exe", "", 2, 0, 2, false, 2, "calc.exe"},
         {"(終)", "名", "", "calc.exe", "(自動)", "最大化"}},
        {"a delay below a second shows as 0 seconds, not as none",
         {{}, "a.exe", "", 0, 999, 0, false, 3, "無題 - メモ帳"},
         {"0秒", "題", "", "a.exe", "(自動)", "通常"}},
        {"a shell object has no command",
         {*IdList::FromBytes(std::vector<std::uint8_t>{4, 0, 0x1f, 0x50, 0, 0}), "", "", 0, 12000, 0, false,
          0, ""},
         {"12秒", "", "", "(特殊)", "(自動)", "通常"}},
        {"values another program wrote beyond the known ones show nothing",
         {{}, "x.exe", "", 7, 0, 9, false, 200, "t"},
         {"", "", "", "x.exe", "(自動)", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChainRowTexts(c.child), c.texts) << c.what;
}

namespace {
std::vector<bool> Selected(int count, std::initializer_list<int> rows) {
    std::vector<bool> selected(static_cast<std::size_t>(count));
    for (const int row : rows)
        selected[static_cast<std::size_t>(row)] = true;
    return selected;
}
} // namespace

TEST(ChainRows, ReorderingRules) {
    using Order = std::vector<int>;
    struct Case {
        const char* what;
        Order result;
        Order expected;
    } cases[] = {
        {"rows 1 and 3 of five down", MoveRunsOrder(Selected(5, {1, 3}), false), {0, 2, 1, 4, 3}},
        {"rows 1 and 3 of five up", MoveRunsOrder(Selected(5, {1, 3}), true), {1, 0, 3, 2, 4}},
        {"a run from row 0 up stays", MoveRunsOrder(Selected(5, {0, 1}), true), {0, 1, 2, 3, 4}},
        {"a run at the bottom down stays", MoveRunsOrder(Selected(4, {2, 3}), false), {0, 1, 2, 3}},
        {"a run of two moves past one row, keeping its order",
         MoveRunsOrder(Selected(5, {2, 3}), true),
         {0, 2, 3, 1, 4}},
        {"nothing selected", MoveRunsOrder(Selected(3, {}), false), {0, 1, 2}},
        {"row 0 dragged onto row 2", DragMoveOrder(Selected(5, {0}), 2), {1, 2, 0, 3, 4}},
        {"row 3 dragged onto row 1", DragMoveOrder(Selected(5, {3}), 1), {0, 3, 1, 2, 4}},
        {"rows 0 and 4 dragged onto row 2: 4 before it, 0 after it",
         DragMoveOrder(Selected(5, {0, 4}), 2),
         {1, 4, 2, 0, 3}},
        {"rows dropped onto one of themselves stay", DragMoveOrder(Selected(4, {1, 2}), 2), {0, 1, 2, 3}},
        {"a lone row dropped onto itself stays", DragMoveOrder(Selected(3, {1}), 1), {0, 1, 2}},
        {"a target outside the list", DragMoveOrder(Selected(3, {0}), 7), {0, 1, 2}},
        {"two pasted rows in front of row 1", InsertOrder(5, 3, 1), {0, 3, 4, 1, 2}},
        {"pasted in front of row 0", InsertOrder(4, 2, 0), {2, 3, 0, 1}},
        {"no row to insert before: they stay at the end", InsertOrder(4, 2, -1), {0, 1, 2, 3}},
        {"an insert place past the old rows", InsertOrder(4, 2, 2), {0, 1, 2, 3}},
        // The item list of the options dialog follows the same rules, at up to 200 rows.
        {"rows 0 and 5 of seven dragged onto row 3",
         DragMoveOrder(Selected(7, {0, 5}), 3),
         {1, 2, 5, 3, 0, 4, 6}},
        {"rows 0 and 1 of five copied onto row 3 (copies appended as rows 5 and 6)",
         InsertOrder(7, 5, DragCopyInsertIndex(Selected(5, {0, 1}), 3)),
         {0, 1, 2, 3, 5, 6, 4}},
        {"two rows pasted while row 2 is selected", InsertOrder(6, 4, 2), {0, 1, 4, 5, 2, 3}},
        {"the last of 200 rows dragged onto the first", DragMoveOrder(Selected(200, {199}), 0),
         [] {
             Order order{199};
             for (int i = 0; i < 199; ++i)
                 order.push_back(i);
             return order;
         }()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;

    EXPECT_EQ(DragCopyInsertIndex(Selected(5, {0, 1}), 3), 4) << "copies of rows above go after the target";
    EXPECT_EQ(DragCopyInsertIndex(Selected(5, {4}), 1), 1) << "copies of rows below go before it";
    EXPECT_EQ(InsertOrder(4, 2, DragCopyInsertIndex(Selected(2, {0}), 1)), (Order{0, 1, 2, 3}))
        << "a copy of row 0 dropped on the last row stays at the end";
}
