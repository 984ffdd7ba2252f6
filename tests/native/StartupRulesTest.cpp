#include "StartupRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lodestar;

namespace {

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back("Lodestar (" + std::to_string(i) + ").lnk");
    return names;
}

} // namespace

TEST(StartupRules, DelayArgumentKeepsToFourDigits) {
    const struct {
        int seconds;
        const char* argument;
    } cases[] = {{0, "/d:0"},     {1, "/d:1000"}, {9, "/d:9000"},
                 {10, "/d:9999"}, {-3, "/d:0"},   {500000, "/d:9999"}};
    for (const auto& c : cases)
        EXPECT_EQ(StartupDelayArgument(c.seconds), c.argument) << c.seconds;
}

TEST(StartupRules, ShellHotkeyWord) {
    const struct {
        std::uint16_t shortCut;
        std::uint16_t shell;
    } cases[] = {
        {0, 0},
        {'A', 'A'},
        {0x2000 | 'A', 0x0100 | 'A'},
        {0x4000 | 0x8000 | 0x70 /* F1 */, 0x0600 | 0x70},
        {0x2000 | 0x4000 | 0x8000 | 'Z', 0x0700 | 'Z'},
        {0x4000 | 0x1FFF, 0x0200 | 0xFF}, // a code beyond a byte keeps its low byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortCutToShellHotkey(c.shortCut), c.shell) << std::hex << c.shortCut;
}

TEST(StartupRules, RemovalListShowsEightNamesAndHowManyMore) {
    EXPECT_EQ(RemovalListText({}), "");
    EXPECT_EQ(RemovalListText(Names(2)), "Lodestar (1).lnk\r\nLodestar (2).lnk\r\n");
    std::string eight;
    for (const std::string& name : Names(8))
        eight += name + "\r\n";
    EXPECT_EQ(RemovalListText(Names(8)), eight);
    EXPECT_EQ(RemovalListText(Names(12)), eight + "　\r\n　他 4個のファイル...\r\n");
    EXPECT_EQ(RemovalListText(Names(9)), eight + "　\r\n　他 1個のファイル...\r\n");
}
