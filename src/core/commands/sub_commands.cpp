#include "core/commands/sub_commands.h"

#include "core/commands/apply_logs_command.h"
#include "core/commands/button_commands.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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
         "change the named values of a button as the window's save does", runSet},
        {"remove", "remove KEY [--yes]", "delete a button (asks first unless --yes)", runRemove},
        {"export", "export [KEY...] [-o FILE]", "write buttons (all when no KEY), with all their values and sub keys, as a Windows .reg file", runExport},
        {"import", "import FILE|- [--dry-run]",
         "apply a .reg file (- for standard input) to the keys under Extensions, all or nothing", runImport},
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
    int status = kDone;
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end() ||
        std::find(arguments.begin(), arguments.end(), "-h") != arguments.end())
        invocation.out << "Usage: pennant [--hive PATH] " << command.synopsis << '\n' << command.summary << '\n';
    else
        status = command.run(invocation);
    errno = 0;
    invocation.out.flush();
    if (!invocation.out.fail())
        return status;
    const std::string reason = errno != 0 ? std::string(": ") + std::strerror(errno) : std::string();
    return fail(invocation, kRefused, "The output could not be written" + reason + ".");
}

int fail(const Invocation& invocation, int status, const std::string& sentence)
{
    invocation.err << "pennant: " << sentence << '\n';
    return status;
}

} // namespace commands
