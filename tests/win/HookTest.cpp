// The tray drop hook across two processes: this test program loads the library and receives the drops,
// the stand-in (helpers/tray_standin.cpp) plays the shell whose notification area is hooked.
#include "Application.h"
#include "Handles.h"
#include "Seams.h"
#include "TrayStandIn.h"
#include "WinText.h"
#include "lshook.h"
#include "lshook1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

constexpr UINT WM_TRAYACCEPTFILES = hook::WM_TRAYACCEPTFILES;

const std::string kNotFound =
    "LSHOOK.DLL が見つかりません.\rタスクトレイへの直接のドラッグ＆ドロップを有効にできませんでした";
const std::string kExportsMissing =
    "LSHOOK.DLL "
    "内に必要な関数が見つかりません.\rDLLファイルが壊れているか、またはバージョンが一致しないようです."
    "\r\r解決するには、正しい手順に従ってプログラムを再インストールしてください";
const std::string kBlockExists = "すでにメモリマップドファイルが作成されています."
                                 "\r他のプロセスによって既にフックがインストールされている可能性"
                                 "があります.\r\r正常な状態に復帰するにはWindowsを再起動させてください";
const std::string kInstallFailed = "フックのインストールに失敗しました";
const std::string kAlreadyInstalled = "フックは既にインストールされています";
const std::string kNotInstalled = "フックはインストールされていません";

using Names = std::vector<std::string>;

// Stands for the main window: keeps the names of every drop the library hands over.
class TReceiver {
public:
    TReceiver() {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"HookTestReceiver";
            return ::RegisterClassW(&wc) != 0;
        }();
        if (registered)
            handle_ = ::CreateWindowExW(0, L"HookTestReceiver", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), this);
    }
    TReceiver(const TReceiver&) = delete;
    TReceiver& operator=(const TReceiver&) = delete;
    ~TReceiver() {
        if (handle_) ::DestroyWindow(handle_);
    }
    HWND Handle() const { return handle_; }
    std::vector<Names> Drops;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrW(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TReceiver*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (message == WM_COPYDATA && self && data->dwData == hook::kDroppedFilesData) {
            const std::wstring_view list(static_cast<const wchar_t*>(data->lpData), data->cbData / 2);
            Names names;
            for (std::size_t at = 0; at < list.size() && list[at];) {
                const std::size_t end = list.find(L'\0', at);
                names.push_back(Narrow(list.substr(at, end - at)));
                at = end + 1;
            }
            self->Drops.push_back(names);
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    HWND handle_ = nullptr;
};

std::string Line(const char* window, const char* message, WPARAM wParam, LPARAM lParam, bool accept) {
    char line[200];
    std::snprintf(line, sizeof line, "%s %s wParam=%llu lParam=%lld accept=%d", window, message,
                  static_cast<unsigned long long>(wParam), static_cast<long long>(lParam), accept ? 1 : 0);
    return line;
}

// Dispatches whatever already waits in this thread's queue.
void Drain() {
    PumpUntil([] { return true; });
}

// The library used directly, as the main program's loader uses it.
class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standIn_.Start(120, Model()));
        ASSERT_NE(receiver_.Handle(), nullptr);
        library_.Reset(::LoadLibraryW(L"LSHOOK.DLL"));
        ASSERT_TRUE(library_);
        install_ = reinterpret_cast<hook::InstallHookProcFn>(
            reinterpret_cast<void*>(::GetProcAddress(library_.Get(), "InstallHookProc")));
        uninstall_ = reinterpret_cast<hook::UninstallHookProcFn>(
            reinterpret_cast<void*>(::GetProcAddress(library_.Get(), "UninstallHookProc")));
        ASSERT_TRUE(install_ && uninstall_);
    }
    void TearDown() override {
        if (hooked_) {
            EXPECT_TRUE(uninstall_());
        }
        standIn_.Stop();
        library_.Reset();
    }
    void Install() {
        ASSERT_NE(install_(receiver_.Handle()), nullptr);
        hooked_ = true;
    }
    virtual const char* Model() const { return "plain"; }

    TTrayStandIn standIn_;
    TReceiver receiver_;
    UniqueModule library_;
    hook::InstallHookProcFn install_ = nullptr;
    hook::UninstallHookProcFn uninstall_ = nullptr;
    bool hooked_ = false;
};

