#pragma once

#include <array>
#include <string>

// What a button is: its six editable fields, where its key lies, and which
// fields a save requires.
namespace services {

// The six fields of one button, as a person typed them.
struct ButtonFields {
    std::string buttonText;
    std::string exec;
    std::string icon;
    std::string hotIcon;
    std::string statusBar;
    std::string toolsMenu;

    bool operator==(const ButtonFields&) const = default;
};

// The registry value that holds each field, in the order of ButtonFields.
struct FieldValue {
    const char* valueName;
    std::string ButtonFields::*field;
};
extern const std::array<FieldValue, 6> kFieldValues;

// "HKEY_LOCAL_MACHINE\Software\...\Extensions\<keyName>", for the path procedures.
std::string buttonKeyPath(const std::string& keyName);
// "Software\...\Extensions\<keyName>", below the HKEY_LOCAL_MACHINE root.
std::string buttonSubKeyPath(const std::string& keyName);

// The message for the first empty required field (button text, executable
// or URL, icon, in that order), or nothing when all three are filled.
const char* missingFieldMessage(const ButtonFields& fields);

} // namespace services
