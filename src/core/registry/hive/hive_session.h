#pragma once

#include "core/hive_format/hive_check.h"
#include "core/hive_format/hive_file_status.h"
#include "core/registry/hive/hive_readback.h"
#include "core/registry/hive/hive_tree.h"
#include "core/registry/hive/hive_write_lock.h"
#include "core/registry/registry.h"

#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One hive file held in memory, and the rules for changing it: a load maps
// the file and our own reader reads it there; the whole structure is checked
// over the same mapping before the first change (or when someone asks
// whether the hive may be changed or is damaged, or ahead on another
// thread), libhivex loads the file for writing only then, and a damaged hive
// is never written; a writer takes the file's write lock at its first change and reloads first
// when another process committed meanwhile; a failed libhivex write throws
// the in-memory hive away; a commit replaces the file atomically with a
// written copy that passed the same check and holds the changed keys.
class HiveSession {
public:
    explicit HiveSession(std::string path);

    // The first load; false with errno set when the file cannot be loaded.
    bool load();

    const std::string& path() const { return path_; }
    // Null when the hive had to be thrown away and could not be reloaded.
    HiveTree* tree();
    // Starts the structural check of the loaded file on another thread;
    // whatever needs its result waits for it.
    void checkAhead();
    // These run the structural check first, once per load.
    bool writable();
    // Whether the header's two sequence numbers agree: no changes wait in
    // the transaction logs.
    bool headerClean()
    {
        ensureChecked();
        return headerClean_;
    }
    // What refuses a change to a hive that is not writable: kRegistryCorrupt
    // for a damaged hive, else kAccessDenied.
    LSTATUS refusal();
    // The sentence saying what is damaged in the hive; empty when it is sound.
    const std::string& damage();
    // Why the last commit failed, in one sentence; empty after a success.
    const std::string& commitFailure() const { return commitFailure_; }
    // Bumped whenever nodes may have moved or vanished (reload, delete): a
    // handle resolved under an older generation resolves its path again.
    std::uint64_t generation();
    // How many times the file was loaded: what others wrote came in then.
    std::uint64_t loads() const { return loads_; }

    // A reader picks up what another process committed since it last read,
    // unless it holds unflushed changes of its own. Within a user action
    // only the first call looks at the file.
    void refreshIfStale();
    void beginAction();
    void endAction();

    // What a change touches: keys in the file, which libhivex changes (so
    // it loads the hive for writing), or only keys this change set added.
    enum class Touches { KeysInFile, NewKeysOnly };
    // Called before a change: kSuccess, or the code refusing it
    // (kAccessDenied, kSharingViolation, kRegistryIoFailed).
    LSTATUS beginChange(Touches touches = Touches::KeysInFile);
    // The change altered the key at this path (its values, its being there);
    // removedKeys when keys may be gone.
    void changed(KeyNames key, bool removedKeys = false);
    // The change was refused before it altered anything.
    void endChange();
    // libhivex failed to change the tree: reloads and returns the code.
    LSTATUS failWrite();
    // What a change does to the values a key already holds.
    enum class ValuesTouched { Rewritten, Freed };
    // kNotSupported when libhivex cannot do that safely to the key's values.
    LSTATUS checkValuesSafe(HiveTree::Node node, ValuesTouched touched);

    LSTATUS commit();
    void forgetChanges();

private:
    bool reload(bool ownSave = false);
    void reloadOwnSave();
    void ensureChecked();
    bool mayWrite() const;
    std::string checkWritten(const std::string& file);

    std::string path_;
    std::unique_ptr<HiveTree> tree_;
    FileStamp stamp_;
    bool writable_ = false;
    bool checked_ = false;     // the loaded copy's structure was checked
    bool headerClean_ = false; // both sequence numbers equal
    bool dirty_ = false;       // changes in memory that are not on disk
    // The last save added keys that libhivex's copy in memory lacks: the
    // saved file is loaded at the next use of the tree.
    bool savedNewKeys_ = false;
    std::string damage_;
    // The check started ahead; nothing when the file could not be read.
    std::future<std::optional<HiveCheck>> checkAhead_;
    std::string commitFailure_;
    std::vector<KeyNames> changedKeys_; // since the last commit
    HiveWriteLock lock_;
    std::uint64_t generation_ = 0;
    std::uint64_t loads_ = 0;
    int actionDepth_ = 0;
    bool checkedInAction_ = false;
};

} // namespace platform
