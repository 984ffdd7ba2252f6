// Registering the program in the Startup folder of the test prefix, and removing it, as a user does it from
// the options dialog: the delay dialog worked with the keyboard, the boxes answered, and what is left in the
// folder checked through the shell's own shortcut reader.
#include "AppSettings.h"
#include "Application.h"
#include "DialogDriver.h"
#include "IconPickerDriver.h"
#include "OptionsDriver.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "StartupRules.h"
#include "SysCtrls.h"
#include "WinTestSupport.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;
namespace fs = std::filesystem;

namespace {

const std::string kDelayCaption = "スタートアップへの登録 - Lodestar";
const char* const kNoneOfOurs =
    "現在スタートアップフォルダには、このプログラムによって作成されたショートカットは無いようです";
const char* const kRegistered =
    "登録を完了しました。\rアンインストールをする場合には[スタートアップから削除]ボタンを利用してください。";
const char* const kRemoved = "スタートアップからの削除を完了しました。";

std::string StartupFolder() {
    std::string folder = TShellLink::SpecialFolderPath(TShellLinkType::lnkStartup);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

std::vector<std::string> StartupFiles() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(Widen(StartupFolder())), error))
        names.push_back(Narrow(entry.path().filename().wstring()));
    std::sort(names.begin(), names.end());
    return names;
}

void EmptyStartupFolder() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(Widen(StartupFolder())), error))
        fs::remove_all(entry.path(), error);
}

std::string ProgramName() {
    return Narrow(fs::path(Widen(Application::ExeName())).filename().wstring());
}

// A shortcut in the Startup folder to `target`.
void PlantShortcut(const std::string& name, const std::string& target) {
    TShortcut link;
    link.Target = target;
    WriteShortcut(StartupFolder() + name, link);
}

// What the user does at the open options dialog.
class TStartupPage : public TPage {
public:
    using TPage::TPage;

    // The delay dialog opened by "登録(&R)...", its track bar moved with the keyboard (End: the longest
    // delay, Home: none), and OK or Cancel. The label under the track bar as it was before the answer.
    std::string Register(UINT key, bool ok) const {
        ::PostMessageW(FindDescendantById(Dialog(), IDC_OPT_BTNREGSTARTUP), BM_CLICK, 0, 0);
        HWND ask = nullptr;
        for (int i = 0; i < 500 && !ask; ++i) {
            ask = ::FindWindowW(L"#32770", Widen(kDelayCaption).c_str());
            if (!ask || !::IsWindowVisible(ask)) {
                ask = nullptr;
                ::Sleep(10);
            }
        }
        EXPECT_TRUE(ask) << "no delay dialog";
        if (!ask) return {};
        const HWND track = FindDescendantById(ask, IDC_REGSTARTUP_TRACKDELAY);
        ::PostMessageW(track, WM_KEYDOWN, key, 1);
        ::PostMessageW(track, WM_KEYUP, key, 0xC0000001);
        Sync();
        const std::string label = TextOf(FindDescendantById(ask, IDC_REGSTARTUP_LABELDELAY));
        ::PostMessageW(ask, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
        for (int i = 0; i < 500 && ::IsWindow(ask); ++i)
            ::Sleep(10);
        Sync();
        return label;
    }
    void Unregister() const {
        ::PostMessageW(FindDescendantById(Dialog(), IDC_OPT_BTNUNREGSTARTUP), BM_CLICK, 0, 0);
        Sync();
        Sync();
    }
};

struct TBox {
    std::string Text;
    std::string Caption;
    UINT Flags = 0;
};

struct TScenario {
    const char* what;
    std::function<void()> prepare; // the Startup folder before the dialog opens
    int answer;                    // what the warning before a removal is answered
    std::function<void(TStartupPage&)> script;
    std::function<void(const std::vector<TBox>&)> check;
};

class OptionsStartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        WriteSettings(TSettings{});
        ASSERT_FALSE(StartupFolder().empty()) << "the prefix has no Startup folder";
    }
    void TearDown() override {
        EmptyStartupFolder();
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }

    void Run(const TScenario& scenario) {
        SCOPED_TRACE(scenario.what);
        EmptyStartupFolder();
        scenario.prepare();
        std::mutex mutex;
        std::vector<TBox> boxes;
        Seams().MessageBox = [&](HWND, const std::string& text, const std::string& caption, UINT flags) {
            const std::lock_guard lock(mutex);
            boxes.push_back({text, caption, flags});
            return (flags & MB_OKCANCEL) ? scenario.answer : IDOK;
        };
        TForm1 form;
        {
            TQueueMarker marker;
            TForm2 dialog(form);
            TDialogDriver driver(kCaption, [&](HWND window) {
                TStartupPage page(window, marker);
                scenario.script(page);
                page.Cancel();
            });
            dialog.Execute();
            driver.Join();
            ASSERT_TRUE(driver.Found()) << "no options dialog";
        }
        const std::lock_guard lock(mutex);
        scenario.check(boxes);
    }
};

