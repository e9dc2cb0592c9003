#pragma once

#include <optional>
#include <string>
#include <vector>

// Modal message boxes and the file-open dialog, behind interfaces so that
// windows never show them directly and tests can answer them.
namespace platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    std::string text;
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    // With YesNo: the button that Enter presses.
    MessageAnswer defaultButton = MessageAnswer::Yes;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box without an icon and returns the button chosen.
    virtual MessageAnswer show(const MessageRequest& request) = 0;
};

// One choice of the file dialog's type list.
struct FileFilter {
    std::string description;           // "Icons (*.ico)"
    std::vector<std::string> patterns; // {"*.ico"}; "*.*" means every file
};

struct OpenFileRequest {
    std::string title;
    std::vector<FileFilter> filters; // the first is offered first
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Shows a modal Open dialog; the chosen file's full path, or nothing
    // when the user cancelled.
    virtual std::optional<std::string> getOpenFileName(const OpenFileRequest& request) = 0;
};

} // namespace platform
