#include "qt/about/about_window.h"
#include "command_line.h"
#include "qt/editor/frmmain.h"
#include "core/system/desktop_shell.h"
#include "qt/desktop/display_check.h"
#include "qt/desktop/qt_dialogs.h"
#include "core/system/uuid.h"
#include "resources/program_icon.h"
#include "resources/version.h"
#include "core/services/general.h"
#include "core/services/program_registry.h"

#include <QApplication>

#include <iostream>

// The window program, which pennant starts when no command is given.
int main(int argc, char* argv[])
{
    std::string error;
    const auto line = parseWindowCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!line) {
        std::cerr << "pennant: " << error << '\n';
        return 2;
    }
    auto opened = services::openProgramRegistry(line->hivePath, &error);
    if (!opened) {
        std::cerr << "pennant: " << error << '\n';
        return 2;
    }
    // Without a display Qt would abort the program with a message of its own.
    if (const auto missing = platform::missingDisplay(platform::currentDisplayEnvironment())) {
        std::cerr << "pennant: " << *missing << '\n';
        return 2;
    }
    // The hive's check runs while the window opens.
    opened->registry->checkAhead();
    QApplication app(argc, argv);
    QApplication::setApplicationName(resources::kProgramTitle);
    QApplication::setApplicationVersion(resources::kVersionText);
    QApplication::setWindowIcon(resources::programIcon());

    platform::QtMessageBoxes messages;
    services::settleProgramRegistry(*opened, messages);
    platform::QtFileDialogs files;
    platform::DesktopShell shell;
    const auto uuids = platform::systemUuidSource();
    services::General general(*opened->registry, messages, shell, *uuids);
    about::AboutWindow aboutWindow(general, about::VersionNumbers{});

    frmMain window(general, files, aboutWindow);
    window.show();
    // A damaged hive is still shown, read-only; the person learns why at once.
    if (const std::string damage = opened->registry->failureDetail(); !damage.empty())
        std::cerr << "pennant: " << damage << '\n';
    std::cout << "Pennant is editing " << opened->location << std::endl;
    return app.exec();
}
