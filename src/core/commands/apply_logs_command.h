#pragma once

#include "core/commands/sub_commands.h"

namespace commands {

// pennant apply-logs HIVE: replaces a dirty hive with the one its
// transaction logs give, keeps the originals, prints one line per log used.
int runApplyLogs(const Invocation& invocation);

} // namespace commands
