#pragma once

#include "core/registry/registry.h"

#include <cstdint>
#include <string>
#include <vector>

// Passes every call through to a real registry and notes which keys were
// opened, with what access, and how many of them are still open.
class RecordingRegistry final : public platform::Registry {
public:
    explicit RecordingRegistry(platform::Registry& real) : real_(real) {}

    struct Open {
        platform::HKEY root;
        std::string subKey;
        std::uint32_t access;
    };
    const std::vector<Open>& opens() const { return opens_; }
    int stillOpen() const { return stillOpen_; }
    bool opened(const std::string& subKey) const;

    platform::LSTATUS openKey(platform::HKEY root, const std::string& subKey, std::uint32_t access,
                              platform::HKEY* result) override;
    platform::LSTATUS queryValue(platform::HKEY key, const std::string& valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) override;
    platform::LSTATUS setValue(platform::HKEY key, const std::string& valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) override;
    platform::LSTATUS createKey(platform::HKEY root, const std::string& subKey, platform::HKEY* result,
                                bool* created = nullptr) override;
    platform::LSTATUS enumKey(platform::HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
    platform::LSTATUS enumValue(platform::HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                                std::vector<std::uint8_t>* data) override;
    platform::LSTATUS deleteValue(platform::HKEY key, const std::string& valueName) override;
    platform::LSTATUS deleteKey(platform::HKEY root, const std::string& subKey) override;
    platform::LSTATUS closeKey(platform::HKEY key) override;
    platform::LSTATUS flush() override;
    void discardChanges() override;

private:
    platform::Registry& real_;
    std::vector<Open> opens_;
    int stillOpen_ = 0;
};
