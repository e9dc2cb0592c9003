#pragma once

#include "core/services/reg_file.h"

#include <optional>
#include <string>
#include <vector>

// Buttons carried between hives as .reg files: export writes everything
// below the keys of buttons, import applies a file to the keys below the
// Extensions key as Windows' own import does.
namespace services {

class General;

// The .reg file of the given custom buttons (every listed button when
// keyNames is empty): each button's key with all its values, of whatever
// type, and all its sub keys. On failure returns nothing and sets *problem
// to one sentence.
std::optional<std::string> exportButtons(General& general, const std::vector<std::string>& keyNames,
                                         std::string* problem);

// A key directly below the Extensions key that the file changed, in the
// order the file first names it.
struct ImportedKey {
    enum class Action { Created, Updated, Deleted };
    Action action = Action::Created;
    std::string keyName;
};

// Something the file stores that the window will not show as a button it
// can save; imported all the same.
struct ImportWarning {
    int line = 0; // the line of the key section that gives the entry
    std::string text;
};

struct ImportRefusal {
    int line = 0; // the line of the file at fault; 0 when the fault is not in the file
    std::string reason;
};

// Applies the sections in their order, to the Extensions key and any key
// below it: "[key]" creates the key (and those above it) or opens it,
// "name"="data" sets a value with its type, "name"=- deletes one, and
// "[-key]" deletes the key with all below it. Either every section is
// applied and, when commit is set, written with one flush, or nothing is
// written and the refusal says which line is at fault and why: a key
// outside the Extensions key, the Extensions key's deletion, or a key or
// value the registry refuses to store.
std::optional<ImportRefusal> importButtons(General& general, const std::vector<RegKeySection>& sections,
                                           bool commit, std::vector<ImportedKey>* imported,
                                           std::vector<ImportWarning>* warnings);

} // namespace services
