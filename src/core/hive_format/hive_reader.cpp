#include "core/hive_format/hive_reader.h"

#include "core/hive_format/hive_file_status.h"
#include "core/hive_format/hive_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

using namespace hive_format;

constexpr std::size_t kChunkSize = 0x10000; // read in pieces of this size
constexpr std::size_t kChunks = 16;          // kept at once
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
    out.reserve(length);
    if (latin1 && std::all_of(text, text + length, [](std::uint8_t c) { return c < 0x80; })) {
        out.assign(text, text + length);
    } else if (latin1) {
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
    const auto size = reader->fd_ >= 0 ? sizeOf(reader->fd_) : std::nullopt;
    if (!size)
        return nullptr;
    reader->size_ = *size;
    std::uint8_t header[kRootOffsetField + 4];
    if (!reader->bytes(0, sizeof header, header) || std::memcmp(header, "regf", 4) != 0) {
        errno = EINVAL;
        return nullptr;
    }
    reader->root_ = kBaseBlockSize + load32(header + kRootOffsetField);
    std::vector<std::uint8_t> root;
    if (!reader->record(reader->root_, "nk", nk::kName, &root))
        return nullptr;
    return reader;
}

HiveReader::~HiveReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

// Copies bytes of the file through a few chunk buffers, reused from the
// one reached longest ago: a listing passes over the file once, and memory
// that is used again costs no page faults.
bool HiveReader::bytes(std::size_t offset, std::size_t length, std::uint8_t* out)
{
    if (offset > size_ || length > size_ - offset)
        return failed(EFAULT);
    while (length > 0) {
        const std::size_t index = offset / kChunkSize;
        auto slot = std::find_if(chunks_.begin(), chunks_.end(), [index](const Chunk& chunk) { return chunk.index == index; });
        if (slot == chunks_.end()) {
            if (chunks_.size() < kChunks)
                slot = chunks_.insert(chunks_.end(), Chunk{index, std::make_unique<std::uint8_t[]>(kChunkSize), 0});
            else
                slot = std::min_element(chunks_.begin(), chunks_.end(),
                                        [](const Chunk& a, const Chunk& b) { return a.used < b.used; });
            const std::size_t start = index * kChunkSize;
            const std::size_t wanted = std::min(kChunkSize, size_ - start);
            slot->index = kNoChunk;
            if (!readExactly(fd_, start, slot->bytes.get(), wanted))
                return failed(EFAULT);
            slot->index = index;
        }
        slot->used = ++clock_;
        const std::size_t within = offset % kChunkSize;
        const std::size_t taken = std::min(length, kChunkSize - within);
        std::memcpy(out, slot->bytes.get() + within, taken);
        out += taken;
        offset += taken;
        length -= taken;
    }
    return true;
}

// A used cell must start where its bin's chain of cells has one start: the
// bin is found from the page the offset lies in, and walked once, marking
// where its used cells start. The cell's size; 0 with errno set for none.
std::size_t HiveReader::cellSize(std::size_t offset)
{
    // As libhivex: cells at four-byte steps, of at least eight bytes.
    if (offset < kBaseBlockSize + kBinHeaderSize || offset % 4 != 0 || offset >= size_)
        return invalidCell();
    const std::size_t page = offset / kPageSize;
    if (binOfPage_.size() <= page)
        binOfPage_.resize(size_ / kPageSize + 1);
    PageBin& known = binOfPage_[page];
    if (known.starts == nullptr && !walkBin(page * kPageSize, &known))
        return 0;
    const std::size_t slot = (offset - known.start) / 4;
    if (offset >= known.start + known.size || ((*known.starts)[slot / 64] >> (slot % 64) & 1) == 0)
        return invalidCell();
    std::uint8_t size[4];
    if (!bytes(offset, 4, size))
        return 0;
    return std::size_t(-static_cast<std::int64_t>(static_cast<std::int32_t>(load32(size))));
}

