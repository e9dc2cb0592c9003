#pragma once

#include "core/registry/registry.h"

#include <string>
#include <vector>

// Whole sub trees of any registry, for plain C++ tests that run on every
// backend.
namespace registry_tree {

// The names of the open key's sub keys, in enumeration order.
inline std::vector<std::string> subKeyNames(platform::Registry& registry, platform::HKEY key)
{
    std::vector<std::string> names;
    char name[1024];
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t length = sizeof name;
        if (registry.enumKey(key, i, name, &length) != platform::kSuccess)
            return names;
        names.emplace_back(name, length);
    }
}

// Deletes everything below the open key, each sub key through its parent's
// handle, so that names no full path may carry (over 255 characters) go too.
inline void deleteBelow(platform::Registry& registry, platform::HKEY key)
{
    for (const std::string& child : subKeyNames(registry, key)) {
        platform::HKEY opened = 0;
        if (registry.openKey(key, child, platform::kKeyRead, &opened) == platform::kSuccess) {
            deleteBelow(registry, opened);
            registry.closeKey(opened);
        }
        registry.deleteKey(key, child);
    }
}

// Deletes the key at path below HKEY_LOCAL_MACHINE and everything below it.
inline void deleteTree(platform::Registry& registry, const std::string& path)
{
    platform::HKEY key = 0;
    if (registry.openKey(platform::kLocalMachine, path, platform::kKeyRead, &key) != platform::kSuccess)
        return;
    deleteBelow(registry, key);
    registry.closeKey(key);
    registry.deleteKey(platform::kLocalMachine, path);
}

} // namespace registry_tree
