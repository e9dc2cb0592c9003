#pragma once

// The About window's fixed texts, exactly as a person sees them.
namespace about::texts {

inline constexpr char kCaption[] = "About Larkspur's Pennant";
inline constexpr char kTitle[] = "Larkspur's Pennant \u00A9 Larkspur";
inline constexpr char kDescription[] =
    "Use Pennant to edit, create, and delete custom buttons on the Toolbar of Internet Explorer 5.0+.  "
    "If you are using Windows 200X/XP you must be a local administrator to use this program.";
inline constexpr char kDisclaimer[] =
    "This product is provided as is and by using this product you agree to hold no one responsible for "
    "anything.  Basically, if the program screws up, its not our fault and we are not to be held liable.";

} // namespace about::texts
