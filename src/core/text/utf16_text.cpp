#include "core/text/utf16_text.h"

namespace platform {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool isSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendUtf16le(std::vector<std::uint8_t>& out, char16_t unit)
{
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

} // namespace

std::optional<std::u32string> decodeUtf8(std::string_view text)
{
    std::u32string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int trailing = 0;
        char32_t c = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            trailing = 1, c = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            trailing = 2, c = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            trailing = 3, c = lead & 0x07, smallest = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i <= static_cast<std::size_t>(trailing))
            return std::nullopt;
        for (int k = 1; k <= trailing; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < smallest || c > 0x10FFFF || isSurrogate(c))
            return std::nullopt;
        result.push_back(c);
        i += trailing + 1;
    }
    return result;
}

std::string encodeUtf8(std::u32string_view codePoints)
{
    std::string out;
    out.reserve(codePoints.size());
    for (const char32_t c : codePoints)
        appendUtf8(out, c);
    return out;
}

std::optional<std::vector<std::uint8_t>> utf8ToUtf16le(std::string_view text)
{
    const auto codePoints = decodeUtf8(text);
    if (!codePoints)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(2 * utf16Length(*codePoints));
    for (const char32_t c : *codePoints) {
        if (c < 0x10000) {
            appendUtf16le(out, static_cast<char16_t>(c));
        } else {
            const char32_t offset = c - 0x10000;
            appendUtf16le(out, static_cast<char16_t>(0xD800 + (offset >> 10)));
            appendUtf16le(out, static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return out;
}

namespace {

// The UTF-8 text of UTF-16LE bytes, each unpaired surrogate replaced by
// U+FFFD; *exact tells whether the bytes were whole, paired UTF-16 text.
std::string decodeUtf16le(const std::uint8_t* data, std::size_t size, bool* exact)
{
    std::string out;
    const std::size_t units = size / 2;
    *exact = size % 2 == 0;
    out.reserve(units);
    const auto unitAt = [data](std::size_t index) {
        return static_cast<char16_t>(data[2 * index] | (data[2 * index + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char16_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (isSurrogate(unit))
            *exact = false;
        appendUtf8(out, isSurrogate(unit) ? kReplacementCharacter : char32_t(unit));
    }
    return out;
}

} // namespace

std::string utf16leToUtf8(const std::uint8_t* data, std::size_t size)
{
    bool exact = false;
    return decodeUtf16le(data, size, &exact);
}

std::optional<std::string> exactUtf16leToUtf8(const std::uint8_t* data, std::size_t size)
{
    bool exact = false;
    std::string text = decodeUtf16le(data, size, &exact);
    if (!exact)
        return std::nullopt;
    return text;
}

std::size_t utf16Length(std::u32string_view codePoints)
{
    std::size_t units = 0;
    for (const char32_t c : codePoints)
        units += c < 0x10000 ? 1 : 2;
    return units;
}

} // namespace platform
