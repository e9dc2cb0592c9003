#pragma once

#include <istream>
#include <optional>
#include <string>

// The files that export writes and import reads.
namespace commands {

// The whole file, or the whole stream for "-"; nothing, with one sentence
// in *problem, for a folder or a file that cannot be read.
std::optional<std::string> readInput(const std::string& path, std::istream& in, std::string* problem);

// Writes the bytes to a new file beside path and renames it over path, so
// that path holds either its old content or all of the new. Refuses a path
// that is the file named by keep, when given (the same file under any name).
// On failure returns one sentence and leaves path as it was.
std::optional<std::string> replaceFile(const std::string& path, const std::string& bytes,
                                       const std::optional<std::string>& keep);

} // namespace commands
