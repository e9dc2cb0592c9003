#include "core/services/reg_file.h"

#include "core/text/code_page_1252.h"
#include "core/registry/registry.h"
#include "core/text/utf16_text.h"

#include <algorithm>
#include <string_view>

namespace services {

namespace {

enum class Encoding { Utf16, Utf8, Ansi };

struct DecodedLines {
    std::vector<std::string> lines; // UTF-8, without their line ends
    Encoding encoding = Encoding::Ansi;
};

void chopCarriageReturns(std::vector<std::string>* lines)
{
    for (std::string& line : *lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
}

std::optional<DecodedLines> decodeUtf16Lines(std::string_view bytes, RegFileProblem* problem)
{
    DecodedLines decoded{{}, Encoding::Utf16};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t start = 0;
    const auto addLine = [&](std::size_t end) {
        const auto text = platform::exactUtf16leToUtf8(data + start, end - start);
        if (!text) {
            const bool cut = (end - start) % 2 != 0;
            *problem = {static_cast<int>(decoded.lines.size()) + 1,
                        cut ? "The file ends in the middle of a UTF-16 character."
                            : "This line holds a lone UTF-16 surrogate, which cannot be stored exactly."};
            return false;
        }
        decoded.lines.push_back(*text);
        return true;
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (data[i] == '\n' && data[i + 1] == 0) {
            if (!addLine(i))
                return std::nullopt;
            start = i + 2;
        }
    }
    if (!addLine(bytes.size()))
        return std::nullopt;
    return decoded;
}

std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string_view::npos; start = end + 1)
        lines.emplace_back(bytes.substr(start, end - start));
    lines.emplace_back(bytes.substr(start));
    return lines;
}

// The file's lines as UTF-8 text, decoded as its byte order mark says.
std::optional<DecodedLines> decodeLines(std::string_view bytes, RegFileProblem* problem)
{
    std::optional<DecodedLines> decoded;
    if (bytes.starts_with("\xFF\xFE")) {
        decoded = decodeUtf16Lines(bytes.substr(2), problem);
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        decoded = DecodedLines{splitLines(bytes.substr(3)), Encoding::Utf8};
        for (std::size_t i = 0; i < decoded->lines.size(); ++i) {
            if (!platform::decodeUtf8(decoded->lines[i])) {
                *problem = {static_cast<int>(i) + 1, "This line is not valid UTF-8 text."};
                return std::nullopt;
            }
        }
    } else {
        decoded = DecodedLines{splitLines(bytes), Encoding::Ansi};
        for (std::string& line : decoded->lines)
            line = platform::cp1252ToUtf8(line);
    }
    if (decoded)
        chopCarriageReturns(&decoded->lines);
    return decoded;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Reads the quoted text that starts at text[*pos] and moves *pos past its
// closing quote. "\\" and "\"" are what Windows' tools escape; "\n" and "\r"
// are how Wine's write line breaks.
std::optional<std::string> readQuoted(std::string_view text, std::size_t* pos, std::string* error)
{
    std::string out;
    for (std::size_t i = *pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return out;
        }
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        const char escaped = i + 1 < text.size() ? text[++i] : '\0';
        if (escaped == '\\' || escaped == '"') {
            out.push_back(escaped);
        } else if (escaped == 'n' || escaped == 'r') {
            out.push_back(escaped == 'n' ? '\n' : '\r');
        } else {
            *error = "A backslash in quotes must be followed by another backslash, a quote, n or r.";
            return std::nullopt;
        }
    }
    *error = "The quoted text has no closing quote.";
    return std::nullopt;
}

std::optional<std::uint32_t> hexNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t number = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return number;
}

// "41,00,42" (spaces allowed, a trailing comma too) as bytes.
std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view list)
{
    std::vector<std::uint8_t> bytes;
    if (trimmed(list).empty())
        return bytes;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view item = trimmed(list.substr(start, comma - start));
        const bool last = comma == std::string_view::npos;
        if (!(last && item.empty() && !bytes.empty())) {
            const auto byte = item.size() <= 2 ? hexNumber(item) : std::nullopt;
            if (!byte)
                return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(*byte));
        }
        if (last)
            return bytes;
        start = comma + 1;
    }
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((text[i] | 0x20) != prefix[i])
            return false;
    return true;
}

class Parser {
public:
    Parser(DecodedLines decoded, RegFileProblem* problem) : decoded_(std::move(decoded)), problem_(problem) {}

    std::optional<std::vector<RegKeySection>> run()
    {
        const std::string_view header = trimmed(lines()[0]);
        if (header != kRegHeader5 && header != kRegHeader4) {
            fail(0, std::string("The file does not start with \"") + kRegHeader5 + "\" or \"" + kRegHeader4 + "\".");
            return std::nullopt;
        }
        for (index_ = 1; index_ < lines().size(); ++index_) {
            const std::string_view line = trimmed(lines()[index_]);
            bool read = true;
            if (line.empty() || line.starts_with(';'))
                continue;
            if (line.starts_with('['))
                read = readKey(line);
            else if (line.starts_with('"') || line.starts_with('@'))
                read = readValue(line);
            else
                read = fail(index_, "This line is not a key, a value or a comment.");
            if (!read)
                return std::nullopt;
        }
        return std::move(sections_);
    }

private:
    const std::vector<std::string>& lines() const { return decoded_.lines; }

    bool fail(std::size_t index, std::string reason)
    {
        *problem_ = {static_cast<int>(index) + 1, std::move(reason)};
        return false;
    }

