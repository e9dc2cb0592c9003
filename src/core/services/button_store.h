#pragma once

#include "core/registry/registry.h"
#include "core/services/button_record.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// How buttons are listed, loaded, created, updated and deleted: the one
// implementation that the editor window and the command line share.
namespace services {

class General;

// One entry of the button list: the key's name and the text shown for it.
struct ListedButton {
    std::string keyName;
    std::string text;
};

// The text up to its first zero character, as a list entry or a
// single-line field of the window holds it.
std::string textBeforeZero(std::string text);

// The browser's own buttons name its resource library in their text; they
// are never listed, saved or deleted.
bool isStockButton(const std::string& text);

// The custom buttons among the sub keys of subKeyPath below root, in the
// registry's order. Each is shown under its "ButtonText" ("Error" when that
// cannot be read), cut before its first zero character; buttons whose text
// names the browser's resource library are left out. Nothing when the key
// cannot be opened; an enumeration error ends the list silently.
std::optional<std::vector<ListedButton>> listButtons(General& general, platform::HKEY root,
                                                     const std::string& subKeyPath);
// The buttons under the Extensions key.
std::optional<std::vector<ListedButton>> listButtons(General& general);
// The same list after this process changed the button changedKey (created,
// updated or deleted it), reading only the texts that previous does not
// hold or that changed. Only for a store that took in nothing from other
// processes since previous was listed.
std::optional<std::vector<ListedButton>> listButtonsAfterChange(General& general, platform::HKEY root,
                                                                const std::string& subKeyPath,
                                                                const std::vector<ListedButton>& previous,
                                                                const std::string& changedKey);

// The buttons under the Extensions key, none when that key is not there;
// nothing when it is there but cannot be opened.
std::optional<std::vector<ListedButton>> listButtonsIfAny(General& general);

// Whether the Extensions key has a sub key named keyName (a single name,
// without backslashes).
bool buttonKeyExists(General& general, const std::string& keyName);

// Why keyName does not name a custom button (no key has that name, or it is
// one of the browser's own buttons); nothing when it does.
std::optional<std::string> notACustomButton(General& general, const std::string& keyName);

// The button's six fields as stored; a value that cannot be read (or reads
// "Error") gives an empty field.
ButtonFields loadButton(General& general, const std::string& keyName);

// The string values among the eight a button may hold that its key has, by
// name in their fixed order, with their exact texts.
using StoredValues = std::vector<std::pair<std::string, std::string>>;
StoredValues storedButtonValues(General& general, const std::string& keyName);

// Why a save did not happen: an empty required field (reason is its
// message), or a failure in the registry (reason says why); keyGone when
// the button's key no longer exists.
struct SaveRefusal {
    bool missingField = false;
    std::string reason;
    bool keyGone = false;
};

// A new button under a fresh key "{identifier}"; *keyName receives its
// name. Every required field is checked before anything is written, and
// the whole button is committed at once or not at all.
std::optional<SaveRefusal> createButton(General& general, const ButtonFields& fields, std::string* keyName);

// Writes the fields into the existing key, committed at once or not at
// all. The fixed values are not written again, empty optional fields keep
// what is stored, and a rewritten value keeps its string type (a
// REG_EXPAND_SZ stays one).
std::optional<SaveRefusal> updateButton(General& general, const std::string& keyName, const ButtonFields& fields);

// One field to change, and its new text.
struct FieldChange {
    const FieldValue* field;
    std::string text;
};

// Writes only the given fields into the existing key, committed at once or
// not at all; every other value keeps its text and type, and a rewritten
// value keeps its string type. The rules of a save apply to the result:
// the required fields must not end up empty, an empty mouse-over icon
// stores the icon's text, and an empty optional field keeps what is stored.
std::optional<SaveRefusal> changeButton(General& general, const std::string& keyName,
                                        const std::vector<FieldChange>& changes);

// Deletes the button's key with its values and commits; a key that is
// already gone counts as deleted. On failure, one sentence saying why.
std::optional<std::string> deleteButton(General& general, const std::string& keyName);

// The same steps without the commit, for a caller that commits many
// changes at once (and discards them all after any refusal).
// writeNewButton refuses a key name that is already taken.
std::optional<SaveRefusal> writeNewButton(General& general, const std::string& keyName, const ButtonFields& fields);
std::optional<SaveRefusal> writeButtonUpdate(General& general, const std::string& keyName, const ButtonFields& fields);
std::optional<std::string> removeButtonKey(General& general, const std::string& keyName);
std::optional<std::string> commitButtonChanges(General& general);

} // namespace services
