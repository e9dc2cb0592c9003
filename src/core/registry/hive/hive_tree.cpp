#include "core/registry/hive/hive_tree.h"

#include "core/hive_format/hive_copy.h"

#include "core/hive_format/hive_new_keys.h"
#include "core/registry/registry_names.h"

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

// Takes over a zero-terminated list of nodes or values that libhivex
// allocated; false for none.
bool adoptList(std::size_t* list, std::vector<std::size_t>* out)
{
    if (list == nullptr)
        return false;
    out->clear();
    for (std::size_t i = 0; list[i] != 0; ++i)
        out->push_back(list[i]);
    std::free(list);
    return true;
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

// libhivex refuses to read a key holding more than 70,000 sub keys; keys are
// held to the most that it could add itself, so that every saved key can
// be read again.
constexpr std::size_t kMostSubKeys = 65535;

// New keys are numbered above every offset a hive file can hold.
constexpr HiveTree::Node kFirstNewKey = HiveTree::Node{1} << (8 * sizeof(HiveTree::Node) - 1);

} // namespace

std::unique_ptr<HiveTree> HiveTree::load(const std::string& path)
{
    hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (hive == nullptr)
        return nullptr;
    return std::unique_ptr<HiveTree>(new HiveTree(hive, nullptr));
}

std::unique_ptr<HiveTree> HiveTree::open(int fd)
{
    auto reader = HiveReader::open(fd);
    if (reader == nullptr)
        return nullptr;
    return std::unique_ptr<HiveTree>(new HiveTree(nullptr, std::move(reader)));
}

HiveTree::HiveTree(hive_h* hive, std::unique_ptr<HiveReader> reader)
    : hive_(hive), reader_(std::move(reader)), nextNewKey_(kFirstNewKey)
{
}

HiveTree::~HiveTree()
{
    if (hive_ != nullptr)
        hivex_close(hive_);
}

// libhivex's nodes and values are the same file offsets as the reader's, so
// what is cached stays true; from now on libhivex, which holds the changes,
// answers the reads too.
bool HiveTree::makeWritable()
{
    if (hive_ != nullptr)
        return true;
    hive_ = hivex_open(("/proc/self/fd/" + std::to_string(reader_->file())).c_str(), HIVEX_OPEN_WRITE);
    return hive_ != nullptr;
}

int HiveTree::file() const
{
    return reader_ != nullptr ? reader_->file() : -1;
}

std::shared_ptr<const MappedFile> HiveTree::mapping() const
{
    return reader_ != nullptr ? reader_->mapping() : nullptr;
}

HiveTree::Node HiveTree::root() const
{
    return hive_ != nullptr ? hivex_root(hive_) : reader_->root();
}

bool HiveTree::listChildren(Node node, std::vector<Node>* out)
{
    if (hive_ == nullptr)
        return reader_->children(node, out);
    errno = 0;
    return adoptList(hivex_node_children(hive_, node), out);
}

std::optional<std::string> HiveTree::keyName(Node node)
{
    return hive_ != nullptr ? adopt(hivex_node_name(hive_, node)) : reader_->keyName(node);
}

bool HiveTree::listValues(Node node, std::vector<std::size_t>* out)
{
    if (hive_ == nullptr)
        return reader_->values(node, out);
    errno = 0;
    return adoptList(hivex_node_values(hive_, node), out);
}

std::optional<std::string> HiveTree::valueName(std::size_t handle)
{
    return hive_ != nullptr ? adopt(hivex_value_key(hive_, handle)) : reader_->valueName(handle);
}

HiveChildIndex* HiveTree::childIndex(Node node)
{
    if (const auto cached = children_.find(node); cached != children_.end())
        return &cached->second;
    std::vector<Node> nodes;
    if (!listChildren(node, &nodes))
        return nullptr;
    std::vector<Child> children;
    children.reserve(nodes.size());
    for (const Node child : nodes) {
        auto name = keyName(child);
        if (!name)
            return nullptr;
        children.push_back({std::move(*name), child});
    }
    HiveChildIndex& index = children_[node];
    index.place(std::move(children));
    return &index;
}

