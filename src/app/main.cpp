// Lodestar.exe
#include "Startup.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i) args.push_back(lodestar::Narrow(argv[i]));
    if (argv) ::LocalFree(argv);
    return lodestar::RunLodestar(args);
}
