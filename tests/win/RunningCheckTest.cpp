// The running-instance check against real probe processes and real windows of the Wine desktop.
#include "RunningCheck.h"

#include "CommandLine.h"
#include "Handles.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "LaunchProbe.h"

#include <memory>
#include <string>

using namespace lodestar;
using namespace lodestar::test;

namespace {

// While the suite runs:
//   a visible probe, launch_probe.exe, titled "Lodestar 起動確認 <n>";
//   a hidden copy of the probe, 隠れプローブ.exe, titled "Lodestar 隠れ窓 <n>";
//   a hidden window of the test itself, titled "Lodestar 不可視 <n>".
class RunningCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = std::make_unique<TTestFolder>("Lodestar Running Check");
        ASSERT_TRUE(Folder->Created());
        const std::string n = std::to_string(::GetCurrentProcessId());
        VisibleTitle = "Lodestar 起動確認 " + n;
        HiddenTitle = "Lodestar 隠れ窓 " + n;
        OwnHiddenTitle = "Lodestar 不可視 " + n;

        const std::string visibleRecord = *Folder / "visible.rec";
        Visible =
            StartProbe("--out \"" + visibleRecord + "\" --stay 120000 --title \"" + VisibleTitle + "\"");
        ASSERT_TRUE(Visible);

        HiddenCopy = *Folder / "隠れプローブ.exe";
        ASSERT_TRUE(::CopyFileW(Widen(LaunchProbePath()).c_str(), Widen(HiddenCopy).c_str(), FALSE));
        std::wstring line = Widen("\"" + HiddenCopy + "\" --out \"" + (*Folder / "hidden.rec") +
                                  "\" --stay 120000 --title \"" + HiddenTitle + "\"");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION created{};
        ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &created));
        const UniqueKernelHandle thread(created.hThread);
        Hidden = UniqueKernelHandle(created.hProcess);

        ASSERT_FALSE(WaitForProbeRecord(visibleRecord).empty());
        ASSERT_FALSE(WaitForProbeRecord(*Folder / "hidden.rec").empty());

        OwnHidden = ::CreateWindowExW(0, L"STATIC", Widen(OwnHiddenTitle).c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                      100, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(OwnHidden);
    }

    static void TearDownTestSuite() {
        if (OwnHidden) ::DestroyWindow(OwnHidden);
        for (UniqueKernelHandle* process : {&Visible, &Hidden}) {
            if (!*process) continue;
            ::TerminateProcess(process->Get(), 1);
            ::WaitForSingleObject(process->Get(), 10000);
            process->Reset();
        }
        Folder.reset();
    }

    static HWND ProbeWindow(const std::string& title) {
        return ::FindWindowW(L"LaunchProbe", Widen(title).c_str());
    }

    static inline std::unique_ptr<TTestFolder> Folder;
    static inline std::string VisibleTitle, HiddenTitle, OwnHiddenTitle, HiddenCopy;
    static inline UniqueKernelHandle Visible, Hidden;
    static inline HWND OwnHidden = nullptr;
};

bool SameName(const std::string& a, const std::string& b) {
    return UpperAscii(a) == UpperAscii(b);
}

TEST_F(RunningCheck, WindowExePathNamesTheProcessExecutable) {
    const HWND visible = ProbeWindow(VisibleTitle);
    const HWND hidden = ProbeWindow(HiddenTitle);
    ASSERT_TRUE(visible);
    ASSERT_TRUE(hidden);
    EXPECT_TRUE(SameName(ExtractFileName(GetWindowExePath(visible)), "launch_probe.exe"))
        << GetWindowExePath(visible);
    EXPECT_TRUE(SameName(ExtractFileName(GetWindowExePath(hidden)), "隠れプローブ.exe"))
        << GetWindowExePath(hidden);
    wchar_t self[2048] = {};
    ::GetModuleFileNameW(nullptr, self, 2048);
    EXPECT_TRUE(SameName(ExtractFileName(GetWindowExePath(OwnHidden)), ExtractFileName(Narrow(self))));
    EXPECT_EQ(GetWindowExePath(nullptr), "");
}

