// What a test cannot drive for real: the keyboard state, message boxes, beeps and a shell that refuses
// notification icons. The program uses the
// real ones; a test may replace them to see which box would be shown and to answer it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

namespace lodestar {

struct TSeams {
    // Message box with UTF-8 texts; returns the button pressed (IDOK, IDCANCEL, ...).
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>
        MessageBox;
    std::function<void(UINT type)> Beep;
    // Whether a key or mouse button is held at the moment (GetKeyState's high bit).
    std::function<bool(int virtualKey)> KeyDown;
    // Whether a key or mouse button is physically held right now, whichever window has the input
    // (GetAsyncKeyState's high bit).
    std::function<bool(int virtualKey)> AsyncKeyDown;
    // Shell_NotifyIconW: at log-on, or while Explorer restarts, the shell refuses notification icons.
    std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)> NotifyIcon;
};

TSeams& Seams();
// Puts the real implementations back.
void ResetSeams();

} // namespace lodestar
