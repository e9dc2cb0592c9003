#include "qt/editor/editor_texts.h"
#include "qt/editor/frmmain.h"
#include "core/services/button_layout.h"
#include "core/services/button_store.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"

void frmMain::cmdDelete_Click()
{
    const std::optional<std::string> keyName = selectedKeyName();
    if (!keyName) {
        tell(editor::texts::kNothingSelected);
        return;
    }
    const platform::MessageAnswer answer =
        general_.messages().show({services::texts::kDeleteQuestion, editor::texts::kDeleteTitle,
                                  platform::MessageButtons::YesNo, platform::MessageAnswer::Yes});
    if (answer != platform::MessageAnswer::Yes)
        return;

    const platform::HKEY root = services::General::RootKeyFromName(services::buttons::kRootName);
    if (const auto problem = services::deleteButton(general_, *keyName)) {
        tell(std::string(services::texts::kNotDeleted) + " " + *problem);
        return;
    }
    resetEditor(root, *keyName);
}
