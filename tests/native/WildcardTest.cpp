#include "Wildcard.h"

#include <gtest/gtest.h>

using namespace lodestar;

TEST(WildcardMatch, OnlyOuterStarsAreWildcards) {
    struct Case {
        std::string text;
        std::string pattern;
        bool match;
    } cases[] = {
        // empty pattern
        {"", "", true},
        {"a", "", false},
        // one character
        {"", "*", true},
        {"anything", "*", true},
        {"a", "a", true},
        {"A", "a", false},
        {"ab", "a", false},
        {"", "a", false},
        // "**"
        {"", "**", true},
        {"abc", "**", true},
        // "*" middle "*": contains
        {"abcabc", "*b*", true},
        {"abcabc", "*cab*", true},
        {"abcabc", "*abcabc*", true},
        {"abcabc", "*B*", false},
        {"abcabc", "*x*", false},
        {"ab", "*abc*", false},
        {"a*b", "***", true}, // the middle "*" is literal: the text contains "*"
        {"ab", "***", false},
        {"x*y*z", "*y*z*", true}, // inner stars are literal
        {"xyz", "*y*z*", false},
        // "*" tail: ends with
        {"abcabc", "*abc", true}, // the tail also occurs earlier
        {"abcabc", "*cabc", true},
        {"abcab", "*abc", false},
        {"abc", "*Abc", false},
        {"", "*a", false},
        // head "*": begins with
        {"abcabc", "abc*", true},
        {"abcabc", "b*", false},
        {"abcabc", "ABC*", false},
        {"ab", "abc*", false},
        // anything else: equal
        {"abcabc", "a*c", false},
        {"a*c", "a*c", true},
        {"abcabc", "abcabc", true},
        {"abcabc", "abcab", false},
        // Japanese: whole characters only, case-sensitive bytes
        {"メモ帳 - 無題", "*無題", true},
        {"メモ帳 - 無題", "メモ帳*", true},
        {"メモ帳 - 無題", "* - *", true},
        {"メモ帳 - 無題", "*帳 -*", true},
        {"メモ帳 - 無題", "*題 -*", false},
        {"メモ帳", "メモ帳", true},
        {"メモ帳", "メモ", false},
        {"帳", "帳", true},
        {"帳", "*", true},
        {"ー", "*ー*", true},
        {"ア", "*ー*", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\"";
}
