#pragma once

#include "platform/registry/registry.h"

#include <string>

namespace services {

// One plain sentence saying why a registry call failed, for messages that
// reach a person ("You do not have permission to change this registry hive.").
std::string describeRegistryError(platform::LSTATUS status);

} // namespace services
