#pragma once

#include "core/hive_format/hive_log_replay.h"

#include <optional>
#include <string>
#include <vector>

// A dirty hive's transaction logs on disk: finding them, and applying them
// to the hive file while keeping the originals.
namespace platform {

struct FoundLog {
    LogSlot slot = LogSlot::Log;
    std::string path;
};

// HIVE.LOG, HIVE.LOG1 and HIVE.LOG2 beside the hive, their names in any
// letter case (a disk from Windows may hold "software.LOG1" beside
// "SOFTWARE"); only those that exist and are regular files.
std::vector<FoundLog> findHiveLogs(const std::string& hivePath);

// What a hive's header and logs say before anything is changed.
struct HiveLogState {
    // The hive was read and its logs were not applied. False for a hive
    // that cannot be read at all: opening it reports why.
    bool dirty = false;
    // Dirty, with logs beside it that can be applied.
    bool canApply = false;
    // Dirty and the logs cannot be applied: one plain sentence why.
    std::string whyNot;
};
HiveLogState inspectHiveLogs(const std::string& hivePath);

// Applies the logs beside a dirty hive, checks the result, keeps a copy of
// the original hive and of each log as NAME.before-logs (real copies: Windows
// rewrites its logs in place), and replaces the hive with the recovered one
// atomically (the logs stay in place: the recovered hive's sequence numbers
// are past all their entries, so Windows ignores them). Clears what a killed
// run left: its temporary files, and kept copies equal to their originals
// are taken as made. Returns one report per log used. On refusal returns
// nothing, sets *error to one plain sentence, and nothing on disk has
// changed.
std::optional<std::vector<HiveLogReport>> applyHiveLogs(const std::string& hivePath, std::string* error);

} // namespace platform
