// Shell look-ups against real files, shortcut files and association keys created for the run.
#include "Handles.h"
#include "ItemProgram.h"
#include "ShellHelpers.h"

#include "CommandLine.h"
#include "WinText.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "WinTestSupport.h"

#include <filesystem>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    const std::wstring wa = Widen(a), wb = Widen(b);
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                  static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

std::string PathOfIdList(const IdList& list) {
    wchar_t path[MAX_PATH] = {};
    if (!list || !::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(list.Data()), path)) return {};
    return Narrow(path);
}

// A fresh folder in the temporary folder, removed after the suite:
//   <Root>\Long Folder Name\Document File.txt    long names with spaces, so short forms differ
//   <Root>\Long Folder Name\lodestarprog.com|.bat, ツール.pif, lodestarlink.lnk
//   <Root>\Document File.txt, <Root>\メモ帳テスト.txt, the file <Root>\noext, the folder <Root>\plain
class ShellFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
        const std::string tempLong = LongOf(Narrow(temp));
        ASSERT_FALSE(tempLong.empty());
        Root = AddBackslash(tempLong) + "Lodestar Shell Test " + std::to_string(::GetCurrentProcessId()) +
               "-" + std::to_string(::GetTickCount64());
        LongFolder = Root + "\\Long Folder Name";
        Document = LongFolder + "\\Document File.txt";
        Japanese = Root + "\\メモ帳テスト.txt";
        ASSERT_TRUE(::CreateDirectoryW(Widen(Root).c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(Widen(LongFolder).c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(Widen(Root + "\\plain").c_str(), nullptr));
        for (const std::string& file : {Document, Japanese, Root + "\\Document File.txt", Root + "\\noext",
                                        LongFolder + "\\lodestarprog.com", LongFolder + "\\lodestarprog.bat",
                                        LongFolder + "\\ツール.pif", LongFolder + "\\lodestarlink.lnk"})
            WriteBytes(file, "lodestar");
        ShortFolder = ShortOf(LongFolder);
        ShortDocument = ShortOf(Document);
        // The cases below are only meaningful while the short forms really differ from the long ones.
        ASSERT_FALSE(ShortFolder.empty());
        ASSERT_NE(ShortFolder, LongFolder);
        ASSERT_NE(ExtractFileName(ShortDocument), "Document File.txt");
    }

    static void TearDownTestSuite() {
        // A folder whose deletion is still pending (a handle somewhere not yet closed) outlives the call.
        const std::filesystem::path root(Widen(Root));
        std::error_code error;
        for (int attempt = 0; attempt < 20; ++attempt) {
            std::filesystem::remove_all(root, error);
            if (::GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) return;
            ::Sleep(50);
        }
        ADD_FAILURE() << "temporary folder left behind: " << Root << " " << error.message();
    }

    static inline std::string Root, LongFolder, ShortFolder, Document, ShortDocument, Japanese;
};

TEST_F(ShellFiles, ExistenceChecksTellFilesFromFolders) {
    struct Case {
        std::string Path;
        bool Folder;
        bool File;
    };
    const Case cases[] = {
        {LongFolder, true, false},
        {LongFolder + "\\", true, false},
        {ShortFolder, true, false},
        {Document, false, true},
        {ShortDocument, false, true},
        {Japanese, false, true},
        {Root + "\\missing.txt", false, false},
        {"", false, false},
        {"C:\\", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderExists(c.Path), c.Folder) << c.Path;
        EXPECT_EQ(FileExists(c.Path), c.File) << c.Path;
    }
}

