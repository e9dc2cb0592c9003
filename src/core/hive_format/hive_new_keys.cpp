#include "core/hive_format/hive_new_keys.h"

#include "core/hive_format/blank_hive.h"
#include "core/hive_format/hive_file_status.h"
#include "core/hive_format/hive_format.h"
#include "core/hive_format/mapped_file.h"
#include "core/text/name_case.h"
#include "core/text/utf16_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <optional>
#include <unordered_map>

namespace platform {

namespace {

using namespace hive_format;

constexpr std::size_t kHeaderBinsSize = 0x28;
constexpr std::size_t kBinSize = 0x1000;
// A leaf of this many entries fits a 4 KiB bin; longer lists become an ri
// index over such leaves, as Windows splits its own.
constexpr std::size_t kLeafCapacity = 500;
constexpr std::size_t kSecurityReferences = 0x0C;

// The existing hive, mapped writable.
struct MappedHive {
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0;

    // The content of the used cell at a stored offset (counted from the
    // first bin), and its length; null when there is no such cell.
    std::uint8_t* cell(std::uint32_t stored, std::size_t* length) const
    {
        const std::size_t offset = kBaseBlockSize + std::size_t{stored};
        if (offset > size || size - offset < 4)
            return nullptr;
        const auto sizeField = static_cast<std::int32_t>(load32(bytes + offset));
        if (sizeField >= 0)
            return nullptr; // a free cell
        const auto cellSize = static_cast<std::size_t>(-static_cast<std::int64_t>(sizeField));
        if (cellSize < 4 || cellSize > size - offset)
            return nullptr;
        *length = cellSize - 4;
        return bytes + offset + 4;
    }
    std::uint8_t* record(std::uint32_t stored, const char* signature, std::size_t minimum) const
    {
        std::size_t length = 0;
        std::uint8_t* content = cell(stored, &length);
        if (content == nullptr || length < minimum || content[0] != signature[0] || content[1] != signature[1])
            return nullptr;
        return content;
    }
    void free(std::uint32_t stored) const
    {
        std::uint8_t* sizeField = bytes + kBaseBlockSize + stored;
        store32(sizeField, static_cast<std::uint32_t>(-static_cast<std::int32_t>(load32(sizeField))));
    }
};

// New bins after the existing ones, filled cell by cell; cells never cross
// a bin, and the unused end of a bin is a free cell.
class CellArea {
public:
    CellArea(std::uint32_t start, std::uint64_t now) : start_(start), now_(now) {}

