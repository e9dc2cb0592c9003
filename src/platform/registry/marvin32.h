#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The Marvin32 hash with a 64-bit seed, as Windows uses it to protect the
// entries of its registry transaction logs: the second state word in the
// high half, the first in the low half.
std::uint64_t marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed);

} // namespace platform
