#include "cli/command_hive.h"

#include "platform/desktop/hive_location.h"
#include "services/hive_seed.h"

#include <ostream>

namespace cli {

platform::MessageAnswer StreamMessages::show(const platform::MessageRequest& request)
{
    err_ << "pennant: " << request.text << '\n';
    return request.buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : request.defaultButton;
}

CommandHive::CommandHive(std::unique_ptr<platform::HiveRegistry> registry, std::ostream& err)
    : registry_(std::move(registry)), messages_(err), general_(*registry_, messages_, shell_, uuids_)
{
}

std::unique_ptr<CommandHive> CommandHive::open(Invocation& invocation)
{
    // Only the default hive is made when missing; a path given by the user
    // must name an existing hive.
    const std::string path = invocation.hivePath.value_or(platform::defaultHivePath());
    std::string error;
    auto registry = services::openOrCreateHive(path, !invocation.hivePath.has_value(), &error);
    if (!registry) {
        report(invocation, error, kExitBadUsage);
        return nullptr;
    }
    return std::unique_ptr<CommandHive>(new CommandHive(std::move(registry), invocation.err));
}

std::optional<PreparedCommand> prepareCommand(Invocation& invocation, const std::vector<std::string>& valueOptions,
                                              const std::vector<std::string>& flags, int positionals)
{
    std::string error;
    auto arguments = CommandArguments::parse(invocation.arguments, valueOptions, flags, &error);
    if (arguments && positionals >= 0 && arguments->positionals().size() != static_cast<std::size_t>(positionals))
        error = positionals == 0 ? "This command takes no key name or file." : "Give exactly one key name or file.";
    if (!arguments || !error.empty()) {
        report(invocation, error + " See pennant --help.", kExitBadUsage);
        return std::nullopt;
    }
    auto hive = CommandHive::open(invocation);
    if (!hive)
        return std::nullopt;
    return PreparedCommand{std::move(*arguments), std::move(hive)};
}

int report(Invocation& invocation, const std::string& sentence, int status)
{
    invocation.err << "pennant: " << sentence << '\n';
    return status;
}

} // namespace cli
