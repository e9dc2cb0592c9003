#include "core/services/reg_file.h"

#include "core/registry/registry.h"
#include "core/text/utf16_text.h"

#include <algorithm>
#include <cstdio>

namespace services {

namespace {

// Windows' tools break hex data after the comma that reaches this column.
constexpr std::size_t kHexLineWidth = 77;

bool holdsLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

// A REG_SZ that reads back the same from "text": one terminator, at its end,
// and nothing that would end or break the line.
bool writableAsQuotedText(const RegValue& value)
{
    const auto& data = value.data;
    return value.type == platform::kRegSz && !data.empty() && data.back() == 0 &&
           std::none_of(data.begin(), data.end() - 1, [](std::uint8_t c) { return c == 0 || c == '\r' || c == '\n'; });
}

void appendHex(std::string* out, std::size_t lineStart, const std::vector<std::uint8_t>& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02x", bytes[i]);
        *out += byte;
        if (i + 1 == bytes.size())
            break;
        *out += ',';
        if (out->size() - lineStart >= kHexLineWidth) {
            *out += "\\\r\n  ";
            lineStart = out->size() - 2;
        }
    }
}

// The line (or lines) of one value; false when its data is not the UTF-8
// text a string type must hold.
bool appendValue(std::string* out, const RegValue& value)
{
    const std::size_t lineStart = out->size();
    *out += value.name.empty() ? std::string("@") : quoted(value.name);
    *out += '=';
    if (writableAsQuotedText(value)) {
        *out += quoted(std::string(value.data.begin(), value.data.end() - 1));
    } else if (value.type == platform::kRegDword && value.data.size() == 4) {
        char number[16];
        const std::uint32_t dword = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                    (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(number, sizeof number, "dword:%08x", dword);
        *out += number;
    } else {
        char type[24];
        std::snprintf(type, sizeof type, value.type == platform::kRegBinary ? "hex:" : "hex(%x):", value.type);
        *out += type;
        std::vector<std::uint8_t> bytes = value.data;
        if (value.type == platform::kRegSz || value.type == platform::kRegExpandSz ||
            value.type == platform::kRegMultiSz) {
            auto utf16 = platform::utf8ToUtf16le(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            if (!utf16)
                return false;
            bytes = std::move(*utf16);
        }
        appendHex(out, lineStart, bytes);
    }
    *out += "\r\n";
    return true;
}

} // namespace

std::optional<std::string> writeRegFile(const std::vector<RegKeyExport>& keys, std::string* problem)
{
    std::string text = std::string(kRegHeader5) + "\r\n\r\n";
    for (const RegKeyExport& key : keys) {
        if (holdsLineBreak(key.path)) {
            *problem = "The key " + key.path + " has a line break in its name, which a .reg file cannot carry.";
            return std::nullopt;
        }
        text += "[" + key.path + "]\r\n";
        for (const RegValue& value : key.values) {
            if (holdsLineBreak(value.name)) {
                *problem = "A value of the key " + key.path +
                           " has a line break in its name, which a .reg file cannot carry.";
                return std::nullopt;
            }
            if (!appendValue(&text, value)) {
                *problem = "The value \"" + value.name + "\" of the key " + key.path + " is not valid text.";
                return std::nullopt;
            }
        }
        text += "\r\n";
    }
    const auto utf16 = platform::utf8ToUtf16le(text);
    if (!utf16) {
        *problem = "A key or value name is not valid text.";
        return std::nullopt;
    }
    return "\xFF\xFE" + std::string(utf16->begin(), utf16->end());
}

} // namespace services
