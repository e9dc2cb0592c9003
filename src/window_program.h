#pragma once

// Hands the program over to its window, with the same arguments. Returns
// the exit status when the window cannot be shown.
int runWindowProgram(int argc, char* argv[]);
