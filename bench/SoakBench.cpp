// A soak of one long-running Lodestar.exe, driven from this process as a user drives it: the messages a
// click on an icon produces go to the icons' window, menu entries are chosen by keys in the open menu, and
// dialogs are closed by their buttons. Ten groups of ten items whose targets are real files (so that every
// switch extracts icons); after a warm-up (every group once, then rounds of all steps until the counters
// hold still) 100 rounds of:
//   10 group switches (the main icon's menu), 10 launches of a program that ends at once (a click on an
//   item), 2 management dialogs closed with OK (after choosing the next group in it) and 2 with Cancel (a
//   click on the main icon), 2 item editors closed with OK (the item's menu), and one "TaskbarCreated"
//   sent to the program's top-level windows as the shell announces a new taskbar;
// 1,000 switches and launches, 400 dialogs, 200 edits and 100 new taskbars in all, each waited for with
// bounded waits. Before and after, the program's handles, GDI and USER objects, private bytes and windows
// are read: a counter grown by more than 2 %, or any window more than before, fails.
//
//   scripts/wine start
//   scripts/wine build/win64/bench/soak_bench.exe LODESTAR.exe [PROBE.exe] [--rounds N] [--only KIND]
// --only runs, after the warm-up, rounds of ten steps of one kind (switch, ok, cancel, edit, launch,
// taskbar): which of them makes a counter grow.
//   scripts/wine stop
// LODESTAR.exe: the program under test (build/win64/src/app/Lodestar.exe), a Windows path or, under Wine,
// a Unix one. PROBE.exe: what the item launches; soak_child.exe beside this benchmark by default, or the
// Windows tests' launch_probe.exe (both leave the records the soak waits for). A fresh prefix works:
// the soak writes the settings and items it needs and puts back what was stored when it ends. Start a
// fresh Wine server for it: Wine's desktop keeps a window for every notification icon ever added and
// grows slower with them.
// Exit code: 0 nothing leaked, 1 a counter grew, 2 the soak could not run (arguments, or a step the
// program never completed: the windows it showed instead are listed).
#include "BenchStore.h"
#include "HotKey.h"
#include "SoakCounters.h"
#include "SoakProgram.h"
#include "Store.h"
#include "TrayIdentity.h"
#include "WinText.h"
#include "resource.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace lodestar;
using bench::ChildById;
using bench::kStepTimeoutMs;
using bench::TLodestar;
using bench::TopLevelWindows;
using bench::TStepFailed;
using bench::WaitFor;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 100; // 27 steps each (TSoak::Round); --rounds N for a shorter soak
// The warm-up goes on ten rounds at a time until two readings agree (bench::Settled), at most four times:
// the caches that fill once must be full before the first count. Wine's cache of window DCs, each with
// its region and bitmap, grows to the most DCs in use at once; runs have reached that after anything from
// ten to forty rounds (one read 320 GDI objects after ten rounds, then 340, then 341 for eighty more).
constexpr int kWarmUpRounds = 10;
constexpr int kMostWarmUps = 4;
constexpr int kItemsPerGroup = 10;
const wchar_t* const kOptionsCaption = L"管理＆設定 - Lodestar";
const wchar_t* const kEditorCaption = L"アイコン項目のプロパティ - Lodestar";
// Item 1 of every group starts the launched program; these are the items the editor opens, in turn.
constexpr int kLaunchedItem = 1;
constexpr std::array<int, 3> kEditedItems = {2, 3, 6};

using SteadyClock = std::chrono::steady_clock;

// --- The soak's steps ---

