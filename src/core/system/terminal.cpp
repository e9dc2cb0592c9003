#include "core/system/terminal.h"

#include <unistd.h>

namespace platform {

bool standardInputIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

bool standardOutputIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

void prepareConsoleText()
{
    // Terminals here take the program's UTF-8 as it is.
}

} // namespace platform
