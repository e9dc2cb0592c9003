#include "core/hive_format/hive_reader.h"

#include "core/hive_format/hive_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

using namespace hive_format;

constexpr std::size_t kPageSize = 0x1000;
constexpr std::size_t kRootOffsetField = 0x24;
constexpr std::size_t kMostSubKeys = 70000; // libhivex's limits
constexpr std::size_t kMostValues = 110000;
constexpr std::size_t kMostValueLength = 8000000;
constexpr std::size_t kMostListBlocks = 70000;

namespace vk {
constexpr std::size_t kNameLength = 0x02, kDataLength = 0x04, kData = 0x08, kType = 0x0C, kFlags = 0x10,
                      kName = 0x14;
}

bool failed(int cause)
{
    errno = cause;
    return false;
}

std::size_t invalidCell()
{
    errno = EFAULT;
    return 0;
}

void appendUtf8(char32_t c, std::string* out)
{
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// A stored name as libhivex hands it out: UTF-8 of Latin-1 bytes or of
// strict UTF-16LE (nothing for an odd length or an unpaired surrogate),
// ending at the first NUL as a C string does.
std::optional<std::string> decodedName(const std::uint8_t* text, std::size_t length, bool latin1)
{
    std::string out;
    if (latin1) {
        if (const void* end = std::memchr(text, 0, length))
            length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - text);
        if (std::all_of(text, text + length, [](std::uint8_t c) { return c < 0x80; }))
            return std::string(text, text + length);
    }
    out.reserve(length);
    if (latin1) {
        for (std::size_t i = 0; i < length; ++i)
            appendUtf8(text[i], &out);
    } else {
        if (length % 2 != 0) {
            errno = EINVAL;
            return std::nullopt;
        }
        for (std::size_t i = 0; i < length; i += 2) {
            char32_t unit = load16(text + i);
            if (unit >= 0xD800 && unit < 0xDC00 && i + 2 < length) {
                const char32_t low = load16(text + i + 2);
                if (low < 0xDC00 || low >= 0xE000) {
                    errno = EILSEQ;
                    return std::nullopt;
                }
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else if (unit >= 0xD800 && unit < 0xE000) {
                errno = EILSEQ;
                return std::nullopt;
            }
            appendUtf8(unit, &out);
        }
    }
    if (const auto end = out.find('\0'); end != std::string::npos)
        out.resize(end);
    return out;
}

} // namespace

std::unique_ptr<HiveReader> HiveReader::open(int fd)
{
    std::unique_ptr<HiveReader> reader(new HiveReader);
    reader->fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (reader->fd_ < 0)
        return nullptr;
    reader->map_ = std::make_shared<const MappedFile>(reader->fd_);
    if (!reader->map_->isOpen())
        return nullptr;
    reader->size_ = reader->map_->size();
    if (!reader->cellStarts_.allocate(reader->size_ / 4 / 64 + 1) ||
        !reader->binOfPage_.allocate(reader->size_ / kPageSize + 1))
        return nullptr;
    const std::uint8_t* header = reader->bytes(0, kRootOffsetField + 4);
    if (header == nullptr || std::memcmp(header, "regf", 4) != 0) {
        errno = EINVAL;
        return nullptr;
    }
    reader->root_ = kBaseBlockSize + load32(header + kRootOffsetField);
    Cell root;
    if (!reader->sound(reader->record(reader->root_, "nk", nk::kName, &root)))
        return nullptr;
    return reader;
}

HiveReader::~HiveReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

const std::uint8_t* HiveReader::bytes(std::size_t offset, std::size_t length) const
{
    if (offset > size_ || length > size_ - offset) {
        errno = EFAULT;
        return nullptr;
    }
    return map_->data() + offset;
}

bool HiveReader::sound(bool result)
{
    return map_->cutShort() ? failed(EIO) : result;
}

// A used cell must start where its bin's chain of cells has one start: the
// bin is found from the page the offset lies in, and walked once, marking
// where its used cells start.
bool HiveReader::isCellStart(std::size_t offset)
{
    // As libhivex: cells at four-byte steps, of at least eight bytes.
    if (offset < kBaseBlockSize + kBinHeaderSize || offset % 4 != 0 || offset >= size_)
        return failed(EFAULT);
    const std::size_t page = offset / kPageSize;
    if (binOfPage_[page].startPlusOne == 0 && !walkBin(page))
        return false;
    return (cellStarts_[offset / 4 / 64] >> (offset / 4 % 64) & 1) != 0 || failed(EFAULT);
}

