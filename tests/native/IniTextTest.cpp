// Reading the INI files of versions up to 2.61. The expected values are what the profile functions return
// for the same file text; tests/win/LodestarIniTest.cpp compares the two on real files.
#include "IniText.h"

#include "Errors.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace lodestar;
using namespace std::string_literals;

namespace {

const std::optional<std::string> kAbsent;

// A file with most of what the profile functions have an opinion on, with CRLF line ends.
const std::string kMixed = "; comment before any section\r\n"
                           "early=before the first section\r\n"
                           "[Sec]\r\n"
                           "a=1\r\n"
                           " b = two words  \r\n"
                           "c=\"quoted\"\r\n"
                           "d='single'\r\n"
                           "e=\"mismatch'\r\n"
                           "f=\"\r\n"
                           "g=\"\"\r\n"
                           "h=\"inner\"quote\"\r\n"
                           "i=  \" spaced \"  \r\n"
                           "NoEquals\r\n"
                           ";comment=x\r\n"
                           "\r\n"
                           "   \t \r\n"
                           "A=hidden by a\r\n"
                           "k=v=w\r\n"
                           "tab\t=\ttabbed\t\r\n"
                           "ctrlz\x1A=\x1Avalue\x1A\v\f\r\n"
                           "ideographic\xE3\x80\x80=\xE3\x80\x80kept\xE3\x80\x80\r\n"
                           "empty=\r\n"
                           "Shadow\r\n"
                           "Shadow=later\r\n"
                           "nul=va\0lue\r\n"
                           "[sec]\r\n"
                           "a=second section\r\n"
                           "z=only in the second section\r\n"
                           "  [ Spaced ]  \r\n"
                           "s=1\r\n"
                           "[Brack]junk\r\n"
                           "b=1\r\n"
                           "[Unclosed\r\n"
                           "u=1\r\n"
                           "[x]y]\r\n"
                           "xy=1\r\n"s;

} // namespace

TEST(IniText, ReadsValuesAsTheProfileFunctionsDo) {
    const TIniText ini = TIniText::Parse(kMixed);
    const struct {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    } cases[] = {
        {"Sec", "a", "1"},
        {"SEC", "A", "1"}, // names ignore case; the first "a" hides the later "A"
        {"Sec", "b", "two words"},
        {" Sec ", " b ", "two words"}, // the names asked for are trimmed too
        {"Sec", "c", "quoted"},
        {"Sec", "d", "single"},
        {"Sec", "e", "\"mismatch'"},
        {"Sec", "f", "\""},
        {"Sec", "g", ""},
        {"Sec", "h", "inner\"quote"},
        {"Sec", "i", " spaced "},
        {"Sec", "NoEquals", kAbsent},
        {"Sec", ";comment", "x"}, // a comment is a key nobody lists, but it can be asked for
        {"Sec", "k", "v=w"},
        {"Sec", "k=v", kAbsent},
        {"Sec", "tab", "tabbed"},
        {"Sec", "ctrlz", "value"},
        {"Sec", "ideographic", kAbsent}, // U+3000 is no blank to them
        {"Sec", "ideographic\xE3\x80\x80", "\xE3\x80\x80kept\xE3\x80\x80"},
        {"Sec", "empty", ""},
        {"Sec", "Shadow", kAbsent}, // the first occurrence has no "=" and hides the second
        {"Sec", "nul", "va"},
        {"Sec", "z", kAbsent}, // a repeated section is hidden by the first
        {"sec", "early", kAbsent},
        {"", "early", "before the first section"},
        {"Spaced", "s", "1"},
        {"Brack", "b", "1"},
        {"Brack", "u", "1"}, // "[Unclosed" is no header, so its keys stay in [Brack]
        {"Unclosed", "u", kAbsent},
        {"x]y", "xy", "1"},
        {"x", "xy", kAbsent},
        {"Missing", "a", kAbsent},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key), c.value) << "[" << c.section << "] " << c.key;
    }
    EXPECT_EQ(ini.ReadString("Sec", "NoEquals", "default"), "default");
    EXPECT_EQ(ini.ReadString("Sec", "empty", "default"), "");
}

