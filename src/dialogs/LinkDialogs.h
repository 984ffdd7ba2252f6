// Puts the management dialogs behind the main window's seams (Dialogs.h); the program calls it once at
// start, before the main window exists.
#pragma once

namespace lodestar {

void LinkDialogs();

} // namespace lodestar
