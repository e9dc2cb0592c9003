#include "core/services/button_transfer.h"

#include "core/services/button_layout.h"
#include "core/services/button_record.h"
#include "core/services/button_store.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"
#include "core/services/key_contents.h"
#include "core/services/registry_errors.h"

namespace services {

namespace {

// Adds the key at subKeyPath below HKEY_LOCAL_MACHINE, written as
// shownPath, and then every key below it, in the order Windows' tools write
// them; one sentence when any of it cannot be read.
std::optional<std::string> addKeyTree(General& general, const std::string& subKeyPath, const std::string& shownPath,
                                      std::vector<RegKeyExport>* keys)
{
    platform::Registry& registry = general.registry();
    platform::HKEY key = 0;
    const platform::HKEY root = General::RootKeyFromName(buttons::kRootName);
    platform::LSTATUS status = registry.openKey(root, subKeyPath, platform::kKeyRead, &key);
    std::optional<std::vector<RegValue>> values;
    std::optional<std::vector<std::string>> children;
    if (status == platform::kSuccess) {
        values = keyValues(registry, key, &status);
        if (values)
            children = subKeyNames(registry, key, &status);
        registry.closeKey(key);
    }
    if (!children)
        return "The key " + shownPath + " could not be read. " + describeRegistryError(registry, status);
    keys->push_back({shownPath, std::move(*values)});
    for (const std::string& child : *children) {
        if (auto problem = addKeyTree(general, subKeyPath + "\\" + child, shownPath + "\\" + child, keys))
            return problem;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> exportButtons(General& general, const std::vector<std::string>& keyNames,
                                         std::string* problem)
{
    const platform::RegistryAction action(general.registry());
    std::vector<std::string> names = keyNames;
    if (names.empty()) {
        const auto listed = listButtonsIfAny(general);
        if (!listed) {
            *problem = texts::kExtensionsKeyNotOpened;
            return std::nullopt;
        }
        for (const ListedButton& button : *listed)
            names.push_back(button.keyName);
    }
    std::vector<RegKeyExport> keys;
    for (const std::string& name : names) {
        if (auto notCustom = notACustomButton(general, name)) {
            *problem = *notCustom;
            return std::nullopt;
        }
        if (auto unreadable = addKeyTree(general, buttonSubKeyPath(name), buttonKeyPath(name), &keys)) {
            *problem = *unreadable;
            return std::nullopt;
        }
    }
    return writeRegFile(keys, problem);
}

} // namespace services
