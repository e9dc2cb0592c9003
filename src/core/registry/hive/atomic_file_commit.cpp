#include "core/registry/hive/atomic_file_commit.h"

#include "core/hive_format/hive_file_status.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

namespace {

std::string failure(const std::string& path, const std::string& reason)
{
    return "The file " + path + " could not be saved (" + reason + "); it was left as it was.";
}

std::string stepFailed(const char* step, int error)
{
    return std::string(step) + ": " + std::strerror(error);
}

std::string failure(const std::string& path, const char* step, int error)
{
    return failure(path, stepFailed(step, error));
}

constexpr const char* kTemporaryMarker = ".pennant-save-";
constexpr std::size_t kUniqueSuffix = 6; // the XXXXXX that mkstemp fills

std::string baseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary file's name: hidden, beside the file, named as ours and
// after the file it replaces, unique per call.
std::vector<char> temporaryTemplate(const std::string& path)
{
    const std::string pattern =
        folderOf(path) + "/" + temporaryPrefix(path) + std::string(kUniqueSuffix, 'X');
    return std::vector<char>(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string temporaryPrefix(const std::string& path)
{
    return "." + baseNameOf(path) + kTemporaryMarker;
}

std::vector<std::string> leftoverTemporaries(const std::string& path)
{
    const std::string folder = folderOf(path);
    const std::string prefix = temporaryPrefix(path);
    std::vector<std::string> files;
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr)
        return files;
    while (const dirent* entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kUniqueSuffix || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string file = folder + "/" + name;
        struct stat info {};
        if (::lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            files.push_back(file);
    }
    ::closedir(entries);
    return files;
}

void removeStaleTemporaries(const std::string& path)
{
    for (const std::string& file : leftoverTemporaries(path))
        ::unlink(file.c_str());
}

namespace {

// Renames from to to unless to exists. Where the file system cannot do that
// in one step, the check and the rename are two.
bool renameWithoutReplacing(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::access(to, F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from, to) == 0;
}

} // namespace

bool copyToNewFile(const std::string& from, const std::string& to, const std::string& temporaryFor, std::string* error)
{
    const auto fail = [&](const char* step, int cause) {
        *error = "The file " + to + " could not be made (" + stepFailed(step, cause) + ").";
        return false;
    };
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat original {};
    if (source < 0 || ::fstat(source, &original) != 0) {
        const int cause = errno;
        if (source >= 0)
            ::close(source);
        return fail("reading the original", cause);
    }
    std::vector<char> temporary = temporaryTemplate(temporaryFor);
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        const int cause = errno;
        ::close(source);
        return fail("creating a temporary file", cause);
    }
    const char* step = nullptr;
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        step = "setting permissions";
    else if (!copyWholeFile(source, fd))
        step = "copying";
    else if (::fsync(fd) != 0)
        step = "syncing";
    int cause = errno;
    ::close(source);
    if (::close(fd) != 0 && step == nullptr) {
        step = "closing";
        cause = errno;
    }
    if (step == nullptr && !renameWithoutReplacing(temporary.data(), to.c_str())) {
        step = "renaming";
        cause = errno;
    }
    if (step != nullptr) {
        ::unlink(temporary.data());
        if (cause == EEXIST) {
            *error = "The file " + to + " already exists; it was left as it was.";
            return false;
        }
        return fail(step, cause);
    }
    syncFolder(folderOf(to));
    return true;
}

bool replaceFileAtomically(const std::string& path, const std::function<bool(const std::string&)>& writeTo,
                           const std::function<std::string(const std::string&)>& verify, std::string* error)
{
    struct stat original {};
    if (::stat(path.c_str(), &original) != 0) {
        *error = failure(path, "stat", errno);
        return false;
    }
    std::vector<char> temporary = temporaryTemplate(path);
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *error = failure(path, "creating a temporary file", errno);
        return false;
    }
    const auto abandon = [&](const std::string& reason) {
        ::close(fd);
        ::unlink(temporary.data());
        *error = failure(path, reason);
        return false;
    };
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        return abandon(stepFailed("setting permissions", errno));
    // Keeps the owner when the superuser saves someone else's hive; others
    // cannot give files away and keep their own ownership.
    if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
        ::fchown(fd, original.st_uid, original.st_gid) != 0 && errno != EPERM)
        return abandon(stepFailed("setting the owner", errno));
    const std::string written = "/proc/self/fd/" + std::to_string(fd);
    errno = 0;
    if (!writeTo(written))
        return abandon(stepFailed("writing", errno != 0 ? errno : EIO));
    if (const std::string problem = verify(written); !problem.empty())
        return abandon(problem);
    if (::fsync(fd) != 0)
        return abandon(stepFailed("syncing", errno));
    if (::close(fd) != 0) {
        const int cause = errno;
        ::unlink(temporary.data());
        *error = failure(path, "closing", cause);
        return false;
    }
    if (::rename(temporary.data(), path.c_str()) != 0) {
        const int cause = errno;
        ::unlink(temporary.data());
        *error = failure(path, "renaming", cause);
        return false;
    }
    // The new content is in place once renamed; syncing the folder only
    // makes the rename itself survive a power cut, so it cannot undo it.
    syncFolder(folderOf(path));
    return true;
}

} // namespace platform
