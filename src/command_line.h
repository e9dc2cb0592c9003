#pragma once

#include <optional>
#include <string>
#include <vector>

// What the program was asked to do on its command line. Parsed before any
// window system is touched, so --help and --version work without a display.
struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, RunSubCommand };
    Action action = Action::Run;
    std::optional<std::string> hivePath; // --hive PATH; the default hive otherwise
    // With RunSubCommand: the command's name and everything after it.
    std::string subCommand;
    std::vector<std::string> subCommandArguments;
};

// Returns nothing and sets *error to one plain sentence for arguments it
// does not understand.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments, std::string* error);

// The same for a window program, which takes only --hive PATH: nothing, with
// one sentence in *error, for anything else.
std::optional<CommandLine> parseWindowCommandLine(const std::vector<std::string>& arguments, std::string* error);

std::string commandLineHelp();
