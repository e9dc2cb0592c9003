#include "editor/button_record.h"
#include "editor/editor_texts.h"
#include "editor/frmmain.h"
#include "services/button_layout.h"
#include "services/general.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <vector>

namespace buttons = services::buttons;
namespace texts = editor::texts;

namespace {

// Far more than any key name needs (255 UTF-16 units, at most 765 bytes of
// UTF-8); only a broken store keeps asking for more.
constexpr std::size_t kLongestKeyNameBytes = 64 * 1024;

} // namespace

void frmMain::ListButtons(const QString& rootKey, const QString& subKeyPath)
{
    const auto root = static_cast<platform::HKEY>(rootKey.toInt());
    platform::Registry& registry = general_.registry();
    platform::HKEY key = 0;
    if (registry.openKey(root, subKeyPath.toStdString(), platform::kKeyEnumerateSubKeys, &key) != platform::kSuccess) {
        tell(texts::kKeyNotOpened);
        return;
    }
    // Room for 255 one-byte characters; a longer name grows the buffer.
    std::vector<char> name(256);
    for (std::uint32_t index = 0;;) {
        auto length = static_cast<std::uint32_t>(name.size());
        const platform::LSTATUS status = registry.enumKey(key, index, name.data(), &length);
        if (status == platform::kMoreData && name.size() < kLongestKeyNameBytes) {
            name.resize(name.size() * 2);
            continue;
        }
        if (status != platform::kSuccess)
            break;
        addListedButton(std::string(name.data(), length));
        ++index;
    }
    registry.closeKey(key);
}

void frmMain::addListedButton(const std::string& keyName)
{
    const std::string text = general_.ReadRegString(editor::buttonKeyPath(keyName), buttons::kButtonText);
    const QString shown = throughScratchField(QString::fromStdString(text));
    // The browser's own buttons name its resource library in their text.
    if (shown.contains(QString::fromUtf8(buttons::kStockLibraryMarker), Qt::CaseInsensitive))
        return;
    cmbButtons->addItem(shown);
    cmbCLS->addItem(QString::fromStdString(keyName));
}

QString frmMain::throughScratchField(const QString& text)
{
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    txtFix->setText(zero < 0 ? text : text.left(zero));
    return txtFix->text();
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
    const char* const valueNames[] = {buttons::kButtonText, buttons::kExec,          buttons::kIcon,
                                      buttons::kHotIcon,    buttons::kMenuStatusBar, buttons::kMenuText};
    const std::string path = editor::buttonKeyPath(*keyName);
    std::array<std::string, 6> read;
    for (std::size_t i = 0; i < read.size(); ++i)
        read[i] = general_.ReadRegString(path, valueNames[i]);
    // A value that cannot be read empties its field, so that no text of the
    // button shown before stays behind to be saved into this one.
    const std::array<QLineEdit*, 6> fields = editorFields();
    for (std::size_t i = 0; i < read.size(); ++i)
        fields[i]->setText(read[i] == texts::kReadError ? QString() : QString::fromStdString(read[i]));
}
