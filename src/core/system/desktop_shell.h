#pragma once

#include "core/system/shell.h"

namespace platform {

// The shell on a desktop: links go to the desktop's default handler, and a
// program is started directly as its own detached process. Registry paths
// use backslashes as folder separators; they are read as slashes here.
class DesktopShell final : public Shell {
public:
    bool openLink(const std::string& link) override;
    bool startProgram(const std::string& path) override;
    bool isOrdinaryFile(const std::string& path) override;
};

} // namespace platform
