// The execution chain with real probe processes as parent and chain programs: waits, delays, closing
// with the parent, the ways of starting an entry and the beeps.
#include "ExecChain.h"

#include "CommandLine.h"
#include "Handles.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "LaunchProbe.h"
#include "WinTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

// Beeps arrive on the chain's thread.
struct TBeeps {
    std::mutex Lock;
    std::vector<UINT> Types;

    std::size_t Count() {
        std::lock_guard<std::mutex> guard(Lock);
        return Types.size();
    }
};

// Threads of this process that only wait, each holding its identifier until Free. Wine hands freed process
// and thread identifiers out again first in, first out (once 256 are free), so by taking and freeing them a
// test can give a new process the identifier of one that has ended.
DWORD WINAPI WaitForRelease(void* release) {
    return ::WaitForSingleObject(static_cast<HANDLE>(release), INFINITE);
}

class THeldThreads {
public:
    THeldThreads() : release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~THeldThreads() { Free(); }

    DWORD Take() {
        DWORD id = 0;
        UniqueKernelHandle thread(::CreateThread(nullptr, 64 * 1024, WaitForRelease, release_.Get(),
                                                 STACK_SIZE_PARAM_IS_A_RESERVATION, &id));
        if (!thread) return 0;
        threads_.push_back({std::move(thread), id});
        return id;
    }
    // Ends the threads and waits until their identifiers are free again.
    void Free() {
        ::SetEvent(release_.Get());
        for (auto& [thread, id] : threads_) {
            ::WaitForSingleObject(thread.Get(), 10000);
            thread.Reset();
            for (int i = 0; i < 500 && UniqueKernelHandle(::OpenThread(SYNCHRONIZE, FALSE, id)); ++i)
                ::Sleep(10);
        }
        threads_.clear();
        ::ResetEvent(release_.Get());
    }

private:
    UniqueKernelHandle release_;
    std::vector<std::pair<UniqueKernelHandle, DWORD>> threads_;
};

std::vector<DWORD> ThreadsOf(DWORD pid) {
    std::vector<DWORD> ids;
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more;
         more = ::Thread32Next(snapshot.Get(), &entry))
        if (entry.th32OwnerProcessID == pid) ids.push_back(entry.th32ThreadID);
    return ids;
}

BOOL CALLBACK CloseIfOwnedBy(HWND window, LPARAM target) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(target)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// What the user does to a program: WM_CLOSE to its windows.
void CloseWindowsOf(DWORD pid) {
    ::EnumWindows(CloseIfOwnedBy, static_cast<LPARAM>(pid));
}

class ExecChain : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = std::make_unique<TTestFolder>("Lodestar Chain Test");
        ASSERT_TRUE(Folder->Created());
    }
    static void TearDownTestSuite() { Folder.reset(); }

    void TearDown() override { Probes.EndAll(); }

    // A record path in the suite's folder, unique to the test, whose probe is ended after the test.
    std::string Record(const std::string& name) {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return Probes.Track(*Folder / (test + " " + name + ".rec"));
    }

    // A chain entry that starts the probe, writing to the record.
    static TChildIcon ProbeEntry(const std::string& record, const std::string& options = {}) {
        TChildIcon entry;
        entry.Cmd = LaunchProbePath() + " --out \"" + record + "\"" + (options.empty() ? "" : " " + options);
        ExpectUncut(entry.Cmd);
        return entry;
    }

    // The parent: a probe the test starts itself.
    UniqueKernelHandle StartParent(const std::string& record, const std::string& options) {
        UniqueKernelHandle parent = StartProbe("--out \"" + record + "\" " + options);
        EXPECT_TRUE(parent);
        Probes.Keep(parent);
        return parent;
    }

    UniqueKernelHandle Run(const std::vector<TChildIcon>& entries, std::uint8_t notifyMode,
                           UniqueKernelHandle parent = {}) {
        return TThExecChain::Start(entries, notifyMode, std::move(parent), [beeps = Beeps](UINT type) {
            std::lock_guard<std::mutex> guard(beeps->Lock);
            beeps->Types.push_back(type);
        });
    }

    static void WaitForChain(const UniqueKernelHandle& thread) {
        ASSERT_TRUE(thread);
        ASSERT_EQ(::WaitForSingleObject(thread.Get(), 60000), WAIT_OBJECT_0) << "the chain did not end";
    }

    static bool Exists(const std::string& path) {
        return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    static inline std::unique_ptr<TTestFolder> Folder;
    TProbeSet Probes;
    std::shared_ptr<TBeeps> Beeps = std::make_shared<TBeeps>();
};

