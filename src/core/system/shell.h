#pragma once

#include <string>

// What the desktop does for the program: open links with their default
// handler, start a program, and tell whether an ordinary file exists.
namespace platform {

class Shell {
public:
    virtual ~Shell() = default;

    // Hands a link (web page, mailto:) to the desktop's default handler.
    virtual bool openLink(const std::string& link) = 0;

    // Starts the program at path, with no arguments and never through a
    // command interpreter. False when it cannot be started.
    virtual bool startProgram(const std::string& path) = 0;

    // True only for an ordinary file: not a folder, device, socket or pipe.
    virtual bool isOrdinaryFile(const std::string& path) = 0;
};

} // namespace platform
