// Loading of the tray drop hook library: the notification area accepts dropped files while the library
// is loaded and its hook installed, and forwards them to the receiver window as WM_DROPFILES.
#pragma once

#include "Errors.h"

#include <windows.h>

#include <string>

namespace lodestar {

class EHookFailure : public EProgramError {
    using EProgramError::EProgramError;
};

// The library beside the program. It is loaded from there and nowhere else: found through the search
// path, a file of that name in the working folder or a folder on PATH would run inside the shell.
std::string HookLibraryPath();

bool HookLoaded();
// Loads the library and installs the hook for `receiver`. Raises EHookFailure when the library is already
// loaded or cannot be found; every later failure unloads the library and is shown in the application's
// error box, not raised.
void InstallHook(HWND receiver);
// Stops the area accepting files, removes the hook and unloads the library. Raises EHookFailure when the
// library is not loaded.
void UninstallHook();
// Asks the notification area to accept dropped files or to stop doing so.
void PostTrayAcceptFiles(bool enable);

} // namespace lodestar
