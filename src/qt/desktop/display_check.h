#pragma once

#include <optional>
#include <string>

namespace platform {

// What the environment says about where a window would be shown.
struct DisplayEnvironment {
    std::string qtPlatform;     // QT_QPA_PLATFORM: "name[:options]", fallbacks after ";"
    std::string x11Display;     // DISPLAY
    std::string waylandDisplay; // WAYLAND_DISPLAY
};

DisplayEnvironment currentDisplayEnvironment();

// One sentence saying that the window needs a display, when it is certain
// beforehand that Qt would find none (it would abort the program); nothing
// otherwise. Only the desktop platforms need one: X11 (the default) needs
// DISPLAY, Wayland WAYLAND_DISPLAY; offscreen, VNC and the others need none.
std::optional<std::string> missingDisplay(const DisplayEnvironment& environment);

} // namespace platform
