#include "core/hive_format/hive_check.h"
#include "core/hive_format/hive_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace platform {

namespace {

using namespace hive_format;

constexpr std::size_t kCellAlignment = 8;
constexpr std::size_t kMaxDepth = 512;
constexpr std::size_t kBigDataSegment = 16344;

// Field offsets inside a cell's content (after its four-byte size); nk's
// are shared.
namespace vk {
constexpr std::size_t kNameLength = 0x02, kDataLength = 0x04, kDataOffset = 0x08, kFlags = 0x10, kName = 0x14;
}
namespace sk {
constexpr std::size_t kNext = 0x04, kPrevious = 0x08, kUses = 0x0C, kDescriptorLength = 0x10, kDescriptor = 0x14;
}

std::string hex(std::size_t offset)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%zx", offset);
    return text;
}


class Checker {
public:
    Checker(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    HiveCheck run()
    {
        HiveCheck result;
        if (checkBaseBlock(&result.clean) && checkBins())
            checkTree();
        result.damage = std::move(damage_);
        return result;
    }

private:
    std::uint16_t u16(std::size_t at) const { return load16(bytes_ + at); }
    std::uint32_t u32(std::size_t at) const { return load32(bytes_ + at); }

    bool fail(const char* what, std::size_t at, const std::string& problem)
    {
        damage_ = std::string(what) + " at offset " + hex(at) + " " + problem;
        return false;
    }
    // The same, for the functions that return a cell's offset.
    std::size_t noCell(const char* what, std::size_t at, const std::string& problem)
    {
        fail(what, at, problem);
        return 0;
    }

    bool checkBaseBlock(bool* clean)
    {
        if (size_ < kBaseBlockSize + 0x1000) {
            damage_ = "file is shorter than a hive's header and first bin";
            return false;
        }
        if (std::memcmp(bytes_, "regf", 4) != 0)
            return fail("header", 0, "has no hive signature");
        if (u32(0x14) != 1)
            return fail("header", 0x14, "names an unknown major version");
        if (u32(0x1C) != 0)
            return fail("header", 0x1C, "is not that of a primary hive file");
        std::uint32_t checksum = 0;
        for (std::size_t at = 0; at < kChecksumOffset; at += 4)
            checksum ^= u32(at);
        if (checksum != u32(kChecksumOffset))
            return fail("header", kChecksumOffset, "has a wrong checksum");
        *clean = u32(0x04) == u32(0x08);
        minorVersion_ = u32(0x18);
        const std::uint32_t binsSize = u32(0x28);
        if (binsSize == 0 || binsSize % 0x1000 != 0 || binsSize > size_ - kBaseBlockSize)
            return fail("header's size field", 0x28,
                        "says " + std::to_string(binsSize) + " bytes of hive bins, but the file holds " +
                            std::to_string(size_ - kBaseBlockSize));
        endBins_ = kBaseBlockSize + binsSize;
        // Bytes past the bins are ignored, but not a bin the size field leaves out.
        if (endBins_ + 4 <= size_ && std::memcmp(bytes_ + endBins_, "hbin", 4) == 0)
            return fail("header's size field", 0x28, "leaves out the hive bin at offset " + hex(endBins_));
        used_.assign((endBins_ - kBaseBlockSize) / kCellAlignment, false);
        reached_.assign(used_.size(), false);
        return true;
    }

    bool checkBins()
    {
        for (std::size_t bin = kBaseBlockSize; bin < endBins_;) {
            if (std::memcmp(bytes_ + bin, "hbin", 4) != 0)
                return fail("hive bin", bin, "has no signature");
            const std::uint32_t binSize = u32(bin + 8);
            if (u32(bin + 4) != bin - kBaseBlockSize)
                return fail("hive bin", bin, "names a wrong offset for itself");
            if (binSize == 0 || binSize % 0x1000 != 0 || binSize > endBins_ - bin)
                return fail("hive bin", bin, "has an invalid size");
            for (std::size_t cell = bin + kBinHeaderSize; cell < bin + binSize;) {
                const auto raw = static_cast<std::int32_t>(u32(cell));
                const std::int64_t length = raw < 0 ? -std::int64_t{raw} : raw;
                if (length < 8 || length % kCellAlignment != 0 || length > std::int64_t(bin + binSize - cell))
                    return fail("cell", cell, "has an invalid size");
                if (raw < 0)
                    used_[index(cell)] = true;
                cell += static_cast<std::size_t>(length);
            }
            bin += binSize;
        }
        return true;
    }

    std::size_t index(std::size_t cell) const { return (cell - kBaseBlockSize) / kCellAlignment; }

    // The file offset of the used cell that a reference found at `from`
    // points at, or 0 (after recording the damage). `what` names the cell
    // holding the reference.
    std::size_t cellAt(std::uint32_t reference, const char* what, std::size_t from)
    {
        const std::size_t cell = kBaseBlockSize + std::size_t{reference};
        if (reference == kNoCell || cell < kBaseBlockSize + kBinHeaderSize || cell >= endBins_)
            return noCell(what, from, "points outside the hive bins");
        if (cell % kCellAlignment != 0 || !used_[index(cell)])
            return noCell(what, from, "does not point at a cell in use");
        return cell;
    }

    // The size of a cell's content (after its size field), read afresh and
    // held to the hive bins: the bytes may be a mapped file that another
    // program rewrites while it is checked, and no read may leave them.
    std::size_t contentSize(std::size_t cell) const
    {
        const std::int64_t length = -std::int64_t{static_cast<std::int32_t>(u32(cell))};
        if (length < 8)
            return 0;
        return static_cast<std::size_t>(std::min(length, static_cast<std::int64_t>(endBins_ - cell))) - 4;
    }

    // Marks a cell reached; false (with the damage) when it was reached
    // before, unless both times as a cell that may be shared.
    bool reach(std::size_t cell, bool shared, const char* what, std::size_t from)
    {
        const std::size_t at = index(cell);
        if (reached_[at] && !(shared && shared_.count(cell) != 0))
            return fail(what, from, "points at the cell at offset " + hex(cell) + ", which is already in use");
        reached_[at] = true;
        if (shared)
            shared_.insert(cell);
        return true;
    }

    // Follows a reference to a cell of the given signature (empty: any) and
    // at least minimum content bytes; the cell's content offset or 0.
    std::size_t follow(std::uint32_t reference, const char* signature, std::size_t minimum, bool shared,
                       const char* what, std::size_t from)
    {
        const std::size_t cell = cellAt(reference, what, from);
        if (cell == 0)
            return 0;
        const std::size_t content = cell + 4;
        if (signature[0] != 0 && (contentSize(cell) < 2 || std::memcmp(bytes_ + content, signature, 2) != 0))
            return noCell(what, from,
                          "points at the cell at offset " + hex(cell) + ", which is no " + signature + " cell");
        if (contentSize(cell) < minimum)
            return noCell(what, from, "points at a cell too small for its content");
        return reach(cell, shared, what, from) ? content : 0;
    }

    struct PendingKey {
        std::size_t cell;   // file offset of the key's cell
        std::size_t parent; // file offset of the parent's cell (0 for the root)
        std::size_t depth;
    };

    bool checkTree()
    {
        const std::uint32_t rootReference = u32(0x24);
        const std::size_t root = cellAt(rootReference, "root key offset in the header", 0x24);
        if (root == 0)
            return false;
        if (!reach(root, false, "root key offset in the header", 0x24))
            return false;
        std::vector<PendingKey> pending{{root, 0, 1}};
        while (!pending.empty()) {
            const PendingKey key = pending.back();
            pending.pop_back();
            if (!checkKey(key, &pending))
                return false;
        }
        return checkSecurityUses();
    }

    // libhivex frees a security cell when a deleted key brings its count of
    // users to zero: a count lower than the keys using it would free it
    // under the others.
    bool checkSecurityUses()
    {
        for (const auto& [cell, uses] : securityUses_)
            if (const std::uint32_t counted = u32(cell + 4 + sk::kUses); counted < uses)
                return fail("security cell", cell,
                            "counts " + std::to_string(counted) + " keys using it, but " + std::to_string(uses) +
                                " do");
        return true;
    }

    bool checkKey(const PendingKey& key, std::vector<PendingKey>* pending)
    {
        const std::size_t at = key.cell;
        const std::size_t content = at + 4;
        const std::size_t size = contentSize(at);
        if (size < nk::kName || std::memcmp(bytes_ + content, "nk", 2) != 0)
            return fail("key", at, "is no key cell");
        const std::uint16_t nameLength = u16(content + nk::kNameLength);
        const bool compressed = (u16(content + nk::kFlags) & kCompressedKeyName) != 0;
        if (nk::kName + nameLength > size)
            return fail("key", at, "has a name running past its cell");
        if (key.parent != 0 && (nameLength == 0 || (!compressed && nameLength % 2 != 0)))
            return fail("key", at, "has an unreadable name");
        if (key.parent != 0 && kBaseBlockSize + u32(content + nk::kParent) != key.parent)
            return fail("key", at, "does not point back at its parent key");
        if (!checkSecurity(u32(content + nk::kSecurity), at))
            return false;
        // libhivex frees the class name cell of a deleted key whenever the
        // offset is set, even for a class of no characters.
        if (const std::uint16_t classLength = u16(content + nk::kClassLength);
            (classLength > 0 || u32(content + nk::kClassName) != kNoCell) &&
            follow(u32(content + nk::kClassName), "", classLength, false, "class name offset of the key", at) == 0)
            return false;
        if (!checkValues(at))
            return false;
        const std::uint32_t subKeys = u32(content + nk::kSubKeyCount);
        if (subKeys == 0)
            return true;
        if (key.depth >= kMaxDepth)
            return fail("key", at, "is nested more than " + std::to_string(kMaxDepth) + " deep");
        return checkSubKeys(key, subKeys, pending);
    }

    // Many keys share one security cell: it is checked when first reached.
    bool checkSecurity(std::uint32_t reference, std::size_t key)
    {
        const std::size_t cell = cellAt(reference, "security offset of the key", key);
        if (cell == 0)
            return false;
        ++securityUses_[cell];
        if (shared_.count(cell) != 0)
            return true;
        const std::size_t content = follow(reference, "sk", sk::kDescriptor, true, "security offset of the key", key);
        if (content == 0)
            return false;
        if (u32(content + sk::kDescriptorLength) > contentSize(cell) - sk::kDescriptor)
            return fail("security cell", cell, "has a descriptor running past its cell");
        for (const std::size_t link : {sk::kNext, sk::kPrevious}) {
            const std::size_t other = cellAt(u32(content + link), "security cell", cell);
            if (other == 0)
                return false;
            if (contentSize(other) < 2 || std::memcmp(bytes_ + other + 4, "sk", 2) != 0)
                return fail("security cell", cell, "links to a cell that is no security cell");
        }
        return true;
    }

    // The sub key list (lf, lh, li, or an ri over such lists): as many keys
    // as the key counts, each a key cell reached once, in Windows' order.
    bool checkSubKeys(const PendingKey& key, std::uint32_t expected, std::vector<PendingKey>* pending)
    {
        const std::size_t content = key.cell + 4;
        const std::uint32_t reference = u32(content + nk::kSubKeyList);
        const std::size_t list = follow(reference, "", 4, false, "sub key list offset of the key", key.cell);
        if (list == 0)
            return false;
        std::vector<std::size_t>& keys = childCells_;
        keys.clear();
        if (std::memcmp(bytes_ + list, "ri", 2) == 0) {
            const std::uint16_t count = u16(list + 2);
            if (4 + 4 * std::size_t{count} > contentSize(list - 4))
                return fail("index root", list - 4, "counts more lists than its cell holds");
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t leaf = follow(u32(list + 4 + 4 * i), "", 4, false, "index root", list - 4);
                if (leaf == 0 || !readLeaf(leaf, false, &keys))
                    return false;
            }
        } else if (!readLeaf(list, true, &keys)) {
            return false;
        }
        if (keys.size() != expected)
            return fail("key", key.cell,
                        "counts " + std::to_string(expected) + " sub keys, but its list holds " +
                            std::to_string(keys.size()));
        StoredName previous;
        StoredName name;
        for (const std::size_t child : keys) {
            if (!reach(child, false, "key list", list - 4))
                return false;
            if (contentSize(child) < nk::kName || std::memcmp(bytes_ + child + 4, "nk", 2) != 0)
                return fail("key list", list - 4, "points at the cell at offset " + hex(child) + ", which is no key");
            if (asciiName(child, &name)) {
                if (previous.length != 0 && compareFolded(name, previous) <= 0)
                    return fail("key list", list - 4, "is out of order or holds a name twice");
                previous = name;
            }
            pending->push_back({child, key.cell, key.depth + 1});
        }
        return true;
    }

