// Shows one tray icon and one global hotkey (Ctrl+Alt+K under id 7) and reports on standard output what
// reaches them, so a script can drive them with real mouse clicks and key presses.
#include "Application.h"
#include "Hkhotkey.h"
#include "SysCtrls.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

using namespace lodestar;

namespace {
void Say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}
} // namespace

int main() {
    TIconTray tray(nullptr);
    tray.SetHint("Lodestar probe");
    tray.SetIcon(::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
    int events = 0;
    tray.OnClick = [&](TComponent*) {
        Say("click");
        ++events;
    };
    THookHotKey hotKeys(nullptr);
    hotKeys.OnHotKey = [&](TComponent*, int id) {
        std::printf("hotkey %d\n", id);
        std::fflush(stdout);
        ++events;
    };
    if (!hotKeys.AddHotKey(7, 0xC04B)) Say("hotkey refused");

    // Where the shell put the icon, when it can say.
    NOTIFYICONIDENTIFIER id{};
    id.cbSize = sizeof id;
    id.hWnd = tray.WindowHandle();
    id.uID = tray.IconID();
    RECT rect{};
    if (SUCCEEDED(::Shell_NotifyIconGetRect(&id, &rect)))
        std::printf("ready %ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    else
        Say("ready");
    std::fflush(stdout);

    // Ends after the two events or after 30 seconds.
    ::SetTimer(nullptr, 0, 30000, nullptr);
    MSG msg;
    while (events < 2 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return events == 2 ? 0 : 1;
}
