// Tells for each identifier on the command line whether the shell holds an icon of the running Lodestar
// under it: "<id> known" or "<id> unknown", one line each. Exit code 2 when no Lodestar icons window exists.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const HWND icons = ::FindWindowExW(HWND_MESSAGE, nullptr, L"LodestarTrayIcons", nullptr);
    if (!icons) return 2;
    for (int i = 1; i < argc; ++i) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = icons;
        data.uID = static_cast<UINT>(std::strtoul(argv[i], nullptr, 10));
        // A change of nothing: accepted exactly when the shell holds the icon.
        std::printf("%u %s\n", data.uID, ::Shell_NotifyIconW(NIM_MODIFY, &data) ? "known" : "unknown");
    }
    return 0;
}
