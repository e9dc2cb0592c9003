#pragma once

// Where the browser looks for its custom toolbar buttons, and the values of
// one button key.
namespace services::buttons {

inline constexpr char kRootName[] = "HKEY_LOCAL_MACHINE";
inline constexpr char kExtensionsPath[] = "Software\\Microsoft\\Internet Explorer\\Extensions";

inline constexpr char kButtonText[] = "ButtonText";
inline constexpr char kExec[] = "Exec";
inline constexpr char kIcon[] = "Icon";
inline constexpr char kHotIcon[] = "HotIcon";
inline constexpr char kMenuStatusBar[] = "MenuStatusBar";
inline constexpr char kMenuText[] = "MenuText";
inline constexpr char kClsid[] = "ClSID";
inline constexpr char kDefaultVisible[] = "Default Visible";

inline constexpr char kClsidText[] = "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";
inline constexpr char kDefaultVisibleText[] = "Yes";

// Buttons whose caption refers to the browser's own resource library are
// the browser's, not the user's: they are never listed.
inline constexpr char kStockLibraryMarker[] = "shdoclc";

} // namespace services::buttons
