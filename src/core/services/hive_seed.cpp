#include "core/services/hive_seed.h"

#include "core/hive_format/blank_hive.h"
#include "core/system/hive_location.h"
#include "core/services/button_layout.h"
#include "core/services/sys_info_location.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace services {

using namespace platform;

namespace {

// The browser's own stock button on a fresh system: its caption points into
// the browser's resource library, so the editor never lists it.
constexpr char kStockButtonKey[] = "{2E7A5C1D-6B3F-4C8E-9A1D-0F5B7E3C9A42}";
constexpr char kStockButtonText[] = "@shdoclc.dll,-10311";
constexpr char kStockMenuText[] = "@shdoclc.dll,-10312";

struct SeedValue {
    const char* name;
    std::string text;
};

LSTATUS writeKey(Registry& registry, const std::string& subKey, const std::vector<SeedValue>& values)
{
    HKEY key = 0;
    LSTATUS status = registry.createKey(kLocalMachine, subKey, &key);
    for (const SeedValue& value : values) {
        if (status != kSuccess)
            break;
        const std::string data = value.text + '\0';
        status = registry.setValue(key, value.name, kRegSz, reinterpret_cast<const std::uint8_t*>(data.data()),
                                   static_cast<std::uint32_t>(data.size()));
    }
    if (key != 0)
        registry.closeKey(key);
    return status;
}

} // namespace

LSTATUS seedFreshHive(Registry& registry, const std::string& sysInfoProgram)
{
    const std::string extensions = std::string(buttons::kExtensionsPath) + "\\" + kStockButtonKey;
    LSTATUS status = writeKey(registry, extensions,
                              {{buttons::kButtonText, kStockButtonText},
                               {buttons::kMenuText, kStockMenuText},
                               {buttons::kClsid, buttons::kClsidText},
                               {buttons::kDefaultVisible, buttons::kDefaultVisibleText}});
    if (status == kSuccess && !sysInfoProgram.empty()) {
        status = writeKey(registry, sys_info::kPathKey, {{sys_info::kPathValue, sysInfoProgram}});
        const std::string folder = std::filesystem::path(sysInfoProgram).parent_path().string();
        if (status == kSuccess)
            status = writeKey(registry, sys_info::kFolderKey, {{sys_info::kFolderValue, folder}});
    }
    if (status == kSuccess)
        status = registry.flush();
    return status;
}

std::unique_ptr<HiveRegistry> openOrCreateHive(const std::string& path, bool createIfMissing, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (!createIfMissing || fs::exists(path, ignored))
        return HiveRegistry::open(path, error);

    // Build the new hive under a temporary name and rename it into place, so
    // that a half-made hive never stands at the real path.
    std::error_code failure;
    fs::create_directories(fs::path(path).parent_path(), failure);
    if (failure) {
        *error = "The folder for the registry hive " + path + " cannot be created: " + failure.message() + ".";
        return nullptr;
    }
    const std::string partial = path + ".partial";
    fs::remove(partial, ignored);
    if (!writeBlankHive(partial, error))
        return nullptr;
    LSTATUS status = kSuccess;
    if (auto building = HiveRegistry::open(partial, error))
        status = seedFreshHive(*building, findSystemInformationProgram());
    else
        status = kRegistryIoFailed;
    fs::remove(partial + ".lock", ignored);
    if (status == kSuccess)
        fs::rename(partial, path, failure);
    if (status != kSuccess || failure) {
        fs::remove(partial, ignored);
        if (error->empty())
            *error = "The new registry hive " + path + " could not be written.";
        return nullptr;
    }
    return HiveRegistry::open(path, error);
}

} // namespace services
