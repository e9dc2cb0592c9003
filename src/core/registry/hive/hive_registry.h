#pragma once

#include "core/registry/registry.h"

#include <memory>
#include <string>

namespace platform {

// The registry on one Windows hive file through libhivex.
// HKEY_LOCAL_MACHINE\SOFTWARE (any letter case) is the hive's root key;
// HKEY_LOCAL_MACHINE opens as a key whose one sub key is SOFTWARE, and the
// other predefined roots open as empty keys.
//
// Changes go to the in-memory hive at once and reach the disk, all together
// and atomically, on flush(). From its first change to its flush a writer
// holds an exclusive lock beside the hive, so two processes never interleave
// their commits; a reader notices a newer file and reloads it.
class HiveRegistry final : public Registry {
public:
    // Opens the hive at path. On failure returns null and sets *error to one
    // plain sentence naming the file and the cause.
    static std::unique_ptr<HiveRegistry> open(const std::string& path, std::string* error);
    ~HiveRegistry() override;

    HiveRegistry(const HiveRegistry&) = delete;
    HiveRegistry& operator=(const HiveRegistry&) = delete;

    LSTATUS openKey(HKEY root, const std::string& subKey, std::uint32_t access, HKEY* result) override;
    LSTATUS queryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size) override;
    LSTATUS queryValueBelow(HKEY key, const std::string& subKey, const std::string& valueName, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override;
    LSTATUS setValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                     std::uint32_t size) override;
    LSTATUS createKey(HKEY root, const std::string& subKey, HKEY* result, bool* created = nullptr) override;
    LSTATUS enumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
    LSTATUS enumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                      std::vector<std::uint8_t>* data) override;
    LSTATUS deleteValue(HKEY key, const std::string& valueName) override;

    std::optional<std::uint32_t> subKeyCount(HKEY key) override;
    LSTATUS deleteKey(HKEY root, const std::string& subKey) override;
    LSTATUS closeKey(HKEY key) override;
    LSTATUS flush() override;
    void discardChanges() override;
    void beginAction() override;
    void endAction() override;
    std::optional<std::uint64_t> outsideChanges() override;

    // The hive file's path with symbolic links resolved: commits replace
    // that file, never a link to it.
    const std::string& path() const;
    // False for a read-only file or folder and for a hive whose logs were
    // not replayed (its two sequence numbers differ), where writes give
    // kAccessDenied; and for a hive that failed the structural check, where
    // they give kRegistryCorrupt.
    bool isWritable() const;
    // One sentence saying what is damaged in the hive, as found when it was
    // last loaded; empty for a sound hive.
    const std::string& damage() const;
    std::string failureDetail() const override;
    void checkAhead() override;
    ChangeRefusal changeRefusal() const override;

private:
    struct State;
    explicit HiveRegistry(std::unique_ptr<State> state);
    std::unique_ptr<State> d;
};

} // namespace platform
