// The text layer as the program sees it on Windows: UTF-8 as the active code page, the system's
// legacy code page for stored bytes.
#include "ItemStream.h"
#include "LegacyText.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace lodestar;

TEST(WinText, ManifestMakesUtf8TheActiveCodePage) {
    EXPECT_EQ(::GetACP(), 65001u);
    // The common controls of version 6 are loaded.
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH * 3] = {};
    ::GetModuleFileNameA(comctl, path, sizeof path);
    EXPECT_NE(std::string(path).find("6.0"), std::string::npos) << path;
}

TEST(WinText, StoredTextIsShiftJisUnderTheJapaneseLocale) {
    char cp[8] = {};
    ::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, cp, sizeof cp);
    ASSERT_STREQ(cp, "932");
    TItemData item;
    item.Cmd = "C:\\ツール\\表示.exe";
    item.Tip = "表示ツール";
    Bytes out;
    WriteItemStream(item, "", out);
    const std::string bytes(out.begin(), out.end());
    EXPECT_NE(bytes.find("C:\\\x83\x63\x81\x5B\x83\x8B\\\x95\x5C\x8E\xA6.exe"), std::string::npos);
    EXPECT_NE(bytes.find("\x95\x5C\x8E\xA6\x83\x63\x81\x5B\x83\x8B"), std::string::npos);
    EXPECT_EQ(ReadItem(out), item);
    // Cuts count Shift-JIS bytes and keep characters whole.
    EXPECT_EQ(CutToLegacyBytes("aメモ", 2), "a");
    EXPECT_EQ(LegacyLength("表示ﾂｰﾙ"), 7u);
}
