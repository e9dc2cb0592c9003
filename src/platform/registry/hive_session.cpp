#include "platform/registry/hive_session.h"

#include "platform/registry/atomic_file_commit.h"
#include "platform/registry/registry_value_data.h"

#include <cerrno>
#include <chrono>

namespace platform {

namespace {

constexpr std::chrono::milliseconds kLockPatience{3000};

} // namespace

HiveSession::HiveSession(std::string path) : path_(std::move(path)), lock_(path_)
{
}

bool HiveSession::load()
{
    return reload();
}

// Loads the file afresh; the old tree stays when the file cannot be loaded.
bool HiveSession::reload()
{
    const auto stamp = stampOf(path_);
    if (!stamp)
        return false;
    auto tree = HiveTree::load(path_);
    if (!tree)
        return false;
    tree_ = std::move(tree);
    stamp_ = *stamp;
    headerClean_ = hiveHeaderIsClean(path_);
    writable_ = headerClean_ && hiveFileIsWritable(path_);
    ++generation_;
    ++loads_;
    return true;
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

LSTATUS HiveSession::beginChange()
{
    if (tree_ == nullptr && !reload())
        return kRegistryIoFailed;
    if (!writable_)
        return kAccessDenied;
    if (lock_.held())
        return kSuccess;
    switch (lock_.acquire(kLockPatience)) {
    case HiveWriteLock::Outcome::Busy:
        return kSharingViolation;
    case HiveWriteLock::Outcome::Failed:
        return kAccessDenied;
    case HiveWriteLock::Outcome::Acquired:
        break;
    }
    const auto now = stampOf(path_);
    if (!now || (*now != stamp_ && !reload())) {
        lock_.release();
        return kRegistryIoFailed;
    }
    // The file or its folder may have been made read-only since it was read.
    writable_ = headerClean_ && hiveFileIsWritable(path_);
    if (!writable_) {
        lock_.release();
        return kAccessDenied;
    }
    return kSuccess;
}

void HiveSession::changed(bool removedKeys)
{
    dirty_ = true;
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
    std::string error;
    HiveTree& tree = *tree_;
    if (!replaceFileAtomically(
            path_, [&tree](const std::string& file) { return tree.writeTo(file); }, &error))
        return kRegistryIoFailed; // the changes stay in memory for another try
    if (const auto now = stampOf(path_))
        stamp_ = *now;
    dirty_ = false;
    lock_.release();
    return kSuccess;
}

// Reloads from disk, or drops the tree when that fails, so that a tree
// holding unwanted or broken changes is never committed.
void HiveSession::forgetChanges()
{
    if (dirty_ && !reload())
        tree_.reset();
    dirty_ = false;
    lock_.release();
    ++generation_;
}

} // namespace platform
