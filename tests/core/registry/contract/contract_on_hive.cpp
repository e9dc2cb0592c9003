// The registry contract against the hive backend on a blank temporary hive.
#include "registry_contract.h"

#include "core/hive_format/blank_hive.h"
#include "core/registry/system_registry.h"

#include <filesystem>
#include <iostream>
#include <random>

int main()
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("pennant-contract-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    const std::string path = (folder / "SOFTWARE").string();
    std::string error;
    int failed = 1;
    if (platform::writeBlankHive(path, &error)) {
        if (auto registry = platform::openHiveFile(path, &error))
            failed = runRegistryContract(*registry, Backend::Hive);
    }
    if (!error.empty())
        std::cout << error << '\n';
    fs::remove_all(folder);
    return failed == 0 ? 0 : 1;
}
