// The options dialog's Startup registration: a shortcut to the program in the user's Startup folder, and
// its removal.
#include "lsOpt.h"

namespace lodestar {

void TForm2::btnRegStartUpClick() {}

void TForm2::btnUnregStartUpClick() {}

} // namespace lodestar
