#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class CutShortGuard;

// A whole file mapped into memory. Changes made through a writable mapping
// reach the file. A file opened by path is one that no other program
// changes meanwhile (a save's own temporary copy); one mapped from an open
// descriptor may be cut short by another program while it is mapped, and
// then its vanished pages read as zeros and cutShort() says so.
class MappedFile {
public:
    enum class Access { ReadOnly, ReadWrite };
    // isOpen() tells whether it worked; errno says why not.
    MappedFile(const std::string& path, Access access);
    // Read-only and guarded.
    explicit MappedFile(int fd);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool isOpen() const { return open_; }
    std::uint8_t* data() const { return data_; } // null for an empty file
    std::size_t size() const { return size_; }
    // Whether the file lost pages while mapped: what was read cannot be trusted.
    bool cutShort() const;

private:
    bool map(int fd, Access access);

    bool open_ = false;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::unique_ptr<CutShortGuard> guard_;
};

} // namespace platform
