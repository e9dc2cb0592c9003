#include "about_dialog.h"
#include "main_dialog.h"
#include "open_windows.h"
#include "win32_dialogs.h"

#include "command_line.h"
#include "core/services/general.h"
#include "core/services/program_registry.h"
#include "core/system/desktop_shell.h"
#include "core/system/uuid.h"
#include "core/system/win32_text.h"
#include "resources/version.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> programArguments()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> texts;
    for (int i = 1; arguments != nullptr && i < count; ++i)
        texts.push_back(platform::narrow(arguments[i]));
    LocalFree(arguments);
    return texts;
}

int refuse(const std::string& sentence)
{
    MessageBoxW(nullptr, platform::widen(sentence).c_str(), platform::widen(resources::kProgramTitle).c_str(), MB_OK);
    return 2;
}

} // namespace

// The window program: the editor window, and the About window on request.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    std::string error;
    const auto line = parseWindowCommandLine(programArguments(), &error);
    if (!line)
        return refuse(error);
    auto opened = services::openProgramRegistry(line->hivePath, &error);
    if (!opened)
        return refuse(error);

    win32::Win32MessageBoxes messages;
    services::settleProgramRegistry(*opened, messages);
    win32::Win32FileDialogs files;
    platform::DesktopShell shell;
    const auto uuids = platform::systemUuidSource();
    services::General general(*opened->registry, messages, shell, *uuids);

    win32::OpenWindows windows;
    win32::AboutDialog about(general, windows, resources::kVersionMajor, resources::kVersionMinor);
    win32::MainDialog editor(general, files, about, windows);
    if (editor.create() == nullptr)
        return refuse("The window could not be created.");
    ShowWindow(editor.window(), SW_SHOWNORMAL);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (editor.takeDialogMessage(msg) || about.takeDialogMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
