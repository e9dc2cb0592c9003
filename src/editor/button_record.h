#pragma once

#include <optional>
#include <string>

namespace services {
class General;
}

namespace editor {

// The six editor fields of one button, as typed.
struct ButtonFields {
    std::string buttonText;
    std::string exec;
    std::string icon;
    std::string hotIcon;
    std::string statusBar;
    std::string toolsMenu;
};

// "HKEY_LOCAL_MACHINE\Software\...\Extensions\<keyName>", for the path procedures.
std::string buttonKeyPath(const std::string& keyName);
// "Software\...\Extensions\<keyName>", below the HKEY_LOCAL_MACHINE root.
std::string buttonSubKeyPath(const std::string& keyName);

// The message for the first empty required field (button text, executable
// or URL, icon, in that order), or nothing when all three are filled.
const char* missingFieldMessage(const ButtonFields& fields);

// The steps of a save. Each returns nothing on success, else one plain
// sentence saying why it failed. Changes stay in memory until commitChanges.

// Creates a key for a new button under a name no key has yet; *keyPath
// receives its full path.
std::optional<std::string> createButtonKey(services::General& general, std::string* keyPath);

enum class RecordKind { New, Existing };
// Writes the values in their fixed order. An existing record gets no "ClSID"
// or "Default Visible", and keeps the optional values whose fields are empty.
std::optional<std::string> writeButtonValues(services::General& general, const std::string& keyPath,
                                             const ButtonFields& fields, RecordKind kind);

std::optional<std::string> commitChanges(services::General& general);

} // namespace editor
