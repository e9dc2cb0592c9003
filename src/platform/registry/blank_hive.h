#pragma once

#include <string>

namespace platform {

// Writes a new hive file holding only an empty root key, valid for libhivex
// and for Windows. Refuses to replace an existing file. On failure returns
// false and sets *error to one plain sentence.
bool writeBlankHive(const std::string& path, std::string* error);

} // namespace platform
