#include "command_line.h"

#include "core/commands/sub_commands.h"

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments, std::string* error)
{
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::ShowHelp;
        } else if (argument == "--version" || argument == "-v") {
            line.action = CommandLine::Action::ShowVersion;
        } else if (argument == "--hive") {
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                *error = "The option --hive needs the path of a registry hive file.";
                return std::nullopt;
            }
            line.hivePath = arguments[++i];
        } else if (argument.rfind("--hive=", 0) == 0 && argument.size() > 7) {
            line.hivePath = argument.substr(7);
        } else if (!argument.empty() && argument[0] != '-') {
            if (!commands::findSubCommand(argument)) {
                *error = "Unknown command \"" + argument + "\"; see pennant --help.";
                return std::nullopt;
            }
            // The command reads the rest itself; --help still wins.
            if (line.action == CommandLine::Action::Run)
                line.action = CommandLine::Action::RunSubCommand;
            line.subCommand = argument;
            line.subCommandArguments.assign(arguments.begin() + std::ptrdiff_t(i) + 1, arguments.end());
            return line;
        } else {
            *error = "Unknown argument \"" + argument + "\"; see pennant --help.";
            return std::nullopt;
        }
    }
    return line;
}

std::optional<CommandLine> parseWindowCommandLine(const std::vector<std::string>& arguments, std::string* error)
{
    auto line = parseCommandLine(arguments, error);
    if (line && line->action != CommandLine::Action::Run) {
        *error = "The window program takes only --hive PATH; see pennant --help.";
        return std::nullopt;
    }
    return line;
}

std::string commandLineHelp()
{
    std::string help = "Usage: pennant [--hive PATH]\n"
                       "       pennant [--hive PATH] COMMAND [ARGUMENTS]\n"
                       "Edits the custom toolbar buttons of the web browser, kept under\n"
                       "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions\n"
                       "in a Windows registry hive file (the SOFTWARE hive).\n"
                       "\n"
                       "Options:\n"
                       "  --hive PATH   edit the hive file at PATH, for example\n"
                       "                /mnt/windows/Windows/System32/config/SOFTWARE\n"
                       "                (default: $XDG_DATA_HOME/pennant/SOFTWARE, created when missing)\n"
                       "  --help        show this help and exit (after a command: that command's help)\n"
                       "  --version     show the version and exit\n"
                       "\n"
                       "Commands (exit status 0: done, 1: refused, 2: bad usage or unusable hive):\n";
    for (const commands::SubCommand& command : commands::subCommands())
        help += "  pennant " + std::string(command.synopsis) + "\n      " + std::string(command.summary) + "\n";
    return help;
}
