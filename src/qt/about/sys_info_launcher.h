#pragma once

// The About window's launcher of the system-information tool lives in the
// core, shared by both windows.
#include "core/about/sys_info_launcher.h"
