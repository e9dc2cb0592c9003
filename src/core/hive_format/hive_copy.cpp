#include "core/hive_format/hive_copy.h"

#include "core/hive_format/hive_file_status.h"
#include "core/hive_format/hive_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

using namespace hive_format;

constexpr std::size_t kPrimarySequence = 0x04, kSecondarySequence = 0x08;

// The header of one more save: both sequence numbers one past the first.
bool advanceSequence(int fd)
{
    std::uint8_t header[kChecksumOffset + 4];
    if (!readExactly(fd, 0, header, sizeof header))
        return false;
    const std::uint32_t sequence = load32(header + kPrimarySequence) + 1;
    store32(header + kPrimarySequence, sequence);
    store32(header + kSecondarySequence, sequence);
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < kChecksumOffset; at += 4)
        checksum ^= load32(header + at);
    store32(header + kChecksumOffset, checksum);
    return ::pwrite(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
}

} // namespace

bool writeHiveCopy(int from, const std::string& path)
{
    const int to = ::open(path.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
    if (to < 0)
        return false;
    const bool written = copyWholeFile(from, to) && advanceSequence(to);
    const int cause = errno;
    ::close(to);
    errno = cause;
    return written;
}

} // namespace platform
