#include "Wildcard.h"

#include <string_view>

namespace lodestar {

// The text is UTF-8, where no byte of a multi-byte character can be taken for an ASCII one or for the
// start of another character, so byte-wise searches find only whole characters.
bool WildcardMatch(const std::string& text, const std::string& pattern) {
    const std::string_view t = text;
    const std::string_view p = pattern;
    if (p.empty()) return t.empty();
    if (p.size() == 1) return p == "*" || t == p;
    const bool leading = p.front() == '*';
    const bool trailing = p.back() == '*';
    if (leading && trailing) return t.find(p.substr(1, p.size() - 2)) != std::string_view::npos;
    if (leading) return t.ends_with(p.substr(1));
    if (trailing) return t.starts_with(p.substr(0, p.size() - 1));
    return t == p;
}

} // namespace lodestar
