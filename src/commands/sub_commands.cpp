#include "commands/sub_commands.h"

#include "commands/apply_logs_command.h"

namespace commands {

const std::vector<SubCommand>& subCommands()
{
    static const std::vector<SubCommand> table = {
        {"apply-logs", "apply-logs HIVE",
         "apply the Windows transaction logs beside a dirty hive, keeping the originals as *.before-logs",
         runApplyLogs},
    };
    return table;
}

const SubCommand* findSubCommand(std::string_view name)
{
    for (const SubCommand& command : subCommands())
        if (command.name == name)
            return &command;
    return nullptr;
}

int fail(const Invocation& invocation, int status, const std::string& sentence)
{
    invocation.err << "pennant: " << sentence << '\n';
    return status;
}

} // namespace commands