    bool readKey(std::string_view line)
    {
        if (!line.ends_with(']'))
            return fail(index_, "A key line must end with \"]\".");
        RegKeySection section;
        section.line = static_cast<int>(index_) + 1;
        std::string_view path = line.substr(1, line.size() - 2);
        section.deleteKey = path.starts_with('-');
        if (section.deleteKey)
            path.remove_prefix(1);
        if (trimmed(path).empty())
            return fail(index_, "The key line names no key.");
        section.path = std::string(path);
        sections_.push_back(std::move(section));
        return true;
    }

    bool readValue(std::string_view line)
    {
        if (sections_.empty())
            return fail(index_, "A value must follow the key it belongs to.");
        if (sections_.back().deleteKey)
            return fail(index_, "A key that is deleted cannot have values.");
        RegValueLine value;
        value.line = static_cast<int>(index_) + 1;
        std::size_t pos = 1;
        std::string error;
        if (line.starts_with('"')) {
            pos = 0;
            const auto name = readQuoted(line, &pos, &error);
            if (!name)
                return fail(index_, error);
            value.value.name = *name;
        }
        std::string_view rest = trimmed(line.substr(pos));
        if (!rest.starts_with('='))
            return fail(index_, "The value's name must be followed by \"=\".");
        rest = trimmed(rest.substr(1));
        if (rest.starts_with('"')) {
            pos = 0;
            const auto text = readQuoted(rest, &pos, &error);
            if (!text)
                return fail(index_, error);
            if (!trimmed(rest.substr(pos)).empty())
                return fail(index_, "Nothing may follow the closing quote of a string.");
            value.value.type = platform::kRegSz;
            value.value.data.assign(text->begin(), text->end());
            value.value.data.push_back(0);
        } else if (rest == "-") {
            value.remove = true;
        } else if (!readTyped(std::string(rest), &value.value)) {
            return false;
        }
        sections_.back().values.push_back(std::move(value));
        return true;
    }

    // dword:, hex: and hex(N): values; hex data may continue over lines
    // that end in "\".
    bool readTyped(std::string rest, RegValue* value)
    {
        const std::size_t first = index_;
        while (rest.ends_with('\\')) {
            rest.pop_back();
            if (++index_ == lines().size())
                return fail(first, "The value continues past the end of the file.");
            rest += trimmed(lines()[index_]);
        }
        const std::string_view text = rest;
        const std::size_t colon = text.find(':');
        const std::string_view kind = text.substr(0, colon);
        const std::string_view data = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
        if (colon != std::string_view::npos && startsWithNoCase(kind, "dword") && kind.size() == 5) {
            const auto number = hexNumber(trimmed(data));
            if (!number)
                return fail(first, "A dword value must be one to eight hexadecimal digits, such as dword:0000001f.");
            value->type = platform::kRegDword;
            for (int shift = 0; shift < 32; shift += 8)
                value->data.push_back(static_cast<std::uint8_t>(*number >> shift));
            return true;
        }
        std::optional<std::uint32_t> type;
        if (colon != std::string_view::npos && startsWithNoCase(kind, "hex"))
            type = kind.size() == 3 ? std::optional(platform::kRegBinary)
                   : kind.size() > 5 && kind[3] == '(' && kind.back() == ')'
                       ? hexNumber(kind.substr(4, kind.size() - 5))
                       : std::nullopt;
        if (!type)
            return fail(first,
                        "The value is not a quoted string, \"-\", or data of a known type such as dword:00000000.");
        const auto bytes = hexBytes(data);
        if (!bytes)
            return fail(first, "The data of this value is not a list of hexadecimal bytes such as 41,00,42,00.");
        value->type = *type;
        return storeBytes(*bytes, value, first);
    }

    // The registry interface carries the string types as UTF-8 text.
    bool storeBytes(const std::vector<std::uint8_t>& bytes, RegValue* value, std::size_t first)
    {
        const std::uint32_t type = value->type;
        if (type != platform::kRegSz && type != platform::kRegExpandSz && type != platform::kRegMultiSz) {
            value->data = bytes;
            return true;
        }
        std::optional<std::string> text;
        // Windows' tools write these two as ANSI bytes into an ANSI file.
        if (decoded_.encoding == Encoding::Ansi && type != platform::kRegSz)
            text = platform::cp1252ToUtf8(std::string(bytes.begin(), bytes.end()));
        else
            text = platform::exactUtf16leToUtf8(bytes.data(), bytes.size());
        if (!text)
            return fail(first, "The text in this value's data is not whole UTF-16 text (it has an odd number of "
                               "bytes or a lone surrogate), so it cannot be stored exactly.");
        value->data.assign(text->begin(), text->end());
        return true;
    }

    DecodedLines decoded_;
    RegFileProblem* problem_;
    std::size_t index_ = 0;
    std::vector<RegKeySection> sections_;
};

} // namespace

bool looksLikeUtf8WithoutMark(const std::string& bytes)
{
    const std::string_view text = bytes;
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xEF\xBB\xBF"))
        return false;
    const bool beyondAscii = std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
    return beyondAscii && platform::decodeUtf8(text).has_value();
}

std::optional<std::vector<RegKeySection>> parseRegFile(const std::string& bytes, RegFileProblem* problem)
{
    std::optional<DecodedLines> decoded = decodeLines(bytes, problem);
    if (!decoded)
        return std::nullopt;
    return Parser(std::move(*decoded), problem).run();
}

} // namespace services
