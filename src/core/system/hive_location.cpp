#include "core/system/hive_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace platform {

namespace {

// The first executable file of that name in a folder of PATH.
std::string findExecutable(std::string_view name)
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        const std::size_t end = std::min(folders.find(':'), folders.size());
        const std::string_view folder = folders.substr(0, end);
        folders.remove_prefix(std::min(end + 1, folders.size()));
        if (folder.empty() || folder[0] != '/')
            continue;
        const std::string candidate = std::string(folder) + "/" + std::string(name);
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

std::string defaultHivePath()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/share";
    }
    return base + "/pennant/SOFTWARE";
}

std::string findSystemInformationProgram()
{
    // Desktop system-information tools, the most complete first.
    static const char* const candidates[] = {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"};
    for (const char* name : candidates) {
        std::string found = findExecutable(name);
        if (!found.empty())
            return found;
    }
    return {};
}

} // namespace platform
