#include "core/system/desktop_shell.h"
#include "core/system/win32_text.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

bool DesktopShell::openLink(const std::string& link)
{
    if (link.empty())
        return false;
    const HINSTANCE result = ShellExecuteW(nullptr, L"open", widen(link).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // ShellExecute reports success as a value above 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool DesktopShell::startProgram(const std::string& path)
{
    if (path.empty())
        return false;
    // The program is named on its own, never through a command interpreter;
    // its command line is its own quoted path, as Windows passes it.
    const std::wstring program = widen(path);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool DesktopShell::isOrdinaryFile(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

} // namespace platform
