#include "command_line.h"

#include "cli/sub_commands.h"

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments, std::string* error)
{
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool inSubCommand = line.action == CommandLine::Action::RunSubCommand;
        if (argument == "--hive") {
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                *error = "The option --hive needs the path of a registry hive file.";
                return std::nullopt;
            }
            line.hivePath = arguments[++i];
        } else if (argument.rfind("--hive=", 0) == 0 && argument.size() > 7) {
            line.hivePath = argument.substr(7);
        } else if (inSubCommand) {
            line.subCommandArguments.push_back(argument);
        } else if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::ShowHelp;
        } else if (argument == "--version" || argument == "-v") {
            line.action = CommandLine::Action::ShowVersion;
        } else if (line.action == CommandLine::Action::Run && cli::findSubCommand(argument)) {
            line.action = CommandLine::Action::RunSubCommand;
            line.subCommand = argument;
        } else {
            *error = "Unknown argument \"" + argument + "\"; see pennant --help.";
            return std::nullopt;
        }
    }
    return line;
}

std::string commandLineHelp()
{
    return "Usage: pennant [--hive PATH]\n"
           "       pennant [--hive PATH] COMMAND [ARGUMENTS]\n"
           "Edits the custom toolbar buttons of the web browser, kept under\n"
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions\n"
           "in a Windows registry hive file (the SOFTWARE hive). Without a command\n"
           "it opens the editor window; the commands need no display.\n"
           "\n"
           "Commands:\n" +
           cli::subCommandsHelp() +
           "\n"
           "Options:\n"
           "  --hive PATH   edit the hive file at PATH, for example\n"
           "                /mnt/windows/Windows/System32/config/SOFTWARE\n"
           "                (default: $XDG_DATA_HOME/pennant/SOFTWARE, created when missing)\n"
           "  --help        show this help and exit (after a command: that command's help)\n"
           "  --version     show the version and exit\n"
           "\n"
           "Exit status: 0 on success, 1 when a command's request was refused,\n"
           "2 on bad usage or an unusable hive.\n";
}
