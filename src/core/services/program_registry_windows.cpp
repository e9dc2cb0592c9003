#include "core/services/program_registry.h"

#include "core/registry/windows/win32_registry.h"

#include <filesystem>
#include <system_error>

namespace services {

std::optional<ProgramRegistry> openProgramRegistry(const std::optional<std::string>& hivePath, std::string* error)
{
    if (!hivePath)
        return ProgramRegistry{std::make_unique<platform::Win32Registry>(), "the registry of this computer", std::nullopt};
    // Windows would make a new, empty hive at a path that names no file.
    std::error_code failure;
    if (!std::filesystem::is_regular_file(*hivePath, failure)) {
        *error = "The file " + *hivePath + " does not exist or is not a file.";
        return std::nullopt;
    }
    auto loaded = platform::Win32Registry::loadHiveFile(*hivePath, error);
    if (!loaded)
        return std::nullopt;
    return ProgramRegistry{std::move(loaded), *hivePath, *hivePath};
}

void settleProgramRegistry(ProgramRegistry&, platform::MessageBoxes&)
{
    // Windows applies a hive's transaction logs itself when it loads the hive.
}

} // namespace services
