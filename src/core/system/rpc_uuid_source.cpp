#include "core/system/rpc_uuid_source.h"

#include <rpc.h>

#include <cstring>

namespace platform {

// The 16 bytes keep the order the text shows: the first three fields, which
// Windows keeps as little-endian numbers, are stored big-endian here as
// libuuid stores them.
namespace {

void toBytes(const UUID& native, Uuid* uuid)
{
    const std::uint8_t head[8] = {
        static_cast<std::uint8_t>(native.Data1 >> 24), static_cast<std::uint8_t>(native.Data1 >> 16),
        static_cast<std::uint8_t>(native.Data1 >> 8),  static_cast<std::uint8_t>(native.Data1),
        static_cast<std::uint8_t>(native.Data2 >> 8),  static_cast<std::uint8_t>(native.Data2),
        static_cast<std::uint8_t>(native.Data3 >> 8),  static_cast<std::uint8_t>(native.Data3)};
    std::memcpy(uuid->data(), head, sizeof head);
    std::memcpy(uuid->data() + 8, native.Data4, sizeof native.Data4);
}

UUID fromBytes(const Uuid& uuid)
{
    UUID native{};
    native.Data1 = static_cast<unsigned long>(uuid[0]) << 24 | static_cast<unsigned long>(uuid[1]) << 16 |
                   static_cast<unsigned long>(uuid[2]) << 8 | uuid[3];
    native.Data2 = static_cast<unsigned short>(uuid[4] << 8 | uuid[5]);
    native.Data3 = static_cast<unsigned short>(uuid[6] << 8 | uuid[7]);
    std::memcpy(native.Data4, uuid.data() + 8, sizeof native.Data4);
    return native;
}

} // namespace

std::int32_t RpcUuidSource::create(Uuid* uuid)
{
    UUID native{};
    const RPC_STATUS status = UuidCreate(&native);
    if (status == RPC_S_OK)
        toBytes(native, uuid);
    return status;
}

std::int32_t RpcUuidSource::toString(const Uuid& uuid, std::string* text)
{
    UUID native = fromBytes(uuid);
    RPC_CSTR converted = nullptr;
    const RPC_STATUS status = UuidToStringA(&native, &converted);
    if (status != RPC_S_OK)
        return status;
    text->assign(reinterpret_cast<const char*>(converted));
    RpcStringFreeA(&converted);
    return RPC_S_OK;
}

std::unique_ptr<UuidSource> systemUuidSource()
{
    return std::make_unique<RpcUuidSource>();
}

} // namespace platform
