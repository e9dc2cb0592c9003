#include "editor/button_record.h"

#include "editor/editor_texts.h"
#include "services/button_layout.h"
#include "services/general.h"
#include "services/registry_errors.h"

#include <utility>
#include <vector>

namespace editor {

namespace buttons = services::buttons;
using platform::LSTATUS;

namespace {

// Identifiers are random; a clash with an existing key is drawn again, a
// few times at most.
constexpr int kKeyNameAttempts = 10;

std::optional<std::string> failure(services::General& general, LSTATUS status)
{
    if (status == platform::kSuccess)
        return std::nullopt;
    return services::describeRegistryError(general.registry(), status);
}

} // namespace

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

std::optional<std::string> createButtonKey(services::General& general, std::string* keyPath)
{
    for (int attempt = 0; attempt < kKeyNameAttempts; ++attempt) {
        *keyPath = buttonKeyPath("{" + general.NewButtonId() + "}");
        bool created = false;
        const LSTATUS status = general.CreateRegKey(*keyPath, &created);
        if (status != platform::kSuccess || created)
            return failure(general, status);
    }
    return std::string(texts::kNoFreeKeyName);
}

std::optional<std::string> writeButtonValues(services::General& general, const std::string& keyPath,
                                             const ButtonFields& fields, RecordKind kind)
{
    std::vector<std::pair<const char*, std::string>> values = {
        {buttons::kButtonText, fields.buttonText},
        {buttons::kExec, fields.exec},
        {buttons::kIcon, fields.icon},
        {buttons::kHotIcon, fields.hotIcon.empty() ? fields.icon : fields.hotIcon},
    };
    if (!fields.statusBar.empty())
        values.emplace_back(buttons::kMenuStatusBar, fields.statusBar);
    if (!fields.toolsMenu.empty())
        values.emplace_back(buttons::kMenuText, fields.toolsMenu);
    if (kind == RecordKind::New) {
        values.emplace_back(buttons::kClsid, buttons::kClsidText);
        values.emplace_back(buttons::kDefaultVisible, buttons::kDefaultVisibleText);
    }
    for (const auto& [name, text] : values) {
        const LSTATUS status = general.WriteRegString(keyPath, name, text);
        // The key is opened afresh for every value; missing means it is gone.
        if (status == platform::kFileNotFound)
            return std::string(texts::kButtonGone);
        if (status != platform::kSuccess)
            return failure(general, status);
    }
    return std::nullopt;
}

std::optional<std::string> commitChanges(services::General& general)
{
    return failure(general, general.registry().flush());
}

} // namespace editor