// The cell's size; 0 with errno set for none.
std::size_t HiveReader::cellSize(std::size_t offset)
{
    if (!isCellStart(offset))
        return 0;
    const PageBin bin = binOfPage_[offset / kPageSize];
    const std::size_t binEnd = (bin.startPlusOne - 1 + std::size_t{bin.pages}) * kPageSize;
    // Read again from the file, which another program may be rewriting in
    // place: held to the bin, whatever it says now.
    const std::size_t size = std::size_t(-static_cast<std::int64_t>(static_cast<std::int32_t>(load32(map_->data() + offset))));
    return size >= 8 && size <= binEnd - offset ? size : invalidCell();
}

// Finds the bin holding the page and marks its used cells, once per bin.
bool HiveReader::walkBin(std::size_t page)
{
    std::size_t binStart = page * kPageSize;
    const std::uint8_t* binHeader = nullptr;
    for (;; binStart -= kPageSize) {
        if (binStart < kBaseBlockSize || (binHeader = bytes(binStart, kBinHeaderSize)) == nullptr)
            return failed(EFAULT);
        if (std::memcmp(binHeader, "hbin", 4) == 0)
            break;
    }
    const std::size_t binSize = load32(binHeader + 8);
    if (binSize < kPageSize || binSize % kPageSize != 0 || binSize > size_ - binStart ||
        page * kPageSize >= binStart + binSize)
        return failed(EFAULT);
    const std::uint8_t* bin = map_->data() + binStart;
    for (std::size_t at = kBinHeaderSize; at + 4 <= binSize;) {
        const auto stored = static_cast<std::int32_t>(load32(bin + at));
        const std::size_t length = stored < 0 ? std::size_t(-static_cast<std::int64_t>(stored)) : std::size_t(stored);
        if (length < 8 || length % 4 != 0 || length > binSize - at)
            break; // the rest of the bin holds no cell that can be trusted
        if (stored < 0) {
            const std::size_t slot = (binStart + at) / 4;
            cellStarts_[slot / 64] |= std::uint64_t{1} << (slot % 64);
        }
        at += length;
    }
    const PageBin known{static_cast<std::uint32_t>(binStart / kPageSize + 1), static_cast<std::uint32_t>(binSize / kPageSize)};
    for (std::size_t inBin = binStart / kPageSize; inBin < (binStart + binSize) / kPageSize; ++inBin)
        binOfPage_[inBin] = known;
    return true;
}

bool HiveReader::cell(std::size_t offset, Cell* content)
{
    const std::size_t size = cellSize(offset);
    if (size == 0)
        return false;
    *content = {map_->data() + offset + 4, size - 4};
    return true;
}

bool HiveReader::record(std::size_t offset, const char* kind, std::size_t minimum, Cell* content)
{
    if (!cell(offset, content))
        return false;
    if (content->size < std::max<std::size_t>(minimum, 2) || content->data[0] != kind[0] || content->data[1] != kind[1])
        return failed(EINVAL);
    return true;
}

// The keys of an lf, lh or li leaf, each of which must be a key record.
bool HiveReader::leafEntries(Cell leaf, std::vector<std::size_t>* out)
{
    const std::size_t stride = leaf.data[1] == 'i' ? 4 : 8;
    const std::size_t count = load16(leaf.data + 2);
    if (4 + count * stride > leaf.size)
        return failed(EFAULT);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = kBaseBlockSize + load32(leaf.data + 4 + i * stride);
        const std::size_t size = cellSize(offset);
        const std::uint8_t* kind = map_->data() + offset + 4;
        if (size < 6 || kind[0] != 'n' || kind[1] != 'k')
            return failed(EFAULT);
        out->push_back(offset);
    }
    return true;
}

bool HiveReader::children(std::size_t key, std::vector<std::size_t>* out)
{
    out->clear();
    Cell nk;
    if (!record(key, "nk", nk::kName, &nk))
        return sound(false);
    const std::size_t expected = load32(nk.data + nk::kSubKeyCount);
    if (expected == 0)
        return sound(true);
    if (expected > kMostSubKeys)
        return failed(ERANGE);
    out->reserve(expected);
    std::vector<std::size_t> pending{kBaseBlockSize + load32(nk.data + nk::kSubKeyList)};
    std::size_t blocks = 0;
    while (!pending.empty()) {
        const std::size_t offset = pending.back();
        pending.pop_back();
        Cell list;
        if (++blocks > kMostListBlocks || !cell(offset, &list) || list.size < 4)
            return sound(failed(EFAULT));
        if (list.data[0] == 'l' && (list.data[1] == 'f' || list.data[1] == 'h' || list.data[1] == 'i')) {
            if (!leafEntries(list, out))
                return sound(false);
        } else if (list.data[0] == 'r' && list.data[1] == 'i') {
            const std::size_t count = load16(list.data + 2);
            if (4 + count * 4 > list.size)
                return sound(failed(EFAULT));
            // Taken in order: the last one pushed is read first.
            for (std::size_t i = count; i-- > 0;)
                pending.push_back(kBaseBlockSize + load32(list.data + 4 + 4 * i));
        } else {
            return sound(failed(ENOTSUP));
        }
        if (out->size() > expected)
            return sound(failed(ERANGE));
    }
    return sound(out->size() == expected || failed(ENOTSUP));
}

