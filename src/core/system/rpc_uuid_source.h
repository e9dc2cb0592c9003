#pragma once

#include "core/system/uuid.h"

namespace platform {

// UUIDs from the Windows RPC runtime (UuidCreate, UuidToStringA).
class RpcUuidSource final : public UuidSource {
public:
    std::int32_t create(Uuid* uuid) override;
    std::int32_t toString(const Uuid& uuid, std::string* text) override;
};

} // namespace platform
