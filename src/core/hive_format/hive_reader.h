#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

// Reads a hive file's keys and values itself, the cells it needs and no
// more, each checked as it is reached (bounds, kind, counts, names): what
// a read-only command or a first listing needs, without reading and
// checking the whole file or loading libhivex. It answers as libhivex's
// reading functions do, with the same offsets for keys and values, and
// fails where they fail (a cell that is not where or what it should be,
// counts that do not match, names that are not valid text).
class HiveReader {
public:
    // Reads through its own duplicate of fd; null with errno set when the
    // file is no hive (the header's signature or root offset).
    static std::unique_ptr<HiveReader> open(int fd);
    ~HiveReader();
    HiveReader(const HiveReader&) = delete;
    HiveReader& operator=(const HiveReader&) = delete;

    // Where a key's or a value's name lies in its record.
    struct NameLayout;

    // The file it reads.
    int file() const { return fd_; }
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
    HiveReader() = default;
    std::optional<std::string> name(std::size_t offset, const NameLayout& layout);
    // The content of the used cell at a file offset; false with errno set
    // when there is none.
    struct PageBin;
    std::size_t cellSize(std::size_t offset);
    bool walkBin(std::size_t page, PageBin* known);
    bool cell(std::size_t offset, std::vector<std::uint8_t>* content);
    bool record(std::size_t offset, const char* kind, std::size_t minimum, std::vector<std::uint8_t>* content);
    bool bytes(std::size_t offset, std::size_t length, std::uint8_t* out);
    bool leafEntries(const std::vector<std::uint8_t>& leaf, std::vector<std::size_t>* out);

    int fd_ = -1;
    std::size_t size_ = 0;
    std::size_t root_ = 0;
    static constexpr std::size_t kNoChunk = ~std::size_t{0};
    struct Chunk {
        std::size_t index = kNoChunk; // which piece of the file it holds
        std::unique_ptr<std::uint8_t[]> bytes;
        std::uint64_t used = 0; // when it was last reached
    };
    std::vector<Chunk> chunks_;
    std::uint64_t clock_ = 0;
    // Per bin walked, where its used cells start (from the bin) and their sizes.
    // Per bin walked, one bit per four bytes: where a used cell starts.
    std::unordered_map<std::size_t, std::vector<std::uint64_t>> bins_;
    // The bin that holds each page, once reached.
    struct PageBin {
        std::size_t start = 0;
        std::size_t size = 0;
        const std::vector<std::uint64_t>* starts = nullptr;
    };
    std::vector<PageBin> binOfPage_;
    // Reused for the cells each read passes through.
    std::vector<std::uint8_t> keyBuffer_, listBuffer_, recordBuffer_;
};

} // namespace platform
