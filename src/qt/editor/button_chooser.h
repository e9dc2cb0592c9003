#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

namespace editor {

// Makes combo a drop-down list with an editable text area that only ever
// shows text: an entry is chosen from the list alone. Typing neither adds
// an entry, nor completes, nor picks an entry whose text it matches (on
// Enter or when the focus leaves); it leaves no entry selected and keeps
// the typed text.
void makeChooser(QComboBox& combo);

// Adds texts after the last entry of a combo box made by makeChooser, in
// one step.
void appendChoices(QComboBox& combo, const QStringList& texts);

// Shows text in the text area with no entry selected.
void showUnselectedText(QComboBox& combo, const QString& text);

} // namespace editor