TEST(IniText, ListsKeysWithValuesInFileOrder) {
    const TIniText ini = TIniText::Parse(kMixed);
    // Neither keys without "=" nor comments; "A" repeats "a" and is listed all the same.
    const std::vector<std::string> expected = {
        "a",     "b",      "c",  "d", "e",   "f",     "g",
        "h",     "i",      "A",  "k", "tab", "ctrlz", "ideographic\xE3\x80\x80",
        "empty", "Shadow", "nul"};
    EXPECT_EQ(ini.KeyNames("sec"), expected);
    EXPECT_EQ(ini.KeyNames("Brack"), (std::vector<std::string>{"b", "u"}));
    EXPECT_TRUE(ini.KeyNames("Missing").empty());
    EXPECT_TRUE(ini.KeyNames(" Spaced ").empty()); // the listing takes the section name as it is
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Sec", "sec", "Spaced", "Brack", "x]y"}));
}

TEST(IniText, KeysWithoutNameDoNotEndTheListing) {
    // The profile function lists such a key as an empty name, where its callers stop reading.
    const TIniText ini = TIniText::Parse("[E]\nfirst=1\n=nameless\nsecond=2\n  = blank\nthird=3\n");
    EXPECT_EQ(ini.KeyNames("E"), (std::vector<std::string>{"first", "second", "third"}));
}

TEST(IniText, LineEndsAreAnyRunOfCrAndLf) {
    for (const std::string& text :
         {"[S]\na=1\nb=2\n[T]\nt=3"s, "[S]\r\na=1\r\nb=2\r\n[T]\r\nt=3\r\n"s, "[S]\ra=1\rb=2\r[T]\rt=3\r"s,
          "\r\n\n[S]\n\r\ra=1\n\n\r\nb=2\r\r[T]\nt=3"s}) {
        const TIniText ini = TIniText::Parse(text);
        EXPECT_EQ(ini.ReadString("S", "a"), "1");
        EXPECT_EQ(ini.ReadString("S", "b"), "2");
        EXPECT_EQ(ini.ReadString("S", "t"), kAbsent);
        EXPECT_EQ(ini.ReadString("T", "t"), "3");
    }
}

TEST(IniText, ConvertsIntegersAsGetPrivateProfileInt) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"42", 42},
        {"-7", -7},
        {"+8", 8},
        {"12abc", 12},
        {"abc", 0},
        {"", 777}, // found but empty: the default
        {"\"55\"", 55},
        {"''", 777},
        {"\"7", 0},
        {"' 12 '", 12},
        {"12\"", 12},
        {"0x1F", 31},
        {"0xAb", 171},
        {"-0x10", -16},
        {"+0x10", 16},
        {"0X10", 0}, // only lower-case prefixes
        {"0x", 0},
        {"0xg", 0},
        {"0x-5", 0},
        {"0o17", 15},
        {"0o8", 0},
        {"0b102", 2},
        {"0B11", 0},
        {"010", 10},
        {"0xFFFFFFFF", -1},
        {"0x7fffffff", 2147483647},
        {"4294967297", 1}, // 32-bit wraparound
        {"2147483648", -2147483647 - 1},
        {"-2147483649", 2147483647},
        {"99999999999", 1215752191},
        {"-", 0},
        {"--3", 0},
        {"+-1", 0},
        {"- 5", 0},
        {"1 2", 1},
        {"\x01\x02 7", 7},                      // control characters before the number are skipped
        {"\xEF\xBC\x91", 0},                    // a full-width digit is no digit
        {"00000000000000000000000000012", 12},  // 29 characters: all read
        {"0000000000000000000000000000012", 0}, // only the first 29 count
    };
    for (const auto& c : cases) {
        const TIniText ini = TIniText::Parse("[I]\nv=" + std::string(c.value) + "\n");
        EXPECT_EQ(ini.ReadInteger("I", "v", 777), c.expected) << c.value;
    }
    const TIniText ini = TIniText::Parse("[I]\nbare\nv= -7 \n");
    EXPECT_EQ(ini.ReadInteger("I", "v", 777), -7);
    EXPECT_EQ(ini.ReadInteger("I", "bare", 777), 777);
    EXPECT_EQ(ini.ReadInteger("I", "missing", 777), 777);
    EXPECT_EQ(ini.ReadInteger("None", "v", 777), 777);
    EXPECT_TRUE(ini.ReadBool("I", "v", false));
    EXPECT_TRUE(ini.ReadBool("I", "missing", true));
}

