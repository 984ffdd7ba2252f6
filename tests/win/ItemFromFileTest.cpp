// Items made from real files: shortcuts written through the shell's own link object, Internet
// shortcuts written as Explorer writes them, plain files and paths that are not there.
#include "lsCommon.h"

#include "CommandLine.h"
#include "Handles.h"
#include "ItemRecord.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "WinTestSupport.h"

#include <filesystem>
#include <string>

using namespace lodestar;
using namespace lodestar::test;

namespace lodestar {
// Failures show the fields, not the bytes.
void PrintTo(const TItemData& item, std::ostream* out) {
    *out << "{Tip \"" << item.Tip << "\", Cmd \"" << item.Cmd << "\", IDList " << item.IDList.Size()
         << " bytes, DefDir \"" << item.DefDir << "\", CustomIcon \"" << item.CustomIcon << "\", WndSize "
         << int(item.WndSize) << ", HotKey " << std::hex << item.HotKey << std::dec << ", "
         << item.Children.size() << " children}";
}
} // namespace lodestar

namespace {

std::string DisplayNameOf(const IdList& list) {
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list.Data()), 0, &info, sizeof info,
                          SHGFI_PIDL | SHGFI_DISPLAYNAME))
        return {};
    return Narrow(info.szDisplayName);
}

// The show command as the shell's link object reads it back. Wine writes it into the file but reads
// every one back as SW_SHOWNORMAL; the item can only follow what the shell reads.
int ShowCmdAsRead(const std::string& lnkPath) {
    ComPtr<IShellLinkW> link;
    ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    const ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
    int showCmd = -1;
    if (file && SUCCEEDED(file->Load(Widen(lnkPath).c_str(), STGM_READ))) link->GetShowCmd(&showCmd);
    return showCmd;
}

// A record with every field set, to see that each call starts from an empty one.
TItemData Filled() {
    TChildIcon child;
    child.Cmd = "old.exe";
    return MakeItemData("old", "old.exe", ParseIdList(std::string(kMyComputer)), "C:\\old", "old.ico,1",
                        wsMaximized, 0x4041, {child});
}

// A fresh folder in the temporary folder, with a blank in its name so that short forms differ:
//   <Root>\Long Folder\My Program.exe, Tool Data.txt
class ItemFromFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
        Temp = RemoveBackslash(LongOf(Narrow(temp)));
        Root = Temp + "\\Lodestar Items " + std::to_string(::GetCurrentProcessId());
        Folder = Root + "\\Long Folder";
        Program = Folder + "\\My Program.exe";
        ASSERT_TRUE(::CreateDirectoryW(Widen(Root).c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(Widen(Folder).c_str(), nullptr));
        WriteBytes(Program, "MZ");
        WriteBytes(Folder + "\\Tool Data.txt", "lodestar");
        ASSERT_NE(ShortOf(Program), Program); // the cases below need a short form that differs
    }
    static void TearDownTestSuite() {
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(Widen(Root)), error);
    }

    static inline std::string Temp, Root, Folder, Program;
};

} // namespace

TEST_F(ItemFromFileTest, ShortcutToProgramWithArguments) {
    const std::string notepad = LongOf("C:\\windows\\notepad.exe");
    ASSERT_FALSE(notepad.empty());
    // The file system's own spelling: Wine stores the folder in lower case.
    EXPECT_EQ(notepad, "C:\\windows\\notepad.exe");
    const std::string lnk = Root + "\\Notepad へのショートカット.lnk";
    WriteShortcut(lnk, {.Target = "C:\\windows\\notepad.exe",
                        .Arguments = "a.txt",
                        .WorkDir = "C:\\windows",
                        .HotKey = 0x0641, // Ctrl+Alt+A
                        .IconPath = "C:\\windows\\notepad.exe",
                        .IconIndex = 2,
                        .ShowCmd = SW_SHOWMINNOACTIVE});
    TItemData item = Filled();
    ASSERT_TRUE(ItemFromFile(lnk, item));
    EXPECT_EQ(item,
              MakeItemData("Notepad ", notepad + " a.txt", {}, "C:\\windows", "C:\\windows\\notepad.exe,2",
                           ShowCmdToWndSize(ShowCmdAsRead(lnk)), 0xC041, {}));
}

