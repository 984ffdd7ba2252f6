#include "HotKeyConflicts.h"
#include "HotKey.h"

#include <gtest/gtest.h>

namespace lodestar {
namespace {

constexpr std::uint16_t kCtrlAltN = kShortcutCtrl | kShortcutAlt | 'N';
constexpr std::uint16_t kCtrlAltM = kShortcutCtrl | kShortcutAlt | 'M';
constexpr std::uint16_t kShiftCtrlN = kShortcutShift | kShortcutCtrl | 'N';

TEST(HotKeyConflicts, WhatHoldsTheChosenCombination) {
    const std::vector<THotKeyHolder> group = {
        {"メモ帳", kCtrlAltM}, {"電卓", kCtrlAltN}, {"ペイント", kCtrlAltN}};
    const struct {
        const char* Name;
        std::uint16_t HotKey;
        std::uint16_t Before;
        bool HeldElsewhere;
        THotKeyConflictKind Kind;
        const char* ItemName;
        int Asked; // how often the system was asked
    } cases[] = {
        {"no hotkey", 0, kCtrlAltN, true, THotKeyConflictKind::hcNone, "", 0},
        {"unchanged, even where another item has it", kCtrlAltN, kCtrlAltN, true, THotKeyConflictKind::hcNone,
         "", 0},
        {"the first item of the group that has it", kCtrlAltN, 0, true, THotKeyConflictKind::hcItem, "電卓",
         0},
        {"the same key with other modifiers is free", kShiftCtrlN, 0, false, THotKeyConflictKind::hcNone, "",
         1},
        {"held by another program", kShiftCtrlN, kCtrlAltN, true, THotKeyConflictKind::hcProgram, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        int asked = 0;
        const THotKeyConflict conflict =
            FindHotKeyConflict(c.HotKey, c.Before, group, [&](std::uint16_t key) {
                EXPECT_EQ(key, c.HotKey);
                ++asked;
                return c.HeldElsewhere;
            });
        EXPECT_EQ(conflict.Kind, c.Kind);
        EXPECT_EQ(conflict.ItemName, c.ItemName);
        EXPECT_EQ(asked, c.Asked);
        EXPECT_EQ(HotKeyConflictQuestion(conflict, "Ctrl+Alt+N").empty(),
                  c.Kind == THotKeyConflictKind::hcNone);
    }
}

TEST(HotKeyConflicts, QuestionsNameTheCombinationAndTheHolder) {
    const std::string item = HotKeyConflictQuestion({THotKeyConflictKind::hcItem, "電卓"}, "Ctrl+Alt+N");
    EXPECT_NE(item.find("\"Ctrl+Alt+N\""), std::string::npos);
    EXPECT_NE(item.find("'電卓'"), std::string::npos);
    const std::string program = HotKeyConflictQuestion({THotKeyConflictKind::hcProgram, {}}, "Shift+Ctrl+F5");
    EXPECT_NE(program.find("\"Shift+Ctrl+F5\""), std::string::npos);
    EXPECT_EQ(RefusedHotKeyEntry("電卓", "Ctrl+Alt+N"), "電卓\tCtrl+Alt+N");
}

} // namespace
} // namespace lodestar
