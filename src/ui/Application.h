// The application object: its hidden top-level window titled "Lodestar" (by which another copy finds
// this one), its title, the message loop and the standard error box.
#pragma once

#include "MessageWindow.h"

#include <exception>
#include <string>

namespace lodestar {

class Application {
public:
    static constexpr const char* kTitle = "Lodestar";

    // Creates the application window on first use.
    static HWND Handle();
    static const std::string& Title();
    // The program file's own path as it was started.
    static std::string ExeName();
    // Shows an exception as the application's standard error box: its message, caption "Lodestar",
    // error icon.
    static void HandleException(std::exception_ptr error) noexcept;
    // Dispatches the messages waiting in this thread's queue.
    static void ProcessMessages();
    // Runs the message loop until WM_QUIT; returns its exit code.
    static int Run();
};

} // namespace lodestar
