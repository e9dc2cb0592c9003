#include "window_program.h"

#include "core/system/win32_text.h"

#include <windows.h>

#include <iostream>
#include <string>

namespace {

// The window program Pennant.exe beside this one.
std::wstring windowProgramPath()
{
    std::wstring self(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (length == 0 || length >= self.size())
        return {};
    self.resize(length);
    const std::size_t folderEnd = self.find_last_of(L"\\/");
    return (folderEnd == std::wstring::npos ? std::wstring() : self.substr(0, folderEnd + 1)) + L"Pennant.exe";
}

// This program's command line without its own name, as Windows gave it.
std::wstring argumentsAfterProgramName()
{
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line != L'\0' && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
        if (*line == L'"')
            quoted = !quoted;
    }
    return line;
}

} // namespace

// Starts the window program with the same arguments and leaves it running
// on its own; the console is free again at once.
int runWindowProgram(int, char*[])
{
    const std::wstring program = windowProgramPath();
    std::wstring commandLine = L"\"" + program + L"\"" + argumentsAfterProgramName();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (program.empty() || !CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                           DETACHED_PROCESS, nullptr, nullptr, &startup, &process)) {
        std::cerr << "pennant: The window program " << platform::narrow(program)
                  << " cannot be started; the commands still work (see pennant --help).\n";
        return 2;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
