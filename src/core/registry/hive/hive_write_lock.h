#pragma once

#include <chrono>
#include <string>

namespace platform {

// The exclusive lock a writer holds on "<hive>.lock" from its first change
// to its commit. The lock lives on a file of its own because a commit
// replaces the hive's inode, which would drop a lock held on the hive.
class HiveWriteLock {
public:
    enum class Outcome { Acquired, Busy, Failed };

    explicit HiveWriteLock(const std::string& hivePath);
    ~HiveWriteLock();
    HiveWriteLock(const HiveWriteLock&) = delete;
    HiveWriteLock& operator=(const HiveWriteLock&) = delete;

    // Waits up to patience for another holder to let go; Busy when it does
    // not, Failed when the lock file cannot be opened.
    Outcome acquire(std::chrono::milliseconds patience);
    void release();
    bool held() const { return fd_ >= 0; }

private:
    std::string lockPath_;
    int fd_ = -1;
};

} // namespace platform
