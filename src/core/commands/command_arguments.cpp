#include "core/commands/command_arguments.h"

#include <algorithm>

namespace commands {

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::optional<CommandArguments> CommandArguments::parse(const std::vector<std::string>& arguments,
                                                        const std::vector<std::string>& valueOptions,
                                                        const std::vector<std::string>& flags, std::string* error)
{
    CommandArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.positionals_.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (contains(flags, name) && equals == std::string::npos) {
            parsed.flags_.push_back(name);
        } else if (contains(valueOptions, name)) {
            if (equals != std::string::npos) {
                parsed.values_[name] = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                parsed.values_[name] = arguments[++i];
            } else {
                *error = "The option " + name + " needs a value.";
                return std::nullopt;
            }
        } else {
            *error = "Unknown option \"" + argument + "\".";
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<std::string> CommandArguments::value(const std::string& option) const
{
    const auto found = values_.find(option);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

bool CommandArguments::flag(const std::string& flag) const
{
    return contains(flags_, flag);
}

} // namespace commands
