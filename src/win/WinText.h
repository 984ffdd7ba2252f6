// UTF-8 and UTF-16 at the Windows API boundary (the wide API, COM and the shell's wide structures).
#pragma once

#include <string>
#include <string_view>

namespace lodestar {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

} // namespace lodestar
