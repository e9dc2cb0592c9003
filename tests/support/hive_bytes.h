#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads and patches the bytes of a hive file, to build fixtures that only
// Windows or a damaged disk would produce.
namespace hive_bytes {

std::vector<char> readFile(const std::string& path);
// Rewrites the file in place (same inode), as a foreign tool would.
void writeFileInPlace(const std::string& path, const std::vector<char>& bytes);

std::uint32_t dwordAt(const std::vector<char>& bytes, std::size_t offset);
void setDword(std::vector<char>& bytes, std::size_t offset, std::uint32_t value);
std::uint16_t wordAt(const std::vector<char>& bytes, std::size_t offset);

// Recomputes the base block's XOR checksum.
void fixHeaderChecksum(std::vector<char>& bytes);
// Makes the two header sequence numbers differ, as a hive whose logs were
// not replayed has them.
void markDirty(const std::string& path);

// Offsets of every value record (vk) with this ASCII name, including
// stale copies left in free space.
std::vector<std::size_t> valueRecordsNamed(const std::vector<char>& bytes, const std::string& name);

// Offsets of every key record (nk) with this ASCII name.
std::vector<std::size_t> keyRecordsNamed(const std::vector<char>& bytes, const std::string& name);

// Field offsets inside a key record.
inline constexpr std::size_t kKeyParent = 0x10;
inline constexpr std::size_t kKeySubKeyCount = 0x14;
inline constexpr std::size_t kKeySubKeyList = 0x1C;
inline constexpr std::size_t kKeyValueList = 0x28;
inline constexpr std::size_t kKeySecurity = 0x2C;
inline constexpr std::size_t kKeyClassName = 0x30;
inline constexpr std::size_t kKeyNameLength = 0x48;

// Field offsets inside a value record.
inline constexpr std::size_t kValueNameLength = 0x02;
inline constexpr std::size_t kValueDataLength = 0x04;
inline constexpr std::size_t kValueDataOffset = 0x08;

} // namespace hive_bytes
