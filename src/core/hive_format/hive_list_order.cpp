#include "core/hive_format/hive_list_order.h"

#include "core/hive_format/hive_format.h"
#include "core/hive_format/mapped_file.h"
#include "core/text/name_case.h"

#include <algorithm>
#include <array>
#include <string>

namespace platform {

namespace {

using namespace hive_format;

struct MappedHive {
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0;

    // The content of the used cell at a file offset, and its length; null
    // when there is no such cell.
    std::uint8_t* cellAt(std::size_t offset, std::size_t* length) const
    {
        if (offset < kBaseBlockSize || offset > size || size - offset < 4)
            return nullptr;
        const auto stored = static_cast<std::int32_t>(load32(bytes + offset));
        if (stored >= 0)
            return nullptr; // a free cell
        const auto cellSize = static_cast<std::size_t>(-static_cast<std::int64_t>(stored));
        if (cellSize < 4 || cellSize > size - offset)
            return nullptr;
        *length = cellSize - 4;
        return bytes + offset + 4;
    }
    // The same for an offset as the hive stores it (from the first bin).
    std::uint8_t* storedCell(std::uint32_t stored, std::size_t* length) const
    {
        return cellAt(kBaseBlockSize + std::size_t{stored}, length);
    }
};

// A key's name as Windows compares it: its UTF-16 units, upper-cased.
bool comparisonName(const MappedHive& hive, std::uint32_t storedKey, std::u16string* name)
{
    std::size_t length = 0;
    const std::uint8_t* key = hive.storedCell(storedKey, &length);
    if (key == nullptr || length < nk::kName || key[0] != 'n' || key[1] != 'k')
        return false;
    const std::size_t nameLength = load16(key + nk::kNameLength);
    if (nameLength > length - nk::kName)
        return false;
    const std::uint8_t* text = key + nk::kName;
    const bool compressed = (load16(key + nk::kFlags) & kCompressedKeyName) != 0;
    if (!compressed && nameLength % 2 != 0)
        return false;
    name->resize(compressed ? nameLength : nameLength / 2);
    for (std::size_t i = 0; i < name->size(); ++i)
        (*name)[i] = upcaseNameUnit(compressed ? text[i] : load16(text + 2 * i));
    return true;
}

// The leaf lists (lf, lh or li, all of one kind) that hold a key's sub key
// entries: the list itself, or those that an ri index names.
bool leavesOf(const MappedHive& hive, std::uint32_t storedList, std::vector<std::uint8_t*>* leaves,
              std::size_t* entrySize)
{
    const auto entrySizeOf = [](const std::uint8_t* list) -> std::size_t {
        if (list[0] == 'l' && (list[1] == 'f' || list[1] == 'h'))
            return 8;
        return list[0] == 'l' && list[1] == 'i' ? 4 : 0;
    };
    const auto fits = [](const std::uint8_t* list, std::size_t length, std::size_t entry) {
        return length >= 4 && (length - 4) / entry >= load16(list + 2);
    };
    std::size_t length = 0;
    std::uint8_t* list = hive.storedCell(storedList, &length);
    if (list == nullptr || length < 4)
        return false;
    if (list[0] != 'r' || list[1] != 'i') {
        *entrySize = entrySizeOf(list);
        leaves->assign(1, list);
        return *entrySize != 0 && fits(list, length, *entrySize);
    }
    if (!fits(list, length, 4))
        return false;
    *entrySize = 0;
    for (std::size_t i = 0; i < load16(list + 2); ++i) {
        std::size_t leafLength = 0;
        std::uint8_t* leaf = hive.storedCell(load32(list + 4 + 4 * i), &leafLength);
        if (leaf == nullptr || leafLength < 4)
            return false;
        const std::size_t size = entrySizeOf(leaf);
        // A leaf named twice would be written twice, and lose entries.
        if (size == 0 || (*entrySize != 0 && size != *entrySize) || !fits(leaf, leafLength, size) ||
            std::find(leaves->begin(), leaves->end(), leaf) != leaves->end())
            return false;
        *entrySize = size;
        leaves->push_back(leaf);
    }
    return true;
}

struct Entry {
    std::array<std::uint8_t, 8> bytes{}; // the key's offset, and the hint or hash of lf and lh
    std::u16string name;
};

void orderKeyList(const MappedHive& hive, std::size_t keyOffset)
{
    std::size_t length = 0;
    const std::uint8_t* key = hive.cellAt(keyOffset, &length);
    if (key == nullptr || length < nk::kName || key[0] != 'n' || key[1] != 'k' || load32(key + nk::kSubKeyCount) == 0 ||
        load32(key + nk::kSubKeyList) == kNoCell)
        return;
    std::vector<std::uint8_t*> leaves;
    std::size_t entrySize = 0;
    if (!leavesOf(hive, load32(key + nk::kSubKeyList), &leaves, &entrySize))
        return;
    std::vector<Entry> entries;
    for (const std::uint8_t* leaf : leaves) {
        for (std::size_t i = 0; i < load16(leaf + 2); ++i) {
            Entry& entry = entries.emplace_back();
            std::copy_n(leaf + 4 + i * entrySize, entrySize, entry.bytes.begin());
            if (!comparisonName(hive, load32(entry.bytes.data()), &entry.name))
                return;
        }
    }
    const auto windowsOrder = [](const Entry& a, const Entry& b) { return a.name < b.name; };
    if (std::is_sorted(entries.begin(), entries.end(), windowsOrder))
        return;
    std::stable_sort(entries.begin(), entries.end(), windowsOrder);
    auto next = entries.begin();
    for (std::uint8_t* leaf : leaves)
        for (std::size_t i = 0; i < load16(leaf + 2); ++i, ++next)
            std::copy_n(next->bytes.begin(), entrySize, leaf + 4 + i * entrySize);
}

} // namespace

bool orderSubKeyLists(const std::string& file, const std::vector<std::size_t>& keys)
{
    if (keys.empty())
        return true;
    const MappedFile mapped(file, MappedFile::Access::ReadWrite);
    if (!mapped.isOpen())
        return false;
    const MappedHive hive{mapped.data(), mapped.size()};
    for (const std::size_t key : keys)
        orderKeyList(hive, key);
    return true;
}

} // namespace platform