class HookLibraryWindows10Test : public HookLibraryTest {
    const char* Model() const override { return "win10"; }
};

} // namespace

TEST(HookLibraryExports, ByNameAndOrdinal) {
    const UniqueModule library(::LoadLibraryW(L"LSHOOK.DLL"));
    ASSERT_TRUE(library);
    const FARPROC uninstall = ::GetProcAddress(library.Get(), "UninstallHookProc");
    const FARPROC install = ::GetProcAddress(library.Get(), "InstallHookProc");
    ASSERT_NE(uninstall, nullptr);
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(::GetProcAddress(library.Get(), MAKEINTRESOURCEA(1)), uninstall);
    EXPECT_EQ(::GetProcAddress(library.Get(), MAKEINTRESOURCEA(2)), install);
}

TEST_F(HookLibraryTest, AcceptFilesRequestsSwitchTheAreaStyle) {
    Install();
    const HWND area = standIn_.Area();
    struct Step {
        WPARAM request;
        bool accepts;
    };
    // Starts with a disable on a clear bit, which must leave it clear.
    const Step steps[] = {{0, false}, {1, true}, {1, true}, {0, false}, {0, false}, {1, true}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        const auto [request, accepts] = steps[i];
        ASSERT_TRUE(::PostMessageW(area, WM_TRAYACCEPTFILES, request, static_cast<LPARAM>(request)));
        const auto lines = standIn_.WaitForLog(i + 1);
        ASSERT_EQ(lines.size(), i + 1);
        // The area's own procedure gets the request unchanged, after the hook acted on it.
        EXPECT_EQ(lines[i],
                  Line("area", "WM_TRAYACCEPTFILES", request, static_cast<LPARAM>(request), accepts));
        EXPECT_EQ(standIn_.AcceptsFiles(area), accepts);
    }
}

TEST_F(HookLibraryTest, DropsOnTheAreaReachTheReceiverOnceEachAndOtherWindowsPassUnchanged) {
    Install();
    const HWND other = standIn_.Other();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(::PostMessageW(other, WM_TRAYACCEPTFILES, 1, 1));
    ASSERT_TRUE(::PostMessageW(other, WM_DROPFILES, 0x99, 7));
    // Both drops wait in the queue, so the stand-in's loop shows each of them to the hook twice (peek, get).
    standIn_.Stall(300);
    standIn_.Drop(standIn_.Area(), 1);
    standIn_.Drop(standIn_.Area(), 2);
    // The names were read in the stand-in's process, where the drop's handle lives.
    EXPECT_TRUE(PumpUntil([&] { return receiver_.Drops.size() >= 2; }));
    EXPECT_EQ(receiver_.Drops,
              (std::vector<Names>{TTrayStandIn::DroppedNames(1), TTrayStandIn::DroppedNames(2)}));
    // The area gets nothing (its drops were taken); the other window gets its messages unchanged.
    ASSERT_TRUE(::PostMessageW(other, WM_TRAYACCEPTFILES, 0, 0));
    EXPECT_EQ(standIn_.WaitForLog(3),
              (std::vector<std::string>{Line("other", "WM_TRAYACCEPTFILES", 1, 1, false),
                                        Line("other", "WM_DROPFILES", 0x99, 7, false),
                                        Line("other", "WM_TRAYACCEPTFILES", 0, 0, false)}));
}

