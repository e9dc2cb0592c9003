#include "core/registry/hive/registry_value_data.h"

#include "core/text/utf16_text.h"

#include <string_view>

namespace platform {

bool isStringType(std::uint32_t type)
{
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

LSTATUS encodeValueData(std::uint32_t type, const std::uint8_t* data, std::uint32_t size,
                        std::vector<std::uint8_t>* stored)
{
    if (data == nullptr && size > 0)
        return kInvalidParameter;
    if (type == kRegDword && size != 4)
        return kInvalidParameter;
    if (isStringType(type)) {
        // Zero bytes convert like any character, so the caller's terminator
        // becomes the two-byte UTF-16 terminator. Text that lacks one gets
        // one, as Windows stores it.
        std::string_view given(reinterpret_cast<const char*>(data), size);
        auto text = utf8ToUtf16le(given);
        if (!text)
            return kInvalidParameter;
        *stored = std::move(*text);
        if (!given.empty() && given.back() != '\0')
            stored->insert(stored->end(), {0, 0});
    } else {
        stored->assign(data, data + size);
    }
    return stored->size() > kMaxStoredValueSize ? kFileTooLarge : kSuccess;
}

} // namespace platform
