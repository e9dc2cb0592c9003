#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The layout of a Windows registry hive file, as far as our own readers of
// it (the structural check, the sub key order) need it.
namespace platform::hive_format {

constexpr std::size_t kBaseBlockSize = 0x1000; // cell offsets count from its end
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
constexpr std::size_t kChecksumOffset = 0x1FC;        // XOR of the base block's dwords before it
constexpr std::size_t kBinHeaderSize = 0x20;
constexpr std::uint16_t kCompressedKeyName = 0x0020;   // one byte per character
constexpr std::uint16_t kCompressedValueName = 0x0001; // the same, in a value's flags
constexpr std::uint32_t kInlineData = 0x80000000;      // up to four bytes of data in the offset field

// Field offsets inside a cell's content (after its four-byte size).
namespace nk {
constexpr std::size_t kFlags = 0x02, kParent = 0x10, kSubKeyCount = 0x14, kSubKeyList = 0x1C, kValueCount = 0x24,
                      kValueList = 0x28, kSecurity = 0x2C, kClassName = 0x30, kNameLength = 0x48, kClassLength = 0x4A,
                      kName = 0x4C;
}

// Fields are little-endian; on such a host they are plain loads.
inline std::uint16_t load16(const std::uint8_t* at)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint16_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}
inline std::uint32_t load32(const std::uint8_t* at)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

inline void store16(std::uint8_t* at, std::uint16_t value)
{
    for (int i = 0; i < 2; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void store32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace platform::hive_format
