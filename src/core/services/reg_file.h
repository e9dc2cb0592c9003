#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The text files that Windows' registry tools read and write (".reg"): a
// header line, then key sections "[path]" or key deletions "[-path]", each
// followed by its values. Parsing checks only the form of the file and that
// every value can be stored exactly; what may be imported is decided by the
// caller.
namespace services {

inline constexpr char kRegHeader5[] = "Windows Registry Editor Version 5.00";
inline constexpr char kRegHeader4[] = "REGEDIT4";

// One value as the registry interface carries it: string types as UTF-8
// text with the terminators they hold, every other type as its bytes.
struct RegValue {
    std::string name; // empty for the default value "@"
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    bool operator==(const RegValue&) const = default;
};

struct RegValueLine {
    int line = 0;        // where the value starts, counted from 1
    bool remove = false; // "name"=- (value.type and value.data unused)
    RegValue value;
};

struct RegKeySection {
    int line = 0;
    std::string path;       // as written between the brackets
    bool deleteKey = false; // "[-path]"
    std::vector<RegValueLine> values;
};

struct RegFileProblem {
    int line = 0;
    std::string reason; // one sentence, without the line number
};

// Reads a file's bytes as Windows' registry editor does: UTF-16LE after its
// byte order mark, and without one the Windows ANSI code page (1252), for
// "Windows Registry Editor Version 5.00" and "REGEDIT4" alike; UTF-8 after
// its byte order mark. Lines end in CRLF or LF; a hex value line ending in
// "\" continues on the next one. Strings ("text") are stored with their
// terminator; dword:, hex: and hex(N): give the type and its bytes (the
// string types' bytes are UTF-16LE, or ANSI for hex(2) and hex(7) in a file
// read in the ANSI code page). On a malformed line, or text that could not
// be stored exactly (half a UTF-16 character, a lone surrogate), returns
// nothing and sets *problem.
std::optional<std::vector<RegKeySection>> parseRegFile(const std::string& bytes, RegFileProblem* problem);

// Whether the file has no byte order mark, so that parseRegFile reads it in
// code page 1252, yet holds UTF-8 text beyond ASCII, which then reads as
// other characters (an editor saved it in UTF-8 without a mark).
bool looksLikeUtf8WithoutMark(const std::string& bytes);

// One key and its values, in order, for writing.
struct RegKeyExport {
    std::string path;
    std::vector<RegValue> values;
};

// The file in the format Windows' registry tools write: the header
// "Windows Registry Editor Version 5.00", UTF-16LE with a byte order mark,
// CRLF line ends. A REG_SZ that holds one terminator at its end and no
// other zero or line break is written as "text" ("\" and "\"" escaped), a
// four-byte REG_DWORD as dword:, everything else as hex: or hex(N): of the
// bytes a hive stores, so that parseRegFile gives back the same values.
// Nothing, with *problem set, when a name holds a line break, which no line
// of the file can carry.
std::optional<std::string> writeRegFile(const std::vector<RegKeyExport>& keys, std::string* problem);

} // namespace services
