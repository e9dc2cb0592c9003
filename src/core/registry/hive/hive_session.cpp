#include "core/registry/hive/hive_session.h"

#include "core/registry/hive/atomic_file_commit.h"
#include "core/hive_format/hive_check.h"
#include "core/registry/hive/registry_value_data.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cerrno>
#include <chrono>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kLockPatience{3000};

// libhivex holds a hive open for writing in one heap buffer, copied whole
// whenever it grows, unless the buffer is mapped (then it grows in place).
// glibc raises its threshold for mapping to the size of the largest block
// freed so far, such as the check's copy of the file; held fixed at its
// initial value, the buffer grows alike whatever ran before.
void holdMmapThreshold()
{
#ifdef __GLIBC__
    static const bool held = mallopt(M_MMAP_THRESHOLD, 128 * 1024) == 1;
    (void)held;
#endif
}

// The check's verdict on the file's bytes where they are mapped; nothing
// when another program cut the file short meanwhile.
std::optional<HiveCheck> checkMapped(const MappedFile& file)
{
    HiveCheck check = checkHive(file.data(), file.size());
    if (file.cutShort())
        return std::nullopt;
    return check;
}

} // namespace

HiveSession::HiveSession(std::string path) : path_(std::move(path)), lock_(path_)
{
    holdMmapThreshold();
}

// Every open, read-only ones too (a dirty hive's, say, whose apply-logs was
// killed), clears the copies that writers killed mid-save left beside it,
// when no other writer holds the lock.
bool HiveSession::load()
{
    if (!reload())
        return false;
    if (!leftoverTemporaries(path_).empty() &&
        lock_.acquire(std::chrono::milliseconds{0}) == HiveWriteLock::Outcome::Acquired) {
        removeStaleTemporaries(path_);
        lock_.release();
    }
    return true;
}

// Opens the file afresh for our own reader; the old tree stays when it
// cannot be opened. The structural check waits until something asks whether
// the hive may be changed, and libhivex loads the very file that was read
// (through its descriptor) even when another process replaces the hive
// meanwhile. Loading this process's own save brings in nothing from others.
bool HiveSession::reload(bool ownSave)
{
    const auto stamp = stampOf(path_);
    if (!stamp)
        return false;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto tree = HiveTree::open(fd);
    const int openErrno = errno;
    ::close(fd);
    if (!tree) {
        errno = openErrno;
        return false;
    }
    tree_ = std::move(tree);
    checkAhead_ = {}; // of the file replaced
    checked_ = false;
    writable_ = false;
    headerClean_ = false;
    damage_.clear();
    ++generation_;
    if (!ownSave || *stamp != stamp_)
        ++loads_;
    stamp_ = *stamp;
    return true;
}

void HiveSession::checkAhead()
{
    if (checked_ || checkAhead_.valid() || tree_ == nullptr)
        return;
    // The mapping stays while the check runs, even when the tree is replaced.
    if (auto mapping = tree_->mapping())
        checkAhead_ = std::async(std::launch::async, [mapping] { return checkMapped(*mapping); });
}

// The whole structure of the loaded copy, checked once per load.
void HiveSession::ensureChecked()
{
    reloadOwnSave();
    if (checked_ || tree_ == nullptr)
        return;
    const auto mapping = tree_->mapping();
    const auto check = checkAhead_.valid() ? checkAhead_.get()
                       : mapping != nullptr ? checkMapped(*mapping)
                                            : std::nullopt;
    if (!check)
        return; // unchecked, so never writable
    damage_ = check->sound() ? std::string() : damagedHiveSentence(check->damage);
    headerClean_ = check->clean;
    writable_ = mayWrite();
    checked_ = true;
}

bool HiveSession::writable()
{
    ensureChecked();
    return writable_;
}

const std::string& HiveSession::damage()
{
    ensureChecked();
    return damage_;
}

void HiveSession::reloadOwnSave()
{
    if (!savedNewKeys_)
        return;
    savedNewKeys_ = false;
    if (!reload(true))
        tree_.reset();
}

HiveTree* HiveSession::tree()
{
    reloadOwnSave();
    return tree_.get();
}

std::uint64_t HiveSession::generation()
{
    reloadOwnSave();
    return generation_;
}

void HiveSession::beginAction()
{
    if (actionDepth_++ == 0)
        checkedInAction_ = false;
}

void HiveSession::endAction()
{
    if (actionDepth_ > 0)
        --actionDepth_;
}

bool HiveSession::mayWrite() const
{
    return damage_.empty() && headerClean_ && hiveFileIsWritable(path_);
}

LSTATUS HiveSession::refusal()
{
    return damage().empty() ? kAccessDenied : kRegistryCorrupt;
}

