#include "platform/registry/hive_log_files.h"

#include "platform/registry/atomic_file_commit.h"
#include "platform/registry/hive_check.h"
#include "platform/registry/hive_file_status.h"
#include "platform/registry/hive_readback.h"
#include "platform/registry/hive_tree.h"
#include "platform/registry/hive_write_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kLockPatience{3000};
constexpr char kKeptSuffix[] = ".before-logs";

std::string lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string baseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string unreadable(const std::string& path)
{
    return "The file " + path + " cannot be read: " + std::strerror(errno) + ".";
}

// libhivex must load the recovered hive before it replaces anything. The
// bytes go to an anonymous in-memory file, so nothing touches the disk.
bool libhivexLoads(const std::vector<std::uint8_t>& hive)
{
    const int fd = ::memfd_create("recovered-hive", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const bool loads =
        writeAll(fd, hive.data(), hive.size()) && HiveTree::load("/proc/self/fd/" + std::to_string(fd)) != nullptr;
    ::close(fd);
    return loads;
}

// Keeps an original under a new name: a hard link where the file system
// has them (the hive's old content then survives the rename over it),
// otherwise a synced copy. Never replaces an existing file.
bool keepOriginal(const std::string& path, const std::string& kept, std::string* error)
{
    if (::link(path.c_str(), kept.c_str()) == 0)
        return true;
    if (errno == EEXIST) {
        *error = "The file " + kept + " already exists; move it away before applying the logs again.";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, &bytes)) {
        *error = unreadable(path);
        return false;
    }
    const int fd = ::open(kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = "The file " + kept + " cannot be created: " + std::strerror(errno) + ".";
        return false;
    }
    const bool written = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int cause = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(kept.c_str());
        *error = "The file " + kept + " cannot be written: " + std::strerror(cause) + ".";
        return false;
    }
    return true;
}

struct Loaded {
    std::vector<std::uint8_t> hive;
    std::vector<FoundLog> found;
    std::vector<HiveLogInput> inputs;
};

bool loadHiveAndLogs(const std::string& hivePath, Loaded* loaded, std::string* error)
{
    if (!readWholeFile(hivePath, &loaded->hive)) {
        *error = unreadable(hivePath);
        return false;
    }
    loaded->found = findHiveLogs(hivePath);
    for (const FoundLog& log : loaded->found) {
        HiveLogInput input{log.slot, baseNameOf(log.path), {}};
        if (!readWholeFile(log.path, &input.bytes)) {
            *error = unreadable(log.path);
            return false;
        }
        loaded->inputs.push_back(std::move(input));
    }
    return true;
}

// Replays the logs in memory and checks the result (the structural check,
// then libhivex, which will edit it, must load it); the recovered hive, or
// nothing with *error set.
std::optional<HiveLogReplay> recoverInMemory(const std::string& hivePath, const Loaded& loaded, std::string* error)
{
    if (loaded.found.empty()) {
        const std::string name = baseNameOf(hivePath);
        *error = "The hive's Windows transaction logs were not applied, and none lies beside it (" + name + ".LOG1, " +
                 name + ".LOG2 or " + name + ".LOG).";
        return std::nullopt;
    }
    HiveLogReplay replay = replayHiveLogs(loaded.hive, loaded.inputs);
    if (!replay.recovered()) {
        *error = replay.refusal;
        return std::nullopt;
    }
    const HiveCheck check = checkHive(replay.hive.data(), replay.hive.size());
    if (!check.sound() || !check.clean) {
        *error = "The hive rebuilt from its transaction logs is damaged (" +
                 (check.sound() ? std::string("its sequence numbers differ") : check.damage) +
                 "), so the logs were not applied.";
        return std::nullopt;
    }
    if (!libhivexLoads(replay.hive)) {
        *error = "The hive rebuilt from its transaction logs cannot be read, so the logs were not applied.";
        return std::nullopt;
    }
    return replay;
}

} // namespace

