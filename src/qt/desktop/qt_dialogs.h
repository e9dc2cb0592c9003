#pragma once

#include "core/system/dialogs.h"

class QWidget;

namespace platform {

// Message boxes and the Open dialog as real Qt dialogs, modal over the
// active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer show(const MessageRequest& request) override;
};

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> getOpenFileName(const OpenFileRequest& request) override;
};

} // namespace platform
