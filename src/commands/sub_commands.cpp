#include "commands/sub_commands.h"

#include "commands/apply_logs_command.h"
#include "commands/button_commands.h"

#include <algorithm>

namespace commands {

const std::vector<SubCommand>& subCommands()
{
    static const std::vector<SubCommand> table = {
        {"apply-logs", "apply-logs HIVE",
         "apply the Windows transaction logs beside a dirty hive, keeping the originals as *.before-logs",
         runApplyLogs},
        {"list", "list [--json]", "list the custom buttons with their key names", runList},
        {"show", "show KEY [--json]", "show the values of one custom button", runShow},
        {"add", "add --text T --exec E --icon I [--hot-icon H] [--status S] [--menu M] [--json]",
         "create a button as the window's save does; prints its key name", runAdd},
        {"set", "set KEY [--text T] [--exec E] [--icon I] [--hot-icon H] [--status S] [--menu M]",
         "change a button as the window's save does", runSet},
        {"remove", "remove KEY [--yes]", "delete a button (asks first unless --yes)", runRemove},
        {"export", "export [KEY...] [-o FILE]", "write buttons (all when no KEY) as a Windows .reg file", runExport},
        {"import", "import FILE [--dry-run]", "apply the buttons of a .reg file, all or nothing", runImport},
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

int runSubCommand(const SubCommand& command, const Invocation& invocation)
{
    const auto& arguments = invocation.arguments;
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
        invocation.out << "Usage: pennant [--hive PATH] " << command.synopsis << '\n' << command.summary << '\n';
        return kDone;
    }
    return command.run(invocation);
}

int fail(const Invocation& invocation, int status, const std::string& sentence)
{
    invocation.err << "pennant: " << sentence << '\n';
    return status;
}

} // namespace commands
