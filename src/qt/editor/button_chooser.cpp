#include "qt/editor/button_chooser.h"
#include "qt/editor/chooser_entries.h"

#include <QComboBox>
#include <QLineEdit>

namespace editor {

void makeChooser(QComboBox& combo)
{
    combo.setModel(new ChooserEntries(&combo));
    combo.setEditable(true);
    combo.setInsertPolicy(QComboBox::NoInsert);
    combo.setCompleter(nullptr);
    QLineEdit* edit = combo.lineEdit();
    // Left connected, the combo box would pick the entry matching the typed
    // text when Enter is pressed or the focus leaves.
    QObject::disconnect(edit, &QLineEdit::editingFinished, &combo, nullptr);
    QObject::connect(edit, &QLineEdit::textEdited, &combo, [&combo, edit](const QString& typed) {
        if (combo.currentIndex() < 0)
            return;
        const int cursor = edit->cursorPosition();
        showUnselectedText(combo, typed);
        edit->setCursorPosition(cursor);
    });
}

void showUnselectedText(QComboBox& combo, const QString& text)
{
    combo.setCurrentIndex(-1);
    combo.setEditText(text);
}

void appendChoices(QComboBox& combo, const QStringList& texts)
{
    static_cast<ChooserEntries*>(combo.model())->append(texts);
}

} // namespace editor
