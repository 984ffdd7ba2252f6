// Starting items from the running main window: real programs started through the shell, what they were
// given, and every way the user is told about a failure.
#include "AppSettings.h"
#include "Dialogs.h"
#include "ItemProgram.h"
#include "Launch.h"
#include "LaunchProbe.h"
#include "Seams.h"
#include "Store.h"
#include "TrayStandIn.h"
#include "WinTestSupport.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";

std::string QuotedProbe() {
    return "\"" + LaunchProbePath() + "\"";
}

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back({caption, text, flags});
            return IDOK;
        };
        Seams().Beep = [this](UINT type) { beeps.push_back(type); };
        Seams().AsyncKeyDown = [this](int key) {
            return (key == VK_SHIFT && shift) || (key == VK_MENU && alt);
        };
        savedEdit = ProgramDialogs().EditItem;
        ProgramDialogs().EditItem = [this](TForm1&, TItemData& record) {
            edited.push_back(record.Cmd);
            return false;
        };
        WriteSettings(TSettings{});
        form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        form.reset();
        ProgramDialogs().EditItem = savedEdit;
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }
    TIconItem& Add(const TItemData& record) { return *form->AddItem(record); }
    void Launch(const TItemData& record, bool byHotKey = false) {
        ExpectUncut(record.Cmd);
        TIconItem& item = Add(record);
        LaunchItem(*form, item, byHotKey);
        EXPECT_TRUE(form->Active());
    }

    struct TBox {
        std::string Caption, Text;
        UINT Flags;
    };
    std::unique_ptr<TForm1> form;
    std::vector<TBox> boxes;
    std::vector<UINT> beeps;
    std::vector<std::string> edited;
    bool shift = false;
    bool alt = false;
    TTestFolder scratch{"launch"};
    TProbeSet probes;
    decltype(ProgramDialogs().EditItem) savedEdit;
};

// Cancels every dialog window this process shows until stopped, noting their titles: the shell opens its
// property sheets modally in the caller's process.
class TDialogCanceller {
public:
    TDialogCanceller() : thread_([this] { Run(); }) {}
    ~TDialogCanceller() { Stop(); }
    TDialogCanceller(const TDialogCanceller&) = delete;
    TDialogCanceller& operator=(const TDialogCanceller&) = delete;
    std::vector<std::string> Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return titles_;
    }

private:
    static BOOL CALLBACK CancelDialog(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<TDialogCanceller*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t cls[64] = {};
        ::GetClassNameW(window, cls, 64);
        if (owner != ::GetCurrentProcessId() || std::wstring(cls) != L"#32770" || !::IsWindowVisible(window))
            return TRUE;
        wchar_t title[256] = {};
        ::GetWindowTextW(window, title, 256);
        self->titles_.push_back(Narrow(title));
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            ::EnumWindows(&TDialogCanceller::CancelDialog, reinterpret_cast<LPARAM>(this));
            ::Sleep(100);
        }
    }
    std::atomic<bool> stop_{false};
    std::vector<std::string> titles_;
    std::thread thread_;
};