// On Windows 10 the area's children cover it: a drop lands on the icons' toolbar or the clock.
TEST_F(HookLibraryWindows10Test, TheAreasChildrenAcceptFilesAndTheirDropsReachTheReceiver) {
    Install();
    const HWND windows[] = {standIn_.Area(), standIn_.Toolbar(), standIn_.Clock()};
    ASSERT_TRUE(::PostMessageW(windows[0], WM_TRAYACCEPTFILES, 1, 1));
    EXPECT_EQ(standIn_.WaitForLog(1),
              std::vector<std::string>{Line("area", "WM_TRAYACCEPTFILES", 1, 1, true)});
    std::vector<Names> expected;
    for (std::size_t i = 0; i < std::size(windows); ++i) {
        EXPECT_TRUE(standIn_.AcceptsFiles(windows[i])) << i;
        standIn_.Drop(windows[i], 10 + i);
        expected.push_back(TTrayStandIn::DroppedNames(static_cast<int>(10 + i)));
    }
    EXPECT_TRUE(PumpUntil([&] { return receiver_.Drops.size() >= 3; }));
    EXPECT_EQ(receiver_.Drops, expected);
    ASSERT_TRUE(::PostMessageW(windows[0], WM_TRAYACCEPTFILES, 0, 0));
    EXPECT_EQ(standIn_.WaitForLog(2).size(), 2u);
    for (const HWND window : windows)
        EXPECT_FALSE(standIn_.AcceptsFiles(window));
}

TEST_F(HookLibraryTest, NoReceiverInstallsNothing) {
    EXPECT_EQ(install_(nullptr), nullptr);
    ASSERT_TRUE(::PostMessageW(standIn_.Area(), WM_TRAYACCEPTFILES, 1, 1));
    const auto lines = standIn_.WaitForLog(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], Line("area", "WM_TRAYACCEPTFILES", 1, 1, false));
    EXPECT_FALSE(standIn_.AcceptsFiles(standIn_.Area()));
}

TEST(HookLibraryWithoutBlock, InstallsNothing) {
    // Another kind of object under the block's name keeps the library from making its block.
    const UniqueKernelHandle squatter(::CreateMutexW(nullptr, FALSE, hook::kSharedBlockName));
    ASSERT_TRUE(squatter);
    TTrayStandIn standIn;
    ASSERT_TRUE(standIn.Start());
    TReceiver receiver;
    const UniqueModule library(::LoadLibraryW(L"LSHOOK.DLL"));
    ASSERT_TRUE(library);
    const auto install = reinterpret_cast<hook::InstallHookProcFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), "InstallHookProc")));
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(install(receiver.Handle()), nullptr);
    ASSERT_TRUE(::PostMessageW(standIn.Area(), WM_TRAYACCEPTFILES, 1, 1));
    EXPECT_EQ(standIn.WaitForLog(1),
              std::vector<std::string>{Line("area", "WM_TRAYACCEPTFILES", 1, 1, false)});
}

namespace {

struct Shown {
    std::string Text, Caption;
    bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& shown, std::ostream* os) {
    *os << "\"" << shown.Text << "\" / \"" << shown.Caption << "\"";
}

// The loader as the main window uses it; message boxes are caught by the seam.
class HookLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT) {
            shown_.push_back({text, caption});
            return IDOK;
        };
        ASSERT_FALSE(HookLoaded());
    }
    void TearDown() override {
        if (HookLoaded()) UninstallHook();
        ResetSeams();
    }
    std::vector<Shown> shown_;
    TReceiver receiver_;
};

// The EHookFailure that `action` raised, "" when it raised nothing.
std::string RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const EHookFailure& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("not an EHookFailure: ") + e.what();
    }
    return "";
}

} // namespace

