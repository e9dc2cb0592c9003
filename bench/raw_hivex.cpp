#include "raw_hivex.h"

#include <hivex.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {

std::vector<char> utf16z(const std::string& text)
{
    std::vector<char> out;
    for (char c : text) {
        out.push_back(c);
        out.push_back(0);
    }
    out.insert(out.end(), {0, 0});
    return out;
}

// Reads one value as text the way a plain libhivex program does.
bool readString(hive_h* hive, hive_node_h node, const std::string& name)
{
    const hive_value_h value = hivex_node_get_value(hive, node, name.c_str());
    if (value == 0)
        return false;
    char* text = hivex_value_string(hive, value);
    const bool read = text != nullptr;
    std::free(text);
    return read;
}

bool setValues(hive_h* hive, hive_node_h node, const RawHive::Values& values)
{
    std::vector<std::vector<char>> data;
    std::vector<hive_set_value> set;
    for (const auto& [name, text] : values)
        data.push_back(utf16z(text));
    for (std::size_t i = 0; i < values.size(); ++i)
        set.push_back({const_cast<char*>(values[i].first.c_str()), hive_t_REG_SZ, data[i].size(), data[i].data()});
    return hivex_node_set_values(hive, node, set.size(), set.data(), 0) == 0;
}

} // namespace

RawHive::RawHive(const std::string& path, bool forWriting)
    : hive_(hivex_open(path.c_str(), forWriting ? HIVEX_OPEN_WRITE : 0))
{
}

RawHive::~RawHive()
{
    if (hive_ != nullptr)
        hivex_close(hive_);
}

std::size_t RawHive::extensions()
{
    hive_node_h node = hivex_root(hive_);
    for (const char* name : {"Microsoft", "Internet Explorer", "Extensions"})
        node = node != 0 ? hivex_node_get_child(hive_, node, name) : 0;
    return node;
}

std::size_t RawHive::listButtonTexts(const std::vector<std::string>& valueNames)
{
    const hive_node_h parent = extensions();
    hive_node_h* children = parent != 0 ? hivex_node_children(hive_, parent) : nullptr;
    std::size_t read = 0;
    for (std::size_t i = 0; children != nullptr && children[i] != 0; ++i) {
        char* name = hivex_node_name(hive_, children[i]);
        std::free(name);
        for (const std::string& valueName : valueNames)
            read += readString(hive_, children[i], valueName) ? 1 : 0;
    }
    std::free(children);
    return read;
}

std::size_t RawHive::loadButton(const std::string& keyName, const std::vector<std::string>& valueNames)
{
    const hive_node_h parent = extensions();
    const hive_node_h key = parent != 0 ? hivex_node_get_child(hive_, parent, keyName.c_str()) : 0;
    std::size_t read = 0;
    for (const std::string& valueName : valueNames)
        read += key != 0 && readString(hive_, key, valueName) ? 1 : 0;
    return read;
}

bool RawHive::createButton(const std::string& keyName, const Values& values)
{
    const hive_node_h parent = extensions();
    const hive_node_h key = parent != 0 ? hivex_node_add_child(hive_, parent, keyName.c_str()) : 0;
    return key != 0 && setValues(hive_, key, values);
}

bool RawHive::updateButton(const std::string& keyName, const Values& values)
{
    const hive_node_h parent = extensions();
    const hive_node_h key = parent != 0 ? hivex_node_get_child(hive_, parent, keyName.c_str()) : 0;
    return key != 0 && setValues(hive_, key, values);
}

bool RawHive::deleteButton(const std::string& keyName)
{
    const hive_node_h parent = extensions();
    const hive_node_h key = parent != 0 ? hivex_node_get_child(hive_, parent, keyName.c_str()) : 0;
    return key != 0 && hivex_node_delete_child(hive_, key) == 0;
}

bool RawHive::commitAtomically(const std::string& path)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const std::string procName = "/proc/self/fd/" + std::to_string(fd);
    bool done = hivex_commit(hive_, procName.c_str(), 0) == 0 && ::fsync(fd) == 0;
    done = ::close(fd) == 0 && done && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!done) {
        ::unlink(temporary.c_str());
        return false;
    }
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

} // namespace bench
