#pragma once

namespace platform {

// Whether the program's standard input is a terminal, where a person can
// answer a question.
bool standardInputIsTerminal();

} // namespace platform