TEST_F(ShellFiles, NeedsSearchOnlyForNamesThatAreNotThere) {
    struct Case {
        std::string Part;
        bool Needs;
    };
    const Case cases[] = {
        {"notepad", true},
        {"notepad.exe", true}, // a bare name is always looked up
        {"Document File.txt", true},
        {Root + "\\missing", true},
        {Root + "\\メモ帳テスト", true}, // the file exists only with its extension
        {Root + "\\missing.exe", false}, // has an extension
        {Root + "\\noext", false},       // an existing file
        {Root + "\\plain", false},       // an existing folder
        {ShortFolder, false},            // an existing folder by its short name
        {LongFolder + "\\", false},      // no file name
        {"C:", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NeedsSearch(c.Part), c.Needs) << c.Part;
}

TEST_F(ShellFiles, LongPathNameRestoresStoredNames) {
    struct Case {
        std::string Path;
        std::string Long;
    };
    const Case cases[] = {
        {ShortFolder, LongFolder},
        {ShortDocument, Document},
        {ShortFolder + "\\", LongFolder},
        {Japanese, Japanese},
        {ShortFolder + "\\..\\メモ帳テスト.txt", LongFolder + "\\..\\メモ帳テスト.txt"},
        {ShortFolder + "\\.", LongFolder + "\\."},
        {Root + "/" + ExtractFileName(ShortFolder) + "/" + ExtractFileName(ShortDocument), Document},
        {"C:\\", "C:"},
        {"C:", "C:"},
        // Not found: kept as it is, short parents included.
        {ShortFolder + "\\missing.txt", ShortFolder + "\\missing.txt"},
        {Root + "\\missing\\Document File.txt", Root + "\\missing\\Document File.txt"},
        // A pattern would match "Document File.txt" and must not turn into its name.
        {ShortFolder + "\\Doc*", ShortFolder + "\\Doc*"},
        {ShortFolder + "\\?ocument File.txt", ShortFolder + "\\?ocument File.txt"},
        {ShortFolder + "\\Document File<txt", ShortFolder + "\\Document File<txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LongPathName(c.Path), c.Long) << c.Path;

    // Components that are never looked up, however many, must not exhaust the stack.
    std::string deep = "C:";
    for (int i = 0; i < 50000; ++i)
        deep += "\\.";
    EXPECT_EQ(LongPathName(deep + "\\"), deep);
}

// Relative names are looked up in the current folder and stay relative.
TEST_F(ShellFiles, LongPathNameOfRelativeNames) {
    wchar_t previous[MAX_PATH] = {};
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(Widen(Root).c_str()));
    const std::string shortName = ExtractFileName(ShortDocument);
    EXPECT_EQ(LongPathName(shortName), "Document File.txt");
    EXPECT_EQ(LongPathName(ExtractFileName(ShortFolder) + "\\" + shortName),
              "Long Folder Name\\Document File.txt");
    EXPECT_EQ(LongPathName("C:" + shortName), "C:Document File.txt");
    EXPECT_EQ(LongPathName("missing"), "missing");
    ::SetCurrentDirectoryW(previous);
}

TEST_F(ShellFiles, FolderOrMyComputer) {
    struct Case {
        std::string Path;
        std::string Folder;
    };
    const Case cases[] = {
        {LongFolder, LongFolder},
        {LongFolder + "\\", LongFolder + "\\"},
        {Document, LongFolder + "\\"},
        {Japanese, Root + "\\"},
        {Root + "\\missing.txt", Root + "\\"},
        {Root + "\\missing\\file.txt", std::string(kMyComputer)},
        {"", std::string(kMyComputer)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderOrMyComputer(c.Path), c.Folder) << c.Path;
}

TEST_F(ShellFiles, SamePathAndSameFileCompareShortForms) {
    struct Case {
        std::string A, B;
        bool Path, File, Name;
    };
    const std::string rootDocument = Root + "\\Document File.txt";
    const Case cases[] = {
        {LongFolder, ShortFolder, true, true, true},
        {LongFolder, LongFolder + "\\", true, false, false}, // only paths ignore the trailing backslash
        {Document, ShortDocument, true, true, true},
        {Document, rootDocument, false, false, true}, // same name in another folder
        {Document, Japanese, false, false, false},
        {LongFolder, Root, false, false, false},
        {LongFolder, Root + "\\missing", false, false, false},
        // Missing paths have no short form and all compare as empty.
        {Root + "\\missing1", Root + "\\missing2", true, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SamePath(c.A, c.B), c.Path) << c.A << " | " << c.B;
        EXPECT_EQ(SameFile(c.A, c.B, false), c.File) << c.A << " | " << c.B;
        EXPECT_EQ(SameFile(c.A, c.B, true), c.Name) << c.A << " | " << c.B;
    }
}

TEST_F(ShellFiles, SearchProgramTriesExtensionsInOrder) {
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::string systemFolder = LongOf(Narrow(system));
    for (const char* name : {"notepad", "cmd", "NOTEPAD"}) {
        const std::string found = SearchProgram(name);
        EXPECT_TRUE(SameIgnoringCase(found, systemFolder + "\\" + name + ".exe")) << found;
        EXPECT_TRUE(FileExists(found)) << found;
    }

    wchar_t previous[MAX_PATH] = {};
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    // Entered by its short name: what the search finds comes back long.
    ASSERT_TRUE(::SetCurrentDirectoryW(Widen(ShortFolder).c_str()));
    struct Case {
        std::string Name;
        std::string Found;
    };
    const Case cases[] = {
        {"lodestarprog", LongFolder + "\\lodestarprog.com"}, // .COM before .BAT
        {"lodestarprog.bat", LongFolder + "\\lodestarprog.bat"},
        {"ツール", LongFolder + "\\ツール.pif"},
        {"lodestarlink", LongFolder + "\\lodestarlink.lnk"},
        {"lodestar-missing-program", "lodestar-missing-program"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchProgram(c.Name), c.Found) << c.Name;

    // The program an item's command starts, as running programs are compared with it: searched for,
    // expanded, shortcuts followed; nothing for a document, a web address or a missing program.
    const std::string lnk = Root + "\\コマンド.lnk";
    WriteShortcut(lnk, {ShortOf(systemFolder + "\\cmd.exe")});
    const Case commands[] = {
        {"notepad", systemFolder + "\\notepad.exe"},
        {"  %SystemRoot%\\system32\\CMD.EXE /c \"dir x\"", systemFolder + "\\cmd.exe"},
        {"\"" + ShortFolder + "\\lodestarprog.com\" /x", LongFolder + "\\lodestarprog.com"},
        {"\"" + lnk + "\"", systemFolder + "\\cmd.exe"},
        {"\"" + Document + "\"", ""},
        {"https://example.com", ""},
        {"lodestar-missing-program.exe", ""},
    };
    for (const Case& c : commands) {
        TItemData item;
        item.Cmd = c.Name;
        EXPECT_TRUE(SameIgnoringCase(ItemProgram(item), c.Found)) << c.Name;
    }
    ::SetCurrentDirectoryW(previous);
}

TEST_F(ShellFiles, ReadLinkInfoReadsWhatTheShellWrote) {
    struct Case {
        std::string LnkName;
        TShortcut Written;
    };
    const std::string shell32 = [] {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        return Narrow(system) + "\\shell32.dll";
    }();
    const Case cases[] = {
        {"Full.lnk",
         {Document, "/p \"x y\" %1", LongFolder, "Lodestar ショートカット",
          MAKEWORD('L', HOTKEYF_CONTROL | HOTKEYF_ALT), shell32, 3, SW_SHOWMINNOACTIVE}},
        {"メモ帳.lnk", {Japanese, "", "", "", 0, "", 0, SW_SHOWNORMAL}},
        {"To a folder.lnk",
         {LongFolder, "", Root, "", MAKEWORD(VK_F7, HOTKEYF_SHIFT), "", 0, SW_SHOWMAXIMIZED}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.LnkName);
        const std::string lnk = Root + "\\" + c.LnkName;
        WriteShortcut(lnk, c.Written);

        const TLinkInfo info = ReadLinkInfo(lnk, true);
        EXPECT_EQ(info.Target, ShortOf(c.Written.Target));
        EXPECT_EQ(info.Arguments, c.Written.Arguments);
        EXPECT_EQ(info.DisplayName, c.LnkName.substr(0, c.LnkName.size() - 4));
        EXPECT_EQ(info.Description, c.Written.Description);
        EXPECT_EQ(info.WorkDir, c.Written.WorkDir);
        EXPECT_EQ(info.IconPath, c.Written.IconPath);
        EXPECT_EQ(info.IconIndex, c.Written.IconIndex);
        EXPECT_EQ(info.HotKey, c.Written.HotKey);
        // Wine reports SW_SHOWNORMAL for every loaded shortcut.
        EXPECT_TRUE(info.ShowCmd == c.Written.ShowCmd || info.ShowCmd == SW_SHOWNORMAL) << info.ShowCmd;
        EXPECT_TRUE(SameIgnoringCase(PathOfIdList(info.IDList), c.Written.Target))
            << PathOfIdList(info.IDList);

        // Without asking, a list handed in is dropped rather than passed off as this shortcut's.
        const TLinkInfo again = ReadLinkInfo(lnk, false, info);
        EXPECT_FALSE(again.IDList.Present());
        TLinkInfo expected = info;
        expected.IDList = IdList();
        EXPECT_EQ(again, expected);
    }
}

TLinkInfo FilledLinkInfo() {
    TLinkInfo info;
    info.Target = "C:\\stale\\target.exe";
    info.Arguments = "stale arguments";
    info.DisplayName = "stale name";
    info.Description = "kept description";
    info.WorkDir = "C:\\stale";
    info.IconPath = "C:\\kept\\icon.ico";
    info.IconIndex = 7;
    info.ShowCmd = SW_SHOWMAXIMIZED;
    info.HotKey = MAKEWORD('K', HOTKEYF_CONTROL);
    info.IDList = *IdList::FromBytes(std::vector<std::uint8_t>{4, 0, 0x1f, 0x50, 0, 0});
    return info;
}

TEST_F(ShellFiles, ReadLinkInfoOfOtherFilesClearsOnlyWhatComesFromTheShortcut) {
    for (const std::string& path : {Document, Japanese, LongFolder, Root + "\\missing.lnk", std::string()}) {
        SCOPED_TRACE(path);
        const TLinkInfo filled = FilledLinkInfo();
        const TLinkInfo info = ReadLinkInfo(path, true, filled);
        TLinkInfo expected = filled;
        expected.Target.clear();
        expected.Arguments.clear();
        expected.DisplayName.clear();
        expected.WorkDir.clear();
        expected.IDList = IdList();
        EXPECT_EQ(info, expected);
    }
}

TEST_F(ShellFiles, ReadLinkInfoOfDamagedShortcutsLeavesNoTarget) {
    const std::string good = Root + "\\Good.lnk";
    WriteShortcut(good, {Document, "args", LongFolder, "description", 0, "", 0, SW_SHOWNORMAL});
    ASSERT_EQ(ReadLinkInfo(good, false).Target, ShortDocument); // whole, it reads
    const std::filesystem::path truncated(Widen(Root + "\\Header only.lnk"));
    std::filesystem::copy_file(std::filesystem::path(Widen(good)), truncated);
    std::filesystem::resize_file(truncated, 40);

    struct Case {
        std::string Name;
        std::string Bytes; // written unless the file is already there
    };
    const Case cases[] = {
        {"Empty.lnk", ""},
        {"Garbage.lnk", std::string(300, '\xA5')},
        {"Text.lnk", "[InternetShortcut]\r\nURL=http://example.invalid/\r\n"},
        {"Header only.lnk", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string lnk = Root + "\\" + c.Name;
        if (!FileExists(lnk)) WriteBytes(lnk, c.Bytes);
        const TLinkInfo filled = FilledLinkInfo();
        const TLinkInfo info = ReadLinkInfo(lnk, true, filled);
        EXPECT_EQ(info.Target, "");
        EXPECT_EQ(info.DisplayName, c.Name.substr(0, c.Name.size() - 4));
        // Loading failed, so nothing else was read.
        EXPECT_EQ(info.Arguments, filled.Arguments);
        EXPECT_EQ(info.IDList, filled.IDList);
    }
}

bool ClassesRootHas(const std::wstring& path) {
    UniqueKey key;
    return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::wstring FirstSubKey(const std::wstring& path) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return {};
    wchar_t name[256] = {};
    DWORD length = 256;
    if (::RegEnumKeyExW(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return {};
    return name;
}

// Class keys created for one test. Each key this creates (not one that was there before) is deleted with
// everything below it. They go to the user's classes, which Windows shows in HKEY_CLASSES_ROOT; Wine 8
// shows only the machine's classes there, and lets anyone write them.
class ClassKeys {
public:
    ClassKeys() {
        const std::wstring probe = L"LodestarTest.Probe";
        Key(probe);
        if (!ClassesRootHas(probe)) {
            Clean();
            root_ = HKEY_LOCAL_MACHINE;
        }
    }
    ~ClassKeys() { Clean(); }

    void Set(const std::wstring& path, const std::wstring& value = {}, bool withValue = true) {
        std::wstring sub = L"Software\\Classes";
        std::size_t start = 0;
        UniqueKey key;
        for (;;) {
            const std::size_t end = path.find(L'\\', start);
            sub += L"\\" + path.substr(start, end - start);
            DWORD disposition = 0;
            ASSERT_EQ(::RegCreateKeyExW(root_, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(),
                                        &disposition),
                      ERROR_SUCCESS);
            if (disposition == REG_CREATED_NEW_KEY) created_.push_back(sub);
            if (end == std::wstring::npos) break;
            start = end + 1;
        }
        if (withValue) {
            ASSERT_EQ(::RegSetValueExW(key.Get(), nullptr, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                      ERROR_SUCCESS);
        }
    }
    void Key(const std::wstring& path) { Set(path, {}, false); }

private:
    void Clean() {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            ::RegDeleteTreeW(root_, it->c_str());
        created_.clear();
    }

    HKEY root_ = HKEY_CURRENT_USER;
    std::vector<std::wstring> created_;
};

TEST(Associations, FirstEnumeratedVerbThenStarThenUnknown) {
    // The fall-backs can only be seen while the prefix itself has no verbs for "*" and "Unknown".
    if (!FirstSubKey(L"*\\shell").empty() || !FirstSubKey(L"Unknown\\shell").empty())
        GTEST_SKIP() << "the system already has verbs for \"*\" or \"Unknown\"";

    ClassKeys keys;
    keys.Set(L".lodestartest", L"LodestarTest.File");
    keys.Set(L"LodestarTest.File\\shell", L"zopen"); // the default verb, which is not the one taken
    keys.Set(L"LodestarTest.File\\shell\\zopen\\command", L"zopen.exe \"%1\"");
    keys.Set(L"LodestarTest.File\\shell\\aedit\\command", L"C:\\ツール\\aedit.exe /e \"%1\"");
    keys.Set(L".lodestarbare", L"LodestarTest.Bare");
    keys.Key(L"LodestarTest.Bare");
    keys.Set(L".lodestarnoverb", L"LodestarTest.NoVerb");
    keys.Key(L"LodestarTest.NoVerb\\shell");
    keys.Set(L".lodestarnocmd", L"LodestarTest.NoCommand");
    keys.Key(L"LodestarTest.NoCommand\\shell\\open");
    keys.Key(L".lodestarnoclass");
    // Enumerated in name order, whatever the order of creation and the default verb.
    ASSERT_EQ(FirstSubKey(L"LodestarTest.File\\shell"), L"aedit");

    const std::string aedit = "C:\\ツール\\aedit.exe /e \"%1\"";
    struct Case {
        int Stage; // 0: classes only, 1: and a verb for "Unknown", 2: and a verb for "*"
        std::string Extension;
        std::string Command;
    };
    const Case cases[] = {
        {0, ".lodestartest", aedit},
        {0, ".lodestarbare", ""},
        {0, ".lodestarmissing", ""},
        {0, "", ""},
        {1, ".lodestartest", aedit},
        {1, ".lodestarbare", "unknown.exe %1"},
        {1, ".lodestarnoverb", "unknown.exe %1"},
        {1, ".lodestarmissing", "unknown.exe %1"},
        {1, "", "unknown.exe %1"},
        {2, ".lodestartest", aedit},
        {2, ".lodestarbare", "star.exe \"%1\""},
        {2, ".lodestarnoverb", "star.exe \"%1\""},
        {2, ".lodestarnocmd", "star.exe \"%1\""},
        {2, ".lodestarnoclass", "star.exe \"%1\""},
        {2, ".lodestarmissing", "star.exe \"%1\""},
        {2, ".LODESTARTEST", aedit}, // the registry ignores case
        {2, "lodestartest", "star.exe \"%1\""},
        {2, "", "star.exe \"%1\""},
    };
    int stage = 0;
    for (const Case& c : cases) {
        if (c.Stage > stage && c.Stage == 1)
            keys.Set(L"Unknown\\shell\\lodestarunknown\\command", L"unknown.exe %1");
        if (c.Stage > stage && c.Stage == 2) keys.Set(L"*\\shell\\lodestarstar\\command", L"star.exe \"%1\"");
        stage = c.Stage;
        EXPECT_EQ(GetAssociatedCommand(c.Extension), c.Command) << c.Stage << " " << c.Extension;
    }
}

} // namespace
