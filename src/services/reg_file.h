#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The text files that Windows' registry tools read and write (".reg"): a
// header line, then key sections "[path]" or key deletions "[-path]", each
// followed by its values. Parsing checks only the form of the file; what
// may be imported is decided by the caller.
namespace services {

struct RegValueLine {
    enum class Kind {
        String, // "name"="text"
        Delete, // "name"=-
        Other,  // any other type: dword:..., hex:..., hex(2):...
    };
    int line = 0;     // where the value starts, counted from 1
    std::string name; // empty for the default value "@"
    Kind kind = Kind::String;
    std::string text;     // the string, unescaped (Kind::String)
    std::string typeName; // "dword", "hex", "hex(2)"... (Kind::Other)
};

struct RegKeySection {
    int line = 0;
    std::string path;        // as written between the brackets
    bool deleteKey = false;  // "[-path]"
    std::vector<RegValueLine> values;
};

struct RegFileProblem {
    int line = 0;
    std::string reason; // one sentence, without the line number
};

// Reads a file's bytes: UTF-16LE after its byte order mark, UTF-8 after
// its byte order mark, and without one UTF-8 for "Windows Registry Editor
// Version 5.00" and the Windows ANSI code page (1252) for "REGEDIT4". Lines
// end in CRLF or LF; a value line ending in "\" continues on the next one.
// On a malformed line returns nothing and sets *problem.
std::optional<std::vector<RegKeySection>> parseRegFile(const std::string& bytes, RegFileProblem* problem);

// One key and its string values, in order, for writing.
struct RegKeyExport {
    std::string path;
    std::vector<std::pair<std::string, std::string>> values;
};

// The file in the format Windows' registry tools write: the header
// "Windows Registry Editor Version 5.00", UTF-16LE with a byte order mark,
// CRLF line ends, "\" and "\"" escaped in names and strings.
std::string writeRegFile(const std::vector<RegKeyExport>& keys);

} // namespace services
