#pragma once

#include "core/commands/command_arguments.h"
#include "core/commands/sub_commands.h"
#include "core/system/desktop_shell.h"
#include "core/system/dialogs.h"
#include "core/system/uuid.h"
#include "core/registry/registry.h"
#include "core/services/general.h"
#include "core/services/program_registry.h"

#include <memory>
#include <string>

namespace commands {

// Messages of the shared procedures go to the error stream; a question
// gets its default answer, since sub-commands ask their own questions.
class StreamMessages final : public platform::MessageBoxes {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    platform::MessageAnswer show(const platform::MessageRequest& request) override;

private:
    std::ostream& err_;
};

// The registry a sub-command works on, opened as the window opens it, with
// the shared procedures over it.
class CommandHive {
public:
    // The hive at hivePath, or the program's default registry; null, with
    // one sentence on the error stream, when it cannot be used.
    static std::unique_ptr<CommandHive> open(const Invocation& invocation, const std::optional<std::string>& hivePath);

    services::General& general() { return general_; }
    // The hive file behind the registry; nothing for the live registry.
    const std::optional<std::string>& hiveFile() const { return hiveFile_; }

private:
    CommandHive(services::ProgramRegistry opened, std::ostream& err);

    std::unique_ptr<platform::Registry> registry_;
    std::optional<std::string> hiveFile_;
    StreamMessages messages_;
    platform::DesktopShell shell_;
    std::unique_ptr<platform::UuidSource> uuids_ = platform::systemUuidSource();
    services::General general_;
};

// A command's arguments and the hive it works on.
struct PreparedCommand {
    CommandArguments arguments;
    std::unique_ptr<CommandHive> hive;
    services::General& general() { return hive->general(); }
};

// Parses the arguments, checks that exactly `positionals` positional
// arguments were given (any number when negative), and opens the hive
// (--hive PATH may also come after the command's name); on
// bad usage or an unusable hive reports it and returns nothing (the exit
// status is then kBadUsage).
std::optional<PreparedCommand> prepareCommand(const Invocation& invocation, const std::vector<std::string>& valueOptions,
                                              const std::vector<std::string>& flags, int positionals);

} // namespace commands
