#include "window_program.h"

#include <iostream>

int runWindowProgram(int, char*[])
{
    std::cerr << "pennant: This build of Pennant has no window on Windows yet; its commands manage the buttons "
                 "(see pennant --help).\n";
    return 2;
}
