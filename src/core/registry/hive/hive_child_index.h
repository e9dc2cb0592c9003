#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The sub keys of one key, found by name in any
// letter case (as registry names compare) through a table of their
// positions: one small number per child instead of a second copy of each
// name. The table is built at the first lookup, so that a key whose sub keys
// are only enumerated never hashes their names.
class HiveChildIndex {
public:
    struct Child {
        std::string name;
        std::size_t node = 0;
    };

    // The children in Windows' order, as last placed.
    const std::vector<Child>& ordered() const { return ordered_; }
    // Children added since, not yet placed in order.
    const std::vector<Child>& added() const { return added_; }

    // Takes the children (in libhivex's order, with any added) and sorts them.
    void place(std::vector<Child> children);
    void add(Child child);
    // Forgets the child; false when it is not here.
    bool remove(std::size_t node);
    // The node of the first child of that name (in the order placed, then
    // added); 0 when there is none.
    std::size_t find(std::string_view name) const;

private:
    const Child& at(std::uint32_t position) const;
    void rebuildSlots() const;
    void insertSlot(std::uint32_t position, std::string_view name) const;

    std::vector<Child> ordered_;
    std::vector<Child> added_;
    // Open addressing by name hash; a slot holds a position + 1, 0 is empty.
    // Empty until the first lookup needs it.
    mutable std::vector<std::uint32_t> slots_;
};

} // namespace platform
