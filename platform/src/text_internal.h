#pragma once
// Text helpers shared by the platform sources.
#include <string>

namespace plat::detail {

// Appends the UTF-8 encoding of one code point.
void AppendUtf8(std::string& out, char32_t cp);

} // namespace plat::detail
