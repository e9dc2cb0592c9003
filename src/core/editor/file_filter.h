#pragma once

#include "core/system/dialogs.h"

#include <string_view>
#include <vector>

namespace editor {

// The choices of a filter text "description|patterns|description|patterns"
// (patterns separated by ";"), in order. A trailing description without
// patterns is not a choice.
std::vector<platform::FileFilter> parseFilterText(std::string_view filter);

} // namespace editor
