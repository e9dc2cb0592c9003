#include "core/commands/apply_logs_command.h"

#include "core/registry/hive/hive_log_files.h"

#include <filesystem>
#include <system_error>

namespace commands {

int runApplyLogs(const Invocation& invocation)
{
    if (invocation.hivePath || invocation.arguments.size() != 1 || invocation.arguments[0].empty() ||
        invocation.arguments[0][0] == '-')
        return fail(invocation, kBadUsage, "Usage: pennant apply-logs HIVE (the path of a hive file, without --hive).");
    const std::string& hive = invocation.arguments[0];
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(hive, ignored))
        return fail(invocation, kBadUsage, "The hive file " + hive + " does not exist or is not a file.");

    std::string error;
    const auto used = platform::applyHiveLogs(hive, &error);
    if (!used)
        return fail(invocation, kRefused, error);
    for (const platform::HiveLogReport& report : *used)
        invocation.out << platform::describeLogUse(report) << '\n';
    return kDone;
}

} // namespace commands
