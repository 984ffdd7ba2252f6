// The group INI files of versions up to 2.61, read from real files. The parser is compared key by key with
// the system's own profile functions on the same files, and a group is read the way those versions read
// it (listing "Entries", then asking every other section for each name) to compare whole item lists.
#include "LodestarIni.h"

#include "CommandLine.h"
#include "Errors.h"
#include "Handles.h"
#include "WinError.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "WinTestSupport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace lodestar;
using namespace std::string_literals;
using namespace lodestar::test;

namespace {

// The profile functions, through their ANSI entry points as versions up to 2.61 called them. The program
// runs with UTF-8 as its ANSI code page, so names and values pass as UTF-8.
constexpr char kAbsent[] = "\x01 absent \x01";
constexpr DWORD kBufferChars = 1 << 16;

std::optional<std::string> SystemString(const std::string& path, const std::string& section,
                                        const std::string& key) {
    std::string buffer(kBufferChars, '\0');
    const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), kAbsent, buffer.data(),
                                               kBufferChars, path.c_str());
    buffer.resize(n);
    if (buffer == kAbsent) return std::nullopt;
    return buffer;
}

int SystemInt(const std::string& path, const std::string& section, const std::string& key, int def) {
    return static_cast<int>(::GetPrivateProfileIntA(section.c_str(), key.c_str(), def, path.c_str()));
}

// A list of NUL-terminated names. The whole list is split: an empty name in it would end the list for
// any caller that walks it, and reading on past it is where the parser deliberately differs.
std::vector<std::string> SplitList(const std::string& buffer) {
    std::vector<std::string> names;
    for (std::size_t pos = 0; pos < buffer.size();) {
        const std::size_t end = std::min(buffer.find('\0', pos), buffer.size());
        if (end > pos) names.push_back(buffer.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}

std::vector<std::string> SystemKeyNames(const std::string& path, const std::string& section) {
    std::string buffer(kBufferChars, '\0');
    const DWORD n =
        ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), kBufferChars, path.c_str());
    buffer.resize(n);
    return SplitList(buffer);
}

std::vector<std::string> SystemSectionNames(const std::string& path) {
    std::string buffer(kBufferChars, '\0');
    const DWORD n =
        ::GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), kBufferChars, path.c_str());
    buffer.resize(n);
    return SplitList(buffer);
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\v\f\x1A");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\v\f\x1A") - first + 1));
}

// A group read the way versions up to 2.61 read it, every answer coming from the profile functions.
std::vector<TItemData> SystemItems(const std::string& path) {
    std::vector<TItemData> items;
    std::set<std::string> seen;
    for (const std::string& name : SystemKeyNames(path, "Entries")) {
        if (!seen.insert(AsciiLower(TrimSpaces(name))).second) continue;
        TItemData item;
        item.Cmd = SystemString(path, "Entries", name).value_or("");
        if (item.Cmd.empty()) continue;
        item.Tip = SystemString(path, "Tips", name).value_or("");
        item.DefDir = SystemString(path, "DefDir", name).value_or("");
        item.CustomIcon = SystemString(path, "CustomIcon", name).value_or("");
        const int wndSize = SystemInt(path, "WindowSize", name, 0);
        item.WndSize = wndSize >= 0 && wndSize <= 2 ? static_cast<std::uint8_t>(wndSize) : 0;
        item.HotKey = static_cast<std::uint16_t>(SystemInt(path, "HotKey", name, 0));
        items.push_back(item);
    }
    return items;
}