// Wine's profile functions ignore the case of ASCII letters only; Windows compares names without regard
// to case in every script, and so does the reader.
TEST(IniText, NamesIgnoreCaseInEveryScriptOfTheLegacyCodePages) {
    const struct {
        const char* upper;
        const char* lower;
    } pairs[] = {
        {"ENTRIES", "entries"},
        {"\xEF\xBC\xA1\xEF\xBC\xBA", "\xEF\xBD\x81\xEF\xBD\x9A"}, // full-width ＡＺ / ａｚ
        {"\xCE\x91\xCE\xA3", "\xCE\xB1\xCF\x83"},                 // ΑΣ / ασ
        {"\xCE\xA3", "\xCF\x82"},                                 // Σ / final ς
        {"\xD0\x81\xD0\x94\xD0\xAF", "\xD1\x91\xD0\xB4\xD1\x8F"}, // ЁДЯ / ёдя
        {"\xC3\x89\xC3\x9E", "\xC3\xA9\xC3\xBE"},                 // ÉÞ / éþ
        {"\xC5\x81\xC5\xB8", "\xC5\x82\xC3\xBF"},                 // ŁŸ / łÿ
        {"\xE2\x85\xA0", "\xE2\x85\xB0"},                         // Roman numeral Ⅰ / ⅰ
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(FoldIniName(p.upper), FoldIniName(p.lower)) << p.upper;
        const TIniText ini = TIniText::Parse("[" + std::string(p.upper) + "]\n" + p.upper + "=v\n");
        EXPECT_EQ(ini.ReadString(p.lower, p.lower), "v") << p.lower;
    }
    // Letters without a case, signs next to the letter ranges and bytes that are no UTF-8 stay as they are.
    for (const std::string& same :
         {"\xC3\x97"s, "\xE3\x83\xA1\xE3\x83\xA2"s, "a\xFF\x83z"s, "\xC5\xBF"s, "@[`{"s})
        EXPECT_EQ(FoldIniName(same), same);
    EXPECT_NE(FoldIniName("\xC3\x97"), FoldIniName("\xC3\xB7")); // × and ÷ are not a pair
}

TEST(IniText, DecodesLegacyBytesAndByteOrderMarks) {
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"[\x95\x5C\x8E\xA6]\r\n", "[表示]\r\n"},
        {"\xEF\xBB\xBF[S]\r\nk=\xE8\xA1\xA8\r\n", "[S]\r\nk=表\r\n"},
        {"\xEF\xBB\xBF"
         "a\xFF"
         "b\xE8\xA1",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xFF\xFE[\0S\0]\0\r\0\n\0h\x88=\0\x3D\xD8\x00\xDE"s, "[S]\r\n\xE8\xA1\xA8=\xF0\x9F\x98\x80"},
        {"\xFE\xFF\0[\0S\0]\x88h\xDE\x00x"s, "[S]\xE8\xA1\xA8\xEF\xBF\xBD"}, // lone surrogate; odd last byte
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeIniBytes(c.bytes), c.text);
}

TEST(IniText, ParsesLegacyTextAfterDecodingIt) {
    // "‐" is 0x81 0x5D in CP932: its second byte is "]", which must not close a section header.
    const TIniText ini = TIniText::FromFileBytes("[Entries]\r\n[\x95\x5C\x81\x5D=notepad.exe\r\n");
    EXPECT_EQ(ini.KeyNames("Entries"), std::vector<std::string>{"[表\xE2\x80\x90"});
    EXPECT_EQ(ini.ReadString("Entries", "[表\xE2\x80\x90"), "notepad.exe");
}

