#pragma once

#include "core/registry/registry.h"

#include <string>

namespace services {

// One plain sentence saying why a registry call failed, for messages that
// reach a person ("You do not have permission to change this registry hive.").
std::string describeRegistryError(platform::LSTATUS status);

// The same, preferring what the registry itself says about a damaged store
// or a failed save ("The hive is damaged (...); Pennant will not change it."),
// and naming why a store refuses every change (a read-only file, changes
// waiting in its transaction logs).
std::string describeRegistryError(const platform::Registry& registry, platform::LSTATUS status);

} // namespace services
