#include "recording_registry.h"

#include <algorithm>

bool RecordingRegistry::opened(const std::string& subKey) const
{
    return std::any_of(opens_.begin(), opens_.end(), [&](const Open& open) { return open.subKey == subKey; });
}

platform::LSTATUS RecordingRegistry::openKey(platform::HKEY root, const std::string& subKey, std::uint32_t access,
                                             platform::HKEY* result)
{
    opens_.push_back({root, subKey, access});
    const platform::LSTATUS status = real_.openKey(root, subKey, access, result);
    if (status == platform::kSuccess && !platform::isPredefinedKey(*result))
        ++stillOpen_;
    return status;
}

platform::LSTATUS RecordingRegistry::queryValue(platform::HKEY key, const std::string& valueName, std::uint32_t* type,
                                                std::uint8_t* data, std::uint32_t* size)
{
    return real_.queryValue(key, valueName, type, data, size);
}

platform::LSTATUS RecordingRegistry::setValue(platform::HKEY key, const std::string& valueName, std::uint32_t type,
                                              const std::uint8_t* data, std::uint32_t size)
{
    return real_.setValue(key, valueName, type, data, size);
}

platform::LSTATUS RecordingRegistry::createKey(platform::HKEY root, const std::string& subKey, platform::HKEY* result,
                                               bool* created)
{
    const platform::LSTATUS status = real_.createKey(root, subKey, result, created);
    if (status == platform::kSuccess && !platform::isPredefinedKey(*result))
        ++stillOpen_;
    return status;
}

platform::LSTATUS RecordingRegistry::enumKey(platform::HKEY key, std::uint32_t index, char* name,
                                             std::uint32_t* nameLength)
{
    return real_.enumKey(key, index, name, nameLength);
}

platform::LSTATUS RecordingRegistry::enumValue(platform::HKEY key, std::uint32_t index, std::string* name,
                                               std::uint32_t* type, std::vector<std::uint8_t>* data)
{
    return real_.enumValue(key, index, name, type, data);
}

platform::LSTATUS RecordingRegistry::deleteValue(platform::HKEY key, const std::string& valueName)
{
    return real_.deleteValue(key, valueName);
}

platform::LSTATUS RecordingRegistry::deleteKey(platform::HKEY root, const std::string& subKey)
{
    return real_.deleteKey(root, subKey);
}

platform::LSTATUS RecordingRegistry::closeKey(platform::HKEY key)
{
    const platform::LSTATUS status = real_.closeKey(key);
    if (status == platform::kSuccess && !platform::isPredefinedKey(key))
        --stillOpen_;
    return status;
}

platform::LSTATUS RecordingRegistry::flush()
{
    return real_.flush();
}

void RecordingRegistry::discardChanges()
{
    real_.discardChanges();
}
