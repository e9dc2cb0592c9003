#include "core/services/button_record.h"

#include "core/registry/registry_names.h"
#include "core/services/button_layout.h"
#include "core/services/button_texts.h"

namespace services {

const std::array<FieldValue, 6> kFieldValues = {{
    {buttons::kButtonText, &ButtonFields::buttonText},
    {buttons::kExec, &ButtonFields::exec},
    {buttons::kIcon, &ButtonFields::icon},
    {buttons::kHotIcon, &ButtonFields::hotIcon},
    {buttons::kMenuStatusBar, &ButtonFields::statusBar},
    {buttons::kMenuText, &ButtonFields::toolsMenu},
}};

std::string buttonSubKeyPath(const std::string& keyName)
{
    return std::string(buttons::kExtensionsPath) + "\\" + keyName;
}

std::string buttonKeyPath(const std::string& keyName)
{
    return std::string(buttons::kRootName) + "\\" + buttonSubKeyPath(keyName);
}

const char* missingFieldMessage(const ButtonFields& fields)
{
    if (fields.buttonText.empty())
        return texts::kButtonTextRequired;
    if (fields.exec.empty())
        return texts::kExecRequired;
    if (fields.icon.empty())
        return texts::kIconRequired;
    return nullptr;
}

} // namespace services
