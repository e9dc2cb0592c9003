#include "platform/registry/hive_tree.h"

#include "platform/registry/registry_names.h"

#include <hivex.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Takes ownership of a string that libhivex allocated.
std::optional<std::string> adopt(char* text)
{
    if (text == nullptr)
        return std::nullopt;
    std::string copy(text);
    std::free(text);
    return copy;
}

// libhivex hands value types through its hive_type enum, but a hive may
// hold any 32-bit type (Pennant itself writes 0xFFFF0000). Such a number
// is never held in an enum object of ours: libhivex writes into raw storage
// and the bits are copied out, or copied in for a write.
static_assert(sizeof(hive_type) == sizeof(std::uint32_t));

struct RawType {
    alignas(hive_type) unsigned char storage[sizeof(hive_type)] = {};
    hive_type* slot() { return reinterpret_cast<hive_type*>(storage); }
    std::uint32_t value() const
    {
        std::uint32_t type = 0;
        std::memcpy(&type, storage, sizeof type);
        return type;
    }
};

} // namespace

std::unique_ptr<HiveTree> HiveTree::load(const std::string& path, Access access)
{
    hive_h* hive = hivex_open(path.c_str(), access == Access::ReadWrite ? HIVEX_OPEN_WRITE : 0);
    if (hive == nullptr)
        return nullptr;
    return std::unique_ptr<HiveTree>(new HiveTree(hive));
}

HiveTree::HiveTree(hive_h* hive) : hive_(hive)
{
}

HiveTree::~HiveTree()
{
    hivex_close(hive_);
}

HiveTree::Node HiveTree::root() const
{
    return hivex_root(hive_);
}

const HiveTree::ChildIndex* HiveTree::childIndex(Node node)
{
    const auto cached = children_.find(node);
    if (cached != children_.end() && !cached->second.stale)
        return &cached->second;
    errno = 0;
    hive_node_h* list = hivex_node_children(hive_, node);
    if (list == nullptr)
        return nullptr;
    // Children seen before keep their names: only new ones are converted.
    struct Names {
        std::string name;
        std::string folded;
    };
    std::unordered_map<Node, Names> known;
    if (cached != children_.end()) {
        for (const auto& [folded, child] : cached->second.byFoldedName)
            known[child].folded = folded;
        for (Child& child : cached->second.ordered)
            known[child.node].name = std::move(child.name);
    }
    ChildIndex index;
    bool readable = true;
    for (std::size_t i = 0; list[i] != 0 && readable; ++i) {
        auto seen = known.find(list[i]);
        if (seen == known.end()) {
            const auto name = adopt(hivex_node_name(hive_, list[i]));
            readable = name.has_value();
            if (readable)
                seen = known.emplace(list[i], Names{*name, foldedName(*name)}).first;
        }
        if (readable) {
            index.byFoldedName.emplace(std::move(seen->second.folded), list[i]);
            index.ordered.push_back({std::move(seen->second.name), list[i]});
        }
    }
    std::free(list);
    if (!readable) {
        children_.erase(node);
        return nullptr;
    }
    // libhivex orders only ASCII names as Windows does; list the others in
    // Windows' order too.
    const auto windowsOrder = [](const Child& a, const Child& b) { return compareNames(a.name, b.name) < 0; };
    if (!std::is_sorted(index.ordered.begin(), index.ordered.end(), windowsOrder))
        std::stable_sort(index.ordered.begin(), index.ordered.end(), windowsOrder);
    return &(children_[node] = std::move(index));
}

const std::vector<HiveTree::Child>* HiveTree::children(Node node)
{
    const ChildIndex* index = childIndex(node);
    return index != nullptr ? &index->ordered : nullptr;
}

HiveTree::Node HiveTree::findChild(Node parent, std::string_view name)
{
    const ChildIndex* index = childIndex(parent);
    if (index == nullptr)
        return 0;
    const auto found = index->byFoldedName.find(foldedName(name));
    return found != index->byFoldedName.end() ? found->second : 0;
}

