#include "command_line.h"
#include "core/commands/sub_commands.h"
#include "core/system/terminal.h"
#include "resources/version.h"
#include "window_program.h"

#include <iostream>

// The command line: help, the version and the commands run here, without
// any window system; with no command the window program takes over.
int main(int argc, char* argv[])
{
    platform::prepareConsoleText();
    std::string error;
    const auto line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!line) {
        std::cerr << "pennant: " << error << '\n';
        return 2;
    }
    switch (line->action) {
    case CommandLine::Action::ShowHelp:
        std::cout << commandLineHelp();
        return 0;
    case CommandLine::Action::ShowVersion:
        std::cout << resources::kProgramTitle << ' ' << resources::kVersionText << '\n';
        return 0;
    case CommandLine::Action::RunSubCommand: {
        const commands::Invocation invocation{line->hivePath, line->subCommandArguments, std::cout, std::cerr,
                                              std::cin, platform::standardInputIsTerminal(),
                                              platform::standardOutputIsTerminal()};
        return commands::runSubCommand(*commands::findSubCommand(line->subCommand), invocation);
    }
    case CommandLine::Action::Run:
        break;
    }
    return runWindowProgram(argc, argv);
}
