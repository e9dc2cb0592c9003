#pragma once

#include "core/registry/hive/hive_registry.h"

#include <memory>
#include <string>

namespace services {

// Fills a blank hive the way a fresh system has it: the browser's
// Extensions key with its stock entry, and the locations of the
// system-information program (only when sysInfoProgram is not empty).
// Flushes; returns the first failing result code.
platform::LSTATUS seedFreshHive(platform::Registry& registry, const std::string& sysInfoProgram);

// Opens the hive at path. When the file does not exist and createIfMissing
// is set, first writes a blank hive there and seeds it (the finished file
// appears all at once). On failure returns null and sets *error to one
// plain sentence.
std::unique_ptr<platform::HiveRegistry> openOrCreateHive(const std::string& path, bool createIfMissing,
                                                         std::string* error);

} // namespace services