void HiveSession::refreshIfStale()
{
    if (actionDepth_ > 0 && checkedInAction_ && tree_ != nullptr)
        return;
    checkedInAction_ = actionDepth_ > 0;
    if (dirty_ || lock_.held())
        return;
    const auto now = stampOf(path_);
    if (tree_ == nullptr || (now && *now != stamp_))
        reload();
}

LSTATUS HiveSession::beginChange(Touches touches)
{
    if (tree_ == nullptr && !reload())
        return kRegistryIoFailed;
    if (!writable())
        return refusal();
    const auto loaded = [&] { return touches == Touches::NewKeysOnly || tree_->makeWritable(); };
    if (lock_.held())
        return loaded() ? kSuccess : kRegistryIoFailed;
    switch (lock_.acquire(kLockPatience)) {
    case HiveWriteLock::Outcome::Busy:
        return kSharingViolation;
    case HiveWriteLock::Outcome::Failed:
        return kAccessDenied;
    case HiveWriteLock::Outcome::Acquired:
        removeStaleTemporaries(path_);
        break;
    }
    const auto now = stampOf(path_);
    if (!now || (*now != stamp_ && !reload())) {
        lock_.release();
        return kRegistryIoFailed;
    }
    // The file or its folder may have been made read-only since it was read.
    ensureChecked();
    writable_ = mayWrite();
    if (!writable_) {
        lock_.release();
        return refusal();
    }
    if (!loaded()) {
        lock_.release();
        return kRegistryIoFailed;
    }
    return kSuccess;
}

void HiveSession::changed(KeyNames key, bool removedKeys)
{
    dirty_ = true;
    changedKeys_.push_back(std::move(key));
    if (removedKeys)
        ++generation_;
}

void HiveSession::endChange()
{
    if (!dirty_)
        lock_.release();
}

// The tree may be broken after libhivex failed half way: it is replaced by
// the file's content and this writer's unflushed changes are lost.
LSTATUS HiveSession::failWrite()
{
    const LSTATUS code = errno == ERANGE || errno == EOVERFLOW ? kFileTooLarge : kRegistryCorrupt;
    dirty_ = true;
    forgetChanges();
    return code;
}

// Setting one value makes libhivex rewrite every value of the key, and
// deleting a key frees them. It aborts the process on a value it cannot
// free, and it would rewrite a big-data value (as Windows stores data over
// one cell) as one oversized cell that Windows cannot read.
LSTATUS HiveSession::checkValuesSafe(HiveTree::Node node, ValuesTouched touched)
{
    const auto* values = tree_->values(node);
    if (values == nullptr)
        return kRegistryCorrupt;
    for (const auto& value : *values) {
        if (!value.freeable || (touched == ValuesTouched::Rewritten && value.length > kMaxStoredValueSize))
            return kNotSupported;
    }
    return kSuccess;
}

LSTATUS HiveSession::commit()
{
    if (!dirty_) {
        lock_.release();
        return kSuccess;
    }
    HiveTree& tree = *tree_;
    if (!tree.applyValues())
        return failWrite();
    bool writtenWrong = false;
    const auto verify = [&](const std::string& file) {
        std::string problem = checkWritten(file);
        writtenWrong = !problem.empty();
        return problem;
    };
    if (!replaceFileAtomically(
            path_, [&tree](const std::string& file) { return tree.writeTo(file); }, verify, &commitFailure_)) {
        // A file that libhivex wrote wrongly comes from a tree that cannot be
        // trusted; other failures keep the changes in memory for another try.
        if (!writtenWrong)
            return kRegistryIoFailed;
        forgetChanges();
        return kRegistryCorrupt;
    }
    commitFailure_.clear();
    if (const auto now = stampOf(path_))
        stamp_ = *now;
    savedNewKeys_ = tree.holdsNewKeys();
    dirty_ = false;
    changedKeys_.clear();
    lock_.release();
    return kSuccess;
}

// What is wrong with the hive just written to file: it must pass the
// structural check and hold every changed key as the tree in memory does.
std::string HiveSession::checkWritten(const std::string& file)
{
    if (std::string damage = writtenHiveDamage(file); !damage.empty())
        return damage;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const auto written = fd >= 0 ? HiveTree::open(fd) : nullptr;
    if (fd >= 0)
        ::close(fd);
    if (!written)
        return "the written hive cannot be opened";
    return writtenKeysDiffer(*tree_, *written, changedKeys_);
}

// Reloads from disk, or drops the tree when that fails, so that a tree
// holding unwanted or broken changes is never committed.
void HiveSession::forgetChanges()
{
    if (dirty_ && !reload())
        tree_.reset();
    dirty_ = false;
    changedKeys_.clear();
    lock_.release();
    ++generation_;
}

} // namespace platform
