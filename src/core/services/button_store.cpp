#include "core/services/button_store.h"

#include "core/services/button_layout.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"
#include "core/services/registry_errors.h"


#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

namespace services {

using platform::LSTATUS;

namespace {

// Far more than any key name needs (255 UTF-16 units, at most 765 bytes of
// UTF-8); only a broken store keeps asking for more.
constexpr std::size_t kLongestKeyNameBytes = 64 * 1024;

// Identifiers are random; a clash with an existing key is drawn again, a
// few times at most.
constexpr int kKeyNameAttempts = 10;

std::optional<std::string> failure(General& general, LSTATUS status)
{
    if (status == platform::kSuccess)
        return std::nullopt;
    return describeRegistryError(general.registry(), status);
}

std::optional<SaveRefusal> refusal(std::optional<std::string> reason)
{
    if (!reason)
        return std::nullopt;
    return SaveRefusal{false, std::move(*reason)};
}

std::optional<SaveRefusal> missingField(const ButtonFields& fields)
{
    if (const char* missing = missingFieldMessage(fields))
        return SaveRefusal{true, missing};
    return std::nullopt;
}

// The type an existing value keeps when its text is rewritten: a
// REG_EXPAND_SZ stays one (its %variables% must still expand), anything
// else, or a value not yet there, is written as REG_SZ.
std::uint32_t keptStringType(General& general, const std::string& keyName, const char* valueName)
{
    std::uint32_t type = 0;
    const LSTATUS status = general.registry().queryValueBelow(General::RootKeyFromName(buttons::kRootName),
                                                              buttonSubKeyPath(keyName), valueName, &type, nullptr,
                                                              nullptr);
    return status == platform::kSuccess && type == platform::kRegExpandSz ? type : platform::kRegSz;
}

// Writes the values in their order; an existing value keeps its string type.
std::optional<SaveRefusal> writeTexts(General& general, const std::string& keyName,
                                      const std::vector<std::pair<const char*, std::string>>& values, bool newRecord)
{
    const std::string keyPath = buttonKeyPath(keyName);
    for (const auto& [name, text] : values) {
        const std::uint32_t type = newRecord ? platform::kRegSz : keptStringType(general, keyName, name);
        const LSTATUS status = general.WriteRegString(keyPath, name, text, type);
        // The key is opened afresh for every value; missing means it is gone.
        if (status == platform::kFileNotFound)
            return SaveRefusal{false, texts::kButtonGone, true};
        if (status != platform::kSuccess)
            return refusal(failure(general, status));
    }
    return std::nullopt;
}

// Writes the values in their fixed order. An existing record gets no "ClSID"
// or "Default Visible", and keeps the optional values whose fields are empty.
std::optional<SaveRefusal> writeButtonValues(General& general, const std::string& keyName, const ButtonFields& fields,
                                             bool newRecord)
{
    std::vector<std::pair<const char*, std::string>> values = {
        {buttons::kButtonText, fields.buttonText},
        {buttons::kExec, fields.exec},
        {buttons::kIcon, fields.icon},
        {buttons::kHotIcon, fields.hotIcon.empty() ? fields.icon : fields.hotIcon},
    };
    if (!fields.statusBar.empty())
        values.emplace_back(buttons::kMenuStatusBar, fields.statusBar);
    if (!fields.toolsMenu.empty())
        values.emplace_back(buttons::kMenuText, fields.toolsMenu);
    if (newRecord) {
        values.emplace_back(buttons::kClsid, buttons::kClsidText);
        values.emplace_back(buttons::kDefaultVisible, buttons::kDefaultVisibleText);
    }
    return writeTexts(general, keyName, values, newRecord);
}

bool hasSubKeys(General& general, platform::HKEY root, const std::string& subKeyPath)
{
    platform::Registry& registry = general.registry();
    platform::HKEY key = 0;
    if (registry.openKey(root, subKeyPath, platform::kKeyEnumerateSubKeys, &key) != platform::kSuccess)
        return false;
    char name[2];
    std::uint32_t length = sizeof name;
    const LSTATUS status = registry.enumKey(key, 0, name, &length);
    registry.closeKey(key);
    return status == platform::kSuccess || status == platform::kMoreData;
}

// The text with its letters folded as a case-insensitive search for the
// marker needs: ASCII capitals to small letters, and the long s (U+017F),
// the one character beyond ASCII whose Unicode case folding is an ASCII
// letter of the marker, to s. Every other byte stays, and cannot match.
std::string foldedForMarker(const std::string& text)
{
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            folded += static_cast<char>(c - 'A' + 'a');
        } else if (c == '\xC5' && i + 1 < text.size() && text[i + 1] == '\xBF') {
            folded += 's';
            ++i;
        } else {
            folded += c;
        }
    }
    return folded;
}

