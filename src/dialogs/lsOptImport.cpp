// The options dialog taking over the settings and items of earlier versions from their INI files.
#include "lsOpt.h"

namespace lodestar {

void TForm2::btnLoadIniClick() {}

} // namespace lodestar
