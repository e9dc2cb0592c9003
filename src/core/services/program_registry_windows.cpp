#include "core/services/program_registry.h"

#include "core/registry/windows/win32_registry.h"

namespace services {

std::optional<ProgramRegistry> openProgramRegistry(const std::optional<std::string>& hivePath, std::string* error)
{
    if (!hivePath)
        return ProgramRegistry{std::make_unique<platform::Win32Registry>(), "the registry of this computer", std::nullopt};
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
