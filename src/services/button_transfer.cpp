#include "services/button_transfer.h"

#include "services/button_layout.h"
#include "services/button_record.h"
#include "services/button_store.h"
#include "services/button_texts.h"
#include "services/general.h"

#include <QString>

namespace services {

namespace {

bool sameName(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// The key name below the Extensions key that a section's path names: empty
// for the Extensions key itself, nothing for a key elsewhere.
std::optional<std::string> keyNameOf(const std::string& path)
{
    const std::string extensions = buttonKeyPath("");
    if (sameName(path + "\\", extensions))
        return std::string();
    if (path.size() <= extensions.size() || !sameName(path.substr(0, extensions.size()), extensions))
        return std::nullopt;
    return path.substr(extensions.size());
}

// Sets the fields that the section's values give; refuses values that are not a
// button's strings and fixed values other than the ones a save writes.
std::optional<ImportRefusal> readFields(const RegKeySection& section, ButtonFields* fields)
{
    for (const RegValueLine& value : section.values) {
        const std::string shown = value.name.empty() ? "The default value (@)" : "\"" + value.name + "\"";
        if (value.kind == RegValueLine::Kind::Delete)
            return ImportRefusal{value.line, "A button's values cannot be deleted one by one; delete the whole "
                                             "button with a [-...] key line instead."};
        if (value.kind == RegValueLine::Kind::Other)
            return ImportRefusal{value.line, shown + " is a " + value.typeName +
                                                 " value, and only string values can be imported."};
        if (std::string* field = fieldForValueName(*fields, value.name)) {
            *field = value.text;
            continue;
        }
        bool known = false;
        for (const auto& [name, fixed] : {std::pair{buttons::kClsid, buttons::kClsidText},
                                          std::pair{buttons::kDefaultVisible, buttons::kDefaultVisibleText}}) {
            if (!sameName(value.name, name))
                continue;
            if (!sameName(value.text, fixed))
                return ImportRefusal{value.line, shown + " must be \"" + fixed + "\", as Pennant writes it."};
            known = true;
        }
        if (!known)
            return ImportRefusal{value.line, shown + " is not one of a button's values."};
    }
    return std::nullopt;
}

std::optional<ImportRefusal> applySection(General& general, const RegKeySection& section,
                                          std::vector<ImportedKey>* imported)
{
    const std::optional<std::string> keyName = keyNameOf(section.path);
    if (!keyName)
        return ImportRefusal{section.line, std::string("Only keys under ") + buttons::kRootName + "\\" +
                                               buttons::kExtensionsPath + " can be imported."};
    if (keyName->empty()) {
        if (section.deleteKey || !section.values.empty())
            return ImportRefusal{section.line, "The Extensions key itself cannot be deleted or given values."};
        return std::nullopt;
    }
    if (keyName->find('\\') != std::string::npos)
        return ImportRefusal{section.line, "Buttons have no sub keys; only keys directly under the Extensions key "
                                           "can be imported."};
    const bool exists = buttonKeyExists(general, *keyName);
    if (exists) {
        if (auto problem = notACustomButton(general, *keyName))
            return ImportRefusal{section.line, *problem};
    }

    if (section.deleteKey) {
        if (!exists)
            return std::nullopt;
        if (auto problem = removeButtonKey(general, *keyName))
            return ImportRefusal{section.line, *problem};
        imported->push_back({ImportedKey::Action::Deleted, *keyName});
        return std::nullopt;
    }
    ButtonFields fields = exists ? loadButton(general, *keyName) : ButtonFields{};
    if (auto refused = readFields(section, &fields))
        return refused;
    const std::optional<SaveRefusal> refusal =
        exists ? writeButtonUpdate(general, *keyName, fields) : writeNewButton(general, *keyName, fields);
    if (refusal)
        return ImportRefusal{section.line, refusal->missingField ? refusal->reason + "." : refusal->reason};
    imported->push_back({exists ? ImportedKey::Action::Updated : ImportedKey::Action::Created, *keyName});
    return std::nullopt;
}

// Whether every value the button stores under the given names is a string
// (REG_SZ); others would change their type on the way through a file.
bool storesOnlyStrings(General& general, const std::string& keyName, const StoredValues& values)
{
    platform::Registry& registry = general.registry();
    platform::HKEY key = 0;
    const platform::HKEY root = General::RootKeyFromName(buttons::kRootName);
    if (registry.openKey(root, buttonSubKeyPath(keyName), platform::kKeyRead, &key) != platform::kSuccess)
        return false;
    bool strings = true;
    for (const auto& value : values) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        registry.queryValue(key, value.first, &type, nullptr, &size);
        strings = strings && type == platform::kRegSz;
    }
    registry.closeKey(key);
    return strings;
}

// A .reg string is one line of text: it cannot hold a line break or a zero
// character.
bool fitsOnOneLine(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

} // namespace

std::optional<std::string> exportButtons(General& general, const std::vector<std::string>& keyNames,
                                         std::string* problem)
{
    std::vector<std::string> names = keyNames;
    if (names.empty()) {
        const auto listed = listButtons(general);
        if (!listed) {
            *problem = texts::kKeyNotOpened;
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
        RegKeyExport key{buttonKeyPath(name), storedButtonValues(general, name)};
        if (!storesOnlyStrings(general, name, key.values)) {
            *problem = "The button " + name + " holds a value that is not a string, which Pennant does not export.";
            return std::nullopt;
        }
        for (const auto& [valueName, text] : key.values) {
            if (!fitsOnOneLine(text)) {
                *problem = "The value \"" + valueName + "\" of the button " + name +
                           " holds a line break or a zero character, which a .reg file cannot carry.";
                return std::nullopt;
            }
        }
        keys.push_back(std::move(key));
    }
    return writeRegFile(keys);
}

std::optional<ImportRefusal> importButtons(General& general, const std::vector<RegKeySection>& sections,
                                           bool commit, std::vector<ImportedKey>* imported)
{
    std::optional<ImportRefusal> refusal;
    for (const RegKeySection& section : sections) {
        if ((refusal = applySection(general, section, imported)))
            break;
    }
    if (!refusal && commit) {
        if (auto failed = commitButtonChanges(general))
            refusal = ImportRefusal{0, *failed};
    }
    // A refused file leaves nothing behind; a dry run only checks.
    if (refusal || !commit)
        general.registry().discardChanges();
    if (refusal)
        imported->clear();
    return refusal;
}

} // namespace services