TEST(IniText, FileNamesOfTheGroups) {
    EXPECT_EQ(IniFileName(0), "LODESTAR.INI");
    EXPECT_EQ(IniFileName(1), "LODEST01.INI");
    EXPECT_EQ(IniFileName(9), "LODEST09.INI");
    EXPECT_THROW(IniFileName(-1), EProgramError);
    EXPECT_THROW(IniFileName(kGroupCount), EProgramError);
}

// A group file as versions up to 2.61 wrote it, in CP932.
const std::string kGroupFile =
    "[Group]\r\nName=\x83\x63\x81\x5B\x83\x8B\r\n" // ツール
    "[Entries]\r\n"
    "\x83\x81\x83\x82\x92\xA0=C:\\Windows\\notepad.exe \x97\x5C\x92\xE8.txt\r\n" // メモ帳
    "Calc=calc.exe\r\n"
    "Removed=\r\n"
    "Web=\"http://example.com/\"\r\n"
    "calc=other.exe\r\n"
    "Big=big.exe\r\n"
    "Odd=odd.exe\r\n"
    "[Tips]\r\n"
    "\x83\x81\x83\x82\x92\xA0=\x97\x5C\x92\xE8\x82\xF0\x8F\x91\x82\xAD\r\n" // 予定を書く
    "Removed=never shown\r\n"
    "CALC=Calculator\r\n"
    "[DefDir]\r\n"
    "\x83\x81\x83\x82\x92\xA0=C:\\\x95\x5C\r\n"
    "[CustomIcon]\r\n"
    "Web=shell32.dll,13\r\n"
    "[WindowSize]\r\n"
    "\x83\x81\x83\x82\x92\xA0=2\r\n"
    "Calc=1\r\n"
    "Big=5\r\n"
    "Odd=-1\r\n"
    "[HotKey]\r\n"
    "Calc=1604\r\n"
    "Big=0x10641\r\n"
    "Odd=-1\r\n";

TEST(IniItems, BuildsOneItemPerEntryWithAValue) {
    const TIniText ini = TIniText::FromFileBytes(kGroupFile);
    std::vector<TItemData> items;
    ReadIniItems(ini, items);

    TItemData memo;
    memo.Cmd = "C:\\Windows\\notepad.exe 予定.txt";
    memo.Tip = "予定を書く";
    memo.DefDir = "C:\\表";
    memo.WndSize = 2;
    TItemData calc;
    calc.Cmd = "calc.exe"; // "calc" repeats the name and reads the first value again
    calc.Tip = "Calculator";
    calc.WndSize = 1;
    calc.HotKey = 1604;
    TItemData web;
    web.Cmd = "http://example.com/";
    web.CustomIcon = "shell32.dll,13";
    TItemData big;
    big.Cmd = "big.exe";
    big.WndSize = 0;     // 5 is no window size
    big.HotKey = 0x0641; // the low 16 bits
    TItemData odd;
    odd.Cmd = "odd.exe";
    odd.WndSize = 0;
    odd.HotKey = 0xFFFF;
    const std::vector<TItemData> expected = {memo, calc, web, big, odd};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(items.capacity(), items.size());
    EXPECT_EQ(ReadIniGroupName(ini), "ツール");

    const std::vector<TIniEntry> entries = ReadIniEntries(ini);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].Name, "メモ帳");
    EXPECT_EQ(entries[1].Name, "Calc");
}

TEST(IniItems, OnlyAnEmptyListCanBeFilled) {
    const TIniText ini = TIniText::FromFileBytes(kGroupFile);
    std::vector<TItemData> items(1);
    try {
        ReadIniItems(ini, items);
        FAIL() << "a list with an item was accepted";
    } catch (const EProgramError& e) {
        EXPECT_STREQ(e.what(), "Program Error: ReadItemListのパラメータには空のListしか渡せません。");
    }
    EXPECT_EQ(items.size(), 1u);
}

