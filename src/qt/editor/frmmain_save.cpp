#include "qt/editor/editor_texts.h"
#include "qt/editor/frmmain.h"
#include "core/services/button_layout.h"
#include "core/services/button_store.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"

#include <QComboBox>

namespace texts = editor::texts;

void frmMain::cmdSave_Click()
{
    // Every required field is checked before anything is written, so a
    // refused save leaves no empty key and no half-changed record behind.
    const services::ButtonFields fields = typedFields();
    if (const char* missing = services::missingFieldMessage(fields)) {
        tell(missing, texts::kMissingValueTitle);
        return;
    }
    const bool createNew = cmbButtons->currentText() == QString::fromUtf8(texts::kCreateNew);
    const std::optional<std::string> keyName = selectedKeyName();
    if (!createNew && !keyName) {
        tell(texts::kNothingSelected);
        return;
    }
    std::string createdKey;
    const std::optional<services::SaveRefusal> refusal = createNew
                                                             ? services::createButton(general_, fields, &createdKey)
                                                             : services::updateButton(general_, *keyName, fields);
    if (refusal)
        tell(std::string(services::texts::kNotSaved) + " " + refusal->reason);
    else
        tell(createNew ? texts::kButtonCreated : texts::kButtonUpdated);
    // Other refusals keep the typed fields for another try; a button whose
    // key is gone cannot be saved again, and the list must stop offering it.
    if (!refusal || refusal->keyGone)
        resetEditor(services::General::RootKeyFromName(services::buttons::kRootName),
                    createNew ? createdKey : *keyName);
}
