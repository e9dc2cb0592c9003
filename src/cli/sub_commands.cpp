#include "cli/sub_commands.h"

#include "cli/command_handlers.h"

#include <algorithm>
#include <ostream>

namespace cli {

const std::vector<SubCommand>& subCommands()
{
    static const std::vector<SubCommand> commands = {
        {"list", "[--json]", "list the custom buttons with their key names", runList},
        {"show", "KEY [--json]", "show the values of one button", runShow},
        {"add", "--text T --exec E --icon I [--hot-icon H] [--status S] [--menu M] [--json]",
         "create a button as the window's save does; prints its key name", runAdd},
        {"set", "KEY [--text T] [--exec E] [--icon I] [--hot-icon H] [--status S] [--menu M]",
         "change a button as the window's save does", runSet},
        {"remove", "KEY [--yes]", "delete a button (asks first unless --yes)", runRemove},
        {"export", "[KEY...] [-o FILE]", "write buttons (all when no KEY) as a Windows .reg file", runExport},
        {"import", "FILE [--dry-run]", "apply the buttons of a .reg file, all or nothing", runImport},
    };
    return commands;
}

const SubCommand* findSubCommand(const std::string& name)
{
    const auto& commands = subCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const SubCommand& command) { return command.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

int runSubCommand(const SubCommand& command, Invocation& invocation)
{
    const auto& arguments = invocation.arguments;
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
        invocation.out << "Usage: pennant [--hive PATH] " << command.name << ' ' << command.usage << '\n'
                       << command.summary << '\n';
        return kExitSuccess;
    }
    return command.run(invocation);
}

std::string subCommandsHelp()
{
    std::string help;
    for (const SubCommand& command : subCommands())
        help += std::string("  ") + command.name + ' ' + command.usage + "\n      " + command.summary + '\n';
    return help;
}

} // namespace cli
