// Opening cost of the icon picker under Wine or Windows, on shell32.dll (or the given file, or "largest":
// the file of the system folder that holds the most icons): from the call that opens it until the shown
// dialog answers a message, against a bare loop that extracts the same icons one by one into an image
// list, measured in the same run.
// Run: scripts/bench picker, or
//      scripts/wine build/win64/bench/icon_picker_bench.exe [FILE|largest] [--rounds N]
//      scripts/wine build/win64/bench/icon_picker_bench.exe --show [--large] [FILE [INDEX]]
//      (only shows the picker, for a look or a screenshot; prints the result when it closes)
#include "BenchReport.h"
#include "BenchTiming.h"
#include "Application.h"
#include "ImageList.h"
#include "SIcoDlg98.h"
#include "WinText.h"
#include "resource.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace lodestar;
using bench::Clock;
using bench::Ms;

namespace {

std::string SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder);
}

int IconCount(const std::wstring& file) {
    const UINT n = ::ExtractIconExW(file.c_str(), -1, nullptr, nullptr, 0);
    return n == UINT_MAX ? 0 : static_cast<int>(n);
}

// The file of the system folder with the most icons.
std::string LargestIconFile(int& icons) {
    const std::string folder = SystemFolder();
    std::string best;
    icons = 0;
    for (const wchar_t* pattern : {L"\\*.dll", L"\\*.exe", L"\\*.cpl", L"\\*.ocx", L"\\*.ico", L"\\*.icl"}) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((Widen(folder) + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::string file = folder + "\\" + Narrow(found.cFileName);
            const int n = IconCount(Widen(file));
            if (n > icons) {
                icons = n;
                best = file;
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    return best;
}

// The bare work: every icon extracted on its own and put into an image list.
double Baseline(const std::string& file, int& loaded) {
    const auto start = Clock::now();
    const std::wstring wide = Widen(file);
    TImageList list(16, 16);
    const int n = IconCount(wide);
    for (int i = 0; i < n; ++i) {
        HICON small = nullptr;
        ::ExtractIconExW(wide.c_str(), i, nullptr, &small, 1);
        if (small) {
            list.AddIcon(small);
            ::DestroyIcon(small);
        } else {
            list.AddBlank();
        }
    }
    loaded = list.Count();
    return Ms(Clock::now() - start);
}

HWND FindPicker() {
    const HWND dialog = ::FindWindowW(L"#32770", L"アイコンの変更 - Lodestar");
    return dialog && ::IsWindowVisible(dialog) ? dialog : nullptr;
}

// From the call to the moment the visible dialog answers a sent message; then it is cancelled.
double OpenPicker(const std::string& file, bool large, int& shown) {
    std::atomic<Clock::time_point> answered{};
    std::atomic<int> count{0};
    std::atomic<bool> stop{false};
    std::thread watcher([&] {
        while (!stop) {
            if (const HWND dialog = FindPicker()) {
                DWORD_PTR result = 0;
                ::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
                answered = Clock::now();
                const HWND grid = ::GetDlgItem(dialog, IDC_ICODLG_GRID);
                count = static_cast<int>(::SendMessageW(grid, ICOGRID_GETCOUNT, 0, 0));
                ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            ::Sleep(1);
        }
    });
    const auto start = Clock::now();
    {
        TIcoDlg1 picker;
        picker.SetIconSize(large ? 1 : 0);
        std::string name = file;
        int index = 0;
        picker.PickIcon(name, index);
    }
    stop = true;
    watcher.join();
    shown = count;
    return Ms(answered.load() - start);
}

int Show(int argc, char** argv) {
    bool large = false;
    std::vector<std::string> rest;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--large")
            large = true;
        else
            rest.push_back(argv[i]);
    }
    std::string file = rest.empty() ? SystemFolder() + "\\shell32.dll" : rest[0];
    int index = rest.size() > 1 ? std::atoi(rest[1].c_str()) : 0;
    TIcoDlg1 picker;
    picker.SetIconSize(large ? 1 : 0);
    const bool ok = picker.PickIcon(file, index);
    std::printf("%s %s,%d view %d\n", ok ? "chosen" : "cancelled", file.c_str(), index, picker.IconSize());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--show") return Show(argc, argv);
    const bool fileGiven = argc >= 2 && std::string(argv[1]).rfind("--", 0) != 0;
    int icons = 0;
    const std::string file = !fileGiven                          ? SystemFolder() + "\\shell32.dll"
                             : std::string(argv[1]) == "largest" ? LargestIconFile(icons)
                                                                 : std::string(argv[1]);
    icons = IconCount(Widen(file));
    std::printf("file: %s, %d icons\n", file.c_str(), icons);
    if (icons == 0) return 2;

    // Both once unmeasured, so that the file and the dialog's code are in memory for every round.
    int loaded = 0;
    int shown = 0;
    Baseline(file, loaded);
    OpenPicker(file, false, shown);

    bench::About("picker", "icon picker on shell32.dll until it answers");
    bench::About("picker-bare", "the same icons extracted one by one into an image list");
    bench::About("picker-large", "the picker in its large view");
    const bench::TRounds rounds = bench::TRounds::Of(argc, argv, 15);
    for (int i = 0; i < rounds.Count; ++i) {
        // Each goes first in every other round, so that neither profits from the other's work.
        if (rounds.BaselineFirst(i)) bench::Sample("picker-bare", Baseline(file, loaded));
        bench::Sample("picker", OpenPicker(file, false, shown));
        if (!rounds.BaselineFirst(i)) bench::Sample("picker-bare", Baseline(file, loaded));
        if (shown != loaded)
            std::printf("the picker showed %d icons, the bare loop loaded %d\n", shown, loaded);
        bench::Sample("picker-large", OpenPicker(file, true, shown));
    }
    bench::RatioTarget("picker", "picker-bare", 1.20);
    return 0;
}