TIniOptions SystemOptions(const std::string& path) {
    TIniOptions o;
    o.ShowMainIcon = SystemInt(path, "Options", "ShowMainIcon", 1) != 0;
    o.ClickType = SystemInt(path, "Options", "ClickType", 0) != 0;
    o.NotifyNotFound = SystemInt(path, "Options", "NotifyNotFound", 1);
    o.DereferLinks = SystemInt(path, "Options", "DereferLinks", 0) != 0;
    o.DnDTimer = SystemInt(path, "Options", "DnDTimer", 1) != 0;
    o.Interval = SystemInt(path, "Options", "Interval", 500);
    o.ConfirmDelete = SystemInt(path, "Options", "Confirm@Del", 1) != 0;
    o.HideLinkOverlay = SystemInt(path, "Options", "HideLinkOverlay", 0) != 0;
    o.DefIconPath = SystemString(path, "Options", "DefIconPath").value_or("");
    return o;
}

// Files with what the profile functions have rules for. Plain ASCII (a byte order mark aside), so that
// the system reads them the same whatever its code page.
struct TIniCase {
    const char* Name;
    std::string Bytes;
};

const TIniCase kCases[] = {
    {"values-crlf", "; comment before any section\r\n"
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
                    "j='\r\n"
                    "l=\"\"\"\r\n"
                    "NoEquals\r\n"
                    ";comment=x\r\n"
                    "  ;indented=y\r\n"
                    "\r\n"
                    "   \t \r\n"
                    "k=v=w\r\n"
                    "tab\t=\ttabbed\t\r\n"
                    "vt\v=\vvertical\f\r\n"
                    "ctrlz\x1A=\x1Avalue\x1A\r\n"
                    "ctl=\x01\x1F"
                    "x\x1C\r\n"
                    "empty=\r\n"
                    "quoted key\"=v\r\n"
                    "\"q\" = w \r\n"},
    {"line-ends", "[S]\na=lf\nb=2\r\rc=cr\rd=4\n\n\r\ne=5\r\n\r\n[T]\rt=1\n\r[U]\r\nu=1"},
    {"repeats", "[Dup]\r\n"
                "x=first\r\n"
                "X=second spelling\r\n"
                "Shadow\r\n"
                "Shadow=later\r\n"
                "y=1\r\n"
                "y=2\r\n"
                "[Other]\r\n"
                "o=1\r\n"
                "[DUP]\r\n"
                "x=second section\r\n"
                "z=only in the second section\r\n"
                "[Entries]\r\n"
                "App=app.exe\r\n"
                "APP=again.exe\r\n"
                "Gone\r\n"
                "Gone=gone.exe\r\n"
                "[entries]\r\n"
                "Hidden=hidden.exe\r\n"},
    {"headers", "k=before\r\n"
                "[]\r\n"
                "k=bracket\r\n"
                "  [ Spaced ]  \r\n"
                "s=1\r\n"
                "[\tTabbed\x1A]\r\n"
                "t=1\r\n"
                "[Brack]junk\r\n"
                "b=1\r\n"
                "[Unclosed\r\n"
                "u=1\r\n"
                "[Unclosed=value\r\n"
                "[x]y]\r\n"
                "xy=1\r\n"
                "[abc]=def\r\n"
                "after=1\r\n"
                "[   ]\r\n"
                "blank=1\r\n"
                "]odd[\r\n"},
    {"integers",
     "[Ints]\r\n"
     "i1=42\r\ni2= -7 \r\ni3=+8\r\ni4=12abc\r\ni5=abc\r\ni6=0x1F\r\ni7=\r\ni8=\"55\"\r\n"
     "i9=4294967297\r\ni10=-\r\ni11=000000000000000000000000000000000012\r\n"
     "i12=00000000000000000000000000012\r\ni13=0000000000000000000000000000012\r\n"
     "i14=\t9\r\ni15=- 5\r\ni16=2147483648\r\ni17=1 2\r\ni19=\"7\r\ni20=+-1\r\ni21=0b11\r\n"
     "i22=010\r\ni23=99999999999\r\ni24=-0x10\r\ni25=0X10\r\ni26=0x\r\ni27=0xg\r\ni28=0o17\r\n"
     "i29=0b102\r\ni30=\"  5\"\r\ni31=0x-5\r\ni32=+0x10\r\ni33=0xFFFFFFFF\r\ni34=0xAb\r\ni35=0o8\r\n"
     "i36=''\r\ni37=' 12 '\r\ni38=12\"\r\ni39=-2147483649\r\ni40=\x01\x02 7\r\ni41=0B11\r\n"
     "bare\r\n"},
    {"nameless", "[E]\r\nfirst=1\r\n=nameless\r\nsecond=2\r\n  = blank\r\nthird=3\r\n=\r\n"
                 "[Entries]\r\nA=a.exe\r\n=nameless.exe\r\nB=b.exe\r\n"},
    {"nul-bytes", "[N\0ul]\r\nab \0cd=1\r\nn2=va\0lue\r\nn3=\"x\0\"\r\n\0hidden=1\r\nn4\0=x=y\r\n"
                  "[Entries]\r\nk=a.exe\r\nk \0x=b.exe\r\n"s},
    {"bom-utf8", "\xEF\xBB\xBF[S]\r\nk=utf8\r\n[Entries]\r\nA=a.exe\r\n"},
    {"bom-utf16le", "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0u\0\r\0\n\0"s},
    {"bom-utf16be", "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0b\0\r\0\n"s},
    {"group", "[Group]\r\n"
              "Name=Tools\r\n"
              "[Entries]\r\n"
              "Notepad=C:\\Windows\\notepad.exe memo.txt\r\n"
              "Calc=calc.exe\r\n"
              "Removed=\r\n"
              "Web=\"http://example.com/\"\r\n"
              "calc=other.exe\r\n"
              "Big=big.exe\r\n"
              "Odd=odd.exe\r\n"
              "[Tips]\r\n"
              "Notepad=Write a memo\r\n"
              "Removed=never shown\r\n"
              "CALC=Calculator\r\n"
              "[DefDir]\r\n"
              "Notepad=C:\\Memos\r\n"
              "Odd=' C:\\Spaced '\r\n"
              "[CustomIcon]\r\n"
              "Web=shell32.dll,13\r\n"
              "[WindowSize]\r\n"
              "Notepad=2\r\n"
              "Calc=1\r\n"
              "Big=5\r\n"
              "Odd=-1\r\n"
              "[HotKey]\r\n"
              "Calc=1604\r\n"
              "Big=0x10641\r\n"
              "Odd=-1\r\n"
              "[Options]\r\n"
              "ShowMainIcon=0\r\n"
              "ClickType=1\r\n"
              "NotifyNotFound=2\r\n"
              "DereferLinks=yes\r\n"
              "DnDTimer=\r\n"
              "Interval=\"800\"\r\n"
              "confirm@del=0\r\n"
              "HideLinkOverlay=-1\r\n"
              "DefIconPath=\"C:\\Icons\\app.ico,2\"\r\n"},
};

