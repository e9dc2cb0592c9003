#pragma once

#include "core/system/dialogs.h"
#include "core/registry/registry.h"

#include <memory>
#include <optional>
#include <string>

namespace services {

// The registry the program edits, opened the same way for the window and
// every command.
struct ProgramRegistry {
    std::unique_ptr<platform::Registry> registry;
    // What the program is editing, for a person: a hive file's path, or the
    // registry of this computer.
    std::string location;
    // The hive file behind it; nothing for the live registry.
    std::optional<std::string> hiveFile;
};

// On Linux: the hive file at hivePath, or the default hive (made blank and
// seeded when it is missing). On Windows: the live registry of this
// computer, or the hive file at hivePath loaded as an application hive.
// Nothing when it cannot be opened, with one sentence in *error (naming the
// command that can repair a hive when its transaction logs can).
std::optional<ProgramRegistry> openProgramRegistry(const std::optional<std::string>& hivePath, std::string* error);

// For the window, once opened: when a hive file is dirty (its newest changes
// are only in its transaction logs) and its logs can be applied, asks
// whether to apply them and, on Yes, continues on the recovered hive.
// Nothing to do where the system applies a hive's logs itself (Windows).
void settleProgramRegistry(ProgramRegistry& opened, platform::MessageBoxes& messages);

} // namespace services
