#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Applies a dirty hive's Windows transaction logs to its bytes, as Windows
// does when it loads the hive. Works on bytes only: finding, reading and
// replacing files is the caller's job.
namespace platform {

// Which of the log files beside a hive: HIVE.LOG (one log, older Windows),
// or HIVE.LOG1 and HIVE.LOG2 (two logs, Windows Vista and later).
enum class LogSlot { Log, Log1, Log2 };

// Old: base block, dirty vector and dirty pages (up to Windows 8).
// New: base block and "HvLE" entries (Windows 8.1 and later).
enum class LogFormat { Unknown, Old, New };

// A log is read a piece at a time, never whole: a log file may be far
// larger than anything the hive can need from it.
struct HiveLogInput {
    LogSlot slot = LogSlot::Log;
    std::string name; // the file's name, for the report
    std::uint64_t size = 0;
    // Copies size bytes from offset of the log; false when they cannot be read.
    std::function<bool(std::uint64_t offset, std::uint8_t* into, std::size_t size)> read;
};

struct HiveLogReport {
    std::string name;
    LogFormat format = LogFormat::Unknown;
    bool used = false;
    // Entries applied (new format) or 512-byte dirty pages applied (old format).
    std::uint32_t applied = 0;
    // The log's entries ended at one that does not verify (Windows stops there too).
    bool stoppedAtDamage = false;
    // Why the log was not used, one plain sentence; empty when it was.
    std::string whyNot;
};

struct HiveLogReplay {
    // The recovered hive, clean: both sequence numbers equal and past every
    // applied entry. Empty when refused.
    std::vector<std::uint8_t> hive;
    std::vector<HiveLogReport> logs; // one per input, in input order
    std::string refusal;             // one plain sentence when nothing could be applied
    std::uint32_t sequence = 0;      // both sequence numbers of the recovered hive

    bool recovered() const { return refusal.empty(); }
};

// True when the hive needs its logs: its base block is damaged, or its two
// sequence numbers differ. Also true for bytes too short to be a hive.
bool hiveBytesAreDirty(const std::vector<std::uint8_t>& hive);

// Applies the logs that belong to this dirty hive, in the order and up to
// the point where Windows would. A log whose base block, sequence numbers or
// last-written time do not match the hive is not used; replay ends at the
// first entry that does not verify or claims more than the hive could hold.
// A hive whose own base block is damaged cannot judge its logs: recovery
// starts from the newest log's copy of the base block. Refuses a clean hive,
// a hive none of whose logs can be applied, and logs that cannot be read.
// Holds the hive being rebuilt and, per log, little more than one entry's
// page list in memory.
HiveLogReplay replayHiveLogs(const std::vector<std::uint8_t>& hive, const std::vector<HiveLogInput>& logs);

// "new format" or "old format", for reports.
std::string logFormatName(LogFormat format);

// One line for a log that was used: "SOFTWARE.LOG1: new format, 3 entries applied".
std::string describeLogUse(const HiveLogReport& report);

} // namespace platform
