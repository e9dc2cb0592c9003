#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Writes a new hive file holding only an empty root key, valid for libhivex
// and for Windows. Refuses to replace an existing file. On failure returns
// false and sets *error to one plain sentence.
bool writeBlankHive(const std::string& path, std::string* error);

// Pieces of the format that any writer of a whole hive needs.

// Now as a Windows file time (100 ns steps since 1601).
std::uint64_t windowsFileTimeNow();

// A self-relative security descriptor as Windows gives a fresh SOFTWARE
// hive's root: owned by Administrators, group SYSTEM, and a DACL that lets
// SYSTEM and Administrators do everything and Users read, inherited by sub keys.
std::vector<std::uint8_t> rootSecurityDescriptor();

// Fills the base block (the first 4096 bytes of bytes) of a clean hive of
// format version 1.5 whose root key cell is at rootCell and whose bins hold
// binsSize bytes, with its checksum.
void writeBaseBlock(std::vector<std::uint8_t>& bytes, std::uint32_t rootCell, std::uint32_t binsSize,
                    std::uint64_t now);

} // namespace platform