TEST_F(ExecChain, InputIdleWaitStartsTheEntryOnceTheParentTakesInput) {
    const std::string parentRecord = Record("parent");
    const std::string entryRecord = Record("entry");
    TChildIcon entry = ProbeEntry(entryRecord);
    entry.WaitMode = wmInputIdle;
    const UniqueKernelHandle chain = Run({entry}, 0, StartParent(parentRecord, "--idle-after 1500"));
    WaitForChain(chain);

    const TProbeRecord parent = WaitForProbeRecord(parentRecord);
    const TProbeRecord started = WaitForProbeRecord(entryRecord);
    ASSERT_FALSE(parent.empty());
    ASSERT_FALSE(started.empty());
    EXPECT_GE(ProbeTime(started, "start"), ProbeTime(parent, "start") + 1500 * kTicksPerMs);
    EXPECT_EQ(Beeps->Count(), 0u);
}

TEST_F(ExecChain, ExitWaitStartsTheEntryAfterTheParentEnded) {
    const std::string parentRecord = Record("parent");
    const std::string entryRecord = Record("entry");
    TChildIcon entry = ProbeEntry(entryRecord);
    entry.WaitMode = wmExit;
    const UniqueKernelHandle chain = Run({entry}, 0, StartParent(parentRecord, "--stay 1500"));
    WaitForChain(chain);

    const TProbeRecord parentEnd = WaitForProbeRecord(parentRecord + ".end");
    const TProbeRecord started = WaitForProbeRecord(entryRecord);
    ASSERT_FALSE(parentEnd.empty());
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(parentEnd.at("reason"), "timeout");
    EXPECT_GE(ProbeTime(started, "start"), ProbeTime(parentEnd, "end"));
}

// The parent ends during a long delay: the auto-quit program is closed then, and the delay still runs
// its full length.
TEST_F(ExecChain, DelayOutlastsTheParentAndAutoQuitProgramsCloseWhenItEnds) {
    const std::string parentRecord = Record("parent");
    const std::string quitRecord = Record("autoquit");
    const std::string lateRecord = Record("late");
    TChildIcon quit = ProbeEntry(quitRecord);
    quit.AutoQuit = true;
    TChildIcon late = ProbeEntry(lateRecord);
    late.DelayMs = 5000;
    const UniqueKernelHandle chain = Run({quit, late}, 0, StartParent(parentRecord, "--stay 2000"));
    WaitForChain(chain);

    const TProbeRecord quitStart = WaitForProbeRecord(quitRecord);
    const TProbeRecord quitEnd = WaitForProbeRecord(quitRecord + ".end");
    const TProbeRecord parentEnd = WaitForProbeRecord(parentRecord + ".end");
    const TProbeRecord lateStart = WaitForProbeRecord(lateRecord);
    ASSERT_FALSE(quitStart.empty());
    ASSERT_FALSE(quitEnd.empty());
    ASSERT_FALSE(parentEnd.empty());
    ASSERT_FALSE(lateStart.empty());
    EXPECT_EQ(quitEnd.at("reason"), "close");
    EXPECT_GE(ProbeTime(quitEnd, "end"), ProbeTime(parentEnd, "end"));
    EXPECT_LT(ProbeTime(quitEnd, "end"), ProbeTime(lateStart, "start"));
    // The delay began after the auto-quit program had been started. Generous bounds: only a delay cut
    // short at the parent's end, or one that waited for something else, falls outside.
    const std::uint64_t delay = ProbeTime(lateStart, "start") - ProbeTime(quitStart, "start");
    EXPECT_GE(delay, 4500 * kTicksPerMs);
    EXPECT_LT(delay, 20000 * kTicksPerMs);
    EXPECT_FALSE(Exists(lateRecord + ".end")) << "only auto-quit programs are closed";
}

