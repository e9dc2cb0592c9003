#pragma once

#include "services/reg_file.h"

#include <optional>
#include <string>
#include <vector>

// Buttons carried between hives as .reg files: export writes the stored
// values of buttons, import applies a file's button keys with the same
// checks as a save or a delete from the window.
namespace services {

class General;

// The .reg file of the given custom buttons (every listed button when
// keyNames is empty). On failure returns nothing and sets *problem to one sentence.
std::optional<std::string> exportButtons(General& general, const std::vector<std::string>& keyNames,
                                         std::string* problem);

struct ImportedKey {
    enum class Action { Created, Updated, Deleted };
    Action action = Action::Created;
    std::string keyName;
};

struct ImportRefusal {
    int line = 0; // the line of the file at fault; 0 when the fault is not in the file
    std::string reason;
};

// Applies the sections in their order: "[...\Extensions\KEY]" creates the
// button like the window's create (all required values, the fixed values
// added) or updates an existing one like the window's update (values the
// section leaves out keep what is stored); "[-...\Extensions\KEY]" deletes
// it. Only string values of a button are accepted. Either every section is
// accepted and, when commit is set, written with one flush, or nothing is
// written and the refusal says which line is at fault and why.
std::optional<ImportRefusal> importButtons(General& general, const std::vector<RegKeySection>& sections,
                                           bool commit, std::vector<ImportedKey>* imported);

} // namespace services
