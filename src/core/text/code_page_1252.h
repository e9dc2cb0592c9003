#pragma once

#include <string>
#include <string_view>

// Windows' ANSI code page for Western languages (1252), in which REGEDIT4
// files and version 5.00 files without a byte order mark are written.
namespace platform {

// UTF-8 text of code page 1252 bytes. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same number, as Windows converts them.
std::string cp1252ToUtf8(std::string_view bytes);

} // namespace platform
