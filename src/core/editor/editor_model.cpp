#include "core/editor/editor_model.h"

#include "core/editor/editor_texts.h"
#include "core/services/button_layout.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"
#include "resources/version.h"

#include <charconv>

namespace editor {

using services::ButtonFields;

EditorModel::EditorModel(services::General& general, EditorView& view) : general_(general), view_(view) {}

void EditorModel::Form_Load()
{
    fillLists(services::General::RootKeyFromName(services::buttons::kRootName));
}

void EditorModel::fillLists(platform::HKEY root)
{
    listedAt_ = general_.registry().outsideChanges();
    appendCreateEntry();
    ListButtons(std::to_string(static_cast<std::int32_t>(root)), services::buttons::kExtensionsPath);
    // Adding the first entry may have selected it; nothing is chosen until the user picks.
    view_.showUnselected(texts::kPrompt);
}

void EditorModel::appendCreateEntry()
{
    view_.appendChoices({{texts::kCreateNew, texts::kCreateNew}});
}

void EditorModel::ListButtons(const std::string& rootKey, const std::string& subKeyPath)
{
    std::int32_t root = 0;
    std::from_chars(rootKey.data(), rootKey.data() + rootKey.size(), root);
    showListed(services::listButtons(general_, static_cast<platform::HKEY>(root), subKeyPath));
}

void EditorModel::showListed(std::optional<std::vector<services::ListedButton>> listed)
{
    if (!listed) {
        tell(services::texts::kKeyNotOpened);
        return;
    }
    view_.appendChoices(*listed);
    listed_.insert(listed_.end(), std::make_move_iterator(listed->begin()), std::make_move_iterator(listed->end()));
}

void EditorModel::resetEditor(platform::HKEY root, const std::string& changedKey)
{
    const auto outside = general_.registry().outsideChanges();
    const bool listCurrent = outside && outside == listedAt_;
    std::vector<services::ListedButton> previous;
    if (listCurrent)
        previous.swap(listed_);
    listed_.clear();
    view_.clearChooser();
    view_.setFields({});
    view_.enableSave(false);
    view_.enableDelete(false);
    if (!listCurrent) {
        fillLists(root);
        return;
    }
    appendCreateEntry();
    showListed(
        services::listButtonsAfterChange(general_, root, services::buttons::kExtensionsPath, previous, changedKey));
    view_.showUnselected(texts::kPrompt);
}

std::optional<std::string> EditorModel::selectedKeyName() const
{
    const int index = view_.chooserIndex();
    if (index <= 0 || static_cast<std::size_t>(index) > listed_.size())
        return std::nullopt;
    return listed_[static_cast<std::size_t>(index) - 1].keyName;
}

// Decided by the text, so an entry whose button text reads "Create New..."
// acts as the create entry.
bool EditorModel::createEntryChosen() const
{
    return view_.chooserText() == texts::kCreateNew;
}

void EditorModel::cmbButtons_Click()
{
    const bool createNew = createEntryChosen();
    if (createNew)
        view_.setFields({});
    else
        LoadSelectedButton();
    view_.enableSave(true);
    view_.enableDelete(!createNew);
}

void EditorModel::LoadSelectedButton()
{
    const std::optional<std::string> keyName = selectedKeyName();
    if (!keyName)
        return;
    // A value that cannot be read empties its field, so that no text of the
    // button shown before stays behind to be saved into this one. A field
    // holds a text only up to its first zero character, as the list does:
    // what is shown is what a save writes back.
    ButtonFields read = services::loadButton(general_, *keyName);
    for (const services::FieldValue& value : services::kFieldValues)
        read.*value.field = services::textBeforeZero(read.*value.field);
    view_.setFields(read);
}

void EditorModel::cmdSave_Click()
{
    // Every required field is checked before anything is written, so a
    // refused save leaves no empty key and no half-changed record behind.
    const ButtonFields fields = view_.fields();
    if (const char* missing = services::missingFieldMessage(fields)) {
        tell(missing, texts::kMissingValueTitle);
        return;
    }
    const bool createNew = createEntryChosen();
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

void EditorModel::cmdDelete_Click()
{
    const std::optional<std::string> keyName = selectedKeyName();
    if (!keyName) {
        tell(texts::kNothingSelected);
        return;
    }
    const platform::MessageAnswer answer =
        general_.messages().show({services::texts::kDeleteQuestion, texts::kDeleteTitle,
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

void EditorModel::cmdExecBrowse_Click()
{
    browseInto(&ButtonFields::exec, texts::kExecPickerTitle, texts::kExecutableFilter);
}

void EditorModel::cmdIconBrowse_Click()
{
    browseInto(&ButtonFields::icon, texts::kIconPickerTitle, texts::kIconFilter);
}

void EditorModel::cmdMOBrowse_Click()
{
    browseInto(&ButtonFields::hotIcon, texts::kHotIconPickerTitle, texts::kIconFilter);
}

void EditorModel::browseInto(std::string ButtonFields::*field, const char* title, const char* filter)
{
    // A cancel leaves the field as it was.
    const std::string chosen = view_.pickFile(title, filter);
    if (!chosen.empty())
        view_.setField(field, chosen);
}

void EditorModel::lblweb_Click()
{
    general_.OpenWebPage();
}

void EditorModel::tell(const std::string& text, const std::string& title)
{
    general_.messages().show({text, title, platform::MessageButtons::Ok, platform::MessageAnswer::Ok});
}

void EditorModel::tell(const std::string& text)
{
    tell(text, resources::kProgramTitle);
}

} // namespace editor
