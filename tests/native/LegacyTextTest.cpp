#include "LegacyText.h"

#include <gtest/gtest.h>

using namespace lodestar;

TEST(LegacyText, JapaneseTextIsShiftJisAndBack) {
    // "メモ帳" in CP932.
    const std::string legacy = ToLegacy("メモ帳");
    EXPECT_EQ(legacy, "\x83\x81\x83\x82\x92\xA0");
    EXPECT_EQ(FromLegacy(legacy), "メモ帳");
    EXPECT_EQ(LegacyLength("メモ帳.txt"), 10u);
    // Half-width katakana take one byte.
    EXPECT_EQ(LegacyLength("ｱｲｳ"), 3u);
}

TEST(LegacyText, CutsNeverSplitACharacter) {
    struct Case {
        const char* utf8;
        std::size_t max;
        const char* expected;
    } cases[] = {
        {"abcdef", 4, "abcd"},
        {"aメモ", 2, "a"}, // the second byte would split メ
        {"aメモ", 3, "aメ"},
        {"aメモ", 100, "aメモ"},
        {"ｱメ", 2, "ｱ"},
        {"表示", 3, "表"}, // 表 ends in 0x5C, the backslash byte
        {"", 5, ""},
        // Characters the code page lacks count as their replacement and are kept as they are.
        {"a😀b", 2, "a😀"},
        {"Café项目", 5, "Café项"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CutToLegacyBytes(c.utf8, c.max), c.expected) << c.utf8 << " " << c.max;
}

TEST(LegacyText, DanglingLeadByteIsDropped) {
    EXPECT_EQ(WholeLegacyChars("ab\x83\x81\x83"), "ab\x83\x81");
    EXPECT_EQ(WholeLegacyChars("ab\x83\x81"), "ab\x83\x81");
}

TEST(LegacyText, UnconvertibleTextDoesNotFail) {
    EXPECT_EQ(ToLegacy("a😀b"), "a?b");
    EXPECT_FALSE(FromLegacy("\xFF\xFE").empty());
    EXPECT_FALSE(KeptByLegacy("a😀b"));
    EXPECT_TRUE(KeptByLegacy("メモ帳.txt"));
}

TEST(LegacyText, CutCharactersCountsCodePoints) {
    EXPECT_EQ(CutCharacters("仕事用のグループ", 3), "仕事用");
    EXPECT_EQ(CutCharacters("ab", 40), "ab");
    EXPECT_EQ(CutCharacters(std::string(50, 'x'), 40), std::string(40, 'x'));
    EXPECT_EQ(CutCharacters("a😀b", 2), "a😀");
}

TEST(LegacyText, StoredStringsKeep260LegacyBytes) {
    const auto repeat = [](const std::string& piece, int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += piece;
        return text;
    };
    const struct {
        std::string Text;
        bool Fits;
    } cases[] = {
        {"C:\\" + repeat("a", 257), true},  // 260 bytes: written whole, no terminator counted
        {"C:\\" + repeat("a", 258), false}, // the writer would cut the last byte
        {repeat("表", 130), true},          // 260 bytes, though 390 in UTF-8
        {"x" + repeat("あ", 130), false},   // 261 bytes in 131 characters
        {repeat("ｱ", 260), true},           // half-width katakana take one byte each
        {"", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitsStoredString(c.Text), c.Fits) << c.Text.size() << " UTF-8 bytes";
}
