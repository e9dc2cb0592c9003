#include "core/registry/hive/hive_readback.h"

#include "core/hive_format/hive_check.h"
#include "core/hive_format/mapped_file.h"

#include <cstdint>

namespace platform {

namespace {

std::string joined(const KeyNames& names)
{
    std::string path;
    for (const std::string& name : names)
        path += (path.empty() ? "" : "\\") + name;
    return path.empty() ? "at the root" : path;
}

std::string valuesDiffer(HiveTree& intended, HiveTree::Node mine, HiveTree& written, HiveTree::Node theirs)
{
    const auto* expected = intended.values(mine);
    const auto* found = written.values(theirs);
    if (expected == nullptr || found == nullptr || expected->size() != found->size())
        return "holds other values";
    std::vector<std::uint8_t> expectedData;
    std::vector<std::uint8_t> foundData;
    for (const HiveTree::Value& value : *expected) {
        std::optional<HiveTree::Value> copy;
        if (!written.findValue(theirs, value.name, &copy) || !copy || copy->type != value.type ||
            !intended.readValue(value, &expectedData) || !written.readValue(*copy, &foundData) ||
            foundData != expectedData)
            return "holds another value " + value.name;
    }
    return {};
}

} // namespace

std::string writtenHiveDamage(const std::string& file)
{
    // The save's own copy, which nothing else changes, is checked where it
    // lies instead of being read into memory.
    const MappedFile written(file, MappedFile::Access::ReadOnly);
    if (!written.isOpen())
        return "the written hive cannot be read back";
    const HiveCheck check = checkHive(written.data(), written.size());
    return check.sound() ? std::string() : "the written hive is damaged: " + check.damage;
}

std::string writtenKeysDiffer(HiveTree& intended, HiveTree& written, const std::vector<KeyNames>& keys)
{
    for (const KeyNames& names : keys) {
        const HiveTree::Node mine = intended.findKey(names);
        const HiveTree::Node theirs = written.findKey(names);
        if ((mine == 0) != (theirs == 0))
            return std::string("the written hive ") + (mine != 0 ? "lacks" : "still holds") + " the key " +
                   joined(names);
        if (mine == 0)
            continue;
        if (const std::string problem = valuesDiffer(intended, mine, written, theirs); !problem.empty())
            return "the written hive's key " + joined(names) + " " + problem;
    }
    return {};
}

} // namespace platform