TEST_F(OptionsStartupTest, Registering) {
    const std::string program = Application::ExeName();
    const std::string name = ProgramName().substr(0, ProgramName().size() - 4) + ".lnk";
    const auto ourLink = [&] { return ReadLinkInfo(StartupFolder() + name, false); };
    const std::string elsewhere = StartupFolder() + "別の場所\\" + ProgramName();

    const TScenario scenarios[] = {
        {"the longest delay is written as 9999 milliseconds, with the program's folder and our note", [] {},
         IDOK, [](TStartupPage& page) { EXPECT_EQ(page.Register(VK_END, true), "10 秒"); },
         [&](const std::vector<TBox>& boxes) {
             EXPECT_EQ(StartupFiles(), std::vector<std::string>{name});
             const TLinkInfo link = ourLink();
             EXPECT_TRUE(SamePath(link.Target, program));
             EXPECT_EQ(link.Arguments, "/d:9999");
             EXPECT_EQ(link.WorkDir, program.substr(0, program.find_last_of('\\') + 1));
             EXPECT_EQ(link.Description, "Created by Lode Star mark-R");
             ASSERT_EQ(boxes.size(), 1u);
             EXPECT_EQ(boxes[0].Text, kRegistered);
             EXPECT_EQ(boxes[0].Caption, "登録完了 - Lodestar");
         }},
        {"no delay is written as /d:0", [] {}, IDOK,
         [](TStartupPage& page) { EXPECT_EQ(page.Register(VK_HOME, true), "0 秒"); },
         [&](const std::vector<TBox>&) { EXPECT_EQ(ourLink().Arguments, "/d:0"); }},
        {"registering twice leaves one shortcut, and an older one of another name is replaced",
         [&] { PlantShortcut("古い登録.lnk", program); }, IDOK,
         [](TStartupPage& page) {
             page.Register(VK_END, true);
             page.Register(VK_HOME, true);
         },
         [&](const std::vector<TBox>& boxes) {
             EXPECT_EQ(StartupFiles(), std::vector<std::string>{name});
             EXPECT_EQ(ourLink().Arguments, "/d:0");
             EXPECT_EQ(boxes.size(), 2u);
         }},
        {"a shortcut to a program of the same name elsewhere is not replaced",
         [&] {
             fs::create_directories(fs::path(Widen(StartupFolder() + "別の場所")));
             WriteBytes(elsewhere, "MZ");
             PlantShortcut("同じ名前.lnk", elsewhere);
         },
         IDOK, [](TStartupPage& page) { page.Register(VK_END, true); },
         [&](const std::vector<TBox>&) {
             EXPECT_EQ(StartupFiles(), (std::vector<std::string>{name, "別の場所", "同じ名前.lnk"}));
         }},
        {"Cancel in the delay dialog writes nothing", [] {}, IDOK,
         [](TStartupPage& page) { page.Register(VK_END, false); },
         [&](const std::vector<TBox>& boxes) {
             EXPECT_TRUE(StartupFiles().empty());
             EXPECT_TRUE(boxes.empty());
         }},
    };
    for (const TScenario& scenario : scenarios)
        Run(scenario);
}

