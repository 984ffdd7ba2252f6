// Looks at another program's windows in the same desktop and acts on them as a user would, for the
// process tests. Console program; prints one line per finding.
//
//   window_probe box TITLE MS          waits up to MS for a message box captioned TITLE; prints
//                                      "box <text>" and presses its first button; exit 1 when none came
//   window_probe menu MS KEY...        waits up to MS for an open popup menu; prints "menu" and sends the
//                                      keys (down, up, return, escape) to it, as the menu loop reads them
//   window_probe logoff CLASS          ends the session for every top-level window of the process that
//                                      owns a window of class CLASS: WM_QUERYENDSESSION, then WM_ENDSESSION;
//                                      prints "logoff <answer>"
//   window_probe foreground            prints "foreground <class>" of the foreground window
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

struct TSearch {
    std::wstring ClassName;
    std::wstring Title; // empty: any
    HWND Found = nullptr;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) noexcept {
    auto& search = *reinterpret_cast<TSearch*>(param);
    wchar_t className[64] = {};
    wchar_t title[256] = {};
    ::GetClassNameW(window, className, 64);
    ::GetWindowTextW(window, title, 256);
    if (::IsWindowVisible(window) && search.ClassName == className &&
        (search.Title.empty() || search.Title == title)) {
        search.Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(const std::wstring& className, const std::wstring& title, DWORD milliseconds) {
    const ULONGLONG until = ::GetTickCount64() + milliseconds;
    for (;;) {
        TSearch search{className, title};
        ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.Found) return search.Found;
        if (::GetTickCount64() >= until) return nullptr;
        ::Sleep(50);
    }
}

int Box(const std::wstring& title, DWORD milliseconds) {
    const HWND box = WaitForWindow(L"#32770", title, milliseconds);
    if (!box) {
        std::puts("none");
        return 1;
    }
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
    std::wstring line = text;
    for (wchar_t& c : line)
        if (c == L'\r' || c == L'\n') c = L' ';
    std::printf("box %s\n", Narrow(line).c_str());
    std::fflush(stdout);
    // The box's first button, whatever its caption: OK here.
    const HWND button = ::FindWindowExW(box, nullptr, L"Button", nullptr);
    if (button) ::PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
}

UINT KeyCode(const std::string& name) {
    if (name == "down") return VK_DOWN;
    if (name == "up") return VK_UP;
    if (name == "return") return VK_RETURN;
    if (name == "escape") return VK_ESCAPE;
    return 0;
}

int Menu(DWORD milliseconds, const std::vector<std::string>& keys) {
    const HWND menu = WaitForWindow(L"#32768", L"", milliseconds);
    if (!menu) {
        std::puts("none");
        return 1;
    }
    std::puts("menu");
    std::fflush(stdout);
    for (const std::string& key : keys) {
        const UINT code = KeyCode(key);
        if (!code) return 2;
        ::PostMessageW(menu, WM_KEYDOWN, code, 1);
        ::PostMessageW(menu, WM_KEYUP, code, 0xC0000001);
        ::Sleep(100);
    }
    return 0;
}

struct TProcessWindows {
    DWORD ProcessId = 0;
    std::vector<HWND> Windows;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) noexcept {
    auto& found = *reinterpret_cast<TProcessWindows*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == found.ProcessId) found.Windows.push_back(window);
    return TRUE;
}

int LogOff(const std::wstring& className) {
    const HWND main = ::FindWindowW(className.c_str(), nullptr);
    if (!main) {
        std::puts("none");
        return 1;
    }
    TProcessWindows found;
    ::GetWindowThreadProcessId(main, &found.ProcessId);
    ::EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&found));
    bool allAgree = true;
    for (const HWND window : found.Windows) {
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000,
                                   &answer) ||
            !answer)
            allAgree = false;
    }
    for (const HWND window : found.Windows)
        ::SendMessageTimeoutW(window, WM_ENDSESSION, allAgree, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000,
                              nullptr);
    std::printf("logoff %s\n", allAgree ? "agreed" : "refused");
    return 0;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return 2;
    const std::string command = argc > 1 ? Narrow(argv[1]) : "";
    if (command == "box" && argc == 4) return Box(argv[2], static_cast<DWORD>(_wtoi(argv[3])));
    if (command == "menu" && argc >= 3) {
        std::vector<std::string> keys;
        for (int i = 3; i < argc; ++i)
            keys.push_back(Narrow(argv[i]));
        return Menu(static_cast<DWORD>(_wtoi(argv[2])), keys);
    }
    if (command == "logoff" && argc == 3) return LogOff(argv[2]);
    if (command == "foreground") {
        wchar_t className[64] = {};
        ::GetClassNameW(::GetForegroundWindow(), className, 64);
        std::printf("foreground %s\n", Narrow(className).c_str());
        return 0;
    }
    std::fputs("usage: window_probe box TITLE MS | menu MS KEY... | logoff CLASS | foreground\n", stderr);
    return 2;
}
