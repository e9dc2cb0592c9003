#include "platform/desktop/desktop_shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>

namespace platform {

namespace {

std::string withSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace

bool DesktopShell::openLink(const std::string& link)
{
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(link), QUrl::StrictMode));
}

bool DesktopShell::startProgram(const std::string& path)
{
    if (path.empty())
        return false;
    // startDetached runs the program itself (no command interpreter, so no
    // word splitting or expansion) and reports a program that cannot start.
    return QProcess::startDetached(QString::fromStdString(withSlashes(path)), {});
}

bool DesktopShell::isOrdinaryFile(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(withSlashes(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace platform