TEST_F(ItemFromFileTest, ProgramWithBlankIsQuotedInItsLongForm) {
    const std::string lnk = Root + "\\My Program.lnk";
    // Written with the short path: the item still shows the name the user knows.
    WriteShortcut(
        lnk, {.Target = ShortOf(Program), .Arguments = "-x \"Tool Data.txt\"", .ShowCmd = SW_SHOWMAXIMIZED});
    TItemData item;
    ASSERT_TRUE(ItemFromFile(lnk, item));
    EXPECT_EQ(item.Cmd, "\"" + Program + "\" -x \"Tool Data.txt\"");
    EXPECT_EQ(SplitCommandLine(item.Cmd).Path, Program);
    EXPECT_EQ(item.Tip, "My Program");
    EXPECT_EQ(item.WndSize, ShowCmdToWndSize(ShowCmdAsRead(lnk)));
    EXPECT_FALSE(item.IDList);
    EXPECT_TRUE(item.CustomIcon.empty());
}

TEST_F(ItemFromFileTest, ShortcutNameSuffixes) {
    struct Case {
        std::string File;
        std::string Tip;
    } cases[] = {
        {"Tool へのｼｮｰﾄｶｯﾄ.lnk", "Tool "},
        {"メモ帳へのショートカット.lnk", "メモ帳"},
        {"へのショートカット.lnk", "へのショートカット"},
        {"Tool へのショートカット (2).lnk", "Tool へのショートカット (2)"},
        // The names Windows 10 and 11 give new shortcuts, in Japanese and in English.
        {"メモ帳 - ショートカット.lnk", "メモ帳"},
        {"Notepad - Shortcut.lnk", "Notepad"},
        {" - ショートカット.lnk", " - ショートカット"},
        {"Tool - Shortcut (2).lnk", "Tool - Shortcut (2)"},
        {"Shortcut.lnk", "Shortcut"},
    };
    for (const Case& c : cases) {
        const std::string lnk = Root + "\\" + c.File;
        WriteShortcut(lnk, {.Target = Program});
        TItemData item;
        ASSERT_TRUE(ItemFromFile(lnk, item)) << c.File;
        EXPECT_EQ(item.Tip, c.Tip) << c.File;
        EXPECT_EQ(item.Cmd, QuoteIfSpaced(Program));
    }
}

TEST_F(ItemFromFileTest, ShortcutToFolderKeepsItsPathWhole) {
    const std::string lnk = Root + "\\Folder.lnk";
    WriteShortcut(lnk, {.Target = ShortOf(Folder)});
    TItemData item;
    ASSERT_TRUE(ItemFromFile(lnk, item));
    EXPECT_EQ(item.Cmd, "\"" + Folder + "\"");
    EXPECT_EQ(SplitCommandLine(item.Cmd).Path, Folder);
    EXPECT_FALSE(item.IDList);
}

TEST_F(ItemFromFileTest, ShortcutToShellObjectKeepsItsIdList) {
    const std::string names[] = {std::string(kMyComputer), "::{21EC2020-3AEA-1069-A2DD-08002B30309D}"};
    for (const std::string& name : names) {
        const IdList list = ParseIdList(name);
        ASSERT_TRUE(list) << name;
        const std::string lnk = Root + "\\Shell Object.lnk";
        WriteShortcut(lnk, {.Arguments = "ignored", .IDList = list});
        TItemData item = Filled();
        ASSERT_TRUE(ItemFromFile(lnk, item)) << name;
        EXPECT_EQ(item.Cmd, "") << name;
        ASSERT_TRUE(item.IDList) << name;
        EXPECT_EQ(DisplayNameOf(item.IDList), DisplayNameOf(list)) << name;
        EXPECT_FALSE(IsFileSystemObject("", item.IDList));
        EXPECT_EQ(item.Tip, "Shell Object");
    }
}

TEST_F(ItemFromFileTest, TargetThatIsGoneKeepsItsPath) {
    struct Case {
        std::string Target;
        std::string Cmd;
    } cases[] = {
        {Temp + "\\lodestar-gone.exe", QuoteIfSpaced(Temp + "\\lodestar-gone.exe") + " -q"},
        // A blank would end the program part of the command: quoted.
        {Folder + "\\Gone Program.exe", "\"" + Folder + "\\Gone Program.exe\" -q"},
    };
    for (const Case& c : cases) {
        WriteBytes(c.Target, "MZ");
        const std::string lnk = Root + "\\Gone.lnk";
        WriteShortcut(lnk, {.Target = c.Target, .Arguments = "-q"});
        ASSERT_TRUE(::DeleteFileW(Widen(c.Target).c_str()));
        TItemData item;
        ASSERT_TRUE(ItemFromFile(lnk, item)) << c.Target;
        EXPECT_EQ(item.Cmd, c.Cmd);
        EXPECT_FALSE(item.IDList);
        EXPECT_EQ(SplitCommandLine(item.Cmd).Path, c.Target);
    }
}

