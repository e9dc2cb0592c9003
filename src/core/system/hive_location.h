#pragma once

#include <string>

namespace platform {

// $XDG_DATA_HOME/pennant/SOFTWARE, or ~/.local/share/pennant/SOFTWARE when
// XDG_DATA_HOME is unset or not absolute.
std::string defaultHivePath();

// The full path of a system-information program installed on this machine,
// or the empty text when there is none.
std::string findSystemInformationProgram();

} // namespace platform