    // A used cell with room for contentSize bytes; its stored offset.
    std::uint32_t allocate(std::size_t contentSize)
    {
        const std::size_t size = (4 + contentSize + 7) & ~std::size_t{7};
        if (used_ + size > bytes_.size()) {
            finishBin();
            const std::size_t binSize = (size + kBinHeaderSize + kBinSize - 1) / kBinSize * kBinSize;
            const std::size_t bin = bytes_.size();
            bytes_.resize(bin + binSize, 0);
            std::copy_n("hbin", 4, bytes_.begin() + static_cast<std::ptrdiff_t>(bin));
            store32(&bytes_[bin + 0x04], static_cast<std::uint32_t>(start_ + bin));
            store32(&bytes_[bin + 0x08], static_cast<std::uint32_t>(binSize));
            store32(&bytes_[bin + 0x14], static_cast<std::uint32_t>(now_));
            store32(&bytes_[bin + 0x18], static_cast<std::uint32_t>(now_ >> 32));
            used_ = bin + kBinHeaderSize;
        }
        store32(&bytes_[used_], static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
        const auto cell = static_cast<std::uint32_t>(start_ + used_);
        used_ += size;
        return cell;
    }
    // The content of a cell allocated here; valid until the next allocate.
    std::uint8_t* content(std::uint32_t cell) { return &bytes_[cell - start_ + 4]; }
    void finishBin()
    {
        if (used_ < bytes_.size())
            store32(&bytes_[used_], static_cast<std::uint32_t>(bytes_.size() - used_));
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::uint64_t now() const { return now_; }

private:
    std::uint32_t start_;
    std::uint64_t now_;
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// One sub key list entry: the key's cell, the lh hash, and the name as
// Windows compares it (UTF-16 units, upper-cased).
struct Entry {
    std::uint32_t cell = 0;
    std::u16string name;
};

std::uint32_t lhHash(const std::u16string& folded)
{
    std::uint32_t hash = 0;
    for (const char16_t unit : folded)
        hash = hash * 37 + unit;
    return hash;
}

std::u16string folded(const std::uint8_t* text, std::size_t length, bool compressed)
{
    std::u16string name(compressed ? length : length / 2, u'\0');
    for (std::size_t i = 0; i < name.size(); ++i)
        name[i] = upcaseNameUnit(compressed ? text[i] : load16(text + 2 * i));
    return name;
}

// A name as a hive stores it: one byte per character for ASCII, else UTF-16LE.
struct StoredName {
    std::vector<std::uint8_t> bytes;
    bool ascii = true;
};

std::optional<StoredName> storedName(std::string_view name)
{
    StoredName stored;
    stored.ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (stored.ascii) {
        stored.bytes.assign(name.begin(), name.end());
        return stored;
    }
    auto utf16 = utf8ToUtf16le(name);
    if (!utf16)
        return std::nullopt;
    stored.bytes = std::move(*utf16);
    return stored;
}

// How many bytes the name takes in UTF-16, which nk records count.
std::uint32_t utf16Bytes(const StoredName& name)
{
    return static_cast<std::uint32_t>(name.ascii ? 2 * name.bytes.size() : name.bytes.size());
}

std::optional<std::uint32_t> writeValue(CellArea& area, const NewKey::Value& value)
{
    const auto name = storedName(value.name);
    if (!name)
        return std::nullopt;
    const std::vector<std::uint8_t>& data = *value.data;
    const auto length = static_cast<std::uint32_t>(data.size());
    std::uint32_t dataCell = 0;
    if (length > 4) {
        dataCell = area.allocate(length);
        std::copy(data.begin(), data.end(), area.content(dataCell));
    }
    const std::uint32_t vk = area.allocate(0x14 + name->bytes.size());
    std::uint8_t* content = area.content(vk);
    std::copy_n("vk", 2, content);
    store16(content + 0x02, static_cast<std::uint16_t>(name->bytes.size()));
    if (length > 4) {
        store32(content + 0x04, length);
        store32(content + 0x08, dataCell);
    } else {
        store32(content + 0x04, length | kInlineData);
        std::copy(data.begin(), data.end(), content + 0x08);
    }
    store32(content + 0x0C, value.type);
    store16(content + 0x10, name->ascii && !name->bytes.empty() ? kCompressedValueName : 0);
    std::copy(name->bytes.begin(), name->bytes.end(), content + 0x14);
    return vk;
}

// The key's nk cell, its values and their list; its sub keys come later.
std::optional<Entry> writeKey(CellArea& area, const NewKey& key, std::uint32_t parentCell, std::uint32_t security)
{
    const auto name = storedName(key.name);
    if (!name || name->bytes.empty())
        return std::nullopt;
    std::vector<std::uint32_t> valueCells;
    std::uint32_t longestName = 0;
    std::uint32_t longestData = 0;
    for (const NewKey::Value& value : key.values) {
        const auto cell = writeValue(area, value);
        const auto valueName = storedName(value.name);
        if (!cell || !valueName)
            return std::nullopt;
        valueCells.push_back(*cell);
        longestName = std::max(longestName, utf16Bytes(*valueName));
        longestData = std::max(longestData, static_cast<std::uint32_t>(value.data->size()));
    }
    std::uint32_t valueList = kNoCell;
    if (!valueCells.empty()) {
        valueList = area.allocate(4 * valueCells.size());
        for (std::size_t i = 0; i < valueCells.size(); ++i)
            store32(area.content(valueList) + 4 * i, valueCells[i]);
    }
    const std::uint32_t nk = area.allocate(nk::kName + name->bytes.size());
    std::uint8_t* content = area.content(nk);
    std::copy_n("nk", 2, content);
    store16(content + nk::kFlags, name->ascii ? kCompressedKeyName : 0);
    store32(content + 0x04, static_cast<std::uint32_t>(area.now()));
    store32(content + 0x08, static_cast<std::uint32_t>(area.now() >> 32));
    store32(content + nk::kParent, parentCell);
    store32(content + nk::kSubKeyList, kNoCell);
    store32(content + nk::kSubKeyList + 4, kNoCell); // volatile sub keys
    store32(content + nk::kValueCount, static_cast<std::uint32_t>(valueCells.size()));
    store32(content + nk::kValueList, valueList);
    store32(content + nk::kSecurity, security);
    store32(content + nk::kClassName, kNoCell);
    store32(content + 0x3C, longestName);
    store32(content + 0x40, longestData);
    store16(content + nk::kNameLength, static_cast<std::uint16_t>(name->bytes.size()));
    std::copy(name->bytes.begin(), name->bytes.end(), content + nk::kName);
    return Entry{nk, folded(name->bytes.data(), name->bytes.size(), name->ascii)};
}

// A list of entries in order: one lh leaf, or an ri index over leaves.
std::uint32_t writeList(CellArea& area, const std::vector<Entry>& entries)
{
    const auto leaf = [&area](const Entry* first, std::size_t count) {
        const std::uint32_t cell = area.allocate(4 + 8 * count);
        std::uint8_t* content = area.content(cell);
        std::copy_n("lh", 2, content);
        store16(content + 2, static_cast<std::uint16_t>(count));
        for (std::size_t i = 0; i < count; ++i) {
            store32(content + 4 + 8 * i, first[i].cell);
            store32(content + 8 + 8 * i, lhHash(first[i].name));
        }
        return cell;
    };
    if (entries.size() <= kLeafCapacity)
        return leaf(entries.data(), entries.size());
    std::vector<std::uint32_t> leaves;
    for (std::size_t first = 0; first < entries.size(); first += kLeafCapacity)
        leaves.push_back(leaf(entries.data() + first, std::min(kLeafCapacity, entries.size() - first)));
    const std::uint32_t index = area.allocate(4 + 4 * leaves.size());
    std::uint8_t* content = area.content(index);
    std::copy_n("ri", 2, content);
    store16(content + 2, static_cast<std::uint16_t>(leaves.size()));
    for (std::size_t i = 0; i < leaves.size(); ++i)
        store32(content + 4 + 4 * i, leaves[i]);
    return index;
}

// The entries of an existing key's sub key list (through the leaves of an
// ri index), and the list's cells, which the new list replaces.
bool existingEntries(const MappedHive& hive, const std::uint8_t* key, std::vector<Entry>* entries,
                     std::vector<std::uint32_t>* cells)
{
    if (load32(key + nk::kSubKeyCount) == 0 || load32(key + nk::kSubKeyList) == kNoCell)
        return true;
    const std::uint32_t list = load32(key + nk::kSubKeyList);
    std::size_t length = 0;
    const std::uint8_t* content = hive.cell(list, &length);
    if (content == nullptr || length < 4)
        return false;
    std::vector<std::uint32_t> leaves{list};
    if (content[0] == 'r' && content[1] == 'i') {
        if ((length - 4) / 4 < load16(content + 2))
            return false;
        leaves.clear();
        for (std::size_t i = 0; i < load16(content + 2); ++i)
            leaves.push_back(load32(content + 4 + 4 * i));
        cells->push_back(list);
    }
    for (const std::uint32_t leafCell : leaves) {
        const std::uint8_t* leaf = hive.cell(leafCell, &length);
        if (leaf == nullptr || length < 4 || leaf[0] != 'l')
            return false;
        const std::size_t stride = leaf[1] == 'i' ? 4 : 8;
        if ((leaf[1] != 'i' && leaf[1] != 'f' && leaf[1] != 'h') || (length - 4) / stride < load16(leaf + 2))
            return false;
        cells->push_back(leafCell);
        for (std::size_t i = 0; i < load16(leaf + 2); ++i) {
            const std::uint32_t child = load32(leaf + 4 + stride * i);
            std::size_t nkLength = 0;
            const std::uint8_t* nk = hive.cell(child, &nkLength);
            if (nk == nullptr || nkLength < nk::kName || nk[0] != 'n' || nk[1] != 'k')
                return false;
            const std::size_t nameLength = load16(nk + nk::kNameLength);
            if (nameLength > nkLength - nk::kName)
                return false;
            entries->push_back(
                {child, folded(nk + nk::kName, nameLength, (load16(nk + nk::kFlags) & kCompressedKeyName) != 0)});
        }
    }
    return true;
}

// The parts of an nk record that gaining sub keys changes.
void setSubKeys(std::uint8_t* key, std::size_t count, std::uint32_t list, std::uint32_t longestName)
{
    store32(key + nk::kSubKeyCount, static_cast<std::uint32_t>(count));
    store32(key + nk::kSubKeyList, list);
    store32(key + 0x34, std::max(load32(key + 0x34), longestName));
}

bool invalid()
{
    errno = EINVAL;
    return false;
}

} // namespace

bool appendNewKeys(const std::string& file, const std::vector<NewKey>& keys)
{
    if (keys.empty())
        return true;
    std::vector<std::uint8_t> appended;
    std::size_t binsEnd = 0;
    {
        const MappedFile mapped(file, MappedFile::Access::ReadWrite);
        if (!mapped.isOpen())
            return false;
        const MappedHive hive{mapped.data(), mapped.size()};
        if (hive.size < kBaseBlockSize)
            return invalid();
        binsEnd = load32(hive.bytes + kHeaderBinsSize);
        if (hive.size - kBaseBlockSize < binsEnd)
            return invalid();
        CellArea area(static_cast<std::uint32_t>(binsEnd), windowsFileTimeNow());

        struct Placed {
            std::uint32_t cell;
            std::uint32_t security;
        };
        std::unordered_map<std::size_t, Placed> placed; // new keys by id
        std::map<std::size_t, std::vector<Entry>> gained; // new sub keys by parent
        std::map<std::uint32_t, std::uint32_t> references; // added uses of each security cell
        std::unordered_map<std::size_t, std::uint32_t> longestChild;
        for (const NewKey& key : keys) {
            Placed parent{};
            if (const auto found = placed.find(key.parent); found != placed.end()) {
                parent = found->second;
            } else {
                const auto stored = static_cast<std::uint32_t>(key.parent - kBaseBlockSize);
                const std::uint8_t* nk = hive.record(stored, "nk", nk::kName);
                if (key.parent < kBaseBlockSize || nk == nullptr)
                    return invalid();
                parent = {stored, load32(nk + nk::kSecurity)};
            }
            const auto entry = writeKey(area, key, parent.cell, parent.security);
            if (!entry)
                return invalid();
            placed[key.id] = {entry->cell, parent.security};
            ++references[parent.security];
            std::uint32_t& longest = longestChild[key.parent];
            longest = std::max(longest, static_cast<std::uint32_t>(2 * entry->name.size()));
            gained[key.parent].push_back(*entry);
        }
        const auto windowsOrder = [](const Entry& a, const Entry& b) { return a.name < b.name; };
        for (auto& [parent, entries] : gained) {
            if (const auto found = placed.find(parent); found != placed.end()) {
                std::stable_sort(entries.begin(), entries.end(), windowsOrder);
                const std::uint32_t list = writeList(area, entries);
                setSubKeys(area.content(found->second.cell), entries.size(), list, longestChild[parent]);
                continue;
            }
            std::uint8_t* nk = hive.record(static_cast<std::uint32_t>(parent - kBaseBlockSize), "nk", nk::kName);
            std::vector<Entry> all;
            std::vector<std::uint32_t> oldCells;
            if (!existingEntries(hive, nk, &all, &oldCells))
                return invalid();
            all.insert(all.end(), entries.begin(), entries.end());
            std::stable_sort(all.begin(), all.end(), windowsOrder);
            setSubKeys(nk, all.size(), writeList(area, all), longestChild[parent]);
            for (const std::uint32_t cell : oldCells)
                hive.free(cell);
        }
        for (const auto& [security, count] : references) {
            std::uint8_t* sk = hive.record(security, "sk", kSecurityReferences + 4);
            if (sk == nullptr)
                return invalid();
            store32(sk + kSecurityReferences, load32(sk + kSecurityReferences) + count);
        }
        area.finishBin();
        appended = area.bytes();
        const std::uint32_t oldSize = load32(hive.bytes + kHeaderBinsSize);
        const auto newSize = static_cast<std::uint32_t>(binsEnd + appended.size());
        store32(hive.bytes + kHeaderBinsSize, newSize);
        store32(hive.bytes + kChecksumOffset, load32(hive.bytes + kChecksumOffset) ^ oldSize ^ newSize);
    }
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::size_t end = kBaseBlockSize + binsEnd;
    const bool written = ::lseek(fd, static_cast<off_t>(end), SEEK_SET) >= 0 &&
                         writeExactly(fd, appended.data(), appended.size()) &&
                         ::ftruncate(fd, static_cast<off_t>(end + appended.size())) == 0;
    const int cause = errno;
    ::close(fd);
    errno = cause;
    return written;
}

} // namespace platform
