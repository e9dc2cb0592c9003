#pragma once

#include <string>
#include <string_view>

// The one place where the program's UTF-8 text meets the UTF-16 of the
// Windows "W" functions.
namespace platform {

// Invalid UTF-8 becomes U+FFFD, as Windows converts it.
std::wstring widen(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string narrow(std::wstring_view text);

} // namespace platform
