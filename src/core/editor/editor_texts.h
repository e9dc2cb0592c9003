#pragma once

// The texts only the editor windows show and compare, exactly as the user
// sees them; those about buttons in general are in services/button_texts.h.
namespace editor::texts {

inline constexpr char kCaption[] = "Larkspur's Pennant";

// The first entry of both lists; picking it (by its text) starts a new button.
inline constexpr char kCreateNew[] = "Create New...";
inline constexpr char kPrompt[] = "Select Button To Modify or Select 'Create New...'";

inline constexpr char kMissingValueTitle[] = "Missing Value";

inline constexpr char kButtonUpdated[] = "Button Updated!";
inline constexpr char kButtonCreated[] = "Button Created!\r\n"
                                         "Restart IE, if Icon doesn't appear\r\n"
                                         "right-click on the IE toolbar, select 'Customize'\r\n"
                                         "and add your custom button to the list";

inline constexpr char kDeleteTitle[] = "Delete Button?";

inline constexpr char kNothingSelected[] =
    "No button is selected in the list. Pick the button you want to change from the list first.";

// Picker titles and filters ("description|patterns|...", patterns separated by ";").
inline constexpr char kExecPickerTitle[] = "Select Executable For Button To Run";
inline constexpr char kIconPickerTitle[] = "Select Icon For Button";
inline constexpr char kHotIconPickerTitle[] = "Select Mouse Over Icon For Button";
inline constexpr char kExecutableFilter[] = "Executables (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|All Files (*.*)|*.*";
inline constexpr char kIconFilter[] = "Icons (*.ico)|*.ico|All Files (*.*)|*.*";

} // namespace editor::texts
