#pragma once

#include "core/registry/registry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// How value data crosses between the "A" interface and the hive: string
// types as UTF-8 outside and UTF-16LE inside, every other type as is.
namespace platform {

// The largest data libhivex can write as one cell that Windows also reads;
// larger data would need big-data records, which libhivex never writes.
inline constexpr std::size_t kMaxStoredValueSize = 16344;

bool isStringType(std::uint32_t type);

// The bytes to store for data given to setValue (text that lacks its
// terminating zero gains one), or the result code that
// refuses it: kInvalidParameter for text that is not UTF-8 or a DWORD that
// is not 4 bytes, kFileTooLarge when the stored form would not fit a cell.
LSTATUS encodeValueData(std::uint32_t type, const std::uint8_t* data, std::uint32_t size,
                        std::vector<std::uint8_t>* stored);

} // namespace platform