TEST(IniItems, EntriesThatMakeNoItem) {
    const struct {
        std::string text;
        std::size_t items;
    } cases[] = {
        {"", 0},
        {"[Tips]\nA=tip\n", 0},
        {"[Entries]\nA=\n", 0},
        {"[Entries]\nA=\"\"\n", 0}, // empty once its quotes are gone
        {"[Entries]\nA\nA=later.exe\n", 0},
        {"[Entries]\n;A=commented.exe\n", 0},
        {"[Entries]\n=nameless.exe\nB=b.exe\n", 1},
        {"[Entries]\nA=a.exe\n[Entries]\nB=b.exe\n", 1},
        {"[entries]\na=a.exe\nA=again.exe\nb=b.exe\n", 2},
        {"[Entries]\nk=a.exe\nk \0x=b.exe\n"s, 1}, // listed as "k ", looked up as "k": the same item
    };
    for (const auto& c : cases) {
        std::vector<TItemData> items;
        ReadIniItems(TIniText::Parse(c.text), items);
        EXPECT_EQ(items.size(), c.items) << c.text;
        for (const TItemData& item : items)
            EXPECT_TRUE(IsValidItem(item));
    }
}

TEST(IniGroup, NameIsEmptyWhenTheFileGivesNone) {
    const struct {
        const char* text;
        const char* name;
    } cases[] = {
        {"", ""},
        {"[Group]\n", ""},
        {"[Group]\nTitle=x\n", ""},
        {"[Group]\nName=\n", ""},
        {"[GROUP]\nname = ' Work ' \n", " Work "},
        {"[Group]\nName=First\n[Group]\nName=Second\n", "First"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadIniGroupName(TIniText::Parse(c.text)), c.name) << c.text;
}

TEST(IniOptions, DefaultsForAFileWithoutOptions) {
    const TIniOptions options = ReadIniOptions(TIniText::Parse("[Entries]\nA=a.exe\n[Options]\n"));
    EXPECT_TRUE(options.ShowMainIcon && !options.ClickType && !options.DereferLinks && options.DnDTimer &&
                options.ConfirmDelete && !options.HideLinkOverlay);
    EXPECT_EQ(options.NotifyNotFound, 1);
    EXPECT_EQ(options.Interval, 500);
    EXPECT_EQ(options.DefIconPath, "");
}

TEST(IniOptions, ReadsEverySetting) {
    const TIniOptions options = ReadIniOptions(TIniText::Parse("[Options]\r\n"
                                                               "ShowMainIcon=0\r\n"
                                                               "ClickType=1\r\n"
                                                               "NotifyNotFound=2\r\n"
                                                               "DereferLinks=-1\r\n"
                                                               "DnDTimer=0\r\n"
                                                               "Interval=800\r\n"
                                                               "confirm@del=0\r\n"
                                                               "HideLinkOverlay=7\r\n"
                                                               "DefIconPath=\"C:\\Icons\\app.ico,2\"\r\n"));
    TIniOptions expected;
    expected.ShowMainIcon = false;
    expected.ClickType = true;
    expected.NotifyNotFound = 2;
    expected.DereferLinks = true;
    expected.DnDTimer = false;
    expected.Interval = 800;
    expected.ConfirmDelete = false;
    expected.HideLinkOverlay = true;
    expected.DefIconPath = "C:\\Icons\\app.ico,2";
    EXPECT_EQ(options, expected);
    // A boolean that is no number reads as 0, not as its default.
    EXPECT_FALSE(ReadIniOptions(TIniText::Parse("[Options]\nShowMainIcon=yes\n")).ShowMainIcon);
    EXPECT_TRUE(ReadIniOptions(TIniText::Parse("[Options]\nShowMainIcon=\n")).ShowMainIcon);
}

TEST(IniOptions, IntervalTrackPosition) {
    const struct {
        int value;
        int position;
    } cases[] = {{250, 5}, {800, 8}, {299, 5}, {300, 3}, {399, 3}, {1200, 12}, {1201, 5}, {0, 5}, {-800, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(IntervalTrackPosition(c.value), c.position) << c.value;
}
