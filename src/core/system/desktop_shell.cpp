#include "core/system/desktop_shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

namespace {

std::string withSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Runs file with one optional argument as a process of its own that outlives
// this one (a grandchild, so no zombie is left), never through a command
// interpreter. True once the program itself has started: a failed exec is
// reported back through a pipe that closes on a successful one.
bool spawnDetached(const std::string& file, const std::string& argument, bool searchPath)
{
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        char* arguments[] = {const_cast<char*>(file.c_str()),
                             argument.empty() ? nullptr : const_cast<char*>(argument.c_str()), nullptr};
        if (searchPath)
            ::execvp(file.c_str(), arguments);
        else
            ::execv(file.c_str(), arguments);
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return got == 0;
}

} // namespace

bool DesktopShell::openLink(const std::string& link)
{
    // The desktop's own opener hands the link to the user's browser or mail program.
    return !link.empty() && spawnDetached("xdg-open", link, true);
}

bool DesktopShell::startProgram(const std::string& path)
{
    return !path.empty() && spawnDetached(withSlashes(path), {}, false);
}

bool DesktopShell::isOrdinaryFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(withSlashes(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace platform
