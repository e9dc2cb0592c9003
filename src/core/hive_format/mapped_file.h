#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A whole file mapped into memory, for files that no other program changes
// meanwhile (a save's own temporary copy): reading a mapped file that
// another program cuts short would fault. Changes made through a writable
// mapping reach the file.
class MappedFile {
public:
    enum class Access { ReadOnly, ReadWrite };
    // isOpen() tells whether it worked; errno says why not.
    MappedFile(const std::string& path, Access access);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool isOpen() const { return open_; }
    std::uint8_t* data() const { return data_; } // null for an empty file
    std::size_t size() const { return size_; }

private:
    bool open_ = false;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace platform
