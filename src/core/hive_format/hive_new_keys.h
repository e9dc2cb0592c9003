#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A key to add to a written hive file, with its values.
struct NewKey {
    struct Value {
        std::string_view name; // UTF-8
        std::uint32_t type = 0;
        const std::vector<std::uint8_t>* data = nullptr;
    };

    std::size_t id = 0;     // how later new keys name it as their parent
    std::size_t parent = 0; // a key in the file (its file offset), or an earlier new key's id
    std::string name;       // UTF-8, not among the parent's sub keys
    std::vector<Value> values;
};

// Adds the keys to the hive file, a save's own copy that nothing else
// changes: new bins at its end hold them, every key that gains sub keys
// gets one new sub key list in Windows' order (its old list cells become
// free cells), new keys share their parent's security cell, and the
// header's size field and checksum follow. libhivex would copy the whole
// list of the parent for every key added, leaving quadratic garbage; here
// each list is written once per save. False with errno set when the file
// cannot be written, EINVAL when a parent or its list cannot be read.
bool appendNewKeys(const std::string& file, const std::vector<NewKey>& keys);

} // namespace platform