// Finds the bin holding the page and marks its used cells, once per bin.
bool HiveReader::walkBin(std::size_t page, PageBin* known)
{
    std::size_t binStart = page;
    std::uint8_t binHeader[kBinHeaderSize];
    for (;; binStart -= kPageSize) {
        if (binStart < kBaseBlockSize || !bytes(binStart, kBinHeaderSize, binHeader))
            return failed(EFAULT);
        if (std::memcmp(binHeader, "hbin", 4) == 0)
            break;
    }
    const std::size_t binSize = load32(binHeader + 8);
    if (binSize < kPageSize || binSize % kPageSize != 0 || binSize > size_ - binStart || page >= binStart + binSize)
        return failed(EFAULT);
    auto& starts = bins_[binStart];
    if (starts.empty()) {
        starts.assign(binSize / 4 / 64 + 1, 0);
        std::vector<std::uint8_t> bin(binSize);
        if (!bytes(binStart, binSize, bin.data()))
            return false;
        for (std::size_t at = kBinHeaderSize; at + 4 <= binSize;) {
            const auto stored = static_cast<std::int32_t>(load32(bin.data() + at));
            const std::size_t length = stored < 0 ? std::size_t(-static_cast<std::int64_t>(stored)) : std::size_t(stored);
            if (length < 8 || length % 4 != 0 || length > binSize - at)
                break; // the rest of the bin holds no cell that can be trusted
            if (stored < 0)
                starts[at / 4 / 64] |= std::uint64_t{1} << (at / 4 % 64);
            at += length;
        }
    }
    *known = {binStart, binSize, &starts};
    return true;
}

bool HiveReader::cell(std::size_t offset, std::vector<std::uint8_t>* content)
{
    const std::size_t size = cellSize(offset);
    if (size == 0)
        return false;
    content->resize(size - 4);
    return bytes(offset + 4, content->size(), content->data());
}

bool HiveReader::record(std::size_t offset, const char* kind, std::size_t minimum, std::vector<std::uint8_t>* content)
{
    if (!cell(offset, content))
        return false;
    if (content->size() < std::max<std::size_t>(minimum, 2) || (*content)[0] != kind[0] || (*content)[1] != kind[1])
        return failed(EINVAL);
    return true;
}

// The keys of an lf, lh or li leaf, each of which must be a key record.
bool HiveReader::leafEntries(const std::vector<std::uint8_t>& leaf, std::vector<std::size_t>* out)
{
    const std::size_t stride = leaf[1] == 'i' ? 4 : 8;
    const std::size_t count = load16(leaf.data() + 2);
    if (4 + count * stride > leaf.size())
        return failed(EFAULT);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = kBaseBlockSize + load32(leaf.data() + 4 + i * stride);
        std::uint8_t kind[2];
        if (cellSize(offset) < 6 || !bytes(offset + 4, 2, kind) || kind[0] != 'n' || kind[1] != 'k')
            return failed(EFAULT);
        out->push_back(offset);
    }
    return true;
}

bool HiveReader::children(std::size_t key, std::vector<std::size_t>* out)
{
    out->clear();
    std::vector<std::uint8_t>& nk = keyBuffer_;
    if (!record(key, "nk", nk::kName, &nk))
        return false;
    const std::size_t expected = load32(nk.data() + nk::kSubKeyCount);
    if (expected == 0)
        return true;
    if (expected > kMostSubKeys)
        return failed(ERANGE);
    std::vector<std::size_t> pending{kBaseBlockSize + load32(nk.data() + nk::kSubKeyList)};
    std::size_t blocks = 0;
    std::vector<std::uint8_t>& list = listBuffer_;
    while (!pending.empty()) {
        const std::size_t offset = pending.back();
        pending.pop_back();
        if (++blocks > kMostListBlocks || !cell(offset, &list) || list.size() < 4)
            return failed(EFAULT);
        if (list[0] == 'l' && (list[1] == 'f' || list[1] == 'h' || list[1] == 'i')) {
            if (!leafEntries(list, out))
                return false;
        } else if (list[0] == 'r' && list[1] == 'i') {
            const std::size_t count = load16(list.data() + 2);
            if (4 + count * 4 > list.size())
                return failed(EFAULT);
            // Taken in order: the last one pushed is read first.
            for (std::size_t i = count; i-- > 0;)
                pending.push_back(kBaseBlockSize + load32(list.data() + 4 + 4 * i));
        } else {
            return failed(ENOTSUP);
        }
        if (out->size() > expected)
            return failed(ERANGE);
    }
    return out->size() == expected || failed(ENOTSUP);
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
    std::vector<std::uint8_t>& content = recordBuffer_;
    if (!record(offset, layout.kind, layout.text, &content))
        return std::nullopt;
    const std::size_t length = load16(content.data() + layout.lengthField);
    if (layout.text + length > content.size()) {
        errno = EFAULT;
        return std::nullopt;
    }
    return decodedName(content.data() + layout.text, length,
                       (load16(content.data() + layout.flagsField) & layout.oneBytePerCharacter) != 0);
}

