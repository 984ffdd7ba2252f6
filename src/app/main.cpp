// Lodestar.exe
#include "AppSettings.h"
#include "Application.h"
#include "CommandLine.h"
#include "LinkDialogs.h"
#include "Startup.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>

namespace {

int Run() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i)
        args.push_back(lodestar::Narrow(argv[i]));
    if (argv) ::LocalFree(argv);
    lodestar::LinkDialogs();
    // The reset mode has its own words for a registry that refuses it.
    if (args.empty() || lodestar::UpperAscii(args.front()) != "/I")
        lodestar::WarnOnceWhenSettingsCannotBeKept();
    return lodestar::RunLodestar(args);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Nothing may end the program without a word: an error that escapes everything else is shown here.
    try {
        return Run();
    } catch (...) {
        lodestar::Application::HandleException(std::current_exception());
        return 1;
    }
}