struct HiveReader::NameLayout {
    const char* kind;
    std::size_t lengthField, flagsField, text;
    std::uint16_t oneBytePerCharacter;
};
constexpr HiveReader::NameLayout kKeyName{"nk", nk::kNameLength, nk::kFlags, nk::kName, kCompressedKeyName};
constexpr HiveReader::NameLayout kValueName{"vk", vk::kNameLength, vk::kFlags, vk::kName, kCompressedValueName};

std::optional<std::string> HiveReader::name(std::size_t offset, const NameLayout& layout)
{
    Cell content;
    if (!record(offset, layout.kind, layout.text, &content)) {
        sound(false);
        return std::nullopt;
    }
    const std::size_t length = load16(content.data + layout.lengthField);
    if (layout.text + length > content.size) {
        errno = EFAULT;
        return std::nullopt;
    }
    auto decoded = decodedName(content.data + layout.text, length,
                               (load16(content.data + layout.flagsField) & layout.oneBytePerCharacter) != 0);
    if (!sound(true))
        return std::nullopt;
    return decoded;
}

std::optional<std::string> HiveReader::keyName(std::size_t key)
{
    return name(key, kKeyName);
}

bool HiveReader::values(std::size_t key, std::vector<std::size_t>* out)
{
    out->clear();
    Cell nk;
    if (!record(key, "nk", nk::kName, &nk))
        return sound(false);
    const std::size_t count = load32(nk.data + nk::kValueCount);
    if (count == 0)
        return sound(true);
    if (count > kMostValues)
        return failed(ERANGE);
    Cell list;
    if (!cell(kBaseBlockSize + load32(nk.data + nk::kValueList), &list) || 4 * count > list.size)
        return sound(failed(EFAULT));
    // Each must start a cell; whether it is a value shows when it is read.
    out->reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = kBaseBlockSize + load32(list.data + 4 * i);
        if (!isCellStart(offset))
            return sound(false);
        out->push_back(offset);
    }
    return sound(true);
}

std::optional<std::string> HiveReader::valueName(std::size_t value)
{
    return name(value, kValueName);
}

bool HiveReader::valueType(std::size_t value, std::uint32_t* type, std::size_t* length)
{
    Cell content;
    if (!record(value, "vk", vk::kName, &content))
        return sound(false);
    *type = load32(content.data + vk::kType);
    *length = load32(content.data + vk::kDataLength) & ~kInlineData;
    return sound(true);
}

bool HiveReader::dataIsFreeable(std::size_t value)
{
    Cell content;
    if (!record(value, "vk", vk::kName, &content))
        return sound(false);
    const std::uint32_t length = load32(content.data + vk::kDataLength);
    if ((length & kInlineData) != 0)
        return sound((length & ~kInlineData) <= 4);
    return sound(cellSize(kBaseBlockSize + load32(content.data + vk::kData)) != 0);
}

// As libhivex reads data: inline, one cell, or the segments of a big-data
// (db) cell, each of which gives all but the last four bytes of its cell.
bool HiveReader::valueData(std::size_t value, std::vector<std::uint8_t>* data)
{
    Cell content;
    if (!record(value, "vk", vk::kName, &content))
        return sound(false);
    const std::uint32_t stored = load32(content.data + vk::kDataLength);
    const std::size_t length = stored & ~kInlineData;
    if ((stored & kInlineData) != 0) {
        if (length > 4)
            return failed(ENOTSUP);
        data->assign(content.data + vk::kData, content.data + vk::kData + length);
        return sound(true);
    }
    if (length > kMostValueLength)
        return failed(ERANGE);
    Cell cellData;
    if (!cell(kBaseBlockSize + load32(content.data + vk::kData), &cellData))
        return sound(false);
    if (length <= cellData.size) {
        data->assign(cellData.data, cellData.data + length);
        return sound(true);
    }
    if (cellData.size < 8 || cellData.data[0] != 'd' || cellData.data[1] != 'b')
        return sound(failed(EINVAL));
    const std::size_t segments = load16(cellData.data + 2);
    Cell list;
    if (!cell(kBaseBlockSize + load32(cellData.data + 4), &list) || 4 * segments > list.size)
        return sound(failed(EINVAL));
    data->clear();
    for (std::size_t i = 0; i < segments && data->size() < length; ++i) {
        Cell segment;
        if (!cell(kBaseBlockSize + load32(list.data + 4 * i), &segment) || segment.size < 4)
            return sound(failed(EINVAL));
        const std::size_t taken = std::min(segment.size - 4, length - data->size());
        data->insert(data->end(), segment.data, segment.data + taken);
    }
    return sound(true);
}

} // namespace platform
