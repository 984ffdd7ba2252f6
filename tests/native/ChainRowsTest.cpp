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
