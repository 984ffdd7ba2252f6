// Icons found through registry trees that belong to the shell. The caller owns the icons.
#pragma once

#include "Handles.h"

#include <string_view>

namespace lodestar {

// The small icon of a shell icon number: the location the "Shell Icons" key gives for it, else
// "Shell32.dll,<number>". None when extraction fails.
UniqueIcon GetShellIcon(int number);
// The same at `size` pixels square (16 is GetShellIcon's small icon).
UniqueIcon GetShellIcon(int number, int size);
// The small icon of a URL protocol (a key under HKEY_CLASSES_ROOT that is marked "URL Protocol" and has a
// "DefaultIcon"). None otherwise.
UniqueIcon GetURLProtocolIcon(std::string_view protocolKey, int size = 16);
// The small icon at "file,index".
UniqueIcon ExtractSmallIcon(std::string_view location);
// The icon at "file,index" drawn for `size` pixels square, taken from the file's picture of that size
// or the nearest larger one; the small icon when the file offers no other. A negative index is a
// resource number, as with ExtractSmallIcon.
UniqueIcon ExtractIconAt(std::string_view location, int size);

} // namespace lodestar
