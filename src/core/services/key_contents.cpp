#include "core/services/key_contents.h"

namespace services {

namespace {

// Far more than any key name needs (255 UTF-16 units, at most 765 bytes of
// UTF-8); only a broken store keeps asking for more.
constexpr std::size_t kLongestKeyNameBytes = 64 * 1024;

} // namespace

std::optional<std::vector<RegValue>> keyValues(platform::Registry& registry, platform::HKEY key,
                                               platform::LSTATUS* status)
{
    std::vector<RegValue> values;
    for (std::uint32_t index = 0;; ++index) {
        RegValue value;
        *status = registry.enumValue(key, index, &value.name, &value.type, &value.data);
        if (*status == platform::kNoMoreItems)
            break;
        if (*status != platform::kSuccess)
            return std::nullopt;
        values.push_back(std::move(value));
    }
    *status = platform::kSuccess;
    return values;
}

std::optional<std::vector<std::string>> subKeyNames(platform::Registry& registry, platform::HKEY key,
                                                    platform::LSTATUS* status)
{
    std::vector<std::string> names;
    std::vector<char> name(256);
    for (std::uint32_t index = 0;;) {
        auto length = static_cast<std::uint32_t>(name.size());
        *status = registry.enumKey(key, index, name.data(), &length);
        if (*status == platform::kMoreData && name.size() < kLongestKeyNameBytes) {
            name.resize(name.size() * 2);
            continue;
        }
        if (*status == platform::kNoMoreItems)
            break;
        if (*status != platform::kSuccess)
            return std::nullopt;
        names.emplace_back(name.data(), length);
        ++index;
    }
    *status = platform::kSuccess;
    return names;
}

} // namespace services
