#pragma once

// The texts about buttons that the window and the command line both show,
// exactly as a person sees them.
namespace services::texts {

// What ReadRegString returns when a value cannot be read; the list shows a
// button whose text cannot be read under it.
inline constexpr char kReadError[] = "Error";

inline constexpr char kKeyNotOpened[] = "Registry key could not be opened.";
// The same for the command line, naming the key.
inline constexpr char kExtensionsKeyNotOpened[] =
    "The key HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions could not be opened.";

// The required fields, checked in this order before anything is written.
inline constexpr char kButtonTextRequired[] = "Button Text Is Required";
inline constexpr char kExecRequired[] = "A URL or Executable Is Required";
inline constexpr char kIconRequired[] = "An Icon Is Required";

inline constexpr char kDeleteQuestion[] = "Are you sure you want to delete this button?";

// Failures: the first sentence says what did not happen, the reason follows.
inline constexpr char kNotSaved[] = "The button was not saved.";
inline constexpr char kNotDeleted[] = "The button was not deleted.";
inline constexpr char kButtonGone[] = "Its registry key no longer exists; another program may have deleted it.";
inline constexpr char kButtonHasSubKeys[] = "Its registry key has sub keys, which Pennant does not delete.";
inline constexpr char kNoFreeKeyName[] = "No unused name could be found for its registry key. Please try again.";

} // namespace services::texts
