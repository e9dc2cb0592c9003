#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the file system says about a hive file, without loading it.
namespace platform {

// Identifies one version of a file: a commit by another process replaces
// the file (new inode) or at least changes its size or modification time.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const std::string& path);

// Why a file cannot be loaded as a hive, checked before libhivex sees it:
// nothing when the header looks sound, else one plain sentence naming the
// file and the cause.
std::optional<std::string> hiveHeaderProblem(const std::string& path);

// True when the file's header says the hive was closed cleanly (its two
// sequence numbers are equal). A hive whose logs were not replayed must
// not be written.
bool hiveHeaderIsClean(const std::string& path);

// Every byte of the open file, or of the file at path; false with errno set
// when it cannot be read.
bool readWholeFile(int fd, std::vector<std::uint8_t>* bytes);
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes);

// The size of the open file; nothing when it cannot be told.
std::optional<std::size_t> sizeOf(int fd);
// Exactly size bytes of the open file from offset; false with errno set
// when they cannot all be read.
bool readExactly(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t size);
// All size bytes to the open file at its current position; false with
// errno set when they cannot be written.
bool writeExactly(int fd, const std::uint8_t* data, std::size_t size);
// Every byte of the open file from onto the open file to, from the start of
// each whatever their positions: copied by the kernel where it can (sharing
// the blocks on file systems that allow it); false with errno set on failure.
bool copyWholeFile(int from, int to);

// True when both the file and its folder may be written and the file
// system is mounted read-write. A file or folder without any write bit in
// its mode counts as read-only even for a user who could override it.
bool hiveFileIsWritable(const std::string& path);

// The file that path names, with symbolic links resolved, so that a commit
// replaces the real file and not the link; path itself when it cannot be
// resolved.
std::string resolvedPath(const std::string& path);

// The folder holding path ("." for a bare name).
std::string folderOf(const std::string& path);

} // namespace platform
