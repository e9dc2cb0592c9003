#pragma once

namespace platform {

// Whether the program's standard input is a terminal, where a person can
// answer a question.
bool standardInputIsTerminal();

// Whether the program's standard output is a terminal, where a person reads
// text rather than a file receiving bytes.
bool standardOutputIsTerminal();

// Makes a console show the program's UTF-8 text as such (on Windows, whose
// consoles otherwise read it in the OEM code page) until the program ends.
void prepareConsoleText();

} // namespace platform
