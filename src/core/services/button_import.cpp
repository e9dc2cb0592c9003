#include "core/services/button_transfer.h"

#include "core/registry/registry_names.h"
#include "core/services/button_layout.h"
#include "core/services/button_record.h"
#include "core/services/button_store.h"
#include "core/services/button_warnings.h"
#include "core/services/general.h"
#include "core/services/key_contents.h"
#include "core/services/registry_errors.h"

#include <unordered_map>

namespace services {

namespace {

using platform::HKEY;
using platform::LSTATUS;

const std::string kExtensionsFullPath = std::string(buttons::kRootName) + "\\" + buttons::kExtensionsPath;

// Deletes the key with everything below it, as Windows' import deletes a
// "[-key]"; kFileNotFound when it is not there.
LSTATUS deleteKeyTree(platform::Registry& registry, HKEY root, const std::string& path)
{
    HKEY key = 0;
    LSTATUS status = registry.openKey(root, path, platform::kKeyRead, &key);
    if (status != platform::kSuccess)
        return status;
    const auto children = subKeyNames(registry, key, &status);
    registry.closeKey(key);
    if (!children)
        return status;
    for (const std::string& child : *children) {
        if ((status = deleteKeyTree(registry, root, path + "\\" + child)) != platform::kSuccess)
            return status;
    }
    return registry.deleteKey(root, path);
}

class Importer {
public:
    explicit Importer(General& general)
        : general_(general), registry_(general.registry()), root_(General::RootKeyFromName(buttons::kRootName))
    {
    }

    std::optional<ImportRefusal> apply(const RegKeySection& section)
    {
        std::vector<std::string> parts;
        if (!platform::splitKeyPath(section.path, &parts))
            return ImportRefusal{section.line, "The key path starts with a backslash."};
        std::vector<std::string> extensions;
        platform::splitKeyPath(kExtensionsFullPath, &extensions);
        const bool below = parts.size() >= extensions.size() &&
                           std::equal(extensions.begin(), extensions.end(), parts.begin(),
                                      [](const std::string& a, const std::string& b) { return platform::sameName(a, b); });
        if (!below)
            return ImportRefusal{section.line, "Only the key " + kExtensionsFullPath +
                                                   " and the keys below it can be imported."};
        parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(extensions.size()));
        if (parts.empty() && section.deleteKey)
            return ImportRefusal{section.line, "The Extensions key itself cannot be deleted; delete its buttons "
                                               "one by one with [-" + kExtensionsFullPath + "\\KEY] instead."};
        std::string subKeyPath = buttons::kExtensionsPath;
        for (const std::string& part : parts)
            subKeyPath += "\\" + part;
        if (section.deleteKey)
            return deleteSection(section, parts, subKeyPath);
        return writeSection(section, parts, subKeyPath);
    }

    // One warning per thing that the window will not show as a button it
    // can save, for every button the file left in place.
    void warnAboutButtons()
    {
        for (const ImportedKey& key : imported_) {
            if (key.action == ImportedKey::Action::Deleted)
                continue;
            HKEY handle = 0;
            if (registry_.openKey(root_, buttonSubKeyPath(key.keyName), platform::kKeyQueryValue, &handle) !=
                platform::kSuccess)
                continue;
            LSTATUS status = platform::kSuccess;
            const auto values = keyValues(registry_, handle, &status);
            registry_.closeKey(handle);
            for (const std::string& text : values ? buttonWarnings(*values) : std::vector<std::string>())
                warnings_.push_back({touched_.at(key.keyName).line, key.keyName + ": " + text});
        }
    }

    std::vector<ImportedKey>& imported() { return imported_; }
    std::vector<ImportWarning>& warnings() { return warnings_; }

private:
    struct Touched {
        std::size_t index = 0; // in imported_
        int line = 0;          // of its first section
        bool existed = false;  // before the file was applied
    };