TEST_F(LaunchTest, StartsWithParametersFolderAndShowState) {
    struct Case {
        const char* name;
        std::uint8_t wndSize;
        bool shift, alt, byHotKey;
        int show;
    };
    const Case cases[] = {
        {"normal", 0, false, false, false, SW_SHOWNORMAL},
        {"minimised", 1, false, false, false, SW_SHOWMINNOACTIVE},
        {"maximised", 2, false, false, false, SW_SHOWMAXIMIZED},
        {"shift", 2, true, false, false, SW_SHOWMINNOACTIVE},
        {"hotkey ignores shift and alt", 2, true, true, true, SW_SHOWMAXIMIZED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = probes.Track(scratch / (std::string(c.name) + ".txt"));
        TItemData record;
        record.Cmd = QuotedProbe() + " --out \"" + out + "\" --stay 3000 first 2nd";
        record.WndSize = c.wndSize;
        shift = c.shift;
        alt = c.alt;
        Launch(record, c.byHotKey);
        TProbeRecord started = WaitForProbeRecord(out);
        EXPECT_EQ(started["show"], std::to_string(c.show));
        EXPECT_EQ(started["args"], "first 2nd");
        // Without a working folder of its own, the program runs in its own folder.
        EXPECT_TRUE(SamePathText(started["cwd"], ProbeFolder())) << started["cwd"];
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LaunchTest, GivenWorkingFolderIsUsed) {
    // Folders and programs may be written through the environment, as in %USERPROFILE%\Documents.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LODESTAR_SCRATCH", Widen(scratch.Path()).c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LODESTAR_PROBES", Widen(RemoveBackslash(ProbeFolder())).c_str()));
    const std::string program = "\"%LODESTAR_PROBES%\\launch_probe.exe\"";
    const std::string cases[][3] = {
        {"folder", QuotedProbe(), scratch.Path()},
        {"expanded folder", QuotedProbe(), "%LODESTAR_SCRATCH%"},
        {"expanded program", program, ""},
    };
    for (const auto& [name, probe, folder] : cases) {
        SCOPED_TRACE(name);
        const std::string out = probes.Track(scratch / (name + ".txt"));
        TItemData record;
        record.Cmd = probe + " --out \"" + out + "\" --stay 3000";
        record.DefDir = folder;
        Launch(record);
        TProbeRecord started = WaitForProbeRecord(out);
        EXPECT_TRUE(SamePathText(started["cwd"], folder.empty() ? ProbeFolder() : scratch.Path()))
            << started["cwd"];
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LaunchTest, MissingWorkingFolderWarnsOpensTheEditorAndStartsNothing) {
    const std::string out = probes.Track(scratch / "never.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + out + "\"";
    record.DefDir = (scratch / "gone");
    Launch(record);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "作業フォルダに設定された '" + record.DefDir +
                                 "' フォルダは無効です。存在するフォルダのパスを正しく入力して下さい。");
    EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(SplitCommandLine(edited[0]).Path, LaunchProbePath());
    EXPECT_TRUE(WaitForProbeRecord(out, 1500).empty());
}

TEST_F(LaunchTest, MissingProgramFollowsTheNotifySetting) {
    const std::string missing = (scratch / "nothing here.exe");
    const std::string cmd = "\"" + missing + "\" /x";
    const std::string message =
        "ファイル '" + cmd +
        "' が見つかりませんでした。\rファイル名が正しいか、またはファイルが存在するかどうか確認して下さい。";
    struct Case {
        int notify;
        std::size_t boxCount, beepCount;
    };
    for (const Case c : {Case{0, 1, 0}, Case{1, 0, 1}, Case{2, 0, 0}}) {
        SCOPED_TRACE(c.notify);
        boxes.clear();
        beeps.clear();
        ProgramSettings().NotifyNotFound = c.notify;
        TItemData record;
        record.Cmd = cmd;
        Launch(record);
        ASSERT_EQ(boxes.size(), c.boxCount);
        if (c.boxCount) {
            EXPECT_EQ(boxes[0].Text, message);
            EXPECT_EQ(boxes[0].Caption, "エラー - Lodestar");
        }
        EXPECT_EQ(beeps, std::vector<UINT>(c.beepCount, 0u));
    }
}

TEST(LaunchReport, EveryShellFailureHasItsWords) {
    const std::string s = "'x.doc' を実行できませんでした。\r";
    using K = TLaunchReport::TKind;
    struct Case {
        INT_PTR code;
        int notify;
        K kind;
        std::string text;
        UINT flags;
    };
    const Case cases[] = {
        {0, 0, K::Box, "メモリまたはシステムリソースが不足しています。", MB_ICONSTOP},
        {3, 0, K::Box, s + "指定されたパスが見つかりません。", MB_ICONEXCLAMATION},
        {3, 1, K::Beep, "", 0},
        {3, 2, K::None, "", 0},
        {26, 2, K::Box, "共有違反により " + s, MB_ICONSTOP},
        {27, 0, K::Box, s + "ファイル名の関連付けが不完全か無効です。", MB_ICONSTOP},
        {28, 0, K::Box, "DDEエラーにより " + s, MB_ICONSTOP},
        {29, 0, K::Box, "DDEエラーにより " + s, MB_ICONSTOP},
        {30, 0, K::Box, "DDEエラーにより " + s, MB_ICONSTOP},
        {31, 2, K::Box, s + "指定されたファイル名拡張子には､ アプリケーションが関連付けられていません。",
         MB_ICONEXCLAMATION},
        {33, 0, K::None, "", 0},
        {42, 0, K::None, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const TLaunchReport report = LaunchReport(c.code, "x.doc", c.notify);
        EXPECT_EQ(report.Kind, c.kind);
        EXPECT_EQ(report.Text, c.text);
        EXPECT_EQ(report.Flags, c.flags);
    }
    // A bad executable format carries the system's own explanation after the common first line.
    const TLaunchReport badFormat = LaunchReport(ERROR_BAD_FORMAT, "x.doc", 2);
    EXPECT_EQ(badFormat.Text.rfind(s, 0), 0u);
    EXPECT_GT(badFormat.Text.size(), s.size());
}

TEST_F(LaunchTest, UnassociatedDocumentOpensWithTheUnknownTypeCommand) {
    if (TClassKeys::HasVerbs(L"*") || TClassKeys::HasVerbs(L"Unknown"))
        GTEST_SKIP() << "the system already has verbs for \"*\" or \"Unknown\"";
    TClassKeys keys;
    // Names the legacy code page lacks reach the program as they are.
    for (const std::string name : {"notes", "Café😀项"}) {
        const std::string out = probes.Track(scratch / (name + ".txt"));
        const std::string command = QuotedProbe() + " --out \"" + out + "\" --stay 3000 \"%1\"";
        const std::string document = (scratch / (name + ".lsnoassoc"));
        ExpectUncut(SubstituteParam(command, document));
        if (HasFatalFailure()) return;
        keys.Set(L"Unknown\\shell\\open\\command", command);
        WriteBytes(document, "text");
        TItemData record;
        record.Cmd = QuoteIfSpaced(document);
        Launch(record);
        TProbeRecord started = WaitForProbeRecord(out);
        EXPECT_EQ(started["args"], document);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LaunchTest, ChainWaitsForTheItemsOwnProgram) {
    const std::string parentOut = probes.Track(scratch / "parent.txt");
    const std::string childOut = probes.Track(scratch / "child.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + parentOut + "\" --stay 1500";
    TChildIcon child;
    child.Cmd = QuotedProbe() + " --out \"" + childOut + "\" --stay 3000";
    child.WaitMode = 2;
    record.Children.push_back(child);
    Launch(record);
    const TProbeRecord parent = WaitForProbeRecord(parentOut);
    const TProbeRecord started = WaitForProbeRecord(childOut);
    const TProbeRecord parentEnd = WaitForProbeRecord(parentOut + ".end");
    ASSERT_FALSE(parent.empty() || started.empty() || parentEnd.empty());
    EXPECT_GE(ProbeTime(started, "start"), ProbeTime(parentEnd, "end"));
}

// Two starts of Notepad: with the setting, the second brings the first copy's window forward, restored from
// the taskbar, without running the item's chain; Shift+click and the setting off start a second copy.
TEST_F(LaunchTest, RunningProgramComesForwardInsteadOfASecondCopy) {
    const struct {
        const char* name;
        bool forward, shift, byHotKey;
        std::size_t copies; // after two starts
    } cases[] = {
        {"setting on", true, false, false, 1},
        {"setting on, hotkey with Shift held", true, true, true, 1},
        {"setting on, Shift+click", true, true, false, 2},
        {"setting off", false, false, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TItemData record;
        record.Cmd = "%SystemRoot%\\system32\\notepad.exe";
        record.BringForward = c.forward;
        const TStartedCopies copies(ItemProgram(record));
        TIconItem& item = Add(record);
        shift = c.shift;
        LaunchItem(*form, item, c.byHotKey);
        ASSERT_TRUE(PumpUntil([&] { return copies.Windows().size() == 1; }));
        const std::vector<HWND> first = copies.Windows();
        ::ShowWindow(first[0], SW_MINIMIZE);
        ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(first[0]) != FALSE; }));
        const std::string chainOut = probes.Track(scratch / "forward-chain.txt");
        TChildIcon child;
        child.Cmd = QuotedProbe() + " --out \"" + chainOut + "\"";
        if (c.copies == 1) item.Children = {child};
        LaunchItem(*form, item, c.byHotKey);
        if (c.copies == 1) {
            EXPECT_TRUE(
                PumpUntil([&] { return ::GetForegroundWindow() == first[0] && !::IsIconic(first[0]); }));
            EXPECT_TRUE(WaitForProbeRecord(chainOut, 1500).empty());
        } else {
            PumpUntil([&] { return copies.Windows().size() == c.copies; });
        }
        ::Sleep(1000);
        EXPECT_EQ(copies.New().size(), c.copies);
        EXPECT_TRUE(form->Active());
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LaunchTest, AltOpensThePropertySheetInsteadOfStarting) {
    const std::string out = probes.Track(scratch / "alt.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + out + "\"";
    alt = true;
    shift = true;
    TDialogCanceller canceller;
    Launch(record);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(WaitForProbeRecord(out, 1500).empty());
    // The shell answered with a window of its own: the property sheet (Wine shows its error box instead).
    EXPECT_FALSE(canceller.Stop().empty());
}

} // namespace
