// The fuzz target: hive bytes go through what a person does with Pennant
// (open, list the buttons, read their values, update one, delete one, add
// one, save). Any crash, sanitizer report or abort is a finding; so is a
// save that reports success and leaves a hive that cannot be opened again.
#include "core/registry/system_registry.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace platform;

namespace {

const std::string kExtensions = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
constexpr std::uint32_t kMostButtons = 16;

// One folder per process, in memory where the system has it (saves sync).
std::filesystem::path hivePath()
{
    static const std::filesystem::path path = [] {
        const std::filesystem::path shm = "/dev/shm";
        const auto base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        const auto folder = base / ("pennant-fuzz-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
        return folder / "SOFTWARE";
    }();
    return path;
}

LSTATUS setText(Registry& registry, HKEY key, const std::string& name, const std::string& text)
{
    return registry.setValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1));
}

void readButton(Registry& registry, HKEY extensions, const std::string& name, bool update)
{
    HKEY button = 0;
    if (registry.openKey(extensions, name, kKeyRead | kKeySetValue, &button) != kSuccess)
        return;
    for (const char* value : {"ButtonText", "Exec", "Icon", "HotIcon", "ClSID"}) {
        std::vector<std::uint8_t> data(512);
        std::uint32_t size = static_cast<std::uint32_t>(data.size());
        std::uint32_t type = 0;
        registry.queryValue(button, value, &type, data.data(), &size);
    }
    if (update)
        setText(registry, button, "ButtonText", "Updated by the fuzzer");
    registry.closeKey(button);
}

void editButtons(Registry& registry)
{
    HKEY extensions = 0;
    if (registry.openKey(kLocalMachine, kExtensions, kKeyRead, &extensions) == kSuccess) {
        std::vector<std::string> names;
        for (std::uint32_t i = 0; i < kMostButtons; ++i) {
            char name[256];
            std::uint32_t length = sizeof name;
            if (registry.enumKey(extensions, i, name, &length) != kSuccess)
                break;
            names.emplace_back(name, length);
        }
        for (std::size_t i = 0; i < names.size(); ++i)
            readButton(registry, extensions, names[i], i == 0);
        if (names.size() > 1)
            registry.deleteKey(extensions, names.back());
        registry.closeKey(extensions);
    }
    HKEY added = 0;
    if (registry.createKey(kLocalMachine, kExtensions + "\\{A0B1C2D3-0000-4000-8000-FEEDFACE0001}", &added) ==
        kSuccess) {
        for (const char* value : {"ButtonText", "Exec", "Icon", "HotIcon"})
            setText(registry, added, value, value);
        registry.closeKey(added);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path path = hivePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::string error;
    auto registry = openHiveFile(path.string(), &error);
    if (registry == nullptr)
        return 0;
    editButtons(*registry);
    const bool saved = registry->flush() == kSuccess;
    registry.reset();
    // A save that says it succeeded must leave a hive that opens again.
    if (saved && openHiveFile(path.string(), &error) == nullptr)
        std::abort();
    return 0;
}
