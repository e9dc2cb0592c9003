#include "platform/desktop/hive_location.h"

#include <QStandardPaths>
#include <QString>

#include <cstdlib>

namespace platform {

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
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found.toStdString();
    }
    return {};
}

} // namespace platform