TEST_F(RunningCheck, MayStartByMode) {
    const std::string probe = LaunchProbePath();
    struct Case {
        std::uint8_t Mode;
        std::string Cmd;
        std::string Text;
        bool MayStart;
    };
    const Case cases[] = {
        // 0: never checked.
        {0, probe, "launch_probe.exe", true},
        // 1: the program of the command line, only when it is an .EXE or .COM file.
        {1, probe, "", false},
        {1, UpperAscii(probe), "", false},
        {1, HiddenCopy, "", false}, // windows are looked at visible or not
        {1, probe + " --out x", "", false},
        {1, "\"" + probe + "\"", "", false},
        {1, "\"" + HiddenCopy + "\" --out x", "", false}, // a quoted path with blanks and parameters
        {1, "  \"" + UpperAscii(HiddenCopy) + "\"  ", "", false},
        {1, HiddenCopy + " --out x", "", true}, // unquoted, the program ends at the first blank
        {1, "\"" + probe + "\" --out not_running.exe", "", false},
        {1, "\"" + ExtractFilePath(probe) + "launch_probe.exe.txt\" launch_probe.exe", "", true},
        {1, *Folder / "launch_probe.exe", "", false}, // the file name is compared, not the path
        {1, ExtractFilePath(probe) + "launch_probe.com", "", true},
        {1, ExtractFilePath(probe) + "launch_probe.bat", "", true},
        {1, *Folder / "not_running.exe", "", true},
        {1, "", "launch_probe.exe", true},
        // 2: a given executable file name.
        {2, "", "LAUNCH_PROBE.EXE", false},
        {2, "", "launch_probe.exe", false},
        {2, "", "Launch_Probe.Exe", false},
        {2, "", "隠れプローブ.EXE", false},
        {2, "", "launch_probe", true},
        {2, "", "probe.exe", true},
        {2, "", "not_running.exe", true},
        {2, "", "", true},
        {2, "launch_probe.exe", "", true}, // the command is not looked at
        // 3: a visible window's title.
        {3, "", VisibleTitle, false},
        {3, "", "Lodestar 起動確認*", false},
        {3, "", "*起動確認 " + std::to_string(::GetCurrentProcessId()), false},
        {3, "", "*起動確認*", false},
        {3, "", "lodestar 起動確認*", true}, // case-sensitive
        {3, "", "Lodestar*確認*", true},     // an inner "*" is literal
        {3, "", HiddenTitle, true},          // invisible windows are ignored
        {3, "", "*隠れ窓*", true},
        {3, "", OwnHiddenTitle, true},
        // Other modes: always.
        {4, probe, "launch_probe.exe", true},
        {255, probe, VisibleTitle, true},
    };
    for (const Case& c : cases) {
        TChildIcon entry;
        entry.Cmd = c.Cmd;
        entry.DupCheckMode = c.Mode;
        entry.DupCheckText = c.Text;
        EXPECT_EQ(MayStart(entry), c.MayStart)
            << "mode " << int(c.Mode) << " cmd " << c.Cmd << " text " << c.Text;
    }
}

// A program that has ended no longer counts as running.
TEST_F(RunningCheck, EndedProgramNoLongerFound) {
    TChildIcon byName;
    byName.DupCheckMode = 2;
    byName.DupCheckText = "隠れプローブ.exe";
    ASSERT_FALSE(MayStart(byName));
    ::TerminateProcess(Hidden.Get(), 1);
    ASSERT_EQ(::WaitForSingleObject(Hidden.Get(), 10000), WAIT_OBJECT_0);
    // The process is gone once its handle is signalled; its window may take a moment longer.
    bool found = true;
    for (int attempt = 0; attempt < 100 && found; ++attempt) {
        found = !MayStart(byName);
        if (found) ::Sleep(50);
    }
    EXPECT_FALSE(found);
}

} // namespace