TEST_F(HookLoaderTest, InstallShowsAcceptsForwardsAndUninstallLeavesTheAreaRefusingFiles) {
    TTrayStandIn standIn;
    ASSERT_TRUE(standIn.Start());
    EXPECT_EQ(RaisedBy([&] { InstallHook(receiver_.Handle()); }), "");
    EXPECT_TRUE(shown_.empty());
    ASSERT_TRUE(HookLoaded());
    // The area was asked to accept files.
    auto lines = standIn.WaitForLog(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], Line("area", "WM_TRAYACCEPTFILES", 1, 1, true));

    EXPECT_EQ(RaisedBy([&] { InstallHook(receiver_.Handle()); }), kAlreadyInstalled);
    EXPECT_TRUE(HookLoaded());

    standIn.Drop(standIn.Area(), 4);
    EXPECT_TRUE(PumpUntil([&] { return !receiver_.Drops.empty(); }));
    EXPECT_EQ(receiver_.Drops, std::vector<Names>{TTrayStandIn::DroppedNames(4)});

    // With the area's thread busy, the disable request is still queued when the loader would remove the hook.
    standIn.Stall(500);
    UninstallHook();
    EXPECT_FALSE(HookLoaded());
    EXPECT_FALSE(standIn.AcceptsFiles(standIn.Area()));
    lines = standIn.WaitForLog(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], Line("area", "WM_TRAYACCEPTFILES", 0, 0, false));

    // The hook is gone: requests and drops no longer do anything.
    ASSERT_TRUE(::PostMessageW(standIn.Area(), WM_TRAYACCEPTFILES, 1, 1));
    ASSERT_TRUE(::PostMessageW(standIn.Area(), WM_DROPFILES, 0x4343, 0));
    lines = standIn.WaitForLog(4);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], Line("area", "WM_TRAYACCEPTFILES", 1, 1, false));
    Drain();
    EXPECT_EQ(receiver_.Drops.size(), 1u);
    EXPECT_TRUE(shown_.empty());

    // The shell keeps the library, and with it the block, after the hook is gone; enabling again (as the
    // main window does after each of its commands) must still work.
    InstallHook(receiver_.Handle());
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(HookLoaded());
    lines = standIn.WaitForLog(5);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4], Line("area", "WM_TRAYACCEPTFILES", 1, 1, true));
}

TEST_F(HookLoaderTest, FailuresAfterLoadingAreShownAndLeaveNothingLoaded) {
    enum class Holds { nothing, blockOfLiveReceiver, blockOfEndedReceiver, otherObject };
    struct Case {
        const char* name;
        bool area;           // a notification area to hook
        Holds holds;         // what this process holds under the block's name first
        std::string message; // shown; none when the installation succeeds
    };
    const Case cases[] = {
        {"block of another program's live window", true, Holds::blockOfLiveReceiver, kBlockExists},
        {"block left by a program that ended", true, Holds::blockOfEndedReceiver, ""},
        {"no notification area", false, Holds::nothing, kInstallFailed},
        {"block cannot be made", true, Holds::otherObject, kInstallFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown_.clear();
        TTrayStandIn standIn;
        if (c.area) {
            ASSERT_TRUE(standIn.Start());
        }
        UniqueKernelHandle held;
        if (c.holds == Holds::blockOfLiveReceiver || c.holds == Holds::blockOfEndedReceiver) {
            // As a program that installed the hook leaves the block behind.
            held.Reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 12,
                                            hook::kSharedBlockName));
            ASSERT_TRUE(held);
            const UniqueView view(::MapViewOfFile(held.Get(), FILE_MAP_WRITE, 0, 0, 12));
            ASSERT_TRUE(view);
            HWND receiver = standIn.Other();
            if (c.holds == Holds::blockOfEndedReceiver) {
                TReceiver gone;
                receiver = gone.Handle();
            }
            static_cast<hook::TSharedBlock*>(view.Get())->ReceiverWnd = HandleToLong(receiver);
        } else if (c.holds == Holds::otherObject) {
            held.Reset(::CreateMutexW(nullptr, FALSE, hook::kSharedBlockName));
            ASSERT_TRUE(held);
        }

        EXPECT_EQ(RaisedBy([&] { InstallHook(receiver_.Handle()); }), "");
        if (c.message.empty()) {
            EXPECT_TRUE(shown_.empty());
            EXPECT_TRUE(HookLoaded());
            EXPECT_EQ(standIn.WaitForLog(1),
                      std::vector<std::string>{Line("area", "WM_TRAYACCEPTFILES", 1, 1, true)});
            if (HookLoaded()) UninstallHook();
            continue;
        }
        EXPECT_EQ(shown_, (std::vector<Shown>{{c.message, "Lodestar"}}));
        EXPECT_FALSE(HookLoaded());

        // Nothing was left behind: once the obstacle is gone, the next attempt succeeds.
        if (!c.area) continue;
        held.Reset();
        shown_.clear();
        InstallHook(receiver_.Handle());
        EXPECT_TRUE(shown_.empty());
        EXPECT_TRUE(HookLoaded());
        EXPECT_EQ(standIn.WaitForLog(1),
                  std::vector<std::string>{Line("area", "WM_TRAYACCEPTFILES", 1, 1, true)});
        if (HookLoaded()) UninstallHook();
    }
}

