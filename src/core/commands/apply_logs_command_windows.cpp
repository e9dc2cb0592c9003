#include "core/commands/apply_logs_command.h"

namespace commands {

int runApplyLogs(const Invocation& invocation)
{
    return fail(invocation, kRefused,
                "Windows applies a hive's transaction logs itself whenever it loads the hive, so there is nothing "
                "for Pennant to apply here.");
}

} // namespace commands
