// Window-title patterns of the running-instance check.
#pragma once

#include <string>

namespace lodestar {

// Only a leading and a trailing "*" are wildcards; a "*" anywhere else stands for itself. Case-sensitive.
// An empty pattern matches only empty text; "*" and "**" match everything.
bool WildcardMatch(const std::string& text, const std::string& pattern);

} // namespace lodestar
