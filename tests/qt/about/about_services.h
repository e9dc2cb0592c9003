#pragma once

#include "core/system/libuuid_source.h"
#include "core/services/general.h"
#include "support/temp_hive.h"
#include "support/test_doubles.h"

#include <string>

// What the About window works with: the module General over a real
// temporary hive, with message boxes answered and links recorded.
struct AboutServices {
    TempHive hive;
    ScriptedMessageBoxes messages;
    RecordingShell shell;
    platform::LibuuidSource uuids;
    services::General general{hive.registry(), messages, shell, uuids};
};

// Where the system keeps the two locations of its information tool.
inline const std::string kToolPathKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline const std::string kToolFolderKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location";
inline const std::string kUnavailable = "System Information Is Unavailable At This Time";
