#pragma once

#include "core/services/button_record.h"
#include "core/services/button_store.h"

#include <string>
#include <vector>

namespace editor {

// What the editor model needs of a window: the button chooser (the visible
// list of texts and the hidden list of key names, kept in step), the six
// editor fields, the Save and Delete commands and the window's file dialog.
class EditorView {
public:
    virtual ~EditorView() = default;

    // The text the chooser's text area shows, and the selected entry's
    // position (-1 when none is selected).
    virtual std::string chooserText() const = 0;
    virtual int chooserIndex() const = 0;
    // Empties both lists.
    virtual void clearChooser() = 0;
    // Appends each entry's text to the visible list and its key name to the
    // hidden one, in one step.
    virtual void appendChoices(const std::vector<services::ListedButton>& entries) = 0;
    // Shows text in the text area with no entry selected.
    virtual void showUnselected(const std::string& text) = 0;

    virtual services::ButtonFields fields() const = 0;
    // Sets the six fields in window order.
    virtual void setFields(const services::ButtonFields& fields) = 0;
    virtual void setField(std::string services::ButtonFields::*field, const std::string& text) = 0;

    virtual void enableSave(bool enabled) = 0;
    virtual void enableDelete(bool enabled) = 0;

    // Shows the window's Open dialog with an empty file name box; the chosen
    // file's full path, or the empty text when the user cancelled.
    virtual std::string pickFile(const std::string& title, const std::string& filter) = 0;
};

} // namespace editor
