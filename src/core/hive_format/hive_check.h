#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A structural check of a whole hive file, over its bytes, before anything
// writes to it: libhivex trusts the file's structure when it changes it, so
// a damaged hive could abort the process or be made worse by a save.
namespace platform {

struct HiveCheck {
    // Empty when the hive is sound; otherwise what is damaged and where, for
    // example "key list at offset 0x1a20 points outside the hive bins".
    std::string damage;
    // Both header sequence numbers are equal: the hive's Windows logs were
    // applied (a hive that is not clean may be read, never written).
    bool clean = false;

    bool sound() const { return damage.empty(); }
};

// Checks the base block (signature, version, checksum, root offset, the size
// field against the file's real size), the chain of hive bins and their
// cells, and every cell reachable from the root key: keys, sub key lists,
// value lists, values and their data (big data included), security and
// class name cells. Bounds, signatures, sizes, counts and names are checked,
// no cell is reached twice unless it may be shared (security cells), sub
// keys of ASCII names are in Windows' order without duplicates, and keys
// nest at most 512 deep. Cells that nothing reaches are allowed, as Windows
// leaves them. Offsets in the result count from the start of the file.
// The bytes may change while they are checked (a mapped file that another
// program rewrites): the verdict is then worthless, but no read strays
// outside them.
HiveCheck checkHive(const std::uint8_t* bytes, std::size_t size);

// The sentence a person sees for a hive that failed the check:
// "The hive is damaged (<damage>); Pennant will not change it."
std::string damagedHiveSentence(const std::string& damage);

} // namespace platform
