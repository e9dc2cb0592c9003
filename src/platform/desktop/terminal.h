#pragma once

namespace platform {

// Whether the program's standard input is a terminal, where a person can
// answer a question.
bool standardInputIsTerminal();

// Whether the program's standard output is a terminal, where a person reads
// text rather than a file receiving bytes.
bool standardOutputIsTerminal();

} // namespace platform
