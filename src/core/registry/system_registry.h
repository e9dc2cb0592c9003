#pragma once

#include "core/registry/registry.h"

#include <memory>
#include <string>

// The registry this platform gives the program, so that the program itself
// needs no platform switch.
namespace platform {

// The live registry of this computer where the platform has one (Windows);
// null where it has none (Linux), and the program then edits a hive file.
std::unique_ptr<Registry> openSystemRegistry();

// The registry in the hive file at path, its root shown as
// HKEY_LOCAL_MACHINE\SOFTWARE: through libhivex on Linux, loaded as an
// application hive on Windows. On failure returns null and sets *error to
// one plain sentence naming the file and the cause.
std::unique_ptr<Registry> openHiveFile(const std::string& path, std::string* error);

} // namespace platform
