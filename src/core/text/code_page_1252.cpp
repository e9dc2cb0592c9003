#include "core/text/code_page_1252.h"

#include "core/text/utf16_text.h"

#include <array>

namespace platform {

namespace {

// Code page 1252 at 0x80..0x9F, where it differs from Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

std::string cp1252ToUtf8(std::string_view bytes)
{
    std::u32string codePoints;
    codePoints.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        codePoints.push_back(code >= 0x80 && code < 0xA0 ? kHighControls[code - 0x80] : char32_t(code));
    }
    return encodeUtf8(codePoints);
}

} // namespace platform
