#include "services/button_record.h"

#include "services/button_layout.h"
#include "services/button_texts.h"

namespace services {

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
