#pragma once

#include "core/registry/registry.h"

#include <string>

namespace services {
class General;
}

namespace about {

// Reads the value SubKeyRef of the key KeyName below the root KeyRoot into
// KeyVal. The key is opened for writing as well as reading, so a key the
// user may only read counts as missing. REG_SZ gives its text (one
// terminating zero byte left off), REG_DWORD "&h" and its hex digits, and
// any other type leaves KeyVal as the caller passed it. False, with KeyVal
// emptied, when the key cannot be opened or the value does not fit in 1024
// bytes or cannot be read.
bool GetKeyValue(platform::Registry& registry, platform::HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

// Starts the system-information tool that the registry names, or tells the
// user that it is unavailable.
void StartSysInfo(services::General& general);

} // namespace about
