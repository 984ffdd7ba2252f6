// Icons found through registry trees that belong to the shell. The caller owns the icons.
#pragma once

#include "Handles.h"

#include <string_view>

namespace lodestar {

// The small icon of a shell icon number: the location the "Shell Icons" key gives for it, else
// "Shell32.dll,<number>". None when extraction fails.
UniqueIcon GetShellIcon(int number);
// The small icon of a URL protocol (a key under HKEY_CLASSES_ROOT that is marked "URL Protocol" and has a
// "DefaultIcon"). None otherwise.
UniqueIcon GetURLProtocolIcon(std::string_view protocolKey);
// The small icon at "file,index".
UniqueIcon ExtractSmallIcon(std::string_view location);

} // namespace lodestar