// The user closed an auto-quit program long before the parent ended, and its identifier went to a new
// program: that one is left alone when the parent ends, while the auto-quit programs still running close
// or, when they hang, are given up on.
TEST_F(ExecChain, AutoQuitLeavesAProgramThatTookAClosedOnesIdentifier) {
    const std::string parentRecord = Record("parent");
    const std::string closedRecord = Record("closed early");
    const std::string runningRecord = Record("running");
    const std::string newcomerRecord = Record("newcomer");
    TChildIcon closed = ProbeEntry(closedRecord);
    closed.AutoQuit = true;
    TChildIcon running = ProbeEntry(runningRecord);
    running.AutoQuit = true;
    // A program that does not answer for two minutes must not hold the chain as long.
    const std::string hungRecord = Record("hung");
    TChildIcon hung = ProbeEntry(hungRecord, "--idle-after 120000");
    hung.AutoQuit = true;
    const UniqueKernelHandle chain =
        Run({closed, running, hung}, 0, StartParent(parentRecord, "--stay 60000"));
    const TProbeRecord first = WaitForProbeRecord(closedRecord);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(WaitForProbeRecord(runningRecord).empty());
    ASSERT_FALSE(WaitForProbeRecord(hungRecord).empty());
    const DWORD pid = static_cast<DWORD>(std::stoul(first.at("pid")));

    THeldThreads marker, padding, taken;
    const DWORD mark = marker.Take();
    for (int i = 0; i < 300; ++i)
        padding.Take();
    const std::vector<DWORD> threads = ThreadsOf(pid);
    marker.Free();
    CloseWindowsOf(pid);
    ASSERT_EQ(WaitForProbeRecord(closedRecord + ".end").at("reason"), "close");
    bool freed = false;
    for (int i = 0; i < 100 && !freed; ++i) {
        freed = !UniqueKernelHandle(::OpenProcess(SYNCHRONIZE, FALSE, pid));
        if (!freed) ::Sleep(50);
    }
    if (freed) {
        // The free list now runs: ..., the marker, the closed program's threads, its process, the padding.
        padding.Free();
        std::size_t seen = 0;
        for (int i = 0; i < 5000 && taken.Take() != mark; ++i) {
        }
        for (int i = 0; i < 100 && seen < threads.size(); ++i) {
            const DWORD id = taken.Take();
            if (id == pid) break;
            seen += std::count(threads.begin(), threads.end(), id);
        }
    }
    const UniqueKernelHandle newcomer = StartProbe("--out \"" + newcomerRecord + "\" --stay 60000");
    Probes.Keep(newcomer);
    const TProbeRecord started = WaitForProbeRecord(newcomerRecord);
    ASSERT_FALSE(started.empty());
    if (started.at("pid") != first.at("pid"))
        std::printf("note: the new program did not get the closed one's identifier%s\n",
                    freed ? "" : " (it stayed taken)");

    CloseWindowsOf(static_cast<DWORD>(std::stoul(WaitForProbeRecord(parentRecord).at("pid"))));
    WaitForChain(chain);
    EXPECT_EQ(WaitForProbeRecord(runningRecord + ".end").at("reason"), "close");
    ::Sleep(500);
    EXPECT_FALSE(Exists(newcomerRecord + ".end")) << "a program the chain did not start was closed";
}

TEST_F(ExecChain, AutoQuitEntryAfterTheParentEndedIsSkipped) {
    const std::string parentRecord = Record("parent");
    const std::string quitRecord = Record("autoquit");
    const std::string plainRecord = Record("plain");
    TChildIcon quit = ProbeEntry(quitRecord);
    quit.AutoQuit = true;
    quit.WaitMode = wmExit;
    const TChildIcon plain = ProbeEntry(plainRecord);
    const UniqueKernelHandle chain = Run({quit, plain}, 0, StartParent(parentRecord, "--stay 500"));
    WaitForChain(chain);

    EXPECT_FALSE(WaitForProbeRecord(plainRecord).empty());
    EXPECT_FALSE(Exists(quitRecord));
    EXPECT_EQ(Beeps->Count(), 0u);
}

// Without a parent handle (a document opened by a running program, a URL) every entry runs after its
// plain delay, auto-quit entries included, and nothing is closed.
TEST_F(ExecChain, WithoutParentEveryEntryRunsAfterItsDelay) {
    const std::string quitRecord = Record("autoquit");
    const std::string laterRecord = Record("later");
    UniqueKernelHandle chain;
    {
        // The chain has its own copy: the caller's list may go at once.
        std::vector<TChildIcon> entries{ProbeEntry(quitRecord), ProbeEntry(laterRecord)};
        entries[0].AutoQuit = true;
        entries[0].WaitMode = wmExit; // nothing to wait for
        entries[1].DelayMs = 1000;
        entries[1].WaitMode = wmInputIdle;
        chain = Run(entries, 0);
        entries.assign(2, TChildIcon());
    }
    WaitForChain(chain);

    const TProbeRecord quit = WaitForProbeRecord(quitRecord);
    const TProbeRecord later = WaitForProbeRecord(laterRecord);
    ASSERT_FALSE(quit.empty());
    ASSERT_FALSE(later.empty());
    EXPECT_GE(ProbeTime(later, "start"), ProbeTime(quit, "start") + 900 * kTicksPerMs);
    EXPECT_FALSE(Exists(quitRecord + ".end"));
    EXPECT_EQ(Beeps->Count(), 0u);
}