// A fresh folder in the temporary folder, removed with the fixture.
class IniFolder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
        root_ = AddBackslash(Narrow(temp)) + "Lodestar INI Test " + std::to_string(::GetCurrentProcessId()) +
                "-" + std::to_string(::GetTickCount64());
        ASSERT_TRUE(::CreateDirectoryW(Widen(root_).c_str(), nullptr));
    }

    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(Widen(root_)), error);
        EXPECT_FALSE(error) << "temporary folder left behind: " << root_;
    }

    // A folder below the root (UTF-8 name), created.
    std::string Folder(const std::string& name) {
        const std::string folder = root_ + "\\" + name;
        EXPECT_TRUE(::CreateDirectoryW(Widen(folder).c_str(), nullptr)) << folder;
        return folder;
    }

    std::string root_;
};

} // namespace

TEST_F(IniFolder, ParserAgreesWithTheProfileFunctions) {
    for (const TIniCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        // Each case has a file of its own: the system caches what it has read by file name.
        const std::string folder = Folder(c.Name);
        const std::string path = folder + "\\LODESTAR.INI";
        WriteBytes(path, c.Bytes);
        const TLodestarIni file(0, folder);
        const TIniText& ini = file.Text();

        EXPECT_FALSE(SystemSectionNames(path).empty()) << "the system read nothing of the file";
        EXPECT_EQ(ini.SectionNames(), SystemSectionNames(path));

        // Every name the file holds or could be taken to hold, in either case and padded.
        std::set<std::string> sections = {"", "Missing", " Sec ", "Entries"};
        for (const std::string& s : SystemSectionNames(path))
            sections.insert({s, AsciiLower(s), AsciiUpper(s)});
        std::set<std::string> keys = {"", "missing"};
        const std::string text = DecodeIniBytes(c.Bytes);
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
            const std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            keys.insert({TrimSpaces(line), TrimSpaces(line.substr(0, line.find('='))), " " + line + " "});
            if (line.size() > 2 && line.front() == '[') sections.insert(line.substr(1, line.find(']') - 1));
        }
        for (const std::string& s : std::set<std::string>(sections)) {
            for (const std::string& k : SystemKeyNames(path, s))
                keys.insert({k, AsciiLower(k), AsciiUpper(k)});
        }

        for (const std::string& s : sections) {
            // The functions take C strings: whatever follows a NUL is not part of the name.
            const std::string section = s.substr(0, s.find('\0'));
            EXPECT_EQ(ini.KeyNames(section), SystemKeyNames(path, section)) << "[" << section << "]";
            for (const std::string& k : keys) {
                const std::string key = k.substr(0, k.find('\0'));
                EXPECT_EQ(ini.ReadString(section, key), SystemString(path, section, key))
                    << "[" << section << "] " << key;
                EXPECT_EQ(ini.ReadInteger(section, key, 12345), SystemInt(path, section, key, 12345))
                    << "[" << section << "] " << key;
            }
        }

        std::vector<TItemData> items;
        file.ReadItemList(items);
        EXPECT_EQ(items, SystemItems(path));
        EXPECT_EQ(file.GroupName(), SystemString(path, "Group", "Name").value_or(""));
        EXPECT_EQ(file.ReadOptions(), SystemOptions(path));
    }
}

