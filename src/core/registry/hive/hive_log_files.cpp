#include "core/registry/hive/hive_log_files.h"

#include "core/registry/hive/atomic_file_commit.h"
#include "core/hive_format/hive_check.h"
#include "core/hive_format/hive_file_status.h"
#include "core/registry/hive/hive_readback.h"
#include "core/registry/hive/hive_tree.h"
#include "core/registry/hive/hive_write_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

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
        writeExactly(fd, hive.data(), hive.size()) && HiveTree::load("/proc/self/fd/" + std::to_string(fd)) != nullptr;
    ::close(fd);
    return loads;
}

// True when the two files hold the same bytes, compared a piece at a time.
bool sameBytes(const std::string& a, const std::string& b)
{
    const int first = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    const int second = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat firstInfo {};
    struct stat secondInfo {};
    bool same = first >= 0 && second >= 0 && ::fstat(first, &firstInfo) == 0 && ::fstat(second, &secondInfo) == 0 &&
                firstInfo.st_size == secondInfo.st_size;
    std::vector<std::uint8_t> one(1 << 20);
    std::vector<std::uint8_t> other(one.size());
    for (std::uint64_t at = 0; same && at < std::uint64_t(firstInfo.st_size); at += one.size()) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(one.size(), firstInfo.st_size - at));
        same = readExactly(first, at, one.data(), count) && readExactly(second, at, other.data(), count) &&
               std::memcmp(one.data(), other.data(), count) == 0;
    }
    for (const int fd : {first, second})
        if (fd >= 0)
            ::close(fd);
    return same;
}

// A log read from its open file a piece at a time; the file stays open as
// long as the input lives.
std::optional<HiveLogInput> openLog(const FoundLog& log)
{
    const int fd = ::open(log.path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        const int cause = errno;
        if (fd >= 0)
            ::close(fd);
        errno = cause;
        return std::nullopt;
    }
    const std::shared_ptr<const int> file(new int(fd), [](const int* open) {
        ::close(*open);
        delete open;
    });
    const auto read = [file](std::uint64_t offset, std::uint8_t* into, std::size_t size) {
        return readExactly(*file, offset, into, size);
    };
    return HiveLogInput{log.slot, baseNameOf(log.path), static_cast<std::uint64_t>(info.st_size), read};
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
        auto input = openLog(log);
        if (!input) {
            *error = unreadable(log.path);
            return false;
        }
        loaded->inputs.push_back(std::move(*input));
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

    // A kept copy that already holds the original's very bytes is one a
    // killed run made: it is kept as it is. Any other is refused.
    std::vector<std::string> originals{hivePath};
    for (const FoundLog& log : loaded.found)
        originals.push_back(log.path);
    std::vector<std::string> toKeep;
    for (const std::string& original : originals) {
        const std::string keptName = original + kKeptSuffix;
        if (::access(keptName.c_str(), F_OK) != 0) {
            toKeep.push_back(original);
        } else if (!sameBytes(original, keptName)) {
            *error = "The file " + keptName + " already exists; move it away before applying the logs again.";
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
    removeStaleTemporaries(hivePath);
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
    for (const std::string& original : toKeep) {
        if (!copyToNewFile(original, original + kKeptSuffix, hivePath, error)) {
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
        const bool written = writeExactly(fd, recovered.data(), recovered.size());
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
