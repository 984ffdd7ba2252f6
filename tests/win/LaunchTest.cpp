// Starting items from the running main window: real programs started through the shell, what they were
// given, and every way the user is told about a failure.
#include "AppSettings.h"
#include "Dialogs.h"
#include "Launch.h"
#include "ProbeSupport.h"
#include "Seams.h"
#include "Store.h"
#include "WinTestSupport.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";

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
        Seams().AsyncKeyDown = [this](int key) { return (key == VK_SHIFT && shift) || (key == VK_MENU && alt); };
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
    TScratchFolder scratch;
    decltype(ProgramDialogs().EditItem) savedEdit;
};

TEST_F(LaunchTest, StartsWithParametersFolderAndShowState) {
    struct Case {
        const char* name;
        std::uint8_t wndSize;
        bool shift, byHotKey;
        int show;
    };
    const Case cases[] = {
        {"normal", 0, false, false, SW_SHOWNORMAL},
        {"minimised", 1, false, false, SW_SHOWMINNOACTIVE},
        {"maximised", 2, false, false, SW_SHOWMAXIMIZED},
        {"shift", 2, true, false, SW_SHOWMINNOACTIVE},
        {"hotkey ignores shift", 2, true, true, SW_SHOWMAXIMIZED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = scratch.Path(std::string(c.name) + ".txt");
        TItemData record;
        record.Cmd = QuotedProbe() + " --out \"" + out + "\" --stay 3000 first 2nd";
        record.WndSize = c.wndSize;
        shift = c.shift;
        Launch(record, c.byHotKey);
        const TProbeRecord started = WaitForProbe(out);
        EXPECT_EQ(started.Show, c.show);
        EXPECT_EQ(started.Args, "first 2nd");
        // Without a working folder of its own, the program runs in its own folder.
        EXPECT_TRUE(SamePathText(started.Cwd, ProbeFolder()));
        ClosePid(started.Pid);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LaunchTest, GivenWorkingFolderIsUsed) {
    const std::string out = scratch.Path("folder.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + out + "\" --stay 3000";
    record.DefDir = scratch.Folder();
    Launch(record);
    const TProbeRecord started = WaitForProbe(out);
    EXPECT_TRUE(SamePathText(started.Cwd, scratch.Folder()));
    ClosePid(started.Pid);
}

TEST_F(LaunchTest, MissingWorkingFolderWarnsOpensTheEditorAndStartsNothing) {
    const std::string out = scratch.Path("never.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + out + "\"";
    record.DefDir = scratch.Path("gone");
    Launch(record);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "作業フォルダに設定された '" + record.DefDir +
                                 "' フォルダは無効です。存在するフォルダのパスを正しく入力して下さい。");
    EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(edited, std::vector<std::string>{record.Cmd});
    EXPECT_FALSE(ProbeAppears(out, 1500));
}

TEST_F(LaunchTest, MissingProgramFollowsTheNotifySetting) {
    const std::string missing = scratch.Path("nothing here.exe");
    const std::string cmd = "\"" + missing + "\" /x";
    const std::string message =
        "ファイル '" + cmd + "' が見つかりませんでした。\rファイル名が正しいか、またはファイルが存在するかどうか確認して下さい。";
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
        {31, 2, K::Box, s + "指定されたファイル名拡張子には､ アプリケーションが関連付けられていません。", MB_ICONEXCLAMATION},
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
    const std::string out = scratch.Path("unknown.txt");
    TRegisteredCommand unknown(L"Unknown", Widen(QuotedProbe() + " --out \"" + out + "\" --stay 3000 \"%1\""));
    const std::string document = scratch.Path("notes.lsnoassoc");
    WriteBytes(document, "text");
    TItemData record;
    record.Cmd = QuoteIfSpaced(document);
    Launch(record);
    const TProbeRecord started = WaitForProbe(out);
    EXPECT_EQ(started.Args, document);
    EXPECT_TRUE(boxes.empty());
    ClosePid(started.Pid);
}

TEST_F(LaunchTest, ChainWaitsForTheItemsOwnProgram) {
    const std::string parentOut = scratch.Path("parent.txt");
    const std::string childOut = scratch.Path("child.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + parentOut + "\" --stay 1500";
    TChildIcon child;
    child.Cmd = QuotedProbe() + " --out \"" + childOut + "\" --stay 3000";
    child.WaitMode = 2;
    record.Children.push_back(child);
    Launch(record);
    const TProbeRecord parent = WaitForProbe(parentOut);
    const TProbeRecord started = WaitForProbe(childOut, 20000);
    const TProbeEnd parentEnd = WaitForProbeEnd(parentOut);
    EXPECT_GE(started.Start, parentEnd.End);
    EXPECT_GE(started.Start, parent.Start);
    ClosePid(started.Pid);
}

TEST_F(LaunchTest, AltOpensThePropertySheetInsteadOfStarting) {
    const std::string out = scratch.Path("alt.txt");
    TItemData record;
    record.Cmd = QuotedProbe() + " --out \"" + out + "\"";
    alt = true;
    shift = true;
    Launch(record);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(ProbeAppears(out, 1500));
    CloseOwnPropertySheets();
}

} // namespace