TEST_F(IniFolder, OnlyTheMainFileMakesOnlyGroupZero) {
    const std::string folder = Folder("main only");
    WriteBytes(folder + "\\LODESTAR.INI", "[Group]\r\nName=Main\r\n[Entries]\r\nA=a.exe\r\nB=b.exe\r\n");
    const TLodestarIni main(0, folder);
    EXPECT_TRUE(main.FileFound());
    std::vector<TItemData> items;
    main.ReadItemList(items);
    EXPECT_EQ(items.size(), 2u);
    EXPECT_EQ(main.GroupName(), "Main");
    for (int group = 1; group < kGroupCount; ++group) {
        const TLodestarIni file(group, folder);
        EXPECT_FALSE(file.FileFound()) << group;
        EXPECT_EQ(file.FileName(), folder + "\\LODEST0" + std::to_string(group) + ".INI");
        std::vector<TItemData> none;
        file.ReadItemList(none);
        EXPECT_TRUE(none.empty()) << group;
        EXPECT_EQ(file.GroupName(), "") << group;
    }
    // A folder that does not exist holds no file either.
    std::vector<TItemData> none;
    TLodestarIni(0, folder + "\\missing").ReadItemList(none);
    EXPECT_TRUE(none.empty());
}

TEST_F(IniFolder, JapaneseFileInAJapaneseFolder) {
    // The system's legacy code page is 932 here, as on the Japanese systems those versions ran on.
    const std::string folder = Folder("ランチャー設定 表");
    WriteBytes(
        folder + "\\LODEST03.INI",
        "[Group]\r\nName=\x83\x63\x81\x5B\x83\x8B\r\n"                                            // ツール
        "[Entries]\r\n\x83\x81\x83\x82\x92\xA0=C:\\Windows\\notepad.exe \x97\x5C\x92\xE8.txt\r\n" // メモ帳
        "\x83\x5C\x83\x74\x83\x67\x81\x40=soft.exe\r\n"                                   // "ソフト　"
        "[Tips]\r\n\x83\x81\x83\x82\x92\xA0=\x97\x5C\x92\xE8\x82\xF0\x8F\x91\x82\xAD\r\n" // 予定を書く
        "\x83\x5C\x83\x74\x83\x67=not this one\r\n"
        "\x83\x5C\x83\x74\x83\x67\x81\x40=\x81\x40\x95\x5C\x8E\xA6\r\n" // "　表示"
        "[DefDir]\r\n\x83\x81\x83\x82\x92\xA0=C:\\\x95\x5C\r\n"
        "[WindowSize]\r\n\x83\x81\x83\x82\x92\xA0=1\r\n");
    const TLodestarIni file(3, folder);
    EXPECT_TRUE(file.FileFound());
    EXPECT_EQ(file.GroupName(), "ツール");
    std::vector<TItemData> items;
    file.ReadItemList(items);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Cmd, "C:\\Windows\\notepad.exe 予定.txt");
    EXPECT_EQ(items[0].Tip, "予定を書く");
    EXPECT_EQ(items[0].DefDir, "C:\\表");
    EXPECT_EQ(items[0].WndSize, 1);
    // A full-width space is no blank to the profile functions: it stays part of the name and the value.
    EXPECT_EQ(items[1].Cmd, "soft.exe");
    EXPECT_EQ(items[1].Tip, "　表示");
    // Only the group 0 file holds the settings.
    EXPECT_THROW(file.ReadOptions(), EProgramError);
}

