#include "core/commands/command_hive.h"


#include <ostream>

namespace commands {

platform::MessageAnswer StreamMessages::show(const platform::MessageRequest& request)
{
    err_ << "pennant: " << request.text << '\n';
    return request.buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : request.defaultButton;
}

CommandHive::CommandHive(services::ProgramRegistry opened, std::ostream& err)
    : registry_(std::move(opened.registry)), hiveFile_(std::move(opened.hiveFile)), messages_(err), general_(*registry_, messages_, shell_, *uuids_)
{
}

std::unique_ptr<CommandHive> CommandHive::open(const Invocation& invocation,
                                               const std::optional<std::string>& hivePath)
{
    std::string error;
    auto opened = services::openProgramRegistry(hivePath, &error);
    if (!opened) {
        fail(invocation, kBadUsage, error);
        return nullptr;
    }
    return std::unique_ptr<CommandHive>(new CommandHive(std::move(*opened), invocation.err));
}

std::optional<PreparedCommand> prepareCommand(const Invocation& invocation, const std::vector<std::string>& valueOptions,
                                              const std::vector<std::string>& flags, int positionals)
{
    std::string error;
    std::vector<std::string> options = valueOptions;
    options.emplace_back("--hive");
    auto arguments = CommandArguments::parse(invocation.arguments, options, flags, &error);
    if (arguments && positionals >= 0 && arguments->positionals().size() != static_cast<std::size_t>(positionals))
        error = positionals == 0 ? "This command takes no key name or file." : "Give exactly one key name or file.";
    if (!arguments || !error.empty()) {
        fail(invocation, kBadUsage, error + " See pennant --help.");
        return std::nullopt;
    }
    auto hive = CommandHive::open(invocation, arguments->value("--hive") ? arguments->value("--hive")
                                                                          : invocation.hivePath);
    if (!hive)
        return std::nullopt;
    return PreparedCommand{std::move(*arguments), std::move(hive)};
}

} // namespace commands
