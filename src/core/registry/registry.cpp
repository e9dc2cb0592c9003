#include "core/registry/registry.h"

namespace platform {

LSTATUS Registry::queryValueBelow(HKEY key, const std::string& subKey, const std::string& valueName,
                                  std::uint32_t* type, std::uint8_t* data, std::uint32_t* size)
{
    HKEY opened = 0;
    if (const LSTATUS status = openKey(key, subKey, kKeyRead, &opened); status != kSuccess)
        return status;
    const LSTATUS status = queryValue(opened, valueName, type, data, size);
    closeKey(opened);
    return status;
}

} // namespace platform