// The process a launched program's record names (see SoakChild.cpp), once the record is there.
std::optional<DWORD> RecordedPid(const std::wstring& record) {
    const UniqueFile file(::CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    char text[4096] = {};
    DWORD read = 0;
    ::ReadFile(file.Get(), text, sizeof text - 1, &read, nullptr);
    const std::string lines = "\n" + std::string(text, read);
    const std::size_t at = lines.find("\npid=");
    if (at == std::string::npos) return std::nullopt;
    const DWORD pid = std::strtoul(lines.c_str() + at + 5, nullptr, 10);
    return pid ? std::optional<DWORD>(pid) : std::nullopt;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class TSoak {
public:
    enum TKind { kSwitch, kOk, kCancel, kEdit, kLaunch, kTaskbar, kKinds, kOptions = kOk };

    TSoak(const TLodestar& program, std::wstring record) : program_(program), record_(std::move(record)) {}

    // The next group, from the main icon's menu. Its entries carry the groups' names, without access keys,
    // and end the menu: End goes to the last group, Up to those before it.
    void SwitchGroup() {
        const auto start = Begin(kSwitch);
        const int next = (group_ + 1) % kGroupCount;
        std::vector<UINT> keys{VK_END};
        keys.insert(keys.end(), static_cast<std::size_t>(kGroupCount - 1 - next), VK_UP);
        keys.push_back(VK_RETURN);
        program_.TrayMouse(kMainIconId, WM_RBUTTONUP);
        program_.ChooseByKeys(program_.OpenMenu(), keys);
        ExpectShown(next, "group " + std::to_string(next) + " to be shown");
        Done(kSwitch, start);
    }

    // The management dialog from a click on the main icon. Before OK the next group is chosen in the
    // dialog's group list: OK then shows that group, and its icons tell that the main window has rebuilt
    // them. (The rebuild takes every icon away and adds it again; until then a click on an icon that goes
    // is dropped, so the next step must not click earlier.)
    void Options(bool ok) {
        const auto start = Begin(kOptions);
        program_.TrayMouse(kMainIconId, WM_LBUTTONDOWN);
        program_.TrayMouse(kMainIconId, WM_LBUTTONUP);
        const HWND dialog = program_.WaitForDialog(kOptionsCaption);
        if (!ok) {
            program_.CloseDialog(dialog, IDCANCEL);
            Done(kCancel, start);
            return;
        }
        const int next = (group_ + 1) % kGroupCount;
        const HWND groups = ChildById(dialog, IDC_OPTI_LV2);
        if (!groups) throw TStepFailed{"the dialog's group list"};
        const UINT key = next == 0 ? VK_HOME : VK_DOWN;
        ::PostMessageW(groups, WM_KEYDOWN, key, 1);
        ::PostMessageW(groups, WM_KEYUP, key, 0xC0000001);
        program_.Expect(
            [&] {
                return ::SendMessageW(groups, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED | LVNI_SELECTED) ==
                       next;
            },
            "group " + std::to_string(next) + " to be chosen in the dialog");
        program_.CloseDialog(dialog, IDOK);
        ExpectShown(next, "group " + std::to_string(next) + " to be shown after OK");
        Done(kOk, start);
    }

    // The item editor from the item's menu ("アイコン項目のプロパティ(&E)..."), closed with OK.
    void EditItem() {
        const auto start = Begin(kEdit);
        const int item = kEditedItems[edits_++ % kEditedItems.size()];
        program_.TrayMouse(ItemIconId(group_, item), WM_RBUTTONUP);
        program_.ChooseByAccessKey(program_.OpenMenu(), L'e');
        program_.CloseDialog(program_.WaitForDialog(kEditorCaption), IDOK);
        Done(kEdit, start);
    }

    // A click on the item of the launched program, which must start and end.
    void Launch() {
        const auto start = Begin(kLaunch);
        const std::wstring end = record_ + L".end";
        ::DeleteFileW(record_.c_str());
        ::DeleteFileW(end.c_str());
        const std::uint32_t id = ItemIconId(group_, kLaunchedItem);
        program_.TrayMouse(id, WM_LBUTTONDOWN);
        program_.TrayMouse(id, WM_LBUTTONUP);
        std::optional<DWORD> pid;
        program_.Expect([&] { return (pid = RecordedPid(record_)).has_value(); },
                        "the launched program to start");
        const UniqueKernelHandle launched(::OpenProcess(SYNCHRONIZE, FALSE, *pid));
        program_.Expect(
            [&] {
                return Exists(end) &&
                       (!launched || ::WaitForSingleObject(launched.Get(), 0) == WAIT_OBJECT_0);
            },
            "the launched program to end");
        Done(kLaunch, start);
    }

    // What the shell sends every top-level window when the taskbar is created anew.
    void TaskbarCreated() {
        const auto start = Begin(kTaskbar);
        static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
        for (HWND w : TopLevelWindows(program_.Pid(), [](HWND) { return true; })) {
            DWORD_PTR ignored = 0;
            if (!::SendMessageTimeoutW(w, message, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &ignored) &&
                ::IsWindow(w))
                throw TStepFailed{"an answer to \"TaskbarCreated\""};
        }
        program_.Expect([&] { return program_.IconShown(ItemIconId(group_, kItemsPerGroup)); },
                        "the icons after \"TaskbarCreated\"");
        Done(kTaskbar, start);
    }

    // Ten group switches and launches, two dialogs closed with OK and two with Cancel, two item edits and
    // one new taskbar, interleaved.
    static constexpr int kStepsPerRound = 27;
    void Round() {
        if (Only) {
            // Ten steps of one kind, to tell which of them makes a counter grow.
            for (int k = 0; k < 10; ++k) {
                switch (*Only) {
                case kSwitch:
                    SwitchGroup();
                    break;
                case kOk:
                    Options(true);
                    break;
                case kCancel:
                    Options(false);
                    break;
                case kEdit:
                    EditItem();
                    break;
                case kLaunch:
                    Launch();
                    break;
                default:
                    TaskbarCreated();
                    break;
                }
            }
            return;
        }
        for (int k = 0; k < 10; ++k) {
            SwitchGroup();
            Launch();
            if (k % 5 == 0) Options(true);
            if (k % 5 == 1) Options(false);
            if (k % 5 == 2) EditItem();
            if (k == 9) TaskbarCreated();
        }
    }

    // After the warm-up, every round takes only steps of this kind (--only).
    std::optional<TKind> Only;

    // The step under way (or the last one), for a report.
    const std::string& Step() const { return step_; }
    int Count(TKind kind) const { return counts_[kind]; }
    int Total() const {
        int total = 0;
        for (int n : counts_)
            total += n;
        return total;
    }
    double MeanMs(TKind kind) const { return counts_[kind] ? ms_[kind] / counts_[kind] : 0; }
    // Counting starts anew, and a line is printed every 100 steps of the `planned` ones.
    void StartCounting(int planned) {
        counts_ = {};
        ms_ = {};
        planned_ = planned;
        began_ = SteadyClock::now();
    }

private:
    // The group's icons have come, all of them, and the shown group's have gone: the switch is complete.
    void ExpectShown(int group, const std::string& what) {
        const std::uint32_t last = ItemIconId(group, kItemsPerGroup), gone = ItemIconId(group_, 1);
        program_.Expect([&] { return program_.IconShown(last) && !program_.IconShown(gone); }, what);
        group_ = group;
    }

    SteadyClock::time_point Begin(TKind kind) {
        static const std::array<const char*, kKinds> names = {
            "group switch", "management dialog", "", "item editor", "launch", "\"TaskbarCreated\""};
        const int done = kind == kOptions ? counts_[kOk] + counts_[kCancel] : counts_[kind];
        step_ = names[kind] + std::string(" ") + std::to_string(done + 1);
        return SteadyClock::now();
    }

    void Done(TKind kind, SteadyClock::time_point start) {
        ++counts_[kind];
        ms_[kind] += std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
        if (planned_ && Total() % 100 == 0)
            std::printf("%5d/%d steps, %4.0f s: %d switches, %d OK, %d Cancel, %d edits, %d launches, %d "
                        "taskbars\n",
                        Total(), planned_, std::chrono::duration<double>(SteadyClock::now() - began_).count(),
                        counts_[kSwitch], counts_[kOk], counts_[kCancel], counts_[kEdit], counts_[kLaunch],
                        counts_[kTaskbar]);
        std::fflush(stdout);
    }

    const TLodestar& program_;
    std::wstring record_;
    int group_ = 0;
    std::array<int, kKinds> counts_{};
    std::array<double, kKinds> ms_{};
    int planned_ = 0;
    std::size_t edits_ = 0; // all, warm-up included: each item is edited before the first count
    std::string step_;
    SteadyClock::time_point began_ = SteadyClock::now();
};

// --- Setting up ---

// A path given as a Unix path under Wine becomes the Windows path Wine maps it to.
std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    using TDosName = WCHAR*(CDECL*)(LPCSTR);
    const auto dosName = reinterpret_cast<TDosName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* converted = dosName ? dosName(Narrow(path).c_str()) : nullptr;
    if (!converted) return path;
    std::wstring result = converted;
    ::HeapFree(::GetProcessHeap(), 0, converted);
    return result;
}

IdList MyComputer() {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(
            ::SHParseDisplayName(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", nullptr, &list, 0, nullptr)) ||
        !list)
        return {};
    const auto bytes = reinterpret_cast<const std::uint8_t*>(list);
    std::optional<IdList> copy = IdList::FromBytes({bytes, ::ILGetSize(list)});
    ::CoTaskMemFree(list);
    return copy.value_or(IdList());
}

// Ten items whose icons come every way the program finds icons: a program, a document, a folder, a missing
// file (drawn with a cross), an icon of a library, a web address, a shell object, one with a hotkey.
std::vector<TItemData> GroupItems(int group, const std::string& folder, const std::string& launched) {
    static const std::array<const char*, kGroupCount> programs = {
        "system32\\cmd.exe",   "system32\\control.exe",  "system32\\msinfo32.exe", "system32\\taskmgr.exe",
        "system32\\write.exe", "system32\\winhlp32.exe", "explorer.exe",           "notepad.exe",
        "regedit.exe",         "system32\\winver.exe"};
    const std::string g = std::to_string(group);
    std::vector<TItemData> items(kItemsPerGroup);
    items[0].Cmd = launched;
    items[0].Tip = "すぐ終わるプログラム " + g;
    items[1].Cmd = "%SystemRoot%\\system32\\notepad.exe";
    items[2].Cmd = "\"" + folder + "\\メモ " + g + ".txt\"";
    items[3].Cmd = "\"" + folder + "\"";
    items[4].Cmd = "\"" + folder + "\\無い " + g + ".exe\"";
    items[5].Cmd = "%SystemRoot%\\regedit.exe";
    items[5].CustomIcon = "%SystemRoot%\\system32\\shell32.dll," + std::to_string(3 + group);
    items[6].Cmd = "https://example.com/soak/" + g;
    items[7].IDList = MyComputer();
    if (!items[7].IDList.Present()) items[7].Cmd = "%SystemRoot%\\system32\\cmd.exe";
    items[8].Cmd = "%SystemRoot%\\system32\\winver.exe";
    items[8].HotKey = ShortCutOf(VK_F1 + static_cast<unsigned>(group), false, true, true);
    items[9].Cmd = std::string("%SystemRoot%\\") + programs[static_cast<std::size_t>(group)];
    return items;
}

// A short folder without blanks under the temporary folder: the program reads no more than 256 bytes of
// a command line, and the launched program's record lies here.
std::wstring SoakFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    wchar_t shortTemp[MAX_PATH + 1] = {};
    const DWORD m = n ? ::GetShortPathNameW(temp, shortTemp, MAX_PATH + 1) : 0;
    const std::wstring base = m && m <= MAX_PATH ? shortTemp : temp;
    return (fs::path(base) / (L"lssoak" + std::to_wstring(::GetCurrentProcessId()))).wstring();
}

void RemoveFolder(const std::wstring& folder) {
    std::error_code error;
    for (int attempt = 0; attempt < 50; ++attempt) {
        fs::remove_all(fs::path(folder), error);
        if (!Exists(folder)) return;
        ::Sleep(100);
    }
}

// The counters every tenth round: a leak grows with the rounds, a cache fills and stays.
void PrintCheckpoint(const char* when, int round, const bench::TCounters& counters) {
    std::printf("%s %3d:", when, round);
    for (const bench::TCounter& counter : counters.Values)
        if (counter.Shown && counter.Value) std::printf("  %s %.0f", counter.Name, *counter.Value);
    std::printf("\n");
    std::fflush(stdout);
}

void PrintMeans(const TSoak& soak) {
    static const std::array<const char*, TSoak::kKinds> names = {
        "group switch", "dialog OK", "dialog Cancel", "editor OK", "launch", "TaskbarCreated"};
    std::printf("\n%-16s %7s %10s\n", "step", "count", "mean ms");
    for (int k = 0; k < TSoak::kKinds; ++k)
        std::printf("%-16s %7d %10.1f\n", names[static_cast<std::size_t>(k)], soak.Count(TSoak::TKind(k)),
                    soak.MeanMs(TSoak::TKind(k)));
}

int Soak(const std::wstring& lodestar, const std::wstring& folder, const std::wstring& launchedProgram,
         int rounds, std::optional<TSoak::TKind> only) {
    const std::wstring record = folder + L"\\launch.txt";
    const std::string launched =
        "\"" + Narrow(launchedProgram) + "\" --out \"" + Narrow(record) + "\" --stay 1";
    // Group 0 shown, items start on a single click, drops seen by the timer (the hook mode needs a
    // notification area window of the shell's own, which Wine's desktop lacks), whatever is stored.
    TSettings settings;
    settings.ShowMainIcon = true;
    settings.ClickType = false;
    settings.IconGroup = 0;
    settings.TrayDndType = dndTimer;
    settings.NotifyNotFound = nfWarning;
    WriteSettings(settings);
    TGroups groups;
    for (int g = 0; g < kGroupCount; ++g) {
        const std::wstring memo = folder + L"\\メモ " + std::to_wstring(g) + L".txt";
        ::CloseHandle(::CreateFileW(memo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        groups[static_cast<std::size_t>(g)] = {"グループ " + std::to_string(g),
                                               GroupItems(g, Narrow(folder), launched)};
    }
    SaveOtherGroups(0, groups);
    SaveShownGroup(0, groups[0].Items);
    WriteIconGroup(0);

    const auto began = SteadyClock::now();
    const TLodestar program(lodestar);
    TSoak soak(program, record);
    try {
        program.Expect(
            [&] { return program.MainWindow() && program.IconShown(ItemIconId(0, kItemsPerGroup)); },
            "Lodestar's icons to be shown");
        // Every group's icons once, then rounds as measured: caches and one-time allocations (the system's
        // and the program's) are made before the first count.
        for (int g = 0; g < kGroupCount; ++g)
            soak.SwitchGroup();
        const auto read = [&] {
            program.Barrier();
            WaitFor([] { return false; }, 1000);
            return bench::ReadCounters(program.Process(), program.Pid());
        };
        bench::TCounters before = read();
        for (int warmUp = 1;; ++warmUp) {
            for (int round = 0; round < kWarmUpRounds; ++round)
                soak.Round();
            const bench::TCounters reading = read();
            const bool settled = bench::Settled(before, reading);
            before = reading;
            if (settled || warmUp == kMostWarmUps) break;
            PrintCheckpoint("warm-up round", warmUp * kWarmUpRounds, before);
        }
        std::printf("warm-up done after %.0f s; %d rounds follow\n",
                    std::chrono::duration<double>(SteadyClock::now() - began).count(), rounds);
        PrintCheckpoint("after round", 0, before);

        soak.Only = only;
        soak.StartCounting(rounds * (only ? 10 : TSoak::kStepsPerRound));
        for (int round = 1; round <= rounds; ++round) {
            soak.Round();
            if (round % 10 == 0 && round < rounds) PrintCheckpoint("after round", round, read());
        }
        const bench::TCounters after = read();
        const bool pass = bench::Report(before, after);
        PrintMeans(soak);
        std::printf("\nwhole soak: %.0f s; %s\n",
                    std::chrono::duration<double>(SteadyClock::now() - began).count(),
                    pass ? "nothing leaked" : "LEAK: a counter grew");
        return pass ? 0 : 1;
    } catch (const TStepFailed& failed) {
        std::printf("the soak stopped after %.0f s, in %s: waited in vain for %s\n",
                    std::chrono::duration<double>(SteadyClock::now() - began).count(), soak.Step().c_str(),
                    failed.What.c_str());
        program.ListWindows();
        return 2;
    }
}

} // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    ::LocalFree(argv);
    int rounds = kRounds;
    std::optional<TSoak::TKind> only;
    static const std::array<const wchar_t*, TSoak::kKinds> kindNames = {L"switch", L"ok",     L"cancel",
                                                                        L"edit",   L"launch", L"taskbar"};
    for (bool more = true; more && args.size() >= 2;) {
        const std::wstring option = args[args.size() - 2], value = args.back();
        more = false;
        if (option == L"--rounds") {
            rounds = std::max(1, _wtoi(value.c_str()));
            more = true;
        } else if (option == L"--only") {
            const auto found = std::find(kindNames.begin(), kindNames.end(), value);
            if (found == kindNames.end())
                args.clear();
            else
                only = TSoak::TKind(found - kindNames.begin());
            more = true;
        }
        if (more && !args.empty()) args.resize(args.size() - 2);
    }
    if (args.empty() || args.size() > 2) {
        std::printf("usage: soak_bench LODESTAR.exe [PROBE.exe] [--rounds N] [--only switch|ok|cancel|edit|"
                    "launch|taskbar]\n");
        return 2;
    }
    const std::wstring lodestar = WindowsPath(args[0]);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring builtProgram =
        args.size() > 1 ? WindowsPath(args[1]) : (fs::path(self).parent_path() / L"soak_child.exe").wstring();
    for (const std::wstring& file : {lodestar, builtProgram})
        if (!Exists(file)) {
            std::printf("usage: soak_bench LODESTAR.exe [PROBE.exe]   (no file %s)\n", Narrow(file).c_str());
            return 2;
        }
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const bench::TStoredStateGuard stored;
    if (!stored.Ready()) {
        std::printf("the stored settings and items could not be read whole; the soak did not run\n");
        return 2;
    }
    const std::wstring folder = SoakFolder();
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\" + fs::path(builtProgram).filename().wstring();
    int result = 2;
    try {
        if (!::CopyFileW(builtProgram.c_str(), program.c_str(), FALSE))
            std::printf("could not copy the launched program to %s\n", Narrow(program).c_str());
        else
            result = Soak(lodestar, folder, program, rounds, only);
    } catch (const TStepFailed& failed) {
        std::printf("%s\n", failed.What.c_str());
    }
    RemoveFolder(folder);
    return result;
}
