#include "qt/desktop/display_check.h"

#include <cstdlib>
#include <sstream>

namespace platform {

namespace {

std::string environmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

#if !defined(_WIN32) && !defined(__APPLE__)
// Whether the named platform can show a window with this environment.
bool platformUsable(const std::string& entry, const DisplayEnvironment& environment)
{
    const std::string name = entry.substr(0, entry.find(':'));
    if (name == "xcb")
        return !environment.x11Display.empty();
    if (name.rfind("wayland", 0) == 0)
        return !environment.waylandDisplay.empty();
    return true;
}
#endif

} // namespace

DisplayEnvironment currentDisplayEnvironment()
{
    return {environmentText("QT_QPA_PLATFORM"), environmentText("DISPLAY"), environmentText("WAYLAND_DISPLAY")};
}

std::optional<std::string> missingDisplay(const DisplayEnvironment& environment)
{
#if defined(_WIN32) || defined(__APPLE__)
    // The system's own window platform is always there.
    static_cast<void>(environment);
    return std::nullopt;
#else
    const bool usable = [&] {
        if (environment.qtPlatform.empty())
            return platformUsable("xcb", environment) || platformUsable("wayland", environment);
        std::istringstream entries(environment.qtPlatform);
        for (std::string entry; std::getline(entries, entry, ';');)
            if (platformUsable(entry, environment))
                return true;
        return false;
    }();
    if (usable)
        return std::nullopt;
    return std::string("The editor window needs a display and none is set (DISPLAY or WAYLAND_DISPLAY); "
                       "pennant --help lists the commands, which need none, and scripts/start shows the window "
                       "over VNC.");
#endif
}

} // namespace platform
