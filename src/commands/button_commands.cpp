#include "commands/command_arguments.h"
#include "commands/button_commands.h"
#include "commands/command_hive.h"
#include "services/button_record.h"
#include "services/button_store.h"
#include "services/button_texts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <istream>
#include <ostream>

namespace commands {

namespace {

// The options of add and set, one for each field of a button.
struct FieldOption {
    const char* option;
    std::string services::ButtonFields::*field;
};
const FieldOption kFieldOptions[] = {
    {"--text", &services::ButtonFields::buttonText},  {"--exec", &services::ButtonFields::exec},
    {"--icon", &services::ButtonFields::icon},        {"--hot-icon", &services::ButtonFields::hotIcon},
    {"--status", &services::ButtonFields::statusBar}, {"--menu", &services::ButtonFields::toolsMenu},
};

std::vector<std::string> fieldOptionNames()
{
    std::vector<std::string> names;
    for (const FieldOption& option : kFieldOptions)
        names.emplace_back(option.option);
    return names;
}

// Sets the fields whose options were given.
void applyFieldOptions(const CommandArguments& arguments, services::ButtonFields* fields)
{
    for (const FieldOption& option : kFieldOptions) {
        if (auto value = arguments.value(option.option))
            fields->*option.field = *value;
    }
}

void printJson(const Invocation& invocation, const QJsonDocument& document)
{
    invocation.out << document.toJson(QJsonDocument::Indented).toStdString();
}

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
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
    const auto listed = services::listButtons(prepared->general());
    if (!listed) {
        // Damage met on the way is named (the hive is checked only then).
        const std::string damage = prepared->general().registry().failureDetail();
        return fail(invocation, kRefused, damage.empty() ? services::texts::kKeyNotOpened : damage);
    }
    if (prepared->arguments.flag("--json")) {
        QJsonArray array;
        for (const services::ListedButton& button : *listed)
            array.append(QJsonObject{{"key", qt(button.keyName)}, {"text", qt(button.text)}});
        printJson(invocation, QJsonDocument(array));
    } else {
        for (const services::ListedButton& button : *listed)
            invocation.out << button.keyName << '\t' << button.text << '\n';
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
        QJsonObject object;
        for (const auto& [name, text] : values)
            object.insert(qt(name), qt(text));
        printJson(invocation, QJsonDocument(QJsonObject{{"key", qt(keyName)}, {"values", object}}));
    } else {
        for (const auto& [name, text] : values)
            invocation.out << name << ": " << text << '\n';
    }
    return kDone;
}

int runAdd(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, fieldOptionNames(), {"--json"}, 0);
    if (!prepared)
        return kBadUsage;
    services::ButtonFields fields;
    applyFieldOptions(prepared->arguments, &fields);
    std::string keyName;
    if (const auto refusal = services::createButton(prepared->general(), fields, &keyName))
        return fail(invocation, kRefused, std::string(services::texts::kNotSaved) + " " + refusal->reason);
    if (prepared->arguments.flag("--json"))
        printJson(invocation, QJsonDocument(QJsonObject{{"key", qt(keyName)}}));
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
    if (!checkCustomButton(invocation, prepared->general(), keyName))
        return kRefused;
    // The fields start as stored, as in the window after loading the button.
    services::ButtonFields fields = services::loadButton(prepared->general(), keyName);
    applyFieldOptions(prepared->arguments, &fields);
    if (const auto refusal = services::updateButton(prepared->general(), keyName, fields))
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
        invocation.err << services::texts::kDeleteQuestion << " [y/N] " << std::flush;
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
