#include "core/hive_format/hive_file_status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::size_t kSmallestHive = 8192; // base block and one hbin
constexpr std::size_t kChecksumOffset = 0x1FC;

std::uint32_t dwordAt(const std::array<unsigned char, kBaseBlockSize>& block, std::size_t offset)
{
    return std::uint32_t(block[offset]) | std::uint32_t(block[offset + 1]) << 8 |
           std::uint32_t(block[offset + 2]) << 16 | std::uint32_t(block[offset + 3]) << 24;
}

// Reads the base block; false with errno set when the file cannot be read
// or is shorter than one.
bool readBaseBlock(const std::string& path, std::array<unsigned char, kBaseBlockSize>* block)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t got = ::pread(fd, block->data(), block->size(), 0);
    const int savedErrno = errno;
    ::close(fd);
    errno = got < 0 ? savedErrno : 0;
    return got == static_cast<ssize_t>(block->size());
}

std::string causeOf(int error)
{
    switch (error) {
    case ENOENT:
        return "does not exist";
    case EACCES:
    case EPERM:
        return "cannot be read: permission denied";
    case EISDIR:
        return "is a folder, not a Windows registry hive";
    default:
        return std::string("cannot be read: ") + std::strerror(error);
    }
}

bool modeHasWriteBit(const struct stat& info)
{
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool isWritableEntry(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && modeHasWriteBit(info) && ::access(path.c_str(), W_OK) == 0;
}

} // namespace

std::optional<FileStamp> stampOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::int64_t>(info.st_size),
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::optional<std::string> hiveHeaderProblem(const std::string& path)
{
    const std::string file = "The file " + path;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return file + " " + causeOf(errno) + ".";
    if (S_ISDIR(info.st_mode))
        return file + " " + causeOf(EISDIR) + ".";
    if (!S_ISREG(info.st_mode))
        return file + " is not a regular file.";
    std::array<unsigned char, kBaseBlockSize> block{};
    if (!readBaseBlock(path, &block) && errno != 0)
        return file + " " + causeOf(errno) + ".";
    if (static_cast<std::size_t>(info.st_size) < kSmallestHive || std::memcmp(block.data(), "regf", 4) != 0)
        return file + " is not a Windows registry hive.";
    if (dwordAt(block, 0x14) != 1)
        return file + " is a Windows registry hive of an unsupported version.";
    std::uint32_t checksum = 0;
    for (std::size_t offset = 0; offset < kChecksumOffset; offset += 4)
        checksum ^= dwordAt(block, offset);
    if (checksum != dwordAt(block, kChecksumOffset))
        return file + " is a damaged Windows registry hive: its header checksum is wrong.";
    return std::nullopt;
}

bool hiveHeaderIsClean(const std::string& path)
{
    std::array<unsigned char, kBaseBlockSize> block{};
    return readBaseBlock(path, &block) && dwordAt(block, 0x04) == dwordAt(block, 0x08);
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool read = readWholeFile(fd, bytes);
    const int cause = errno;
    ::close(fd);
    errno = read ? 0 : cause;
    return read;
}

namespace {

// Reads the file from offset into buffer, up to size bytes; *got tells how
// many (fewer when the file ends sooner or was cut short while it was read).
bool readInto(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t* got)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t read = ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return false;
        if (read == 0)
            break;
        done += static_cast<std::size_t>(read);
    }
    *got = done;
    return true;
}

} // namespace

std::optional<std::size_t> sizeOf(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return static_cast<std::size_t>(info.st_size);
}

bool readWholeFile(int fd, std::vector<std::uint8_t>* bytes)
{
    const auto size = sizeOf(fd);
    if (!size)
        return false;
    bytes->resize(*size);
    std::size_t got = 0;
    if (!readInto(fd, 0, bytes->data(), bytes->size(), &got))
        return false;
    bytes->resize(got);
    return true;
}

bool readExactly(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t size)
{
    std::size_t got = 0;
    if (!readInto(fd, offset, into, size, &got))
        return false;
    if (got != size)
        errno = EIO; // the file ended sooner than its size said
    return got == size;
}

bool writeExactly(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool copyWholeFile(int from, int to)
{
    off_t in = 0;
    off_t out = 0;
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, std::size_t{1} << 30, 0);
        if (copied == 0)
            return true;
        if (copied > 0)
            continue;
        if (errno == EINTR)
            continue;
        // Not between these files (older kernels, some file systems): by hand.
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
            return false;
        break;
    }
    if (::lseek(to, out, SEEK_SET) < 0)
        return false;
    std::vector<std::uint8_t> piece(std::size_t{1} << 20);
    for (std::size_t got = 0;; in += static_cast<off_t>(got)) {
        if (!readInto(from, static_cast<std::uint64_t>(in), piece.data(), piece.size(), &got))
            return false;
        if (got == 0)
            return true;
        if (!writeExactly(to, piece.data(), got))
            return false;
    }
}

bool hiveFileIsWritable(const std::string& path)
{
    const std::string folder = folderOf(path);
    struct statvfs fileSystem {};
    if (::statvfs(path.c_str(), &fileSystem) != 0 || (fileSystem.f_flag & ST_RDONLY) != 0)
        return false;
    return isWritableEntry(path) && isWritableEntry(folder);
}

std::string resolvedPath(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string result(real);
    std::free(real);
    return result;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace platform
