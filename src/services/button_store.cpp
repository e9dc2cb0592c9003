#include "services/button_store.h"

#include "services/button_layout.h"
#include "services/button_texts.h"
#include "services/general.h"
#include "services/registry_errors.h"

#include <QString>

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

// The text a button is listed under: a list entry holds text only up to its
// first zero character.
std::string listedText(std::string text)
{
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

// Writes the values in their fixed order. An existing record gets no "ClSID"
// or "Default Visible", and keeps the optional values whose fields are empty.
std::optional<std::string> writeButtonValues(General& general, const std::string& keyPath, const ButtonFields& fields,
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
    for (const auto& [name, text] : values) {
        const LSTATUS status = general.WriteRegString(keyPath, name, text);
        // The key is opened afresh for every value; missing means it is gone.
        if (status == platform::kFileNotFound)
            return std::string(texts::kButtonGone);
        if (status != platform::kSuccess)
            return failure(general, status);
    }
    return std::nullopt;
}

bool sameAsciiLetter(char a, char b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
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

bool isStockButton(const std::string& text)
{
    // Most texts are ASCII and need no Unicode case folding to be searched.
    const std::string_view marker = buttons::kStockLibraryMarker;
    const auto isAscii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    if (std::all_of(text.begin(), text.end(), isAscii))
        return std::search(text.begin(), text.end(), marker.begin(), marker.end(), sameAsciiLetter) != text.end();
    return QString::fromStdString(text).contains(QString::fromUtf8(marker), Qt::CaseInsensitive);
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
            listedText(readFromExtensions ? general.ReadRegString(key, keyName, buttons::kButtonText)
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
            problem = refusal(writeButtonValues(general, buttonKeyPath(*keyName), fields, true));
            break;
        }
    }
    return commitOrDiscard(general, std::move(problem));
}

std::optional<SaveRefusal> updateButton(General& general, const std::string& keyName, const ButtonFields& fields)
{
    return commitOrDiscard(general, writeButtonUpdate(general, keyName, fields));
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
    return refusal(writeButtonValues(general, buttonKeyPath(keyName), fields, true));
}

std::optional<SaveRefusal> writeButtonUpdate(General& general, const std::string& keyName, const ButtonFields& fields)
{
    if (auto missing = missingField(fields))
        return missing;
    return refusal(writeButtonValues(general, buttonKeyPath(keyName), fields, false));
}

std::optional<std::string> removeButtonKey(General& general, const std::string& keyName)
{
    const platform::HKEY root = General::RootKeyFromName(buttons::kRootName);
    const LSTATUS status = general.registry().deleteKey(root, buttonSubKeyPath(keyName));
    // A key that is already gone is what was asked for.
    if (status == platform::kFileNotFound)
        return std::nullopt;
    return failure(general, status);
}

std::optional<std::string> commitButtonChanges(General& general)
{
    return failure(general, general.registry().flush());
}

} // namespace services
