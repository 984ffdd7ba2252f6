// Holds the running program's single-instance mutex until its standard input closes, so tests can see
// how other tools behave while Lodestar runs.
#include "Settings.h"

#include <windows.h>

#include <cstdio>

int main() {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, lodestar::kInstanceMutex);
    if (!mutex) return 1;
    std::puts("holding");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    ::CloseHandle(mutex);
    return 0;
}