// A negative delay, which only a damaged stored value holds, counts as none rather than as "forever".
TEST_F(ExecChain, NegativeDelayIsNoDelay) {
    const std::string parentRecord = Record("parent");
    const std::string entryRecord = Record("entry");
    TChildIcon entry = ProbeEntry(entryRecord);
    entry.DelayMs = -1;
    const std::string secondRecord = Record("second");
    TChildIcon second = ProbeEntry(secondRecord);
    second.DelayMs = INT32_MIN;
    const UniqueKernelHandle chain = Run({entry, second}, 0, StartParent(parentRecord, "--stay 60000"));
    WaitForChain(chain);
    EXPECT_FALSE(WaitForProbeRecord(entryRecord).empty());
    EXPECT_FALSE(WaitForProbeRecord(secondRecord).empty());
    EXPECT_FALSE(Exists(parentRecord + ".end")) << "the parent still runs";
}

// Failed entries beep unless the notify mode is 2; a missing working folder beeps always. The chain goes
// on after a failure.
TEST_F(ExecChain, FailuresBeepAsTheNotifyModeSays) {
    const std::string missingProgram = *Folder / "missing program.exe";
    const std::string missingFolder = *Folder / "missing folder";
    struct Case {
        const char* Name;
        std::uint8_t NotifyMode;
        bool AutoQuit;
        bool MissingFolder; // else a missing program
        std::size_t Beeps;
    };
    const Case cases[] = {
        {"shell 0", 0, false, false, 1},     {"shell 1", 1, false, false, 1},
        {"shell 2", 2, false, false, 0},     {"process 0", 0, true, false, 1},
        {"process 1", 1, true, false, 1},    {"process 2", 2, true, false, 0},
        {"folder 0", 0, false, true, 1},     {"folder 2", 2, false, true, 1},
        {"folder auto 2", 2, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string failedRecord = Record(std::string(c.Name) + " failed");
        const std::string nextRecord = Record(std::string(c.Name) + " next");
        TChildIcon failing;
        if (c.MissingFolder) {
            failing = ProbeEntry(failedRecord);
            failing.DefDir = missingFolder;
        } else {
            failing.Cmd = "\"" + missingProgram + "\" --out \"" + failedRecord + "\"";
        }
        failing.AutoQuit = c.AutoQuit;
        auto beeps = std::make_shared<TBeeps>();
        Beeps = beeps;
        const UniqueKernelHandle chain = Run({failing, ProbeEntry(nextRecord)}, c.NotifyMode);
        WaitForChain(chain);
        EXPECT_FALSE(WaitForProbeRecord(nextRecord).empty());
        EXPECT_FALSE(Exists(failedRecord));
        EXPECT_EQ(beeps->Count(), c.Beeps);
    }
}

// Where and how each entry starts: its working folder, or its program's folder when it has none; its
// window size as show command, for entries the shell starts and for auto-quit entries alike.
TEST_F(ExecChain, WorkingFolderAndShowCommand) {
    struct Case {
        bool AutoQuit;
        bool OwnFolder;
        std::uint8_t WndSize;
        int Show;
    };
    const Case cases[] = {
        {false, false, wsNormal, SW_SHOWNORMAL},        {false, false, wsMinimized, SW_SHOWMINNOACTIVE},
        {false, true, wsMaximized, SW_SHOWMAXIMIZED},   {true, false, wsNormal, SW_SHOWNORMAL},
        {true, false, wsMinimized, SW_SHOWMINNOACTIVE}, {true, true, wsMaximized, SW_SHOWMAXIMIZED},
    };
    std::vector<TChildIcon> entries;
    std::vector<std::string> records;
    for (const Case& c : cases) {
        records.push_back(Record(std::to_string(records.size())));
        TChildIcon entry = ProbeEntry(records.back());
        entry.AutoQuit = c.AutoQuit;
        entry.WndSize = c.WndSize;
        if (c.OwnFolder) entry.DefDir = Folder->Path();
        entries.push_back(entry);
    }
    const UniqueKernelHandle chain = Run(entries, 0);
    WaitForChain(chain);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE("entry " + std::to_string(i));
        const TProbeRecord started = WaitForProbeRecord(records[i]);
        ASSERT_FALSE(started.empty());
        const std::string folder = c.OwnFolder ? Folder->Path() : ProbeFolder();
        EXPECT_TRUE(SamePathText(started.at("cwd"), folder)) << started.at("cwd") << " / " << folder;
        EXPECT_EQ(started.at("show"), std::to_string(c.Show));
        EXPECT_EQ(started.at("args"), "");
    }
    EXPECT_EQ(Beeps->Count(), 0u);
}