TEST_F(HookLoaderTest, UninstallWhileNotLoadedRaises) {
    EXPECT_EQ(RaisedBy(UninstallHook), kNotInstalled);
    EXPECT_TRUE(shown_.empty());
}

// Run only as a copy of this program in a folder without the library (see the test below).
TEST_F(HookLoaderTest, DISABLED_LibraryAbsent) {
    EXPECT_EQ(RaisedBy([&] { InstallHook(receiver_.Handle()); }), kNotFound);
    EXPECT_FALSE(HookLoaded());
    EXPECT_EQ(RaisedBy(UninstallHook), kNotInstalled);
    EXPECT_TRUE(shown_.empty());
}

// Run only as a copy of this program beside a library that lacks an export.
TEST_F(HookLoaderTest, DISABLED_ExportsMissing) {
    EXPECT_EQ(RaisedBy([&] { InstallHook(receiver_.Handle()); }), "");
    EXPECT_EQ(shown_, (std::vector<Shown>{{kExportsMissing, "Lodestar"}}));
    EXPECT_FALSE(HookLoaded());
}

TEST(HookLoaderElsewhere, WithoutTheLibraryOrWithAStubOfIt) {
    struct Case {
        const char* test;
        const char* library;  // copied beside the program as LSHOOK.DLL, relative to this program's folder
        bool inWorkingFolder; // copied into the working folder instead, where a search would find it
    };
    const Case cases[] = {
        {"DISABLED_LibraryAbsent", nullptr, false},
        {"DISABLED_ExportsMissing", "noexports\\LSHOOK.DLL", false},
        {"DISABLED_LibraryAbsent", "LSHOOK.DLL", true},
    };
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.test) + (c.inWorkingFolder ? " (library in the working folder)" : ""));
        const std::string folder = NewTempFolder("hook-loader");
        const std::string program = folder + "hook_tests.exe";
        ASSERT_TRUE(::CopyFileW(self, Widen(program).c_str(), FALSE));
        const std::string workFolder = c.inWorkingFolder ? NewTempFolder("hook-work") : folder;
        if (c.library) {
            ASSERT_TRUE(::CopyFileW(Widen(ExeFolder() + c.library).c_str(),
                                    Widen(workFolder + "LSHOOK.DLL").c_str(), FALSE));
        }

        SECURITY_ATTRIBUTES inherit{};
        inherit.nLength = sizeof inherit;
        inherit.bInheritHandle = TRUE;
        const std::string outPath = folder + "out.txt";
        UniqueFile out(::CreateFileW(Widen(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(out);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = out.Get();
        std::wstring command = L"\"" + Widen(program) +
                               L"\" --gtest_also_run_disabled_tests --gtest_filter=HookLoaderTest." +
                               Widen(c.test);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                     Widen(workFolder).c_str(), &si, &pi));
        ::CloseHandle(pi.hThread);
        const UniqueKernelHandle process(pi.hProcess);
        out.Reset();
        ASSERT_EQ(::WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        ::GetExitCodeProcess(process.Get(), &code);

        std::string output;
        {
            const UniqueFile in(::CreateFileW(Widen(outPath).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
            char buffer[4096];
            DWORD n = 0;
            while (in && ::ReadFile(in.Get(), buffer, sizeof buffer, &n, nullptr) && n)
                output.append(buffer, n);
        }
        EXPECT_EQ(code, 0u) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    }
}