std::vector<FoundLog> findHiveLogs(const std::string& hivePath)
{
    const std::string folder = folderOf(hivePath);
    const std::string base = baseNameOf(hivePath);
    const std::pair<LogSlot, std::string> wanted[] = {
        {LogSlot::Log1, base + ".LOG1"}, {LogSlot::Log2, base + ".LOG2"}, {LogSlot::Log, base + ".LOG"}};
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    // The exact spelling first, then the others in a stable order.
    std::sort(names.begin(), names.end());
    std::vector<FoundLog> found;
    for (const auto& [slot, name] : wanted) {
        std::optional<std::string> match;
        for (const std::string& candidate : names) {
            const std::string path = folder + "/" + candidate;
            if (lowered(candidate) != lowered(name) || !isRegularFile(path))
                continue;
            if (!match || candidate == name)
                match = path;
        }
        if (match)
            found.push_back({slot, *match});
    }
    return found;
}

HiveLogState inspectHiveLogs(const std::string& hivePath)
{
    HiveLogState state;
    Loaded loaded;
    // A clean hive needs nothing from its logs, even when they cannot be read.
    std::vector<std::uint8_t> hive;
    if (!readWholeFile(hivePath, &hive) || !hiveBytesAreDirty(hive))
        return state;
    state.dirty = true;
    if (loadHiveAndLogs(hivePath, &loaded, &state.whyNot))
        state.canApply = recoverInMemory(hivePath, loaded, &state.whyNot).has_value();
    return state;
}

std::optional<std::vector<HiveLogReport>> applyHiveLogs(const std::string& path, std::string* error)
{
    const std::string hivePath = resolvedPath(path);
    if (!isRegularFile(hivePath) || !hiveFileIsWritable(hivePath)) {
        *error = "The hive " + hivePath + " cannot be changed: it is missing, read-only, or in a read-only folder.";
        return std::nullopt;
    }
    // Everything is checked before the lock is taken, so that a refusal
    // leaves no trace on disk, not even a lock file.
    Loaded loaded;
    if (!loadHiveAndLogs(hivePath, &loaded, error))
        return std::nullopt;
    if (!hiveBytesAreDirty(loaded.hive)) {
        *error = "The hive " + hivePath + " is clean: Windows applied its transaction logs already.";
        return std::nullopt;
    }
    const auto replay = recoverInMemory(hivePath, loaded, error);
    if (!replay)
        return std::nullopt;

    std::vector<std::string> originals{hivePath};
    for (const FoundLog& log : loaded.found)
        originals.push_back(log.path);
    for (const std::string& original : originals) {
        if (::access((original + kKeptSuffix).c_str(), F_OK) == 0) {
            *error =
                "The file " + original + kKeptSuffix + " already exists; move it away before applying the logs again.";
            return std::nullopt;
        }
    }
    HiveWriteLock lock(hivePath);
    switch (lock.acquire(kLockPatience)) {
    case HiveWriteLock::Outcome::Busy:
        *error = "Another program is changing the hive " + hivePath + "; try again when it has finished.";
        return std::nullopt;
    case HiveWriteLock::Outcome::Failed:
        *error = "The hive " + hivePath + " cannot be locked for writing.";
        return std::nullopt;
    case HiveWriteLock::Outcome::Acquired:
        break;
    }
    std::vector<std::uint8_t> now;
    if (!readWholeFile(hivePath, &now) || now != loaded.hive) {
        *error = "The hive " + hivePath + " changed while its logs were being read; nothing was applied.";
        return std::nullopt;
    }
    std::vector<std::string> kept;
    const auto undoKept = [&kept] {
        for (const std::string& file : kept)
            ::unlink(file.c_str());
    };
    for (const std::string& original : originals) {
        if (!keepOriginal(original, original + kKeptSuffix, error)) {
            undoKept();
            return std::nullopt;
        }
        kept.push_back(original + kKeptSuffix);
    }
    const std::vector<std::uint8_t>& recovered = replay->hive;
    const auto writeRecovered = [&recovered](const std::string& file) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool written = writeAll(fd, recovered.data(), recovered.size());
        return ::close(fd) == 0 && written;
    };
    if (!replaceFileAtomically(hivePath, writeRecovered, writtenHiveDamage, error)) {
        undoKept();
        return std::nullopt;
    }
    std::vector<HiveLogReport> used;
    for (const HiveLogReport& report : replay->logs)
        if (report.used)
            used.push_back(report);
    return used;
}

} // namespace platform
