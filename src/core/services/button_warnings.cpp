#include "core/services/button_warnings.h"

#include "core/registry/registry.h"
#include "core/registry/registry_names.h"
#include "core/services/button_layout.h"
#include "core/services/button_record.h"
#include "core/services/button_store.h"

#include <algorithm>

namespace services {

namespace {

constexpr char kClsidExtension[] = "ClsidExtension";

const RegValue* findValue(const std::vector<RegValue>& values, const char* name)
{
    const auto found = std::find_if(values.begin(), values.end(),
                                    [name](const RegValue& value) { return platform::sameName(value.name, name); });
    return found != values.end() ? &*found : nullptr;
}

bool isText(const RegValue& value)
{
    return value.type == platform::kRegSz || value.type == platform::kRegExpandSz;
}

// The text as the window reads it: up to its first zero.
std::string textOf(const RegValue& value)
{
    const auto zero = std::find(value.data.begin(), value.data.end(), std::uint8_t(0));
    return std::string(value.data.begin(), zero);
}

bool sameText(const RegValue* value, const char* text)
{
    return value != nullptr && isText(*value) && platform::sameName(textOf(*value), text);
}

} // namespace

std::vector<std::string> buttonWarnings(const std::vector<RegValue>& values)
{
    std::vector<std::string> warnings;
    const RegValue* buttonText = findValue(values, buttons::kButtonText);
    if (buttonText == nullptr)
        warnings.emplace_back("It has no \"ButtonText\", so the window lists it as \"Error\".");
    else if (isText(*buttonText) && isStockButton(textOf(*buttonText)))
        warnings.emplace_back("Its \"ButtonText\" names the browser's resource library, so the window does not list it.");
    for (const FieldValue& field : kFieldValues) {
        const RegValue* value = findValue(values, field.valueName);
        if (value != nullptr && !isText(*value))
            warnings.push_back(std::string("Its \"") + field.valueName +
                               "\" is not a string, which the window can neither show nor save.");
    }
    std::vector<std::string> missing;
    for (const char* required : {buttons::kButtonText, buttons::kExec, buttons::kIcon}) {
        const RegValue* value = findValue(values, required);
        if (value == nullptr || (isText(*value) && textOf(*value).empty()))
            missing.push_back(std::string("\"") + required + "\"");
    }
    if (!missing.empty()) {
        std::string names = missing.front();
        for (std::size_t i = 1; i < missing.size(); ++i)
            names += (i + 1 == missing.size() ? " and " : ", ") + missing[i];
        warnings.push_back("It has no " + names + " (or " + (missing.size() == 1 ? "an empty one" : "empty ones") +
                           "), so the window cannot save it until " + (missing.size() == 1 ? "one is" : "they are") +
                           " given.");
    }
    if (findValue(values, kClsidExtension) != nullptr)
        warnings.emplace_back("It is an add-on entry (it has \"ClsidExtension\"), which the window does not edit.");
    else if (!sameText(findValue(values, buttons::kClsid), buttons::kClsidText))
        warnings.push_back(std::string("Its \"ClSID\" is not ") + buttons::kClsidText +
                           ", so the browser does not take it for a toolbar button.");
    const RegValue* visible = findValue(values, buttons::kDefaultVisible);
    if (visible != nullptr && !sameText(visible, buttons::kDefaultVisibleText))
        warnings.emplace_back("Its \"Default Visible\" is not \"Yes\", so the browser shows it only once it is added "
                              "to the toolbar by hand.");
    return warnings;
}

} // namespace services