// An auto-quit document runs the command associated with its extension, the document in place of "%1"
// and the entry's parameters after it, as a process of the chain's own.
TEST_F(ExecChain, AutoQuitDocumentRunsItsAssociatedCommand) {
    const std::string record = Record("associated");
    const std::string document = *Folder / "chain document.lodestarchain";
    WriteBytes(document, "lodestar");
    TClassKeys keys;
    keys.Set(L".lodestarchain", "LodestarChain.Document");
    keys.Set(L"LodestarChain.Document\\shell\\open\\command",
             LaunchProbePath() + " --out \"" + record + "\" \"%1\"");
    if (HasFatalFailure()) return;

    TChildIcon entry;
    entry.Cmd = "\"" + document + "\" 二つの 引数";
    entry.AutoQuit = true;
    entry.WndSize = wsMaximized;
    const UniqueKernelHandle chain = Run({entry}, 0);
    WaitForChain(chain);

    const TProbeRecord started = WaitForProbeRecord(record);
    ASSERT_FALSE(started.empty());
    EXPECT_EQ(started.at("args"), document + " 二つの 引数");
    EXPECT_TRUE(SamePathText(started.at("cwd"), Folder->Path())) << started.at("cwd");
    EXPECT_EQ(started.at("show"), std::to_string(SW_SHOWMAXIMIZED));
    EXPECT_EQ(Beeps->Count(), 0u);
}

// A file of a type nobody registered goes to the command of the "Unknown" class; without one the
// entry fails.
TEST_F(ExecChain, UnregisteredFileFallsBackToTheUnknownClass) {
    if (TClassKeys::HasVerbs(L"*") || TClassKeys::HasVerbs(L"Unknown"))
        GTEST_SKIP() << "the system already has verbs for \"*\" or \"Unknown\"";
    const std::string document = *Folder / "nobody knows.lodestarnone";
    WriteBytes(document, "lodestar");
    TChildIcon entry;
    entry.Cmd = "\"" + document + "\"";

    const std::string record = Probes.Track(*Folder / "unknown.rec");
    {
        const std::string command = LaunchProbePath() + " --out \"" + record + "\" \"%1\"";
        ExpectUncut(SubstituteParam(command, document));
        if (HasFatalFailure()) return;
        TClassKeys keys;
        keys.Set(L"Unknown\\shell\\lodestaropen\\command", command);
        if (HasFatalFailure()) return;
        const UniqueKernelHandle chain = Run({entry}, 0);
        WaitForChain(chain);
        const TProbeRecord started = WaitForProbeRecord(record);
        ASSERT_FALSE(started.empty());
        EXPECT_EQ(started.at("args"), document);
        EXPECT_TRUE(SamePathText(started.at("cwd"), Folder->Path())) << started.at("cwd");
        EXPECT_EQ(Beeps->Count(), 0u);
    }
    const UniqueKernelHandle chain = Run({entry}, 0);
    WaitForChain(chain);
    EXPECT_EQ(Beeps->Count(), 1u);
}

