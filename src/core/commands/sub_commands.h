#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The program's sub-commands ("pennant apply-logs HIVE", ...): one table,
// one way of running them, the same exit statuses for all.
namespace commands {

// 0: done; 1: the thing asked for was refused (one sentence on stderr);
// 2: bad usage, or a hive that cannot be used at all.
enum ExitStatus : int { kDone = 0, kRefused = 1, kBadUsage = 2 };

struct Invocation {
    std::optional<std::string> hivePath; // --hive PATH given before the command
    std::vector<std::string> arguments;  // everything after the command's name
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool inputIsTerminal = false;  // a person can answer questions on in
    bool outputIsTerminal = false; // a person reads out
};

struct SubCommand {
    std::string_view name;
    std::string_view synopsis; // "apply-logs HIVE"
    std::string_view summary;  // one line for --help
    int (*run)(const Invocation&);
};

const std::vector<SubCommand>& subCommands();
const SubCommand* findSubCommand(std::string_view name);

// Runs the command; "--help" or "-h" among its arguments prints its
// synopsis and summary instead. Output that cannot be written (a full disk,
// a closed pipe) makes the command fail with a sentence saying so.
int runSubCommand(const SubCommand& command, const Invocation& invocation);

// Writes "pennant: sentence" to the error stream and returns status.
int fail(const Invocation& invocation, int status, const std::string& sentence);

} // namespace commands
