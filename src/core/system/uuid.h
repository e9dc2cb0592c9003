#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// A UUID source shaped like the Windows RPC functions: status codes, and a
// text form converted separately from the 16 bytes.
namespace platform {

using Uuid = std::array<std::uint8_t, 16>;

inline constexpr std::int32_t kRpcOk = 0;
inline constexpr std::int32_t kRpcUuidNoAddress = 1739;
inline constexpr std::int32_t kRpcOutOfMemory = 14;

class UuidSource {
public:
    virtual ~UuidSource() = default;
    // UuidCreate.
    virtual std::int32_t create(Uuid* uuid) = 0;
    // UuidToStringA: the 36-character 8-4-4-4-12 form, without braces.
    virtual std::int32_t toString(const Uuid& uuid, std::string* text) = 0;
};

// This platform's source: libuuid on Linux, the RPC runtime on Windows.
std::unique_ptr<UuidSource> systemUuidSource();

} // namespace platform
