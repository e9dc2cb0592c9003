#include "core/editor/file_filter.h"

#include <string>

namespace editor {

namespace {

std::vector<std::string> split(std::string_view text, char separator, bool keepEmpty)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        const std::string_view part = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        if (keepEmpty || !part.empty())
            parts.emplace_back(part);
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

std::vector<platform::FileFilter> parseFilterText(std::string_view filter)
{
    const std::vector<std::string> parts = split(filter, '|', true);
    std::vector<platform::FileFilter> filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        filters.push_back({parts[i], split(parts[i + 1], ';', false)});
    return filters;
}

} // namespace editor