HiveTree::Node HiveTree::findKey(const std::vector<std::string>& names)
{
    Node node = root();
    for (std::size_t i = 0; i < names.size() && node != 0; ++i)
        node = findChild(node, names[i]);
    return node;
}

const HiveTree::ValueIndex* HiveTree::valueIndex(Node node)
{
    if (const auto found = values_.find(node); found != values_.end())
        return &found->second;
    errno = 0;
    hive_value_h* list = hivex_node_values(hive_, node);
    if (list == nullptr)
        return nullptr;
    ValueIndex index;
    bool readable = true;
    for (std::size_t i = 0; list[i] != 0 && readable; ++i) {
        Value value;
        value.handle = list[i];
        RawType type;
        const auto name = adopt(hivex_value_key(hive_, list[i]));
        readable = name.has_value() && hivex_value_type(hive_, list[i], type.slot(), &value.length) == 0;
        if (readable) {
            // Inline data has no cell (offset 0, errno 0); a cell that is
            // not a valid block is what libhivex cannot free.
            std::size_t cellLength = 0;
            errno = 0;
            value.freeable = hivex_value_data_cell_offset(hive_, list[i], &cellLength) != 0 || errno == 0;
            value.name = *name;
            value.type = type.value();
            index.byFoldedName.emplace(foldedName(value.name), index.ordered.size());
            index.ordered.push_back(std::move(value));
        }
    }
    std::free(list);
    if (!readable)
        return nullptr;
    return &values_.emplace(node, std::move(index)).first->second;
}

const std::vector<HiveTree::Value>* HiveTree::values(Node node)
{
    const ValueIndex* index = valueIndex(node);
    return index != nullptr ? &index->ordered : nullptr;
}

std::optional<HiveTree::Value> HiveTree::findValue(Node node, std::string_view name)
{
    const ValueIndex* index = valueIndex(node);
    if (index == nullptr)
        return std::nullopt;
    const auto found = index->byFoldedName.find(foldedName(name));
    if (found == index->byFoldedName.end())
        return std::nullopt;
    return index->ordered[found->second];
}

bool HiveTree::readValue(const Value& value, std::vector<std::uint8_t>* data)
{
    data->clear();
    // libhivex cannot read an empty value stored without a data cell, and
    // there is nothing to read anyway.
    if (value.length == 0)
        return true;
    RawType type;
    std::size_t length = 0;
    char* bytes = hivex_value_value(hive_, value.handle, type.slot(), &length);
    if (bytes == nullptr)
        return false;
    data->assign(bytes, bytes + length);
    std::free(bytes);
    return true;
}

HiveTree::Node HiveTree::addChild(Node parent, const std::string& name)
{
    if (const auto cached = children_.find(parent); cached != children_.end())
        cached->second.stale = true;
    errno = 0;
    return hivex_node_add_child(hive_, parent, name.c_str());
}

bool HiveTree::deleteChild(Node parent, Node child)
{
    if (const auto cached = children_.find(parent); cached != children_.end())
        cached->second.stale = true;
    children_.erase(child);
    values_.erase(child);
    errno = 0;
    return hivex_node_delete_child(hive_, child) == 0;
}

bool HiveTree::setValue(Node node, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data)
{
    // Replace an existing value under its stored spelling, so that a name
    // differing beyond ASCII case does not become a second value.
    const auto existing = findValue(node, name);
    std::string storedName = existing ? existing->name : name;
    values_.erase(node);
    hive_set_value value{};
    value.key = storedName.data();
    std::memcpy(&value.t, &type, sizeof type);
    value.len = data.size();
    char nothing = 0;
    value.value = data.empty() ? &nothing : const_cast<char*>(reinterpret_cast<const char*>(data.data()));
    errno = 0;
    return hivex_node_set_value(hive_, node, &value, 0) == 0;
}

bool HiveTree::writeTo(const std::string& file)
{
    errno = 0;
    return hivex_commit(hive_, file.c_str(), 0) == 0;
}

} // namespace platform
