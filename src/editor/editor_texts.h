#pragma once

// The texts the editor shows and compares, exactly as the user sees them.
namespace editor::texts {

inline constexpr char kCaption[] = "Larkspur's Pennant";

// The first entry of both lists; picking it (by its text) starts a new button.
inline constexpr char kCreateNew[] = "Create New...";
inline constexpr char kPrompt[] = "Select Button To Modify or Select 'Create New...'";
// What the registry procedures return when a value cannot be read.
inline constexpr char kReadError[] = "Error";

inline constexpr char kKeyNotOpened[] = "Registry key could not be opened.";

inline constexpr char kMissingValueTitle[] = "Missing Value";
inline constexpr char kButtonTextRequired[] = "Button Text Is Required";
inline constexpr char kExecRequired[] = "A URL or Executable Is Required";
inline constexpr char kIconRequired[] = "An Icon Is Required";

inline constexpr char kButtonUpdated[] = "Button Updated!";
inline constexpr char kButtonCreated[] = "Button Created!\r\n"
                                         "Restart IE, if Icon doesn't appear\r\n"
                                         "right-click on the IE toolbar, select 'Customize'\r\n"
                                         "and add your custom button to the list";

inline constexpr char kDeleteQuestion[] = "Are you sure you want to delete this button?";
inline constexpr char kDeleteTitle[] = "Delete Button?";

// Failures: the first sentence says what did not happen, the reason follows.
inline constexpr char kNotSaved[] = "The button was not saved.";
inline constexpr char kNotDeleted[] = "The button was not deleted.";
inline constexpr char kNothingSelected[] =
    "No button is selected in the list. Pick the button you want to change from the list first.";
inline constexpr char kButtonGone[] = "Its registry key no longer exists; another program may have deleted it.";
inline constexpr char kNoFreeKeyName[] = "No unused name could be found for its registry key. Please try again.";

// Picker titles and filters ("description|patterns|...", patterns separated by ";").
inline constexpr char kExecPickerTitle[] = "Select Executable For Button To Run";
inline constexpr char kIconPickerTitle[] = "Select Icon For Button";
inline constexpr char kHotIconPickerTitle[] = "Select Mouse Over Icon For Button";
inline constexpr char kExecutableFilter[] = "Executables (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|All Files (*.*)|*.*";
inline constexpr char kIconFilter[] = "Icons (*.ico)|*.ico|All Files (*.*)|*.*";

} // namespace editor::texts
