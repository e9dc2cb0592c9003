#include "core/system/libuuid_source.h"

#include <uuid/uuid.h>

#include <cstring>

namespace platform {

std::int32_t LibuuidSource::create(Uuid* uuid)
{
    uuid_t raw;
    uuid_generate_random(raw);
    std::memcpy(uuid->data(), raw, uuid->size());
    return kRpcOk;
}

std::int32_t LibuuidSource::toString(const Uuid& uuid, std::string* text)
{
    uuid_t raw;
    std::memcpy(raw, uuid.data(), uuid.size());
    char buffer[37];
    uuid_unparse_lower(raw, buffer);
    text->assign(buffer);
    return kRpcOk;
}

std::unique_ptr<UuidSource> systemUuidSource()
{
    return std::make_unique<LibuuidSource>();
}

} // namespace platform
