#include "editor/button_record.h"
#include "editor/editor_texts.h"
#include "editor/frmmain.h"
#include "services/button_layout.h"
#include "services/general.h"

#include <QComboBox>

namespace texts = editor::texts;

namespace {

std::optional<std::string> createButton(services::General& general, const editor::ButtonFields& fields)
{
    std::string keyPath;
    if (auto problem = editor::createButtonKey(general, &keyPath))
        return problem;
    if (auto problem = editor::writeButtonValues(general, keyPath, fields, editor::RecordKind::New))
        return problem;
    return editor::commitChanges(general);
}

std::optional<std::string> updateButton(services::General& general, const std::string& keyName,
                                        const editor::ButtonFields& fields)
{
    const std::string keyPath = editor::buttonKeyPath(keyName);
    if (auto problem = editor::writeButtonValues(general, keyPath, fields, editor::RecordKind::Existing))
        return problem;
    return editor::commitChanges(general);
}

} // namespace

void frmMain::cmdSave_Click()
{
    // Every required field is checked before anything is written, so a
    // refused save leaves no empty key and no half-changed record behind.
    const editor::ButtonFields fields = typedFields();
    if (const char* missing = editor::missingFieldMessage(fields)) {
        tell(missing, texts::kMissingValueTitle);
        return;
    }
    const bool createNew = cmbButtons->currentText() == QString::fromUtf8(texts::kCreateNew);
    const std::optional<std::string> keyName = selectedKeyName();
    if (!createNew && !keyName) {
        tell(texts::kNothingSelected);
        return;
    }
    const std::optional<std::string> problem =
        createNew ? createButton(general_, fields) : updateButton(general_, *keyName, fields);
    if (problem) {
        // Nothing of the failed save may reach the disk with a later one.
        general_.registry().discardChanges();
        tell(std::string(texts::kNotSaved) + " " + *problem);
        return;
    }
    tell(createNew ? texts::kButtonCreated : texts::kButtonUpdated);
    resetEditor(services::General::RootKeyFromName(services::buttons::kRootName));
}
