#pragma once

#include "core/system/dialogs.h"

// The message boxes and the Open dialog of Windows, modal over the window
// that is active when they are shown.
namespace win32 {

class Win32MessageBoxes final : public platform::MessageBoxes {
public:
    platform::MessageAnswer show(const platform::MessageRequest& request) override;
};

class Win32FileDialogs final : public platform::FileDialogs {
public:
    std::optional<std::string> getOpenFileName(const platform::OpenFileRequest& request) override;
};

} // namespace win32
