#pragma once

#include "core/hive_format/mapped_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Reads a hive file's keys and values itself, the cells it needs and no
// more, each checked as it is reached (bounds, kind, counts, names): what
// a read-only command or a first listing needs, without checking the whole
// file or loading libhivex. It answers as libhivex's reading functions do,
// with the same offsets for keys and values, and fails where they fail (a
// cell that is not where or what it should be, counts that do not match,
// names that are not valid text). The file is mapped, not read: only the
// pages reached are brought in. Should another program cut the file short
// meanwhile, every read fails from then on (errno EIO).
// A table of zeros that costs memory only where it is written: tables
// sized by the file, of which a listing touches only a small part.
template <typename T>
class ZeroedTable {
public:
    bool allocate(std::size_t count)
    {
        items_.reset(static_cast<T*>(std::calloc(count, sizeof(T))));
        return items_ != nullptr;
    }
    T& operator[](std::size_t index) { return items_.get()[index]; }

private:
    struct Free {
        void operator()(T* items) const { std::free(items); }
    };
    std::unique_ptr<T, Free> items_;
};

class HiveReader {
public:
    // Maps the open file and keeps its own duplicate of fd; null with errno
    // set when the file is no hive (the header's signature or root offset).
    static std::unique_ptr<HiveReader> open(int fd);
    ~HiveReader();
    HiveReader(const HiveReader&) = delete;
    HiveReader& operator=(const HiveReader&) = delete;

    // Where a key's or a value's name lies in its record.
    struct NameLayout;

    // The file it reads, and all its bytes as mapped (for the structural check).
    int file() const { return fd_; }
    const std::shared_ptr<const MappedFile>& mapping() const { return map_; }
    std::size_t root() const { return root_; }

    bool children(std::size_t key, std::vector<std::size_t>* out);
    std::optional<std::string> keyName(std::size_t key);
    bool values(std::size_t key, std::vector<std::size_t>* out);
    std::optional<std::string> valueName(std::size_t value);
    bool valueType(std::size_t value, std::uint32_t* type, std::size_t* length);
    bool valueData(std::size_t value, std::vector<std::uint8_t>* data);
    // Whether the value's data is inline or in a cell that is there.
    bool dataIsFreeable(std::size_t value);

private:
    // A used cell's content (after its size field), where it lies in the file.
    struct Cell {
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
    };
    HiveReader() = default;
    std::optional<std::string> name(std::size_t offset, const NameLayout& layout);
    // Whether a used cell starts at the file offset (false with errno set
    // when none does), and its size (0 with errno set when none).
    bool isCellStart(std::size_t offset);
    std::size_t cellSize(std::size_t offset);
    bool walkBin(std::size_t page);
    bool cell(std::size_t offset, Cell* content);
    bool record(std::size_t offset, const char* kind, std::size_t minimum, Cell* content);
    // The bytes at offset, or null (errno EFAULT) when the file ends before length.
    const std::uint8_t* bytes(std::size_t offset, std::size_t length) const;
    bool leafEntries(Cell leaf, std::vector<std::size_t>* out);
    // What a read returns, unless the file was cut short while it ran.
    bool sound(bool result);

    int fd_ = -1;
    std::shared_ptr<const MappedFile> map_;
    std::size_t size_ = 0;
    std::size_t root_ = 0;
    // One bit per four bytes of the file: where a used cell starts, marked
    // a whole bin at a time when the bin is first reached.
    ZeroedTable<std::uint64_t> cellStarts_;
    // Per page, the bin holding it (first page + 1, 0 until reached) and
    // its length in pages.
    struct PageBin {
        std::uint32_t startPlusOne = 0;
        std::uint32_t pages = 0;
    };
    ZeroedTable<PageBin> binOfPage_;
};

} // namespace platform