// Windows writes association commands as expandable strings with the program's path quoted
// ("%SystemRoot%\system32\NOTEPAD.EXE" %1); they are expanded as the shell expands them, for a document
// and for a file of a type nobody registered, started by the shell or as a process of the chain's own.
TEST_F(ExecChain, AssociationsWrittenAsExpandableStringsAreExpanded) {
    // Where the probe and the records lie, named by the environment as %SystemRoot% names the system.
    ASSERT_TRUE(::SetEnvironmentVariableW(
        L"LODESTAR_PROBES", Widen(RemoveBackslash(ExtractFilePath(LaunchProbePath()))).c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LODESTAR_RECORDS", Widen(Folder->Path()).c_str()));
    const bool unknownFree = !TClassKeys::HasVerbs(L"*") && !TClassKeys::HasVerbs(L"Unknown");
    const std::string systemTxt = GetAssociatedCommand(".txt");
    struct Case {
        std::wstring ClassKey; // whose command is written
        std::string Document;
        bool AutoQuit;
        std::string Placeholder;
    };
    const Case cases[] = {
        {L"LodestarTest.Memo", "memo.txt", true, "%1"},
        {L"LodestarTest.Memo", "memo.txt", true, "\"%1\""},
        {L"Unknown", "nobody knows.lodestarnone", false, "\"%1\""},
        {L"Unknown", "nobody knows.lodestarnone", true, "%1"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i));
        if (c.ClassKey == L"Unknown" && !unknownFree) continue;
        const std::string record = Record(std::to_string(i));
        const std::string document = *Folder / c.Document;
        WriteBytes(document, "lodestar");
        TClassKeys keys;
        keys.Set(L".txt", "LodestarTest.Memo");
        keys.Set(c.ClassKey + L"\\shell\\open\\command",
                 "\"%LODESTAR_PROBES%\\launch_probe.exe\" --out \"%LODESTAR_RECORDS%\\" +
                     ExtractFileName(record) + "\" " + c.Placeholder,
                 REG_EXPAND_SZ);
        if (HasFatalFailure()) return;
        TChildIcon entry;
        entry.Cmd = QuoteIfSpaced(document);
        entry.AutoQuit = c.AutoQuit;
        const std::size_t beepsBefore = Beeps->Count();
        WaitForChain(Run({entry}, 0));
        if (Beeps->Count() != beepsBefore) {
            ADD_FAILURE() << "the chain beeped: the program was not started";
            continue;
        }
        const TProbeRecord started = WaitForProbeRecord(record);
        ASSERT_FALSE(started.empty());
        EXPECT_EQ(started.at("args"), document);
    }
    EXPECT_EQ(GetAssociatedCommand(".txt"), systemTxt);
    // The entry's own program and folder, written through the environment too.
    for (const bool autoQuit : {true, false}) {
        const std::string record = Record(autoQuit ? "own process" : "by the shell");
        TChildIcon entry;
        entry.Cmd = "\"%LODESTAR_PROBES%\\launch_probe.exe\" --out \"" + record + "\"";
        entry.DefDir = "%LODESTAR_RECORDS%";
        entry.AutoQuit = autoQuit;
        WaitForChain(Run({entry}, 0));
        const TProbeRecord started = WaitForProbeRecord(record);
        ASSERT_FALSE(started.empty()) << autoQuit;
        EXPECT_TRUE(SamePathText(AddBackslash(started.at("cwd")), AddBackslash(Folder->Path())))
            << started.at("cwd");
    }
}

// Entries whose program already runs are skipped; the others start. (A standard test, mode 1, needs a
// command without parameters, which the probe cannot record from: see the running-check tests.)
TEST_F(ExecChain, RunningProgramsAreNotStartedAgain) {
    const std::string title = "Lodestar 連鎖 " + std::to_string(::GetCurrentProcessId());
    const std::string runningRecord = Record("running");
    const UniqueKernelHandle running =
        StartProbe("--out \"" + runningRecord + "\" --title \"" + title + "\"");
    Probes.Keep(running);
    ASSERT_FALSE(WaitForProbeRecord(runningRecord).empty());

    struct Case {
        std::uint8_t Mode;
        std::string Text;
        bool Starts;
    };
    const Case cases[] = {
        {2, "LAUNCH_PROBE.EXE", false}, {3, "*連鎖*", false},  {0, "", true},
        {2, "other.exe", true},         {3, "*他の窓*", true},
    };
    std::vector<TChildIcon> entries;
    std::vector<std::string> records;
    for (const Case& c : cases) {
        records.push_back(Record(std::to_string(records.size())));
        TChildIcon entry = ProbeEntry(records.back());
        entry.DupCheckMode = c.Mode;
        entry.DupCheckText = c.Text;
        entries.push_back(entry);
    }
    const UniqueKernelHandle chain = Run(entries, 0);
    WaitForChain(chain);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        if (cases[i].Starts)
            EXPECT_FALSE(WaitForProbeRecord(records[i]).empty());
        else
            EXPECT_FALSE(Exists(records[i]));
    }
    EXPECT_EQ(Beeps->Count(), 0u);
}

} // namespace
