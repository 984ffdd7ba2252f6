#include "TrayIdentity.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace lodestar;

TEST(TrayIdentity, ItemIdsAreFixedDistinctAndApartFromOtherIcons) {
    const struct {
        int group;
        int number;
        std::uint32_t id;
    } cases[] = {{0, 1, 1001}, {0, 7, 1007}, {0, 200, 1200}, {1, 1, 2001}, {9, 200, 10200},
                 {-1, 1, 0},   {10, 1, 0},   {0, 0, 0},      {0, 201, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ItemIconId(c.group, c.number), c.id) << c.group << "/" << c.number;

    std::set<std::uint32_t> seen{kMainIconId};
    for (int group = 0; group < 10; ++group)
        for (int number = 1; number <= 200; ++number) {
            const std::uint32_t id = ItemIconId(group, number);
            EXPECT_TRUE(seen.insert(id).second) << group << "/" << number;
            EXPECT_LT(id, kFirstCountedIconId);
        }
}

TEST(TrayIdentity, KnownFolderPathsSplitOnlyWhenWellFormed) {
    const std::string x64 = "{6D809377-6AF0-444B-8957-A3773F02200E}";
    const struct {
        std::string path;
        std::optional<std::string> folder;
        std::string rest;
    } cases[] = {
        {x64 + "\\Lodestar\\Lodestar.exe", x64, "Lodestar\\Lodestar.exe"},
        {"{f38bf404-1d43-42f2-9305-67de0b28fc23}\\notepad.exe", "{f38bf404-1d43-42f2-9305-67de0b28fc23}",
         "notepad.exe"},
        {"C:\\Tools\\Lodestar.exe", std::nullopt, ""},
        {x64, std::nullopt, ""},                                             // no rest
        {x64 + "Lodestar.exe", std::nullopt, ""},                            // no backslash
        {"{6D809377-6AF0-444B-8957-A3773F02200G}\\a.exe", std::nullopt, ""}, // not hex
        {"{6D809377+6AF0-444B-8957-A3773F02200E}\\a.exe", std::nullopt, ""}, // no dash
        {"{6D809377-6AF0-444B-8957-A3773F02200}\\a.exe", std::nullopt, ""},  // one digit short
        {"", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const auto split = SplitKnownFolderPath(c.path);
        ASSERT_EQ(split.has_value(), c.folder.has_value()) << c.path;
        if (!split) continue;
        EXPECT_EQ(split->FolderId, *c.folder);
        EXPECT_EQ(split->Rest, c.rest);
    }
}

TEST(TrayIdentity, HiddenIconsAreThoseWithoutAPromotedRecordOfTheProgram) {
    const std::string self = "C:\\Tools\\Lodestar.exe";
    const auto isProgram = [&](const std::string& path) { return path == self; };
    const std::vector<TNotifyIconRecord> records{
        {self, 1001, true},
        {self, 1002, false},
        {"C:\\Other\\Other.exe", 1003, true}, // the same identifier of another program
        {self, std::nullopt, true},           // an icon known by its GUID
        {self, 1005, false},
        {self, 1005, true}, // a stale duplicate besides the record the user turned on
    };
    const struct {
        std::vector<std::uint32_t> ids;
        std::size_t hidden;
    } cases[] = {
        {{1001}, 0},
        {{1001, 1002}, 1},
        {{1001, 1002, 1003}, 2}, // 1003 is only promoted for the other program
        {{1004}, 1},             // no record yet: Windows 11 starts new icons in the overflow
        {{1005}, 0},
        {{}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountHiddenIcons(records, isProgram, c.ids), c.hidden) << c.ids.size();
}
