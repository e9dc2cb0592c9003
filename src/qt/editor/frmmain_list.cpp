#include "qt/editor/button_chooser.h"
#include "qt/editor/editor_texts.h"
#include "qt/editor/frmmain.h"
#include "core/services/button_store.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace texts = editor::texts;

void frmMain::ListButtons(const QString& rootKey, const QString& subKeyPath)
{
    const auto root = static_cast<platform::HKEY>(rootKey.toInt());
    showListed(services::listButtons(general_, root, subKeyPath.toStdString()));
}

void frmMain::showListed(const std::optional<std::vector<services::ListedButton>>& listed)
{
    if (!listed) {
        tell(services::texts::kKeyNotOpened);
        return;
    }
    // The listing already cut each text at its first zero character, as
    // the scratch field would; it is given only the last text, which it
    // would hold after the whole list had passed through it.
    QStringList texts;
    QStringList keyNames;
    texts.reserve(static_cast<qsizetype>(listed->size()));
    keyNames.reserve(static_cast<qsizetype>(listed->size()));
    for (const services::ListedButton& button : *listed) {
        texts.append(QString::fromStdString(button.text));
        keyNames.append(QString::fromStdString(button.keyName));
    }
    if (!texts.isEmpty())
        txtFix->setText(texts.back());
    editor::appendChoices(*cmbButtons, texts);
    editor::appendChoices(*cmbCLS, keyNames);
}

void frmMain::cmbButtons_Click()
{
    // Decided by the text, so an entry whose button text reads
    // "Create New..." acts as the create entry.
    const bool createNew = cmbButtons->currentText() == QString::fromUtf8(texts::kCreateNew);
    if (createNew)
        clearEditorFields();
    else
        LoadSelectedButton();
    cmdSave->setEnabled(true);
    cmdDelete->setEnabled(!createNew);
}

void frmMain::LoadSelectedButton()
{
    const std::optional<std::string> keyName = selectedKeyName();
    if (!keyName)
        return;
    // A value that cannot be read empties its field, so that no text of the
    // button shown before stays behind to be saved into this one. A field
    // holds a text only up to its first zero character, as the list does:
    // what is shown is what a save writes back.
    const services::ButtonFields read = services::loadButton(general_, *keyName);
    const std::array<const std::string*, 6> texts = {&read.buttonText, &read.exec,      &read.icon,
                                                     &read.hotIcon,    &read.statusBar, &read.toolsMenu};
    const std::array<QLineEdit*, 6> fields = editorFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->setText(QString::fromStdString(services::textBeforeZero(*texts[i])));
}
