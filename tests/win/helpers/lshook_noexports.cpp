// A library under the hook library's file name that lacks "UninstallHookProc", as a damaged copy or one of
// another version would. Its "InstallHookProc" fails, so a loader that called it anyway would be noticed.
#include <windows.h>

extern "C" __declspec(dllexport) HHOOK WINAPI InstallHookProc(HWND) {
    return nullptr;
}