// Commits the changes, or forgets them all when anything refused, so that
// nothing of a failed save reaches the disk with a later one.
template <typename Refusal> std::optional<Refusal> commitOrDiscard(General& general, std::optional<Refusal> problem)
{
    if (!problem) {
        if (auto failed = commitButtonChanges(general)) {
            if constexpr (std::is_same_v<Refusal, SaveRefusal>)
                problem = SaveRefusal{false, std::move(*failed)};
            else
                problem = std::move(failed);
        }
    }
    if (problem)
        general.registry().discardChanges();
    return problem;
}

} // namespace

std::string textBeforeZero(std::string text)
{
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

bool isStockButton(const std::string& text)
{
    return foldedForMarker(text).find(buttons::kStockLibraryMarker) != std::string::npos;
}

// The list, with the texts of the buttons in known taken from there.
std::optional<std::vector<ListedButton>> listButtonsKnowing(General& general, platform::HKEY root,
                                                            const std::string& subKeyPath,
                                                            const std::unordered_map<std::string, std::string>& known)
{
    platform::Registry& registry = general.registry();
    // One look at whether another process saved, not one per button.
    const platform::RegistryAction action(registry);
    platform::HKEY key = 0;
    if (registry.openKey(root, subKeyPath, platform::kKeyEnumerateSubKeys, &key) != platform::kSuccess)
        return std::nullopt;
    // The texts always come from the buttons' own keys below Extensions;
    // when that is the key listed (as it always is), they are read below it
    // without spelling out each path.
    const bool readFromExtensions =
        root == General::RootKeyFromName(buttons::kRootName) && subKeyPath == buttons::kExtensionsPath;
    std::vector<ListedButton> listed;
    if (const auto count = registry.subKeyCount(key))
        listed.reserve(*count);
    // Room for 255 one-byte characters; a longer name grows the buffer.
    std::vector<char> name(256);
    for (std::uint32_t index = 0;;) {
        auto length = static_cast<std::uint32_t>(name.size());
        const LSTATUS status = registry.enumKey(key, index, name.data(), &length);
        if (status == platform::kMoreData && name.size() < kLongestKeyNameBytes) {
            name.resize(name.size() * 2);
            continue;
        }
        if (status == platform::kNoMoreItems)
            break;
        // A list cut short by keys that cannot be read is no list.
        if (status != platform::kSuccess) {
            registry.closeKey(key);
            return std::nullopt;
        }
        std::string keyName(name.data(), length);
        const auto knownText = known.find(keyName);
        if (knownText != known.end()) {
            listed.push_back({std::move(keyName), knownText->second});
            ++index;
            continue;
        }
        std::string text =
            textBeforeZero(readFromExtensions ? general.ReadRegString(key, keyName, buttons::kButtonText)
                                              : general.ReadRegString(buttonKeyPath(keyName), buttons::kButtonText));
        if (!isStockButton(text))
            listed.push_back({std::move(keyName), std::move(text)});
        ++index;
    }
    registry.closeKey(key);
    return listed;
}

std::optional<std::vector<ListedButton>> listButtons(General& general, platform::HKEY root,
                                                     const std::string& subKeyPath)
{
    return listButtonsKnowing(general, root, subKeyPath, {});
}

std::optional<std::vector<ListedButton>> listButtonsAfterChange(General& general, platform::HKEY root,
                                                                const std::string& subKeyPath,
                                                                const std::vector<ListedButton>& previous,
                                                                const std::string& changedKey)
{
    std::unordered_map<std::string, std::string> known;
    known.reserve(previous.size());
    for (const ListedButton& button : previous)
        if (button.keyName != changedKey)
            known.emplace(button.keyName, button.text);
    return listButtonsKnowing(general, root, subKeyPath, known);
}

std::optional<std::vector<ListedButton>> listButtons(General& general)
{
    return listButtons(general, General::RootKeyFromName(buttons::kRootName), buttons::kExtensionsPath);
}

std::optional<std::vector<ListedButton>> listButtonsIfAny(General& general)
{
    auto listed = listButtons(general);
    if (listed)
        return listed;
    platform::HKEY key = 0;
    const LSTATUS status = general.registry().openKey(General::RootKeyFromName(buttons::kRootName),
                                                      buttons::kExtensionsPath, platform::kKeyRead, &key);
    if (status == platform::kSuccess)
        general.registry().closeKey(key);
    if (status == platform::kFileNotFound)
        return std::vector<ListedButton>();
    return std::nullopt;
}

bool buttonKeyExists(General& general, const std::string& keyName)
{
    // A name with a backslash would reach a key further down.
    if (keyName.empty() || keyName.find('\\') != std::string::npos)
        return false;
    platform::Registry& registry = general.registry();
    platform::HKEY key = 0;
    const platform::HKEY root = General::RootKeyFromName(buttons::kRootName);
    if (registry.openKey(root, buttonSubKeyPath(keyName), platform::kKeyRead, &key) != platform::kSuccess)
        return false;
    registry.closeKey(key);
    return true;
}

std::optional<std::string> notACustomButton(General& general, const std::string& keyName)
{
    if (!buttonKeyExists(general, keyName))
        return "No button has the key " + keyName + ".";
    if (isStockButton(general.ReadRegString(buttonKeyPath(keyName), buttons::kButtonText)))
        return "The key " + keyName + " is one of the browser's own buttons.";
    return std::nullopt;
}

ButtonFields loadButton(General& general, const std::string& keyName)
{
    const std::string path = buttonKeyPath(keyName);
    const platform::RegistryAction action(general.registry());
    ButtonFields fields;
    for (const FieldValue& value : kFieldValues) {
        std::string& field = fields.*value.field;
        field = general.ReadRegString(path, value.valueName);
        if (field == texts::kReadError)
            field.clear();
    }
    return fields;
}

StoredValues storedButtonValues(General& general, const std::string& keyName)
{
    const std::string path = buttonKeyPath(keyName);
    const platform::RegistryAction action(general.registry());
    StoredValues values;
    std::vector<const char*> names;
    for (const FieldValue& value : kFieldValues)
        names.push_back(value.valueName);
    names.insert(names.end(), {buttons::kClsid, buttons::kDefaultVisible});
    for (const char* name : names) {
        std::string text = general.ReadRegString(path, name);
        // "Error" is also a text a value may hold; the status tells them apart.
        if (general.RegStatus() == platform::kSuccess)
            values.emplace_back(name, std::move(text));
    }
    return values;
}

std::optional<SaveRefusal> createButton(General& general, const ButtonFields& fields, std::string* keyName)
{
    if (auto missing = missingField(fields))
        return missing;
    std::optional<SaveRefusal> problem = SaveRefusal{false, texts::kNoFreeKeyName};
    for (int attempt = 0; attempt < kKeyNameAttempts; ++attempt) {
        *keyName = "{" + general.NewButtonId() + "}";
        bool created = false;
        const LSTATUS status = general.CreateRegKey(buttonKeyPath(*keyName), &created);
        if (status != platform::kSuccess) {
            problem = refusal(failure(general, status));
            break;
        }
        if (created) {
            problem = writeButtonValues(general, *keyName, fields, true);
            break;
        }
    }
    return commitOrDiscard(general, std::move(problem));
}

std::optional<SaveRefusal> updateButton(General& general, const std::string& keyName, const ButtonFields& fields)
{
    return commitOrDiscard(general, writeButtonUpdate(general, keyName, fields));
}

std::optional<SaveRefusal> changeButton(General& general, const std::string& keyName,
                                        const std::vector<FieldChange>& changes)
{
    ButtonFields fields = loadButton(general, keyName);
    for (const FieldChange& change : changes)
        fields.*change.field->field = change.text;
    if (auto missing = missingField(fields))
        return missing;
    std::vector<std::pair<const char*, std::string>> values;
    for (const FieldChange& change : changes) {
        const char* name = change.field->valueName;
        const bool hotIcon = change.field->field == &ButtonFields::hotIcon;
        const bool optional = change.field->field == &ButtonFields::statusBar ||
                              change.field->field == &ButtonFields::toolsMenu;
        if (!change.text.empty())
            values.emplace_back(name, change.text);
        else if (hotIcon)
            values.emplace_back(name, fields.icon);
        else if (!optional)
            values.emplace_back(name, change.text);
    }
    return commitOrDiscard(general, writeTexts(general, keyName, values, false));
}

std::optional<std::string> deleteButton(General& general, const std::string& keyName)
{
    return commitOrDiscard(general, removeButtonKey(general, keyName));
}

std::optional<SaveRefusal> writeNewButton(General& general, const std::string& keyName, const ButtonFields& fields)
{
    if (auto missing = missingField(fields))
        return missing;
    bool created = false;
    const LSTATUS status = general.CreateRegKey(buttonKeyPath(keyName), &created);
    if (status != platform::kSuccess)
        return refusal(failure(general, status));
    if (!created)
        return SaveRefusal{false, "A registry key named " + keyName + " already exists."};
    return writeButtonValues(general, keyName, fields, true);
}

std::optional<SaveRefusal> writeButtonUpdate(General& general, const std::string& keyName, const ButtonFields& fields)
{
    if (auto missing = missingField(fields))
        return missing;
    return writeButtonValues(general, keyName, fields, false);
}

std::optional<std::string> removeButtonKey(General& general, const std::string& keyName)
{
    const platform::HKEY root = General::RootKeyFromName(buttons::kRootName);
    const LSTATUS status = general.registry().deleteKey(root, buttonSubKeyPath(keyName));
    // A key that is already gone is what was asked for.
    if (status == platform::kFileNotFound)
        return std::nullopt;
    // The registry denies the deletion of a key with sub keys as it denies
    // a change to a hive that cannot be written; the sub keys would refuse
    // it whatever the rights, so they are the cause to name.
    if (status == platform::kAccessDenied && hasSubKeys(general, root, buttonSubKeyPath(keyName)))
        return std::string(texts::kButtonHasSubKeys);
    return failure(general, status);
}

std::optional<std::string> commitButtonChanges(General& general)
{
    return failure(general, general.registry().flush());
}

} // namespace services
