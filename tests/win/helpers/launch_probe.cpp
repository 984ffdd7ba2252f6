// A window program that tests start in place of real applications. It writes down how it was started and,
// later, how it ended, so that a test can see what a launcher or a chain did with it.
//
//   launch_probe.exe --out FILE [--idle-after MS] [--stay MS] [--title TEXT] [more arguments...]
//
// FILE (UTF-8 "key=value" lines, relative to the working folder when relative):
//   cmdline  the whole command line          args  the arguments after the probe's own options
//   cwd      the working folder              show  STARTUPINFO.wShowWindow, or -1 without the flag
//   pid      the process identifier          start the start time (100 ns units of the system clock)
// FILE.end: "end" (same clock) and "reason" (close or timeout).
// Both files appear whole: each is written under another name first and then renamed.
//
// The window (titled TEXT, default "launch_probe") is shown with the show command the probe was given.
// The probe sleeps MS of --idle-after before it first asks for input, so a WaitForInputIdle on it returns
// no earlier; it ends on WM_CLOSE or after MS of --stay (default 30000).
#include "Handles.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

std::wstring g_out;
bool g_ended = false;

std::uint64_t Now() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool WriteWhole(const std::wstring& path, const std::string& text) {
    const std::wstring temporary = path + L".tmp";
    {
        const UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size())
            return false;
    }
    return ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void End(HWND window, const char* reason) {
    if (!g_ended) {
        g_ended = true;
        WriteWhole(g_out + L".end", "end=" + std::to_string(Now()) + "\nreason=" + reason + "\n");
    }
    ::DestroyWindow(window);
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        End(window, "close");
        return 0;
    case WM_TIMER:
        End(window, "timeout");
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

std::string CurrentFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (n >= folder.size()) {
        folder.assign(n, L'\0');
        n = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    }
    folder.resize(n < folder.size() ? n : 0);
    // "C:\" keeps its backslash; every other folder is given without one.
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return Narrow(folder);
}

struct LocalFreer {
    void operator()(LPWSTR* p) const { ::LocalFree(p); }
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::uint64_t start = Now();

    int argc = 0;
    const std::unique_ptr<LPWSTR[], LocalFreer> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc));
    if (!argv) return 2;
    DWORD idleAfter = 0;
    DWORD stay = 30000;
    std::wstring title = L"launch_probe";
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        const wchar_t* value = argv[i + 1];
        if (option == L"--out")
            g_out = value;
        else if (option == L"--idle-after")
            idleAfter = std::wcstoul(value, nullptr, 10);
        else if (option == L"--stay")
            stay = std::wcstoul(value, nullptr, 10);
        else if (option == L"--title")
            title = value;
        else
            break;
    }
    std::wstring more;
    for (; i < argc; ++i) {
        if (!more.empty()) more += L' ';
        more += argv[i];
    }
    if (g_out.empty()) return 2;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"LaunchProbe";
    if (!::RegisterClassW(&windowClass)) return 3;
    const HWND window =
        ::CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
    if (!window) return 3;
    // Wine's SW_SHOWDEFAULT does not take every show command of the start-up information (SW_HIDE shows
    // the window), so the command is passed on as it came.
    ::ShowWindow(window, show >= 0 ? show : SW_SHOWDEFAULT);
    ::SetTimer(window, 1, stay, nullptr);

    // Written once the window exists, so that whoever reads the record can also find the window.
    const std::string record = "cmdline=" + Narrow(::GetCommandLineW()) + "\nargs=" + Narrow(more) +
                               "\ncwd=" + CurrentFolder() + "\nshow=" + std::to_string(show) +
                               "\npid=" + std::to_string(::GetCurrentProcessId()) +
                               "\nstart=" + std::to_string(start) + "\n";
    if (!WriteWhole(g_out, record)) return 4;

    if (idleAfter) ::Sleep(idleAfter);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
