// A stand-in for the taskbar's notification area, which Wine's desktop lacks: a window of class
// "TrayNotifyWnd" covering the right-hand 160 pixels of the taskbar (y 748..767 of the 1024x768 desktop),
// inside a topmost "Shell_TrayWnd" of its own over that part of the desktop's taskbar (inside the
// desktop's own "Shell_TrayWnd" when its own would not be the one found first). It is painted with a
// magenta and cyan checkerboard of 5-pixel squares, so that a copy of it can be told apart in a screenshot.
//
//   tray_standin.exe --log FILE --ready FILE [--seconds N] [--model plain|win10|win11]
//
// --model        plain (the default): the bare area. win10: the area covered by its children as on
//                Windows 10: a chevron "Button" (16 pixels), a "SysPager" holding the icons'
//                "ToolbarWindow32" (104), a "TrayClockWClass" (40). win11: that, and a content window of
//                Windows 11's class "Windows.UI.Composition.DesktopWindowContentBridge" over the whole
//                taskbar.
// --ready FILE   receives the area's window handle in decimal, and with a model the toolbar's and the clock's
//                after blanks, written whole once the area is up.
// --log FILE     one line for every WM_TRAYACCEPTFILES and WM_DROPFILES that reaches a window of the thread:
//                "<window> <WM_TRAYACCEPTFILES|WM_DROPFILES> wParam=<n> lParam=<n> accept=<0|1>", window =
//                area, pager, toolbar, clock, chevron, content, or other (class "TrayStandInOther", hidden);
//                numbers in decimal, accept = the window's WS_EX_ACCEPTFILES bit when it handles the message.
// --seconds N    ends after N seconds (default 120); WM_CLOSE to the area ends it at once.
//
// Posting WM_APP + 1 to the area with wParam = milliseconds keeps the thread busy that long, so that the
// messages posted meanwhile wait in its queue. Posting WM_APP + 2 to a window with wParam = n makes the
// stand-in post that window a real drop of "C:\dropped\<n>\a.txt" and "C:\dropped\<n>\Café😀项.txt". The
// message loop peeks at every message before it takes it, as some shells do: a message hook then sees each
// waiting message twice.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT WM_TRAYACCEPTFILES = 0x8392;
constexpr UINT WM_STANDIN_STALL = WM_APP + 1;
constexpr UINT WM_STANDIN_DROP = WM_APP + 2;

// Posts the window a drop of two files, as the system posts one to a window that accepts files:
// "C:\dropped\<n>\a.txt" and "C:\dropped\<n>\Café😀项.txt", n = the request's wParam.
void PostDrop(HWND window, WPARAM n) {
    const std::wstring folder = L"C:\\dropped\\" + std::to_wstring(n) + L"\\";
    const std::wstring names =
        folder + L"a.txt" + L'\0' + folder + L"Caf\u00E9\U0001F600\u9879.txt" + L'\0' + L'\0';
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size() * 2);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(header + 1, names.data(), names.size() * 2);
    ::GlobalUnlock(block);
    ::PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}
constexpr int kAreaWidth = 160;

HANDLE logFile = INVALID_HANDLE_VALUE;
HWND area = nullptr;
// The windows of the Windows 10 and 11 models, null in the plain one.
HWND pager = nullptr, toolbar = nullptr, clock = nullptr, chevron = nullptr, content = nullptr;

const char* NameOf(HWND window) {
    const HWND windows[] = {area, pager, toolbar, clock, chevron, content};
    const char* const names[] = {"area", "pager", "toolbar", "clock", "chevron", "content"};
    for (std::size_t i = 0; i < std::size(windows); ++i)
        if (windows[i] == window) return names[i];
    return "other";
}

std::wstring Wide(const char* text) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
    return wide;
}

void Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (logFile == INVALID_HANDLE_VALUE) return;
    const bool accept = (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    char line[200];
    const int n = std::snprintf(
        line, sizeof line, "%s %s wParam=%llu lParam=%lld accept=%d\r\n", NameOf(window),
        message == WM_DROPFILES ? "WM_DROPFILES" : "WM_TRAYACCEPTFILES",
        static_cast<unsigned long long>(wParam), static_cast<long long>(lParam), accept ? 1 : 0);
    DWORD written = 0;
    ::WriteFile(logFile, line, static_cast<DWORD>(n), &written, nullptr);
}

void PaintCheckerboard(HWND window) {
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(window, &ps);
    RECT client;
    ::GetClientRect(window, &client);
    const HBRUSH magenta = ::CreateSolidBrush(RGB(255, 0, 255));
    const HBRUSH cyan = ::CreateSolidBrush(RGB(0, 255, 255));
    constexpr int kSquare = 5;
    for (int y = 0; y < client.bottom; y += kSquare)
        for (int x = 0; x < client.right; x += kSquare) {
            const RECT square{x, y, x + kSquare, y + kSquare};
            ::FillRect(dc, &square, ((x + y) / kSquare) % 2 ? cyan : magenta);
        }
    ::DeleteObject(magenta);
    ::DeleteObject(cyan);
    ::EndPaint(window, &ps);
}

