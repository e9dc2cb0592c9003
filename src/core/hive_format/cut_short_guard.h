#pragma once

#include <cstddef>

namespace platform {

// Guards a read-only mapping of a file that another program may cut short
// while it is mapped (a tool that rewrites the hive in place truncates it
// first). Reading a page past the file's new end raises SIGBUS, which would
// end the process; within a guarded range that page reads as zeros instead,
// and the guard remembers it, so that whoever read it can fail rather than
// trust what it read. Faults outside every guarded range go on to whatever
// handled SIGBUS before.
class CutShortGuard {
public:
    // valid() is false (errno EMFILE) when too many ranges are guarded at once.
    CutShortGuard(const void* start, std::size_t length);
    ~CutShortGuard();
    CutShortGuard(const CutShortGuard&) = delete;
    CutShortGuard& operator=(const CutShortGuard&) = delete;

    bool valid() const { return slot_ >= 0; }
    // Whether a page of the range has vanished from the file since it was guarded.
    bool cutShort() const;

private:
    int slot_ = -1;
};

} // namespace platform
