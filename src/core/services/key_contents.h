#pragma once

#include "core/registry/registry.h"
#include "core/services/reg_file.h"

#include <optional>
#include <string>
#include <vector>

// What one open registry key holds, read whole.
namespace services {

// Its values in stored order; nothing when they cannot be read (the code
// in *status).
std::optional<std::vector<RegValue>> keyValues(platform::Registry& registry, platform::HKEY key,
                                               platform::LSTATUS* status);

// The names of its sub keys in the registry's order; nothing when they
// cannot be read (the code in *status).
std::optional<std::vector<std::string>> subKeyNames(platform::Registry& registry, platform::HKEY key,
                                                    platform::LSTATUS* status);

} // namespace services
