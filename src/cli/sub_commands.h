#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// The program's sub-commands ("pennant list", "pennant import FILE"...):
// one table that the command line parser, --help and the program share.
// They run without a display.
namespace cli {

// 0 on success, 1 when the requested thing was refused (one sentence on
// the error stream says why), 2 on bad usage or an unusable hive.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitBadUsage = 2;

// What a sub-command is given: its own arguments (after its name), the
// hive chosen with --hive (the default hive otherwise), and where it reads
// and writes.
struct Invocation {
    std::vector<std::string> arguments;
    std::optional<std::string> hivePath;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false; // a person can answer questions on in
};

struct SubCommand {
    const char* name;
    const char* usage;   // the arguments after the name, for --help
    const char* summary; // one line for --help
    int (*run)(Invocation& invocation);
};

const std::vector<SubCommand>& subCommands();
// Null when no sub-command has that name.
const SubCommand* findSubCommand(const std::string& name);

// Runs the sub-command; "--help" among its arguments prints its usage
// instead.
int runSubCommand(const SubCommand& command, Invocation& invocation);

// The lines of --help that list the sub-commands.
std::string subCommandsHelp();

} // namespace cli
