#include "platform/registry/registry_names.h"

#include "platform/registry/utf16_text.h"

#include <QChar>

namespace platform {

namespace {

bool hasValidLength(std::string_view name, std::size_t minimum, std::size_t maximum)
{
    const auto codePoints = decodeUtf8(name);
    if (!codePoints)
        return false;
    const std::size_t length = utf16Length(*codePoints);
    return length >= minimum && length <= maximum;
}

} // namespace

bool isValidKeyName(std::string_view name)
{
    return name.find_first_of(std::string_view("\\\0", 2)) == std::string_view::npos &&
           hasValidLength(name, 1, kMaxKeyNameLength);
}

bool isValidValueName(std::string_view name)
{
    return name.find('\0') == std::string_view::npos && hasValidLength(name, 0, kMaxValueNameLength);
}

std::string foldedName(std::string_view name)
{
    std::string ascii(name);
    bool onlyAscii = true;
    for (char& c : ascii) {
        onlyAscii = onlyAscii && static_cast<unsigned char>(c) < 0x80;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (onlyAscii)
        return ascii;
    auto codePoints = decodeUtf8(name);
    if (!codePoints)
        return std::string(name);
    for (char32_t& c : *codePoints)
        c = QChar::toUpper(c);
    return encodeUtf8(*codePoints);
}

bool sameName(std::string_view a, std::string_view b)
{
    const auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
    if (a.size() == b.size()) {
        std::size_t i = 0;
        for (; i < a.size(); ++i) {
            const auto x = static_cast<unsigned char>(a[i]);
            const auto y = static_cast<unsigned char>(b[i]);
            if (x >= 0x80 || y >= 0x80)
                break;
            if (upper(x) != upper(y))
                return false;
        }
        if (i == a.size())
            return true;
    }
    return foldedName(a) == foldedName(b);
}

bool splitKeyPath(std::string_view path, std::vector<std::string>* parts)
{
    parts->clear();
    if (path.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty())
            return false;
        parts->emplace_back(part);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

} // namespace platform