const std::vector<HiveTree::Child>* HiveTree::children(Node node)
{
    HiveChildIndex* index = childIndex(node);
    if (index == nullptr)
        return nullptr;
    if (!index->added().empty()) {
        std::vector<Child> all = index->ordered();
        all.insert(all.end(), index->added().begin(), index->added().end());
        index->place(std::move(all));
    }
    return &index->ordered();
}

bool HiveTree::childrenReadable(Node node)
{
    return childIndex(node) != nullptr;
}

HiveTree::Node HiveTree::findChild(Node parent, std::string_view name)
{
    const HiveChildIndex* index = childIndex(parent);
    return index != nullptr ? index->find(name) : 0;
}

HiveTree::Node HiveTree::findKey(const std::vector<std::string>& names)
{
    Node node = root();
    for (std::size_t i = 0; i < names.size() && node != 0; ++i)
        node = findChild(node, names[i]);
    return node;
}

// The value's stored type and length.
bool HiveTree::describeValue(std::size_t handle, Value* value)
{
    if (hive_ == nullptr) {
        if (!reader_->valueType(handle, &value->type, &value->length))
            return false;
    } else {
        RawType type;
        if (hivex_value_type(hive_, handle, type.slot(), &value->length) != 0)
            return false;
        value->type = type.value();
    }
    value->handle = handle;
    return true;
}

// Whether libhivex could free the value: inline data has no cell (offset 0,
// errno 0); a cell that is not a valid block is what it cannot free.
bool HiveTree::isFreeable(std::size_t handle)
{
    if (hive_ == nullptr)
        return reader_->dataIsFreeable(handle);
    std::size_t cellLength = 0;
    errno = 0;
    return hivex_value_data_cell_offset(hive_, handle, &cellLength) != 0 || errno == 0;
}

HiveTree::ValueIndex* HiveTree::valueIndex(Node node)
{
    if (const auto found = values_.find(node); found != values_.end())
        return &found->second;
    std::vector<std::size_t> handles;
    if (!listValues(node, &handles))
        return nullptr;
    ValueIndex index;
    for (const std::size_t handle : handles) {
        Value value;
        auto name = valueName(handle);
        if (!name || !describeValue(handle, &value))
            return nullptr;
        value.name = std::move(*name);
        value.freeable = isFreeable(handle);
        index.ordered.push_back(std::move(value));
    }
    return &values_.emplace(node, std::move(index)).first->second;
}

const std::vector<HiveTree::Value>* HiveTree::values(Node node)
{
    const ValueIndex* index = valueIndex(node);
    return index != nullptr ? &index->ordered : nullptr;
}

// Looks the value up as libhivex's own lookup does, but with the
// registry's name comparison, converting names only until it is found.
bool HiveTree::findValue(Node node, std::string_view name, std::optional<Value>* found)
{
    found->reset();
    if (const auto cached = values_.find(node); cached != values_.end()) {
        for (const Value& value : cached->second.ordered)
            if (sameName(value.name, name)) {
                *found = value;
                break;
            }
        return true;
    }
    std::vector<std::size_t> handles;
    if (!listValues(node, &handles))
        return false;
    for (const std::size_t handle : handles) {
        auto stored = valueName(handle);
        if (!stored)
            return false;
        if (sameName(*stored, name)) {
            Value value;
            value.name = std::move(*stored);
            if (!describeValue(handle, &value))
                return false;
            *found = std::move(value);
            break;
        }
    }
    return true;
}

bool HiveTree::readValue(const Value& value, std::vector<std::uint8_t>* data)
{
    if (value.handle == 0) {
        *data = value.staged;
        return true;
    }
    data->clear();
    // libhivex cannot read an empty value stored without a data cell, and
    // there is nothing to read anyway.
    if (value.length == 0)
        return true;
    if (hive_ == nullptr)
        return reader_->valueData(value.handle, data);
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
    HiveChildIndex* siblings = childIndex(parent);
    if (siblings == nullptr || siblings->ordered().size() + siblings->added().size() >= kMostSubKeys) {
        errno = siblings == nullptr ? EINVAL : ERANGE;
        return 0;
    }
    const Node child = nextNewKey_++;
    siblings->add({name, child});
    newKeys_.emplace(child, HeldKey{parent, name});
    children_.emplace(child, HiveChildIndex());
    values_[child].staged = true;
    return child;
}