// The desktop's own taskbar, which keeps the tray icons: programs that add icons while the stand-in's
// taskbar is the one they find are passed on to it.
HWND shellTaskbarWindow = nullptr;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA:
        if (window == area || !shellTaskbarWindow || shellTaskbarWindow == window) break;
        return ::SendMessageW(shellTaskbarWindow, WM_COPYDATA, wParam, lParam);
    case WM_TRAYACCEPTFILES:
    case WM_DROPFILES:
        Record(window, message, wParam, lParam);
        return 0;
    case WM_STANDIN_STALL:
        ::Sleep(static_cast<DWORD>(wParam));
        return 0;
    case WM_STANDIN_DROP:
        PostDrop(window, wParam);
        return 0;
    case WM_PAINT:
        if (!std::strcmp(NameOf(window), "other")) break;
        PaintCheckerboard(window);
        return 0;
    case WM_TIMER:
        ::DestroyWindow(area);
        return 0;
    case WM_DESTROY:
        if (window == area) ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterClassNamed(const wchar_t* name) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = name;
    return ::RegisterClassW(&wc) != 0;
}

bool WriteReady(const std::wstring& path) {
    const std::wstring temporary = path + L".tmp";
    const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string text = std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(area)));
    for (const HWND window : {toolbar, clock})
        if (window)
            text += " " + std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    DWORD written = 0;
    const bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    ::CloseHandle(file);
    return ok && ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

int main(int argc, char** argv) {
    std::wstring logPath, readyPath;
    int seconds = 120;
    std::string model = "plain";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--log"))
            logPath = Wide(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--ready"))
            readyPath = Wide(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--model"))
            model = argv[i + 1];
    }
    if (model != "plain" && model != "win10" && model != "win11") return 2;
    if (!logPath.empty()) {
        logFile = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    for (const wchar_t* name :
         {L"TrayNotifyWnd", L"TrayStandInOther", L"Shell_TrayWnd", L"SysPager", L"ToolbarWindow32",
          L"TrayClockWClass", L"Button", L"Windows.UI.Composition.DesktopWindowContentBridge"})
        if (!RegisterClassNamed(name)) return 1;

    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // Where the area goes: the right-hand end of the desktop's taskbar, or of the screen's bottom strip.
    const HWND shellTaskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT strip{};
    if (!shellTaskbar || !::GetWindowRect(shellTaskbar, &strip) || strip.right - strip.left <= 0 ||
        strip.bottom - strip.top <= 0) {
        const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
        strip = {0, height - 20, width, height};
    }
    const int width = strip.right - strip.left < kAreaWidth ? strip.right - strip.left : kAreaWidth;
    const int height = strip.bottom - strip.top;

    // Wine shows nothing that a process draws into a child of another process's window, and copies of it
    // come out empty. A topmost taskbar of our own over that end of the strip comes first for FindWindow,
    // so the area inside it is the one every program finds, and its picture can be seen and copied.
    HWND taskbar = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"Shell_TrayWnd",
                                     L"", WS_POPUP, strip.right - width, strip.top, width, height, nullptr,
                                     nullptr, instance, nullptr);
    if (taskbar) ::ShowWindow(taskbar, SW_SHOWNOACTIVATE);
    shellTaskbarWindow = shellTaskbar;
    int left = 0;
    if (taskbar && ::FindWindowW(L"Shell_TrayWnd", nullptr) != taskbar && shellTaskbar) {
        // Some other taskbar still comes first: put the area inside that one, where it is found.
        ::DestroyWindow(taskbar);
        taskbar = shellTaskbar;
        RECT client{};
        ::GetClientRect(taskbar, &client);
        left = client.right - width;
    }
    if (!taskbar) return 1;
    area = ::CreateWindowExW(0, L"TrayNotifyWnd", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, left, 0,
                             width, height, taskbar, nullptr, instance, nullptr);
    if (!area) return 1;
    if (model != "plain") {
        const auto child = [instance](const wchar_t* name, HWND parent, int x, int w, int h) {
            return ::CreateWindowExW(0, name, L"", WS_CHILD | WS_VISIBLE, x, 0, w, h, parent, nullptr,
                                     instance, nullptr);
        };
        const int chevronWidth = 16, clockWidth = 40;
        const int pagerWidth = width - chevronWidth - clockWidth;
        chevron = child(L"Button", area, 0, chevronWidth, height);
        pager = child(L"SysPager", area, chevronWidth, pagerWidth, height);
        toolbar = child(L"ToolbarWindow32", pager, 0, pagerWidth, height);
        clock = child(L"TrayClockWClass", area, width - clockWidth, clockWidth, height);
        if (!chevron || !pager || !toolbar || !clock) return 1;
    }
    if (model == "win11") {
        RECT bar{};
        ::GetClientRect(taskbar, &bar);
        content = ::CreateWindowExW(0, L"Windows.UI.Composition.DesktopWindowContentBridge", L"",
                                    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, bar.right, bar.bottom,
                                    taskbar, nullptr, instance, nullptr);
        if (!content) return 1;
        ::SetWindowPos(content, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ::CreateWindowExW(0, L"TrayStandInOther", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance,
                      nullptr);
    ::SetTimer(area, 1, static_cast<UINT>(seconds > 0 ? seconds : 120) * 1000u, nullptr);
    ::RedrawWindow(taskbar, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (!readyPath.empty() && !WriteReady(readyPath)) return 1;

    MSG msg;
    for (;;) {
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (logFile != INVALID_HANDLE_VALUE) ::CloseHandle(logFile);
    return 0;
}
