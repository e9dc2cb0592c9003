#include "core/system/terminal.h"

#include <windows.h>

#include <io.h>

#include <cstdio>

namespace platform {

namespace {

// Puts the console's code pages back as they were when the program ends, so
// that the console it shares with its caller is left as it was found.
class ConsoleCodePages {
public:
    ConsoleCodePages() : output_(GetConsoleOutputCP()), input_(GetConsoleCP())
    {
        SetConsoleOutputCP(CP_UTF8);
        SetConsoleCP(CP_UTF8);
    }
    ~ConsoleCodePages()
    {
        if (output_ != 0)
            SetConsoleOutputCP(output_);
        if (input_ != 0)
            SetConsoleCP(input_);
    }
    ConsoleCodePages(const ConsoleCodePages&) = delete;
    ConsoleCodePages& operator=(const ConsoleCodePages&) = delete;

private:
    UINT output_;
    UINT input_;
};

} // namespace

bool standardInputIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
}

bool standardOutputIsTerminal()
{
    return _isatty(_fileno(stdout)) != 0;
}

void prepareConsoleText()
{
    static ConsoleCodePages codePages;
}

} // namespace platform
