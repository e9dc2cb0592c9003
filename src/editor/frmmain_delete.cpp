#include "editor/button_record.h"
#include "editor/editor_texts.h"
#include "editor/frmmain.h"
#include "services/button_layout.h"
#include "services/general.h"
#include "services/registry_errors.h"

namespace texts = editor::texts;

void frmMain::cmdDelete_Click()
{
    const std::optional<std::string> keyName = selectedKeyName();
    if (!keyName) {
        tell(texts::kNothingSelected);
        return;
    }
    const platform::MessageAnswer answer = general_.messages().show(
        {texts::kDeleteQuestion, texts::kDeleteTitle, platform::MessageButtons::YesNo, platform::MessageAnswer::Yes});
    if (answer != platform::MessageAnswer::Yes)
        return;

    const platform::HKEY root = services::General::RootKeyFromName(services::buttons::kRootName);
    platform::Registry& registry = general_.registry();
    platform::LSTATUS status = registry.deleteKey(root, editor::buttonSubKeyPath(*keyName));
    // A key that is already gone is what the user asked for.
    if (status == platform::kSuccess || status == platform::kFileNotFound)
        status = registry.flush();
    if (status != platform::kSuccess) {
        registry.discardChanges();
        tell(std::string(texts::kNotDeleted) + " " + services::describeRegistryError(registry, status));
        return;
    }
    resetEditor(root);
}
