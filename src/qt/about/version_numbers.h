#pragma once

#include "resources/version.h"

namespace about {

// The version numbers the About window shows; the program's own by default,
// others for tests.
struct VersionNumbers {
    int major = resources::kVersionMajor;
    int minor = resources::kVersionMinor;
};

} // namespace about
