#include "about/about_window.h"
#include "command_line.h"
#include "commands/sub_commands.h"
#include "editor/frmmain.h"
#include "platform/desktop/desktop_shell.h"
#include "platform/desktop/hive_location.h"
#include "platform/desktop/qt_dialogs.h"
#include "platform/desktop/terminal.h"
#include "platform/desktop/uuid.h"
#include "platform/registry/hive_log_files.h"
#include "resources/program_icon.h"
#include "resources/version.h"
#include "services/dirty_hive.h"
#include "services/general.h"
#include "services/hive_seed.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    std::string error;
    const auto line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!line) {
        std::cerr << "pennant: " << error << '\n';
        return 2;
    }
    if (line->action == CommandLine::Action::ShowHelp) {
        std::cout << commandLineHelp();
        return 0;
    }
    if (line->action == CommandLine::Action::ShowVersion) {
        std::cout << resources::kProgramTitle << ' ' << resources::kVersionText << '\n';
        return 0;
    }
    if (line->action == CommandLine::Action::RunSubCommand) {
        // No QApplication: the commands need no display.
        const commands::Invocation invocation{line->hivePath, line->subCommandArguments, std::cout, std::cerr,
                                              std::cin, platform::standardInputIsTerminal(),
                                              platform::standardOutputIsTerminal()};
        return commands::runSubCommand(*commands::findSubCommand(line->subCommand), invocation);
    }

    // Only the default hive is made when missing; a path given by the user
    // must name an existing hive.
    const std::string hivePath = line->hivePath.value_or(platform::defaultHivePath());
    auto registry = services::openOrCreateHive(hivePath, !line->hivePath.has_value(), &error);
    if (!registry) {
        // A hive whose own header is damaged may still be whole in its logs.
        if (platform::inspectHiveLogs(hivePath).canApply)
            error += " Its transaction logs can repair it (pennant apply-logs " + hivePath + ").";
        std::cerr << "pennant: " << error << '\n';
        return 2;
    }
    // A damaged hive is still shown, read-only; the person learns why at once.
    if (!registry->damage().empty())
        std::cerr << "pennant: " << registry->damage() << '\n';

    QApplication app(argc, argv);
    QApplication::setApplicationName(resources::kProgramTitle);
    QApplication::setApplicationVersion(resources::kVersionText);
    QApplication::setWindowIcon(resources::programIcon());

    platform::QtMessageBoxes messages;
    registry = services::settleDirtyHive(std::move(registry), hivePath, messages);
    platform::QtFileDialogs files;
    platform::DesktopShell shell;
    const auto uuids = platform::systemUuidSource();
    services::General general(*registry, messages, shell, *uuids);
    about::AboutWindow aboutWindow(general, about::VersionNumbers{});

    frmMain window(general, files, aboutWindow);
    window.show();
    std::cout << "Pennant is editing " << hivePath << std::endl;
    return app.exec();
}
