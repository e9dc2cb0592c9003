#include "core/hive_format/mapped_file.h"

#include "core/hive_format/cut_short_guard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

MappedFile::MappedFile(const std::string& path, Access access)
{
    const bool writable = access == Access::ReadWrite;
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return;
    map(fd, access);
    // The mapping outlives the descriptor.
    const int cause = errno;
    ::close(fd);
    errno = cause;
}

MappedFile::MappedFile(int fd)
{
    if (!map(fd, Access::ReadOnly) || data_ == nullptr)
        return;
    guard_ = std::make_unique<CutShortGuard>(data_, size_);
    if (!guard_->valid()) {
        ::munmap(data_, size_);
        data_ = nullptr;
        open_ = false;
    }
}

bool MappedFile::map(int fd, Access access)
{
    const bool writable = access == Access::ReadWrite;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return false;
    size_ = static_cast<std::size_t>(info.st_size);
    void* mapped = size_ == 0 ? nullptr
                              : ::mmap(nullptr, size_, writable ? PROT_READ | PROT_WRITE : PROT_READ,
                                       writable ? MAP_SHARED : MAP_PRIVATE, fd, 0);
    open_ = mapped != MAP_FAILED;
    data_ = open_ ? static_cast<std::uint8_t*>(mapped) : nullptr;
    return open_;
}

MappedFile::~MappedFile()
{
    guard_.reset();
    if (data_ != nullptr)
        ::munmap(data_, size_);
}

bool MappedFile::cutShort() const
{
    return guard_ != nullptr && guard_->cutShort();
}

} // namespace platform