TEST_F(ItemFromFileTest, InternetShortcut) {
    const std::string url = Root + "\\Example Site.URL";
    WriteBytes(url, "[InternetShortcut]\r\n"
                    "URL=https://example.com/a?b=1&c=2\r\n"
                    "HotKey=1601\r\n" // 0x641: Ctrl+Alt+A
                    "IconFile=C:\\windows\\notepad.exe\r\n"
                    "IconIndex=2\r\n");
    TItemData item = Filled();
    ASSERT_TRUE(ItemFromFile(url, item));
    EXPECT_EQ(item, MakeItemData("Example Site", "https://example.com/a?b=1&c=2", {}, "",
                                 "C:\\windows\\notepad.exe,2", wsNormal, 0xC041, {}));

    // UTF-8 with its byte order mark, as newer Windows writes non-ASCII ones; no hotkey, no icon index.
    const std::string japanese = Root + "\\天気.url";
    WriteBytes(japanese,
               "\xEF\xBB\xBF[InternetShortcut]\r\nURL=https://例え.jp/天気\r\nIconFile=C:\\a b\\i.ico\r\n");
    ASSERT_TRUE(ItemFromFile(japanese, item));
    EXPECT_EQ(item,
              MakeItemData("天気", "https://例え.jp/天気", {}, "", "C:\\a b\\i.ico,0", wsNormal, 0, {}));
}

TEST_F(ItemFromFileTest, InternetShortcutWithoutUrlIsNoItem) {
    const std::string url = Root + "\\Empty.url";
    WriteBytes(url, "[InternetShortcut]\r\nIconFile=C:\\windows\\notepad.exe\r\nHotKey=1601\r\n"
                    "[Other]\r\nURL=https://example.com/\r\n");
    TItemData item = Filled();
    EXPECT_FALSE(ItemFromFile(url, item));
    EXPECT_EQ(item, TItemData());
    ReadInternetShortcut(url, item);
    EXPECT_EQ(item, TItemData());
}

TEST_F(ItemFromFileTest, OtherFilesGiveEmptyRecords) {
    const std::string cases[] = {
        Folder + "\\Tool Data.txt", // a plain file: the caller takes the path itself
        Program,                    // not a shortcut, though it can run
        Root + "\\missing.lnk",
        Folder, // a folder is no file
        "",
    };
    for (const std::string& path : cases) {
        TItemData item = Filled();
        EXPECT_FALSE(ItemFromFile(path, item)) << path;
        EXPECT_EQ(item, TItemData()) << path;
    }
}

TEST_F(ItemFromFileTest, FileSystemObjects) {
    EXPECT_TRUE(IsFileSystemObject(Program, ParseIdList(Program)));
    EXPECT_TRUE(IsFileSystemObject("", ParseIdList(Folder)));
    EXPECT_FALSE(IsFileSystemObject(Program, ParseIdList(std::string(kMyComputer))));
    // Without an ID list the path decides.
    EXPECT_TRUE(IsFileSystemObject(Program, {}));
    EXPECT_TRUE(IsFileSystemObject("C:\\nowhere\\x.exe", {}));
    EXPECT_FALSE(IsFileSystemObject("", {}));
}

TEST_F(ItemFromFileTest, Names) {
    const IdList myComputer = ParseIdList(std::string(kMyComputer));
    ASSERT_FALSE(DisplayNameOf(myComputer).empty());
    EXPECT_EQ(ChildDefaultName("whatever.exe", myComputer), DisplayNameOf(myComputer));
    const std::pair<std::string, std::string> commands[] = {
        {"C:\\windows\\notepad.exe -x", "notepad.exe"},
        {"\"" + Folder + "\\\" /s", "Long Folder"},
        {"C:\\", "C:"},
        {"notepad", "notepad"},
    };
    for (const auto& [cmd, name] : commands)
        EXPECT_EQ(ChildDefaultName(cmd, {}), name) << cmd;

    TItemData item;
    item.Cmd = QuoteIfSpaced(Program) + " -x";
    EXPECT_EQ(ItemName(item), "My Program.exe");
    item.Tip = "Mine";
    EXPECT_EQ(ItemName(item), "Mine");
    item = TItemData();
    item.IDList = myComputer;
    EXPECT_EQ(ItemName(item), DisplayNameOf(myComputer));
}
