#pragma once

#include "core/registry/registry.h"

// Stands in front of a real registry and refuses every commit, as a disk
// that fills up between the changes and their commit would: the one fault
// a test cannot cause for real at that moment.
class FailingFlushRegistry final : public platform::Registry {
public:
    explicit FailingFlushRegistry(platform::Registry& real) : real_(real) {}

    static constexpr platform::LSTATUS kFailure = platform::kRegistryIoFailed;

    platform::LSTATUS openKey(platform::HKEY root, const std::string& subKey, std::uint32_t access,
                              platform::HKEY* result) override
    {
        return real_.openKey(root, subKey, access, result);
    }
    platform::LSTATUS queryValue(platform::HKEY key, const std::string& valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) override
    {
        return real_.queryValue(key, valueName, type, data, size);
    }
    platform::LSTATUS setValue(platform::HKEY key, const std::string& valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) override
    {
        return real_.setValue(key, valueName, type, data, size);
    }
    platform::LSTATUS createKey(platform::HKEY root, const std::string& subKey, platform::HKEY* result,
                                bool* created = nullptr) override
    {
        return real_.createKey(root, subKey, result, created);
    }
    platform::LSTATUS enumKey(platform::HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength) override
    {
        return real_.enumKey(key, index, name, nameLength);
    }
    platform::LSTATUS enumValue(platform::HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                                std::vector<std::uint8_t>* data) override
    {
        return real_.enumValue(key, index, name, type, data);
    }
    platform::LSTATUS deleteValue(platform::HKEY key, const std::string& valueName) override
    {
        return real_.deleteValue(key, valueName);
    }
    platform::LSTATUS deleteKey(platform::HKEY root, const std::string& subKey) override
    {
        return real_.deleteKey(root, subKey);
    }
    platform::LSTATUS closeKey(platform::HKEY key) override { return real_.closeKey(key); }
    platform::LSTATUS flush() override { return kFailure; }
    void discardChanges() override { real_.discardChanges(); }

private:
    platform::Registry& real_;
};
