#pragma once

#include "core/registry/hive/hive_child_index.h"
#include "core/hive_format/hive_reader.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct hive_h;

namespace platform {

// One hive, read by our own reader until the first change and then loaded
// into memory through libhivex, with the name lookups that libhivex does by
// linear scan cached per key. A key's cache is refreshed
// whenever this class changes that key. New keys are held here, with their
// values, until the hive is written: libhivex copies a parent's whole sub key
// list for every key it adds.
class HiveTree {
public:
    using Node = std::size_t;
    using Child = HiveChildIndex::Child;

    struct Value {
        // 0 for a value set through this tree and not yet handed to libhivex.
        std::size_t handle = 0;
        std::string name; // as stored
        std::uint32_t type = 0;
        std::size_t length = 0;
        // False when the value points at a data cell that is not there (as
        // Windows stores some empty values): libhivex aborts the process
        // when it frees the values of a key holding such a value. Known for
        // the values that values() lists.
        bool freeable = true;
        std::vector<std::uint8_t> staged; // the bytes of a value with no handle
    };

    // Loads the file into libhivex for writing (a copy in memory, so that
    // another program rewriting the file cannot pull it from under us).
    // Null with errno set on failure.
    static std::unique_ptr<HiveTree> load(const std::string& path);
    // Reads the open file with our own reader, cell by cell as they are
    // reached; changes need makeWritable() first. Null with errno set on
    // failure.
    static std::unique_ptr<HiveTree> open(int fd);
    ~HiveTree();
    HiveTree(const HiveTree&) = delete;
    HiveTree& operator=(const HiveTree&) = delete;

    Node root() const;

    // The file that open() read, and its bytes as mapped; -1 and null for a
    // tree that load() made.
    int file() const;
    std::shared_ptr<const MappedFile> mapping() const;
    // Loads the same file into libhivex for writing (it reads it all into
    // memory); nodes stay the same. False with errno set when it cannot.
    // Only changes to keys already in the file need it: new keys, and their
    // values, are written by our own code to a copy of the file.
    bool makeWritable();
    // Whether the key was added here and is not yet in the file.
    bool isNew(Node node) const { return newKeys_.count(node) != 0; }

    // The sub keys in Windows' order (names compared as compareNames does);
    // null when the key cannot be read.
    const std::vector<Child>* children(Node node);
    // Whether the sub keys can be read, and so looked up by name (cheaper
    // than children() after a change, which must learn the new order).
    bool childrenReadable(Node node);
    // 0 when there is no such sub key or it cannot be read.
    Node findChild(Node parent, std::string_view name);
    // The key at this path of names below the root; 0 when there is none.
    Node findKey(const std::vector<std::string>& names);

    // The key's values; null when they cannot be read.
    const std::vector<Value>* values(Node node);
    // The first value of that name (none when there is none); false when
    // the values before it, or all of them when it is not there, cannot be
    // read.
    bool findValue(Node node, std::string_view name, std::optional<Value>* found);
    // The stored bytes; false when they cannot be read.
    bool readValue(const Value& value, std::vector<std::uint8_t>* data);

    // Changes. Each returns false (or 0) with errno set when libhivex
    // fails, after which this tree must not be committed.
    // The new key is held here (its node is no offset in the hive) until
    // writeTo adds it to the written file.
    Node addChild(Node parent, const std::string& name);
    // Whether keys were added since the tree was loaded: the hive written
    // holds them, libhivex's copy in memory does not.
    bool holdsNewKeys() const { return !newKeys_.empty(); }
    bool deleteChild(Node parent, Node child);
    // Values set are held here, and reads see them, until applyValues hands
    // each changed key's whole list to libhivex at once: it rewrites a key's
    // value list on every call and never reuses the cells it frees.
    bool setValue(Node node, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data);
    // Removes the value of that name; *found tells whether there was one.
    bool deleteValue(Node node, std::string_view name, bool* found);
    bool applyValues();

    // Writes the whole hive to file (which may be a /proc/self/fd name),
    // with the new keys; values set must have been applied.
    bool writeTo(const std::string& file);

private:
    // Values are indexed only for keys about to be changed; reads look a
    // value up directly.
    struct ValueIndex {
        std::vector<Value> ordered;
        bool staged = false; // holds values not yet handed to libhivex
    };

    struct HeldKey {
        Node parent = 0;
        std::string name;
    };

    HiveTree(hive_h* hive, std::unique_ptr<HiveReader> reader);
    // Reads through libhivex once it holds the hive, else through the reader.
    bool listChildren(Node node, std::vector<Node>* out);
    std::optional<std::string> keyName(Node node);
    bool listValues(Node node, std::vector<std::size_t>* out);
    std::optional<std::string> valueName(std::size_t handle);
    // The name table is kept up to date in place by addChild and
    // deleteChild; the order only learns of added children when something
    // enumerates.
    HiveChildIndex* childIndex(Node node);
    ValueIndex* valueIndex(Node node);
    bool describeValue(std::size_t handle, Value* value);
    bool isFreeable(std::size_t handle);
    ValueIndex* stagedValues(Node node);

    hive_h* hive_; // null until makeWritable() for a tree that open() made
    std::unique_ptr<HiveReader> reader_;
    std::unordered_map<Node, HiveChildIndex> children_;
    std::unordered_map<Node, ValueIndex> values_;
    std::map<Node, HeldKey> newKeys_; // in the order added, parents first
    Node nextNewKey_;
};

} // namespace platform
