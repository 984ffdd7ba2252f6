// Holds a global hotkey for another program, as a program the user runs beside Lodestar would: registers
// the combination (a shortcut word in hex, the form items store) and keeps it until the named event
// "LodestarTestReleaseHotKey" is set. Sets "LodestarTestHotKeyHeld" once it holds the key; exits 1 when the
// system refused it.
#include "HotKey.h"

#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const auto shortcut = static_cast<std::uint16_t>(std::strtoul(argv[1], nullptr, 16));
    const HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, L"LodestarTestReleaseHotKey");
    const HANDLE held = ::CreateEventW(nullptr, TRUE, FALSE, L"LodestarTestHotKeyHeld");
    if (!::RegisterHotKey(nullptr, 1, lodestar::HotKeyModifiers(shortcut),
                          lodestar::HotKeyVirtualKey(shortcut)))
        return 1;
    ::SetEvent(held);
    ::WaitForSingleObject(release, 60000);
    ::UnregisterHotKey(nullptr, 1);
    return 0;
}
