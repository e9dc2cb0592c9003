#include "window_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace {

// The window is a program of its own, so that the commands never load the
// window system's libraries: beside this one in a build, under
// libexec/pennant when installed.
std::filesystem::path findWindowProgram()
{
    std::error_code failure;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure)
        return {};
    const std::filesystem::path folder = self.parent_path();
    for (const auto& candidate : {folder / "pennant-window", folder / ".." / "libexec" / "pennant" / "pennant-window"}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

int runWindowProgram(int argc, char* argv[])
{
    (void)argc;
    const std::filesystem::path window = findWindowProgram();
    if (window.empty()) {
        std::cerr << "pennant: The window program (pennant-window) is not installed beside pennant; "
                     "the commands still work (see pennant --help).\n";
        return 2;
    }
    argv[0] = const_cast<char*>(window.c_str());
    ::execv(window.c_str(), argv);
    std::cerr << "pennant: The window program " << window.string() << " cannot be started: " << std::strerror(errno)
              << ".\n";
    return 2;
}