std::optional<std::string> HiveReader::keyName(std::size_t key)
{
    return name(key, kKeyName);
}

bool HiveReader::values(std::size_t key, std::vector<std::size_t>* out)
{
    out->clear();
    std::vector<std::uint8_t>& nk = keyBuffer_;
    if (!record(key, "nk", nk::kName, &nk))
        return false;
    const std::size_t count = load32(nk.data() + nk::kValueCount);
    if (count == 0)
        return true;
    if (count > kMostValues)
        return failed(ERANGE);
    std::vector<std::uint8_t>& list = listBuffer_;
    if (!cell(kBaseBlockSize + load32(nk.data() + nk::kValueList), &list) || 4 * count > list.size())
        return failed(EFAULT);
    // Each must be a cell; whether it is a value shows when it is read.
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = kBaseBlockSize + load32(list.data() + 4 * i);
        if (cellSize(offset) == 0)
            return failed(EFAULT);
        out->push_back(offset);
    }
    return true;
}

std::optional<std::string> HiveReader::valueName(std::size_t value)
{
    return name(value, kValueName);
}

bool HiveReader::valueType(std::size_t value, std::uint32_t* type, std::size_t* length)
{
    std::vector<std::uint8_t>& content = recordBuffer_;
    if (!record(value, "vk", vk::kName, &content))
        return false;
    *type = load32(content.data() + vk::kType);
    *length = load32(content.data() + vk::kDataLength) & ~kInlineData;
    return true;
}

bool HiveReader::dataIsFreeable(std::size_t value)
{
    std::vector<std::uint8_t>& content = recordBuffer_;
    if (!record(value, "vk", vk::kName, &content))
        return false;
    const std::uint32_t length = load32(content.data() + vk::kDataLength);
    if ((length & kInlineData) != 0)
        return (length & ~kInlineData) <= 4;
    return cellSize(kBaseBlockSize + load32(content.data() + vk::kData)) != 0;
}

// As libhivex reads data: inline, one cell, or the segments of a big-data
// (db) cell, each of which gives all but the last four bytes of its cell.
bool HiveReader::valueData(std::size_t value, std::vector<std::uint8_t>* data)
{
    std::vector<std::uint8_t>& content = recordBuffer_;
    if (!record(value, "vk", vk::kName, &content))
        return false;
    const std::uint32_t stored = load32(content.data() + vk::kDataLength);
    const std::size_t length = stored & ~kInlineData;
    if ((stored & kInlineData) != 0) {
        if (length > 4)
            return failed(ENOTSUP);
        data->assign(content.begin() + vk::kData, content.begin() + vk::kData + static_cast<std::ptrdiff_t>(length));
        return true;
    }
    if (length > kMostValueLength)
        return failed(ERANGE);
    std::vector<std::uint8_t> cellData;
    if (!cell(kBaseBlockSize + load32(content.data() + vk::kData), &cellData))
        return false;
    if (length <= cellData.size()) {
        data->assign(cellData.begin(), cellData.begin() + static_cast<std::ptrdiff_t>(length));
        return true;
    }
    if (cellData.size() < 8 || cellData[0] != 'd' || cellData[1] != 'b')
        return failed(EINVAL);
    const std::size_t segments = load16(cellData.data() + 2);
    std::vector<std::uint8_t> list;
    if (!cell(kBaseBlockSize + load32(cellData.data() + 4), &list) || 4 * segments > list.size())
        return failed(EINVAL);
    data->clear();
    std::vector<std::uint8_t> segment;
    for (std::size_t i = 0; i < segments && data->size() < length; ++i) {
        if (!cell(kBaseBlockSize + load32(list.data() + 4 * i), &segment) || segment.size() < 4)
            return failed(EINVAL);
        const std::size_t taken = std::min(segment.size() - 4, length - data->size());
        data->insert(data->end(), segment.begin(), segment.begin() + static_cast<std::ptrdiff_t>(taken));
    }
    return true;
}

} // namespace platform
