// A window (400, 300, 200 x 200) with the shell drop target registered on it, as the main window has it.
// Reports "ready", then what one drop delivered: its effect, each object's path and the path of its
// absolute ID list.
#include "DropPIDLTarget.h"
#include "WinText.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

using namespace lodestar;

int main() {
    const HWND window =
        ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"target", WS_POPUP | WS_VISIBLE, 400, 300, 200, 200,
                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    TComponent owner(nullptr);
    auto* target = CreateComponent<TDropPIDLTarget>(&owner);
    target->Dragtypes = {dtLink};
    bool dropped = false;
    target->OnEnter = [](TComponent*, TShiftState, POINT, DWORD& effect) {
        std::printf("enter %lu\n", effect);
        std::fflush(stdout);
    };
    target->OnDrop = [&](TComponent*, TShiftState, POINT point, DWORD& effect) {
        std::printf("drop %lu at %ld %ld, %d lists\n", effect, point.x, point.y, target->PidlCount());
        for (int i = 0; i + 2 <= target->PidlCount(); ++i) {
            const UniqueCoTask<ITEMIDLIST> pidl = target->PidlAt(i + 1);
            wchar_t path[MAX_PATH] = {};
            ::SHGetPathFromIDListW(pidl.Get(), path);
            std::printf("file %s | pidl %s\n", target->Filenames()[i].c_str(), Narrow(path).c_str());
        }
        std::fflush(stdout);
        dropped = true;
    };
    target->Register(window, "Form1");
    std::printf("ready\n");
    std::fflush(stdout);

    ::SetTimer(nullptr, 0, 30000, nullptr);
    MSG msg;
    while (!dropped && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        ::DispatchMessageW(&msg);
    }
    target->Unregister();
    ::DestroyWindow(window);
    return dropped ? 0 : 1;
}