bool HiveTree::deleteChild(Node parent, Node child)
{
    if (const auto cached = children_.find(parent); cached != children_.end())
        cached->second.remove(child);
    children_.erase(child);
    values_.erase(child);
    if (newKeys_.erase(child) != 0)
        return true;
    // Values held for a key below it must not outlive it.
    if (!makeWritable() || !applyValues())
        return false;
    errno = 0;
    return hivex_node_delete_child(hive_, child) == 0;
}

// The key's values, read whole so that they can be handed back to libhivex
// in one list; null when they cannot be read.
HiveTree::ValueIndex* HiveTree::stagedValues(Node node)
{
    ValueIndex* index = valueIndex(node);
    if (index == nullptr || index->staged)
        return index;
    std::vector<std::vector<std::uint8_t>> data(index->ordered.size());
    for (std::size_t i = 0; i < data.size(); ++i)
        if (!readValue(index->ordered[i], &data[i]))
            return nullptr;
    for (std::size_t i = 0; i < data.size(); ++i) {
        index->ordered[i].handle = 0;
        index->ordered[i].staged = std::move(data[i]);
    }
    index->staged = true;
    return index;
}

bool HiveTree::setValue(Node node, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data)
{
    ValueIndex* index = stagedValues(node);
    if (index == nullptr)
        return false;
    // Replace an existing value under its stored spelling, so that a name
    // differing beyond ASCII case does not become a second value.
    auto& ordered = index->ordered;
    auto found = std::find_if(ordered.begin(), ordered.end(),
                              [&name](const Value& value) { return sameName(value.name, name); });
    if (found == ordered.end()) {
        ordered.emplace_back().name = name;
        found = std::prev(ordered.end());
    }
    Value& value = *found;
    value.type = type;
    value.length = data.size();
    value.staged = data;
    return true;
}

bool HiveTree::deleteValue(Node node, std::string_view name, bool* found)
{
    ValueIndex* index = stagedValues(node);
    if (index == nullptr)
        return false;
    auto& ordered = index->ordered;
    const auto value =
        std::find_if(ordered.begin(), ordered.end(), [&name](const Value& each) { return sameName(each.name, name); });
    *found = value != ordered.end();
    if (*found)
        ordered.erase(value);
    return true;
}

bool HiveTree::applyValues()
{
    for (auto found = values_.begin(); found != values_.end();) {
        if (!found->second.staged || isNew(found->first)) {
            ++found;
            continue;
        }
        if (!makeWritable())
            return false;
        std::vector<hive_set_value> list;
        char nothing = 0;
        for (Value& value : found->second.ordered) {
            hive_set_value& set = list.emplace_back();
            set.key = value.name.data();
            std::memcpy(&set.t, &value.type, sizeof value.type);
            set.len = value.staged.size();
            set.value = value.staged.empty() ? &nothing : reinterpret_cast<char*>(value.staged.data());
        }
        errno = 0;
        if (hivex_node_set_values(hive_, found->first, list.size(), list.data(), 0) != 0)
            return false;
        found = values_.erase(found);
    }
    return true;
}

bool HiveTree::writeTo(const std::string& file)
{
    // Unless libhivex holds changes, the file as read is what the new keys
    // are added to.
    errno = 0;
    if (hive_ != nullptr ? hivex_commit(hive_, file.c_str(), 0) != 0 : !writeHiveCopy(reader_->file(), file))
        return false;
    std::vector<platform::NewKey> added;
    added.reserve(newKeys_.size());
    for (const auto& [node, key] : newKeys_) {
        platform::NewKey& out = added.emplace_back();
        out.id = node;
        out.parent = key.parent;
        out.name = key.name;
        for (const Value& value : values_[node].ordered)
            out.values.push_back({value.name, value.type, &value.staged});
    }
    return appendNewKeys(file, added);
}

} // namespace platform
