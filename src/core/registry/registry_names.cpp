#include "core/registry/registry_names.h"

#include "core/text/name_case.h"
#include "core/text/utf16_text.h"

#include <algorithm>
#include <cstdint>

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

int asciiUpper(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
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
    // Code points above the Basic Multilingual Plane are surrogate pairs in
    // UTF-16, which never fold.
    for (char32_t& c : *codePoints)
        if (c < 0x10000)
            c = upcaseNameUnit(static_cast<char16_t>(c));
    return encodeUtf8(*codePoints);
}

int compareNames(std::string_view left, std::string_view right)
{
    // ASCII prefixes compare byte by byte, upper-cased.
    std::size_t i = 0;
    for (; i < left.size() && i < right.size(); ++i) {
        const auto a = static_cast<unsigned char>(left[i]);
        const auto b = static_cast<unsigned char>(right[i]);
        if (a >= 0x80 || b >= 0x80)
            break;
        const int difference = asciiUpper(a) - asciiUpper(b);
        if (difference != 0)
            return difference;
    }
    if (i == left.size() || i == right.size())
        return static_cast<int>(left.size() - i) - static_cast<int>(right.size() - i);
    const auto unitsOf = [](std::string_view name) {
        // Invalid UTF-8 (never a stored name) compares by its bytes.
        const auto bytes = utf8ToUtf16le(foldedName(name));
        std::u16string units;
        if (!bytes)
            return std::u16string(name.begin(), name.end());
        for (std::size_t k = 0; k + 1 < bytes->size(); k += 2)
            units.push_back(static_cast<char16_t>((*bytes)[k] | ((*bytes)[k + 1] << 8)));
        return units;
    };
    return unitsOf(left.substr(i)).compare(unitsOf(right.substr(i)));
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        std::size_t i = 0;
        for (; i < a.size(); ++i) {
            const auto x = static_cast<unsigned char>(a[i]);
            const auto y = static_cast<unsigned char>(b[i]);
            if (x >= 0x80 || y >= 0x80)
                break;
            if (asciiUpper(x) != asciiUpper(y))
                return false;
        }
        if (i == a.size())
            return true;
    }
    return foldedName(a) == foldedName(b);
}

std::size_t NameHash::operator()(std::string_view name) const
{
    // FNV-1a over the folded bytes.
    const auto hashOf = [](std::string_view bytes, bool upperAscii) {
        std::uint64_t hash = 14695981039346656037ULL;
        for (const char c : bytes) {
            hash ^= static_cast<unsigned char>(upperAscii ? asciiUpper(static_cast<unsigned char>(c)) : c);
            hash *= 1099511628211ULL;
        }
        return static_cast<std::size_t>(hash);
    };
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? hashOf(name, true) : hashOf(foldedName(name), false);
}

bool splitKeyPath(std::string_view path, std::vector<std::string>* parts)
{
    parts->clear();
    return appendKeyPath(path, parts);
}

bool appendKeyPath(std::string_view path, std::vector<std::string>* parts)
{
    // A path may not start with a backslash; inside and at its end, a run of
    // backslashes separates like one, as Windows' registry reads paths.
    if (!path.empty() && path.front() == '\\')
        return false;
    parts->reserve(parts->size() + 1 + static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')));
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts->emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

} // namespace platform
