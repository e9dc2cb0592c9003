#pragma once

#include "core/services/reg_file.h"

#include <string>
#include <vector>

namespace services {

// Why the window would not list a button key holding these values, or
// could not save it as it is, one sentence each; none for a button the
// window handles like its own.
std::vector<std::string> buttonWarnings(const std::vector<RegValue>& values);

} // namespace services