TEST_F(IniFolder, PercentSignsInTheFolderAreKept) {
    const std::string folder = Folder("100%d %s %% %.2d");
    WriteBytes(folder + "\\LODEST01.INI", "[Group]\r\nName=Percent\r\n[Entries]\r\nA=a.exe\r\n");
    const TLodestarIni file(1, folder);
    EXPECT_EQ(file.FileName(), folder + "\\LODEST01.INI");
    EXPECT_TRUE(file.FileFound());
    EXPECT_EQ(file.GroupName(), "Percent");
    std::vector<TItemData> items;
    file.ReadItemList(items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Cmd, "a.exe");
}

TEST_F(IniFolder, AFileThatCannotBeReadIsAnError) {
    // Reading it as empty would import a group without its items and report success.
    const std::string folder = Folder("locked");
    const std::string path = folder + "\\LODESTAR.INI";
    WriteBytes(path, "[Entries]\r\nA=a.exe\r\n");
    {
        const UniqueFile locked(::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locked);
        try {
            TLodestarIni file(0, folder);
            FAIL() << "a locked file was read";
        } catch (const EWindowsError& e) {
            EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
    }
    std::vector<TItemData> items;
    TLodestarIni(0, folder).ReadItemList(items);
    EXPECT_EQ(items.size(), 1u);

    // A folder where the file should be.
    const std::string other = Folder("folder in the way");
    ASSERT_TRUE(::CreateDirectoryW(Widen(other + "\\LODEST02.INI").c_str(), nullptr));
    EXPECT_THROW(TLodestarIni(2, other), EWindowsError);
}

TEST_F(IniFolder, ReadItemListTakesOnlyAnEmptyList) {
    const std::string folder = Folder("nonempty");
    WriteBytes(folder + "\\LODESTAR.INI", "[Entries]\r\nA=a.exe\r\n");
    std::vector<TItemData> items(1);
    try {
        TLodestarIni(0, folder).ReadItemList(items);
        FAIL() << "a list with an item was accepted";
    } catch (const EProgramError& e) {
        EXPECT_STREQ(e.what(), "Program Error: ReadItemListのパラメータには空のListしか渡せません。");
    }
    EXPECT_EQ(items.size(), 1u);
    EXPECT_THROW(TLodestarIni(kGroupCount, folder), EProgramError);
}
