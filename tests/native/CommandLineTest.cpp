#include "CommandLine.h"
#include "LegacyText.h"

#include <gtest/gtest.h>

using namespace lodestar;

TEST(SplitCommandLine, SplitsProgramAndParameters) {
    struct Case {
        std::string line;
        std::string path;
        std::string params;
    } cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" -x", "C:\\Program Files\\App\\app.exe", "-x"},
        {"\"C:\\Program Files\\App\\app.exe\"", "C:\\Program Files\\App\\app.exe", ""},
        {"C:\\Program Files\\App\\app.exe", "C:\\Program", "Files\\App\\app.exe"},
        {"  notepad.exe   memo.txt  \t", "notepad.exe",
         "  memo.txt"}, // unquoted parameters keep their blanks
        {"\"C:\\a b\\c.exe\"   \"my file.txt\"  ", "C:\\a b\\c.exe", "\"my file.txt\""},
        {"notepad.exe", "notepad.exe", ""},
        {"http://example.com/?q=a b", "http://example.com/?q=a", "b"},
        {"\"", "", ""},
        {"\"\"", "", ""},
        {"\" x", "", "x"},
        {"", "", ""},
        {"\"C:\\a\"b c\" d", "C:\\a\"b c", "d"},
        {"\"C:\\no closing quote", "C:\\no closing quote", ""},
        {"\"C:\\メモ 帳\\メモ.exe\" ファイル.txt", "C:\\メモ 帳\\メモ.exe", "ファイル.txt"},
        // Names the legacy code page lacks reach the program as they are.
        {"\"C:\\Users\\Zoë\\Café😀项.txt\" /ü", "C:\\Users\\Zoë\\Café😀项.txt", "/ü"},
        {"C:\\😀\\a.exe 项目", "C:\\😀\\a.exe", "项目"},
    };
    for (const Case& c : cases) {
        const TCmd cmd = SplitCommandLine(c.line);
        EXPECT_EQ(cmd.Path, c.path) << c.line;
        EXPECT_EQ(cmd.Params, c.params) << c.line;
    }
}

TEST(SplitCommandLine, IgnoresTextBeyondTheLegacyLimit) {
    // Unquoted: the program takes at most 255 bytes; parameters run to byte 256.
    EXPECT_EQ(SplitCommandLine(std::string(300, 'a')).Path, std::string(255, 'a'));
    const TCmd spaced = SplitCommandLine(std::string(100, 'a') + " " + std::string(300, 'b'));
    EXPECT_EQ(spaced.Path, std::string(100, 'a'));
    EXPECT_EQ(spaced.Params, std::string(155, 'b'));
    // Quoted: the program without a closing quote and space runs to byte 256; parameters to byte 257.
    EXPECT_EQ(SplitCommandLine("\"" + std::string(300, 'a')).Path, std::string(255, 'a'));
    const TCmd quoted = SplitCommandLine("\"" + std::string(10, 'a') + "\" " + std::string(300, 'b'));
    EXPECT_EQ(quoted.Path, std::string(10, 'a'));
    EXPECT_EQ(quoted.Params, std::string(257 - 13, 'b'));
    // A closing quote beyond the limit is not seen.
    EXPECT_EQ(SplitCommandLine("\"" + std::string(300, 'a') + "\" x").Params, "");
    // The limits count legacy bytes and never split a double-byte character: 127 × 2 bytes + "a" = 255.
    std::string japanese = "a";
    for (int i = 0; i < 200; ++i)
        japanese += "表";
    const TCmd cut = SplitCommandLine(japanese);
    EXPECT_EQ(LegacyLength(cut.Path), 255u);
    EXPECT_EQ(SplitCommandLine("b" + japanese).Path.size(),
              1 + 1 + 126 * 3u); // 254 bytes: 表 would end at 256
}

