#pragma once

#include "core/registry/hive/hive_registry.h"

#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A blank hive file in a temporary folder, opened through the real backend.
// Key paths given to the helpers are full registry paths
// ("HKEY_LOCAL_MACHINE\SOFTWARE\...").
class TempHive {
public:
    TempHive();

    platform::HiveRegistry& registry() { return *registry_; }
    std::string path() const;
    std::string folder() const;

    // A second, independent view of the same file, as another process sees it.
    std::unique_ptr<platform::HiveRegistry> openAgain() const;

    // Creates the key (and parents) and stores raw bytes, then flushes.
    void putRaw(const std::string& keyPath, const std::string& valueName, std::uint32_t type,
                const std::vector<std::uint8_t>& data);
    // A REG_SZ with its terminating zero byte, then flushes.
    void putString(const std::string& keyPath, const std::string& valueName, const std::string& text);
    void putDword(const std::string& keyPath, const std::string& valueName, std::uint32_t value);
    void createKey(const std::string& keyPath);

    // What the file on disk holds, read through a fresh handle: the value's
    // type and raw bytes as the "A" interface returns them, or nothing when
    // the key or value is missing.
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    std::optional<Value> readOnDisk(const std::string& keyPath, const std::string& valueName) const;
    // The sub key names on disk, in enumeration order; nothing when the key is missing.
    std::optional<std::vector<std::string>> subKeysOnDisk(const std::string& keyPath) const;

    // The whole file's bytes, to prove that something left it untouched.
    std::vector<char> fileBytes() const;

private:
    QTemporaryDir dir_;
    std::unique_ptr<platform::HiveRegistry> registry_;
};

// Splits "HKEY_LOCAL_MACHINE\a\b" into its root handle and "a\b".
std::pair<platform::HKEY, std::string> splitTestPath(const std::string& keyPath);
