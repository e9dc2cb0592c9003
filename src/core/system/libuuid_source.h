#pragma once

#include "core/system/uuid.h"

namespace platform {

// Random (version 4) UUIDs from libuuid.
class LibuuidSource final : public UuidSource {
public:
    std::int32_t create(Uuid* uuid) override;
    std::int32_t toString(const Uuid& uuid, std::string* text) override;
};

} // namespace platform
