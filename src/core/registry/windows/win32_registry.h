#pragma once

#include "core/registry/registry.h"

#include <memory>
#include <string>

namespace platform {

// The registry through the Windows API's "A" functions. Text crosses in the
// process's code page, which the program's manifest sets to UTF-8.
//
// Changes are live: every setValue, createKey and deleteKey reaches the
// registry at once and other programs see it. flush() makes what was written
// durable on disk. discardChanges() takes back this object's changes since
// the last flush (values written back, keys it made removed, keys it deleted
// made again with their values), but others may have seen them meanwhile:
// that is why the editor validates everything before its first write.
class Win32Registry final : public Registry {
public:
    // The live registry of this computer.
    Win32Registry();
    // The hive file at path loaded as an application hive (private to this
    // process, unloaded when the object goes); its root is shown as
    // HKEY_LOCAL_MACHINE\SOFTWARE. Null with one sentence in *error when it
    // cannot be loaded.
    static std::unique_ptr<Win32Registry> loadHiveFile(const std::string& path, std::string* error);
    ~Win32Registry() override;

    Win32Registry(const Win32Registry&) = delete;
    Win32Registry& operator=(const Win32Registry&) = delete;

    LSTATUS openKey(HKEY root, const std::string& subKey, std::uint32_t access, HKEY* result) override;
    LSTATUS queryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size) override;
    LSTATUS setValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                     std::uint32_t size) override;
    LSTATUS createKey(HKEY root, const std::string& subKey, HKEY* result, bool* created = nullptr) override;
    LSTATUS enumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
    LSTATUS enumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                      std::vector<std::uint8_t>* data) override;
    LSTATUS deleteValue(HKEY key, const std::string& valueName) override;
    LSTATUS deleteKey(HKEY root, const std::string& subKey) override;
    LSTATUS closeKey(HKEY key) override;
    LSTATUS flush() override;
    void discardChanges() override;

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace platform
