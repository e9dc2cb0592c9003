#include "core/registry/hive/hive_write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kRetryInterval{20};

} // namespace

HiveWriteLock::HiveWriteLock(const std::string& hivePath) : lockPath_(hivePath + ".lock")
{
}

HiveWriteLock::~HiveWriteLock()
{
    release();
}

HiveWriteLock::Outcome HiveWriteLock::acquire(std::chrono::milliseconds patience)
{
    if (held())
        return Outcome::Acquired;
    int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES) // another user's lock file locks as well read-only
        fd = ::open(lockPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Outcome::Failed;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return Outcome::Acquired;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return Outcome::Failed;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return Outcome::Busy;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

void HiveWriteLock::release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace platform
