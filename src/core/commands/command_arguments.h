#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace commands {

// A sub-command's arguments: options with a value ("--text T" or
// "--text=T"), flags ("--json") and the remaining positional arguments.
class CommandArguments {
public:
    // Returns nothing and sets *error to one sentence for an option that
    // is not among valueOptions or flags, or that lacks its value.
    static std::optional<CommandArguments> parse(const std::vector<std::string>& arguments,
                                                 const std::vector<std::string>& valueOptions,
                                                 const std::vector<std::string>& flags, std::string* error);

    // The option's value (the last one given), or nothing.
    std::optional<std::string> value(const std::string& option) const;
    bool flag(const std::string& flag) const;
    const std::vector<std::string>& positionals() const { return positionals_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> flags_;
    std::vector<std::string> positionals_;
};

} // namespace commands
