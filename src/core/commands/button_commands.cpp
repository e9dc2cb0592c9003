#include "core/commands/command_arguments.h"
#include "core/commands/button_commands.h"
#include "core/commands/command_hive.h"
#include "core/services/button_record.h"
#include "core/services/button_store.h"
#include "core/services/button_texts.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <istream>
#include <ostream>

namespace commands {

namespace {

constexpr std::size_t kOutputPiece = 64 * 1024;

// The options of add and set, one for each field of a button, in the
// order of the fields.
constexpr const char* kFieldOptions[] = {"--text", "--exec", "--icon", "--hot-icon", "--status", "--menu"};
static_assert(std::size(kFieldOptions) == std::tuple_size_v<decltype(services::kFieldValues)>);

std::vector<std::string> fieldOptionNames()
{
    return {std::begin(kFieldOptions), std::end(kFieldOptions)};
}

// The fields whose options were given, with their texts; one sentence in
// *problem for a text with a line break, which would split the one line
// that list and show print for it.
std::optional<std::vector<services::FieldChange>> givenFields(const CommandArguments& arguments, std::string* problem)
{
    std::vector<services::FieldChange> changes;
    for (std::size_t i = 0; i < std::size(kFieldOptions); ++i) {
        auto value = arguments.value(kFieldOptions[i]);
        if (!value)
            continue;
        if (value->find_first_of("\r\n") != std::string::npos) {
            *problem = std::string("The text of ") + kFieldOptions[i] + " has a line break, which a button's texts "
                                                                      "cannot hold.";
            return std::nullopt;
        }
        changes.push_back({&services::kFieldValues[i], std::move(*value)});
    }
    return changes;
}

// A text as one line of plain output: a line break that an imported file
// gave it shows as a space (the JSON output keeps it).
std::string oneLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

void printJson(const Invocation& invocation, const nlohmann::json& document)
{
    // Stored texts are valid UTF-8; replacing is only a guard.
    invocation.out << document.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// Refuses (and returns false) unless keyName is a button the window could
// show: an existing key that is not one of the browser's own buttons.
bool checkCustomButton(const Invocation& invocation, services::General& general, const std::string& keyName)
{
    if (const auto problem = services::notACustomButton(general, keyName)) {
        fail(invocation, kRefused, *problem);
        return false;
    }
    return true;
}

} // namespace

int runList(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {}, {"--json"}, 0);
    if (!prepared)
        return kBadUsage;
    // A hive without the Extensions key has no buttons yet.
    const auto listed = services::listButtonsIfAny(prepared->general());
    if (!listed) {
        // Damage met on the way is named (the hive is checked only then).
        const std::string damage = prepared->general().registry().failureDetail();
        return fail(invocation, kRefused, damage.empty() ? services::texts::kExtensionsKeyNotOpened : damage);
    }
    if (prepared->arguments.flag("--json")) {
        nlohmann::json array = nlohmann::json::array();
        for (const services::ListedButton& button : *listed)
            array.push_back({{"key", button.keyName}, {"text", button.text}});
        printJson(invocation, array);
    } else {
        // Written a piece at a time: a stream insertion per field costs more
        // than the listing, and one text of the whole list more memory.
        std::string lines;
        for (std::size_t i = 0; i < listed->size(); ++i) {
            const services::ListedButton& button = (*listed)[i];
            lines.append(button.keyName).append(1, '\t').append(oneLine(button.text)).append(1, '\n');
            if (lines.size() >= kOutputPiece || i + 1 == listed->size()) {
                invocation.out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
                lines.clear();
            }
        }
    }
    return kDone;
}

int runShow(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {}, {"--json"}, 1);
    if (!prepared)
        return kBadUsage;
    const std::string& keyName = prepared->arguments.positionals().front();
    if (!checkCustomButton(invocation, prepared->general(), keyName))
        return kRefused;
    const services::StoredValues values = services::storedButtonValues(prepared->general(), keyName);
    if (prepared->arguments.flag("--json")) {
        nlohmann::json object = nlohmann::json::object();
        for (const auto& [name, text] : values)
            object[name] = text;
        printJson(invocation, {{"key", keyName}, {"values", object}});
    } else {
        for (const auto& [name, text] : values)
            invocation.out << name << ": " << oneLine(text) << '\n';
    }
    return kDone;
}

int runAdd(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, fieldOptionNames(), {"--json"}, 0);
    if (!prepared)
        return kBadUsage;
    std::string problem;
    const auto given = givenFields(prepared->arguments, &problem);
    if (!given)
        return fail(invocation, kRefused, std::string(services::texts::kNotSaved) + " " + problem);
    services::ButtonFields fields;
    for (const services::FieldChange& change : *given)
        fields.*change.field->field = change.text;
    std::string keyName;
    if (const auto refusal = services::createButton(prepared->general(), fields, &keyName))
        return fail(invocation, kRefused, std::string(services::texts::kNotSaved) + " " + refusal->reason);
    if (prepared->arguments.flag("--json"))
        printJson(invocation, {{"key", keyName}});
    else
        invocation.out << keyName << '\n';
    return kDone;
}

int runSet(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, fieldOptionNames(), {}, 1);
    if (!prepared)
        return kBadUsage;
    const std::string& keyName = prepared->arguments.positionals().front();
    std::string problem;
    const auto given = givenFields(prepared->arguments, &problem);
    if (!given)
        return fail(invocation, kRefused, std::string(services::texts::kNotSaved) + " " + problem);
    if (given->empty())
        return fail(invocation, kBadUsage,
                    "Nothing was changed: give at least one of --text, --exec, --icon, --hot-icon, --status and --menu.");
    if (!checkCustomButton(invocation, prepared->general(), keyName))
        return kRefused;
    // Only the values named change, as in the window after loading the
    // button and editing those fields.
    if (const auto refusal = services::changeButton(prepared->general(), keyName, *given))
        return fail(invocation, kRefused, std::string(services::texts::kNotSaved) + " " + refusal->reason);
    return kDone;
}

int runRemove(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {}, {"--yes"}, 1);
    if (!prepared)
        return kBadUsage;
    const std::string& keyName = prepared->arguments.positionals().front();
    if (!checkCustomButton(invocation, prepared->general(), keyName))
        return kRefused;
    if (!prepared->arguments.flag("--yes")) {
        if (!invocation.inputIsTerminal)
            return fail(invocation, kRefused,
                        std::string(services::texts::kNotDeleted) + " Without a terminal to ask on, give --yes.");
        const std::string text = services::loadButton(prepared->general(), keyName).buttonText;
        invocation.err << "Are you sure you want to delete the button \"" << text << "\" (" << keyName << ")? [y/N] "
                       << std::flush;
        std::string answer;
        std::getline(invocation.in, answer);
        if (answer != "y" && answer != "Y" && answer != "yes" && answer != "Yes")
            return fail(invocation, kRefused, services::texts::kNotDeleted);
    }
    if (const auto problem = services::deleteButton(prepared->general(), keyName))
        return fail(invocation, kRefused, std::string(services::texts::kNotDeleted) + " " + *problem);
    return kDone;
}

} // namespace commands
