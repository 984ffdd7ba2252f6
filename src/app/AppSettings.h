// The settings the running program works with: read once at start, replaced by the options dialog.
#pragma once

#include "Settings.h"

namespace lodestar {

TSettings& ProgramSettings();

// From now on, the first use of the registry that finds the program's key impossible to create tells the
// user, in a warning box, that the program runs on its defaults and keeps no change.
void WarnOnceWhenSettingsCannotBeKept();

} // namespace lodestar