    // The button's entry in imported_, made when the file first names it.
    Touched& touch(const std::string& keyName, int line)
    {
        auto found = touched_.find(keyName);
        if (found == touched_.end()) {
            const bool existed = buttonKeyExists(general_, keyName);
            imported_.push_back({existed ? ImportedKey::Action::Updated : ImportedKey::Action::Created, keyName});
            found = touched_.emplace(keyName, Touched{imported_.size() - 1, line, existed}).first;
        }
        return found->second;
    }

    std::optional<ImportRefusal> deleteSection(const RegKeySection& section, const std::vector<std::string>& parts,
                                               const std::string& subKeyPath)
    {
        const LSTATUS status = deleteKeyTree(registry_, root_, subKeyPath);
        if (status == platform::kFileNotFound)
            return std::nullopt; // deleting what is not there changes nothing
        if (status != platform::kSuccess)
            return ImportRefusal{section.line, "The key could not be deleted. " + describeRegistryError(registry_, status)};
        Touched& touched = touch(parts[0], section.line);
        if (parts.size() == 1)
            imported_[touched.index].action = ImportedKey::Action::Deleted;
        return std::nullopt;
    }

    std::optional<ImportRefusal> writeSection(const RegKeySection& section, const std::vector<std::string>& parts,
                                              const std::string& subKeyPath)
    {
        if (!parts.empty()) {
            Touched& touched = touch(parts[0], section.line);
            imported_[touched.index].action =
                touched.existed ? ImportedKey::Action::Updated : ImportedKey::Action::Created;
        } else if (!section.values.empty()) {
            warnings_.push_back({section.line, "The Extensions key's own values are not buttons; the window does "
                                               "not show them."});
        }
        HKEY key = 0;
        LSTATUS status = registry_.createKey(root_, subKeyPath, &key);
        if (status != platform::kSuccess)
            return ImportRefusal{section.line, "The key could not be created. " +
                                                   describeRegistryError(registry_, status)};
        std::optional<ImportRefusal> refusal;
        for (const RegValueLine& line : section.values) {
            const RegValue& value = line.value;
            status = line.remove ? registry_.deleteValue(key, value.name)
                                 : registry_.setValue(key, value.name, value.type, value.data.data(),
                                                      static_cast<std::uint32_t>(value.data.size()));
            if (status != platform::kSuccess && !(line.remove && status == platform::kFileNotFound)) {
                const std::string shown = value.name.empty() ? "The default value" : "The value \"" + value.name + "\"";
                refusal = ImportRefusal{line.line, shown + " could not be " + (line.remove ? "deleted" : "stored") +
                                                       ". " + describeRegistryError(registry_, status)};
                break;
            }
        }
        registry_.closeKey(key);
        return refusal;
    }

    General& general_;
    platform::Registry& registry_;
    const HKEY root_;
    std::vector<ImportedKey> imported_;
    std::vector<ImportWarning> warnings_;
    std::unordered_map<std::string, Touched, platform::NameHash, platform::SameName> touched_;
};

} // namespace

std::optional<ImportRefusal> importButtons(General& general, const std::vector<RegKeySection>& sections,
                                           bool commit, std::vector<ImportedKey>* imported,
                                           std::vector<ImportWarning>* warnings)
{
    const platform::RegistryAction action(general.registry());
    Importer importer(general);
    std::optional<ImportRefusal> refusal;
    for (const RegKeySection& section : sections) {
        if ((refusal = importer.apply(section)))
            break;
    }
    if (!refusal)
        importer.warnAboutButtons();
    if (!refusal && commit) {
        if (auto failed = commitButtonChanges(general))
            refusal = ImportRefusal{0, *failed};
    }
    // A refused file leaves nothing behind; a dry run only checks.
    if (refusal || !commit)
        general.registry().discardChanges();
    if (!refusal) {
        *imported = std::move(importer.imported());
        *warnings = std::move(importer.warnings());
    }
    return refusal;
}

} // namespace services