TEST(JoinCommandLine, QuotesOnlyProgramsWithSpaces) {
    struct Case {
        TCmd cmd;
        std::string line;
    } cases[] = {
        {{"C:\\Program Files\\a.exe", ""}, "\"C:\\Program Files\\a.exe\""},
        {{"C:\\Program Files\\a.exe", "-x y"}, "\"C:\\Program Files\\a.exe\" -x y"},
        {{"notepad.exe", "memo.txt"}, "notepad.exe memo.txt"},
        {{"a b\"c", ""}, "\"a b\"\"c\""},
        {{"", ""}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinCommandLine(c.cmd), c.line) << c.cmd.Path;
    // What Join writes, Split reads back.
    const TCmd back = SplitCommandLine(JoinCommandLine({"C:\\Program Files\\a.exe", "--flag \"q r\""}));
    EXPECT_EQ(back, (TCmd{"C:\\Program Files\\a.exe", "--flag \"q r\""}));
}

TEST(SubstituteParam, ReplacesTheFirstPlaceholderOnly) {
    EXPECT_EQ(SubstituteParam("\"C:\\a.exe\" \"%1\"", "C:\\x y.txt"), "\"C:\\a.exe\" \"C:\\x y.txt\"");
    EXPECT_EQ(SubstituteParam("a.exe %1 %1", "f"), "a.exe f %1");
    EXPECT_EQ(SubstituteParam("a.exe /open", "f"), "a.exe /open");
    EXPECT_EQ(SubstituteParam("%1", "%1x"), "%1x");
}

TEST(SplitIconLocation, TakesTheIndexAfterTheLastComma) {
    struct Case {
        std::string location;
        std::string file;
        int index;
    } cases[] = {
        {"C:\\Windows\\System32\\shell32.dll,-154", "C:\\Windows\\System32\\shell32.dll", -154},
        {"C:\\a,b\\icons.dll,3", "C:\\a,b\\icons.dll", 3},
        {"C:\\app.exe", "C:\\app.exe", 0},
        {"C:\\app.exe,abc", "C:\\app.exe,abc", 0},
        {"C:\\app.exe,", "C:\\app.exe,", 0},
        {"C:\\app.exe,12x", "C:\\app.exe,12x", 0},
        {"C:\\app.exe,99999999999", "C:\\app.exe,99999999999", 0},
        {"C:\\app.exe, 7", "C:\\app.exe", 7},
    };
    for (const Case& c : cases) {
        std::string location = c.location;
        EXPECT_EQ(SplitIconLocation(location), c.index) << c.location;
        EXPECT_EQ(location, c.file) << c.location;
    }
}

TEST(PathText, BackslashesAndParts) {
    EXPECT_EQ(AddBackslash("C:\\dir"), "C:\\dir\\");
    EXPECT_EQ(AddBackslash("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(AddBackslash(""), "\\");
    // 表 ends in the byte 0x5C in the legacy encoding; in memory it is not a backslash.
    EXPECT_EQ(AddBackslash("C:\\表"), "C:\\表\\");
    EXPECT_EQ(RemoveBackslash("C:\\dir\\"), "C:\\dir");
    EXPECT_EQ(RemoveBackslash("C:\\dir\\\\"), "C:\\dir\\");
    EXPECT_EQ(RemoveBackslash("C:\\表"), "C:\\表");
    EXPECT_EQ(ExtractFileName("C:\\Windows\\notepad.exe"), "notepad.exe");
    EXPECT_EQ(ExtractFileName("C:notepad.exe"), "notepad.exe");
    EXPECT_EQ(ExtractFilePath("C:\\Windows\\notepad.exe"), "C:\\Windows\\");
    EXPECT_EQ(ExtractFilePath("notepad.exe"), "");
}

TEST(PathText, ExtensionIsTakenFromTheLastDotOfTheName) {
    struct Case {
        std::string path;
        std::string ext;
    } cases[] = {
        {"C:\\Windows\\notepad.exe", ".exe"},
        {"C:\\Windows\\notepad.exe -x", ".exe -x"},
        {"\"C:\\Windows\\notepad.exe\"", ".exe\""},
        {"C:\\my.dir\\readme", ""},
        {"C:\\my.dir/readme", ""},
        {"C:.profile", ".profile"},
        {"archive.tar.gz", ".gz"},
        {"name.", "."},
        {"メモ帳.ＥＸＥ", ".ＥＸＥ"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
}
