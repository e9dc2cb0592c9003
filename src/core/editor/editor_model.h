#pragma once

#include "core/editor/editor_view.h"
#include "core/registry/registry.h"
#include "core/services/button_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace services {
class General;
}

namespace editor {

// What the main window does, whatever draws it: the handlers of its
// controls, under their names, over a view that shows the result.
class EditorModel {
public:
    EditorModel(services::General& general, EditorView& view);

    EditorModel(const EditorModel&) = delete;
    EditorModel& operator=(const EditorModel&) = delete;

    void Form_Load();
    // Appends one entry per listed button key below rootKey (a root handle
    // as signed decimal text) and subKeyPath to both lists.
    void ListButtons(const std::string& rootKey, const std::string& subKeyPath);
    void cmbButtons_Click();
    void LoadSelectedButton();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdExecBrowse_Click();
    void cmdIconBrowse_Click();
    void cmdMOBrowse_Click();
    void lblweb_Click();

private:
    // Appends "Create New..." and the listed buttons to the emptied lists,
    // then shows the prompt with no entry selected.
    void fillLists(platform::HKEY root);
    void appendCreateEntry();
    // After a save or delete of the button changedKey: empty fields, and the
    // lists as the registry holds them now. Only that button's text is read
    // again, unless another process saved since the lists were filled.
    void resetEditor(platform::HKEY root, const std::string& changedKey);
    void showListed(std::optional<std::vector<services::ListedButton>> listed);
    // The selected button's key name; nothing when no button entry is
    // selected (the user typed over the list's text, or the create entry).
    std::optional<std::string> selectedKeyName() const;
    bool createEntryChosen() const;

    void browseInto(std::string services::ButtonFields::*field, const char* title, const char* filter);
    void tell(const std::string& text, const std::string& title);
    void tell(const std::string& text);

    services::General& general_;
    EditorView& view_;
    // The buttons the lists show after the create entry, in list order.
    std::vector<services::ListedButton> listed_;
    // The registry's count of outside changes when the lists were filled.
    std::optional<std::uint64_t> listedAt_;
};

} // namespace editor
