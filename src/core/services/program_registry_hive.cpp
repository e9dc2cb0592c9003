#include "core/services/program_registry.h"

#include "core/system/hive_location.h"
#include "core/registry/hive/hive_log_files.h"
#include "core/services/dirty_hive.h"
#include "core/services/hive_seed.h"

namespace services {

std::optional<ProgramRegistry> openProgramRegistry(const std::optional<std::string>& hivePath, std::string* error)
{
    // Only the default hive is made when missing; a path given by the user
    // must name an existing hive.
    const std::string path = hivePath.value_or(platform::defaultHivePath());
    auto registry = openOrCreateHive(path, !hivePath.has_value(), error);
    if (!registry) {
        // A hive whose own header is damaged may still be whole in its logs.
        if (platform::inspectHiveLogs(path).canApply)
            *error += " Its transaction logs can repair it (pennant apply-logs " + path + ").";
        return std::nullopt;
    }
    return ProgramRegistry{std::move(registry), path, path};
}

void settleProgramRegistry(ProgramRegistry& opened, platform::MessageBoxes& messages)
{
    // Here the program's registry is always the hive file opened above.
    std::unique_ptr<platform::HiveRegistry> hive(static_cast<platform::HiveRegistry*>(opened.registry.release()));
    opened.registry = settleDirtyHive(std::move(hive), opened.location, messages);
}

} // namespace services