TEST_F(OptionsStartupTest, Removing) {
    const std::string program = Application::ExeName();
    const std::string elsewhere = StartupFolder() + "別の場所\\" + ProgramName();
    const auto twelve = [&] {
        for (int i = 1; i <= 12; ++i)
            PlantShortcut("登録 " + std::to_string(100 + i) + ".lnk", program);
        PlantShortcut("メモ帳.lnk", Notepad());
    };

    const TScenario scenarios[] = {
        {"twelve shortcuts of ours: eight named, four counted, all twelve deleted, others kept", twelve, IDOK,
         [](TStartupPage& page) { page.Unregister(); },
         [&](const std::vector<TBox>& boxes) {
             EXPECT_EQ(StartupFiles(), std::vector<std::string>{"メモ帳.lnk"});
             ASSERT_EQ(boxes.size(), 2u);
             const std::string& ask = boxes[0].Text;
             EXPECT_EQ(
                 ask.rfind("このプログラムによって作成された以下のショートカットファイルを削除します。\r\r",
                           0),
                 0u);
             std::size_t named = 0;
             for (int i = 1; i <= 12; ++i)
                 if (ask.find("登録 " + std::to_string(100 + i) + ".lnk\r\n") != std::string::npos) ++named;
             EXPECT_EQ(named, 8u);
             EXPECT_NE(ask.find("\r\n　\r\n　他 4個のファイル...\r\n"), std::string::npos);
             EXPECT_EQ(boxes[0].Flags & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
             EXPECT_EQ(boxes[0].Caption, "スタートアップから削除 - Lodestar");
             EXPECT_EQ(boxes[1].Text, kRemoved);
         }},
        {"Cancel keeps every shortcut", twelve, IDCANCEL, [](TStartupPage& page) { page.Unregister(); },
         [&](const std::vector<TBox>& boxes) {
             EXPECT_EQ(StartupFiles().size(), 13u);
             EXPECT_EQ(boxes.size(), 1u);
         }},
        {"a shortcut to a program of the same name in another folder counts as ours",
         [&] {
             fs::create_directories(fs::path(Widen(StartupFolder() + "別の場所")));
             WriteBytes(elsewhere, "MZ");
             PlantShortcut("同じ名前.lnk", elsewhere);
         },
         IDOK, [](TStartupPage& page) { page.Unregister(); },
         [&](const std::vector<TBox>& boxes) {
             EXPECT_EQ(StartupFiles(), std::vector<std::string>{"別の場所"});
             ASSERT_EQ(boxes.size(), 2u);
             EXPECT_NE(boxes[0].Text.find("同じ名前.lnk"), std::string::npos);
         }},
        {"an empty folder, and one with only others' shortcuts, have none of ours", [] {}, IDOK,
         [&](TStartupPage& page) {
             page.Unregister();
             // The driver's thread writes the shortcut: the shell's link object wants COM there too.
             ::CoInitialize(nullptr);
             PlantShortcut("メモ帳.lnk", Notepad());
             ::CoUninitialize();
             page.Unregister();
         },
         [&](const std::vector<TBox>& boxes) {
             ASSERT_EQ(boxes.size(), 2u);
             EXPECT_EQ(boxes[0].Text, kNoneOfOurs);
             EXPECT_EQ(boxes[1].Text, kNoneOfOurs);
             EXPECT_EQ(StartupFiles(), std::vector<std::string>{"メモ帳.lnk"});
         }},
    };
    for (const TScenario& scenario : scenarios)
        Run(scenario);
}

} // namespace

namespace {

// What the shortcut component writes, read back through the shell.
TEST_F(OptionsStartupTest, ShellLinkWritesWhatItHolds) {
    const std::string notepad = Notepad();
    const std::string system = notepad.substr(0, notepad.find_last_of('\\'));
    struct Case {
        const char* what;
        std::function<void(TShellLink&)> set;
        std::function<void(const TLinkInfo&)> check;
    } cases[] = {
        {"only the target: the name gives the description, the folder the working folder",
         [&](TShellLink& link) { link.SetFileName(notepad); },
         [&](const TLinkInfo& info) {
             EXPECT_EQ(info.Description, "notepad");
             EXPECT_EQ(info.WorkDir, system);
             EXPECT_EQ(info.HotKey, 0);
             EXPECT_EQ(info.ShowCmd, SW_SHOWNORMAL);
             EXPECT_TRUE(SameFile(info.IconPath, notepad, false));
             EXPECT_EQ(info.IconIndex, 0);
         }},
        {"what was set before the target stays; hotkey, window state and arguments as given",
         [&](TShellLink& link) {
             link.Description = "メモ帳を開く";
             link.WorkDir = "C:\\";
             link.HotKey = 0x4000 | 0x8000 | 'N';
             link.WindowState = TShellLinkWindowState::wsMaximized;
             link.Arguments = "/p 印刷.txt";
             link.SetFileName(notepad);
         },
         [&](const TLinkInfo& info) {
             EXPECT_EQ(info.Description, "メモ帳を開く");
             EXPECT_EQ(info.WorkDir, "C:\\");
             EXPECT_EQ(info.HotKey, 0x0600 | 'N');
             // (Wine reads every shortcut's show command as normal: the window state cannot be checked here.)
             EXPECT_EQ(info.Arguments, "/p 印刷.txt");
         }},
        {"a shortcut of the same name is overwritten",
         [&](TShellLink& link) {
             PlantShortcut("notepad.lnk", Application::ExeName());
             link.SetFileName(notepad);
         },
         [&](const TLinkInfo& info) { EXPECT_TRUE(SamePath(info.Target, notepad)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EmptyStartupFolder();
        TShellLink link(nullptr);
        link.LinkType = TShellLinkType::lnkStartup;
        c.set(link);
        const std::string written = link.CreateLink();
        EXPECT_EQ(written, StartupFolder() + "notepad.lnk");
        EXPECT_EQ(StartupFiles(), std::vector<std::string>{"notepad.lnk"});
        c.check(ReadLinkInfo(written, false));
    }
}

} // namespace
