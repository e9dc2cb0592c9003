#include "core/registry/hive/hive_child_index.h"

#include "core/registry/registry_names.h"

#include <algorithm>

namespace platform {

void HiveChildIndex::place(std::vector<Child> children)
{
    // libhivex orders only ASCII names as Windows does; list the others in
    // Windows' order too.
    const auto windowsOrder = [](const Child& a, const Child& b) { return compareNames(a.name, b.name) < 0; };
    if (!std::is_sorted(children.begin(), children.end(), windowsOrder))
        std::stable_sort(children.begin(), children.end(), windowsOrder);
    ordered_ = std::move(children);
    added_.clear();
    slots_.clear();
}

void HiveChildIndex::add(Child child)
{
    added_.push_back(std::move(child));
    if (slots_.empty())
        return;
    // Kept at most half full, so that a search soon meets an empty slot.
    if (2 * (ordered_.size() + added_.size()) > slots_.size())
        rebuildSlots();
    else
        insertSlot(static_cast<std::uint32_t>(ordered_.size() + added_.size() - 1), added_.back().name);
}

bool HiveChildIndex::remove(std::size_t node)
{
    for (auto* list : {&ordered_, &added_}) {
        const auto found =
            std::find_if(list->begin(), list->end(), [node](const Child& child) { return child.node == node; });
        if (found != list->end()) {
            list->erase(found);
            slots_.clear();
            return true;
        }
    }
    return false;
}

std::size_t HiveChildIndex::find(std::string_view name) const
{
    if (ordered_.empty() && added_.empty())
        return 0;
    if (slots_.empty())
        rebuildSlots();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = NameHash()(name) & mask; slots_[slot] != 0; slot = (slot + 1) & mask)
        if (const Child& child = at(slots_[slot] - 1); sameName(child.name, name))
            return child.node;
    return 0;
}

const HiveChildIndex::Child& HiveChildIndex::at(std::uint32_t position) const
{
    return position < ordered_.size() ? ordered_[position] : added_[position - ordered_.size()];
}

// Positions go in in order, so that of two names that compare equal (a
// damaged hive may hold both) the first is found.
void HiveChildIndex::rebuildSlots() const
{
    const std::size_t count = ordered_.size() + added_.size();
    std::size_t size = 16;
    while (size < 2 * count + 2)
        size *= 2;
    slots_.assign(size, 0);
    for (std::uint32_t position = 0; position < count; ++position)
        insertSlot(position, at(position).name);
}

void HiveChildIndex::insertSlot(std::uint32_t position, std::string_view name) const
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = NameHash()(name) & mask;
    while (slots_[slot] != 0)
        slot = (slot + 1) & mask;
    slots_[slot] = position + 1;
}

} // namespace platform
