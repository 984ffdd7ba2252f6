#include "AppSettings.h"

namespace lodestar {

TSettings& ProgramSettings() {
    static TSettings settings;
    return settings;
}

} // namespace lodestar
