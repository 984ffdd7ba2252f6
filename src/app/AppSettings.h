// The settings the running program works with: read once at start, replaced by the options dialog.
#pragma once

#include "Settings.h"

namespace lodestar {

TSettings& ProgramSettings();

} // namespace lodestar
