#pragma once

#include "core/system/libuuid_source.h"
#include "core/services/general.h"
#include "core/services/hive_seed.h"
#include "support/temp_hive.h"
#include "support/test_doubles.h"

// A temporary hive seeded as a fresh system has it, with the shared
// procedures over it (for tests that link pennant_services).
struct ButtonHive {
    TempHive hive;
    ScriptedMessageBoxes messages;
    RecordingShell shell;
    platform::LibuuidSource uuids;
    services::General general{hive.registry(), messages, shell, uuids};

    ButtonHive() { services::seedFreshHive(hive.registry(), ""); }
};