    // Appends the key cells of an lf, lh or li list; ri only where allowed.
    bool readLeaf(std::size_t list, bool topLevel, std::vector<std::size_t>* keys)
    {
        const std::size_t cell = list - 4;
        const bool hashed = std::memcmp(bytes_ + list, "lf", 2) == 0 || std::memcmp(bytes_ + list, "lh", 2) == 0;
        if (!hashed && std::memcmp(bytes_ + list, "li", 2) != 0)
            return fail("key list", cell, topLevel ? "is no sub key list" : "is no leaf of its index root");
        const std::size_t stride = hashed ? 8 : 4;
        const std::uint16_t count = u16(list + 2);
        if (4 + stride * count > contentSize(cell))
            return fail("key list", cell, "counts more keys than its cell holds");
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t child = cellAt(u32(list + 4 + stride * i), "key list", cell);
            if (child == 0)
                return false;
            keys->push_back(child);
        }
        return true;
    }

    // A key's stored name: one byte per character when compressed, else UTF-16LE.
    struct StoredName {
        const std::uint8_t* bytes = nullptr;
        std::size_t length = 0; // in characters
        std::size_t step = 1;
        unsigned at(std::size_t i) const
        {
            return step == 1 ? bytes[i] : unsigned(bytes[2 * i] | bytes[2 * i + 1] << 8);
        }
    };

    // The key's name when all of it is ASCII: the names whose order this
    // check can judge as Windows does.
    bool asciiName(std::size_t key, StoredName* out) const
    {
        const std::size_t content = key + 4;
        const std::size_t length = u16(content + nk::kNameLength);
        const bool compressed = (u16(content + nk::kFlags) & kCompressedKeyName) != 0;
        if (nk::kName + length > contentSize(key) || length == 0)
            return false;
        out->bytes = bytes_ + content + nk::kName;
        out->step = compressed ? 1 : 2;
        out->length = length / out->step;
        for (std::size_t i = 0; i < out->length; ++i)
            if (out->at(i) >= 0x80)
                return false;
        return true;
    }

    // Negative, zero or positive as a sorts before, with or after b,
    // ignoring ASCII case.
    static int compareFolded(const StoredName& a, const StoredName& b)
    {
        const auto folded = [](unsigned unit) { return unit >= 'a' && unit <= 'z' ? unit - 0x20 : unit; };
        for (std::size_t i = 0; i < a.length && i < b.length; ++i)
            if (const unsigned x = folded(a.at(i)), y = folded(b.at(i)); x != y)
                return x < y ? -1 : 1;
        return a.length < b.length ? -1 : (a.length > b.length ? 1 : 0);
    }

    bool checkValues(std::size_t key)
    {
        const std::size_t content = key + 4;
        const std::uint32_t count = u32(content + nk::kValueCount);
        if (count == 0)
            return true;
        const std::size_t list = follow(u32(content + nk::kValueList), "", 4 * std::size_t{count}, false,
                                        "value list offset of the key", key);
        if (list == 0)
            return false;
        // The value cells lie anywhere: ask for them all before the first is
        // needed.
        for (std::size_t i = 0; i < count; ++i)
            if (const std::size_t cell = kBaseBlockSize + std::size_t{u32(list + 4 * i)}; cell < endBins_)
                __builtin_prefetch(bytes_ + cell);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t value = follow(u32(list + 4 * i), "vk", vk::kName, false, "value list", list - 4);
            if (value == 0 || !checkValue(value - 4))
                return false;
        }
        return true;
    }

    bool checkValue(std::size_t cell)
    {
        const std::size_t content = cell + 4;
        const std::uint16_t nameLength = u16(content + vk::kNameLength);
        const bool compressed = (u16(content + vk::kFlags) & kCompressedValueName) != 0;
        if (vk::kName + nameLength > contentSize(cell))
            return fail("value", cell, "has a name running past its cell");
        if (!compressed && nameLength % 2 != 0)
            return fail("value", cell, "has an unreadable name");
        const std::uint32_t lengthField = u32(content + vk::kDataLength);
        const std::size_t length = lengthField & ~kInlineData;
        if ((lengthField & kInlineData) != 0) {
            if (length > 4)
                return fail("value", cell, "claims more inline data than fits");
            return true;
        }
        const std::uint32_t reference = u32(content + vk::kDataOffset);
        // An empty value may have no data cell at all; nothing reads it. But
        // libhivex frees the cell its offset names with the value, so such
        // a cell must be the value's own.
        if (length == 0) {
            const std::size_t named = kBaseBlockSize + std::size_t{reference};
            const bool namesCell = reference != kNoCell && named >= kBaseBlockSize + kBinHeaderSize &&
                                   named < endBins_ && named % kCellAlignment == 0 &&
                                   used_[index(named)];
            return !namesCell || reach(named, false, "data offset of the value", cell);
        }
        const std::size_t data = follow(reference, "", 0, false, "data offset of the value", cell);
        if (data == 0)
            return false;
        if (length > kBigDataSegment && minorVersion_ >= 4 && contentSize(data - 4) >= 8 &&
            std::memcmp(bytes_ + data, "db", 2) == 0 && contentSize(data - 4) < length)
            return checkBigData(data, length);
        if (contentSize(data - 4) < length)
            return fail("value", cell, "has more data than its data cell holds");
        return true;
    }

    // A big-data record: a list of segments, each a cell of up to 16,344
    // bytes, together holding the value's data.
    bool checkBigData(std::size_t record, std::size_t length)
    {
        const std::size_t cell = record - 4;
        const std::uint16_t segments = u16(record + 2);
        if (std::size_t{segments} * kBigDataSegment < length)
            return fail("big data record", cell, "has too few segments for its value");
        const std::size_t list = follow(u32(record + 4), "", 4 * std::size_t{segments}, false, "big data record", cell);
        if (list == 0)
            return false;
        std::size_t remaining = length;
        for (std::size_t i = 0; i < segments; ++i) {
            const std::size_t part = remaining < kBigDataSegment ? remaining : kBigDataSegment;
            if (follow(u32(list + 4 * i), "", part, false, "big data segment list", list - 4) == 0)
                return false;
            remaining -= part;
        }
        return true;
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t endBins_ = 0;
    std::uint32_t minorVersion_ = 0;
    // Per possible cell start (every eight bytes of the hive bins): a used
    // cell starts there, the walk reached it; and the cells reached as cells
    // that may be shared (security cells).
    std::vector<bool> used_;
    std::vector<bool> reached_;
    std::unordered_set<std::size_t> shared_;
    std::string damage_;
    std::vector<std::size_t> childCells_; // reused from key to key
    std::unordered_map<std::size_t, std::uint32_t> securityUses_;
};

} // namespace

HiveCheck checkHive(const std::uint8_t* bytes, std::size_t size)
{
    return Checker(bytes, size).run();
}

std::string damagedHiveSentence(const std::string& damage)
{
    return "The hive is damaged (" + damage + "); Pennant will not change it.";
}

} // namespace platform
