// The program's entry: reset mode ("/I"), the single-instance check and the main window's life.
#pragma once

#include "Settings.h"

#include <string>
#include <vector>

namespace lodestar {

inline constexpr const char* kStartupCaption = "Lodestar Mark-R";

// Runs the program for its command-line arguments (without the program's own name); returns the exit code.
int RunLodestar(const std::vector<std::string>& args);

} // namespace lodestar
