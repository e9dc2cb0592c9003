#include "platform/registry/hive_log_replay.h"

#include "platform/registry/marvin32.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace platform {

namespace {

// Layout of the base block (the first 4096 bytes of a hive; a log holds a
// copy of its first 512 bytes) and of the hive bins that follow it.
constexpr std::size_t kBaseBlockSize = 4096;
constexpr std::size_t kLogHeaderSize = 512;
constexpr std::size_t kSector = 512;
constexpr std::size_t kBinAlignment = 4096;
constexpr std::size_t kPrimarySequence = 0x04;
constexpr std::size_t kSecondarySequence = 0x08;
constexpr std::size_t kLastWritten = 0x0C;
constexpr std::size_t kMajorVersion = 0x14;
constexpr std::size_t kFileType = 0x1C;
constexpr std::size_t kBinsSize = 0x28;
constexpr std::size_t kFileName = 0x30;
constexpr std::size_t kFileNameSize = 64;
constexpr std::size_t kFlags = 0x90;
constexpr std::size_t kChecksum = 0x1FC;
constexpr std::size_t kFirstBinTimestamp = kBaseBlockSize + 0x14;

constexpr std::uint32_t kPrimaryFile = 0;
constexpr std::uint32_t kOldLog = 1;
constexpr std::uint32_t kOlderLog = 2; // Windows 2000 and before
constexpr std::uint32_t kNewLog = 6;

// A log entry: "HvLE", its size, flags, sequence number, hive bins size,
// page count, two hashes, then (offset, size) per page and the pages.
constexpr std::size_t kEntryHeaderSize = 40;
constexpr std::size_t kEntryHashedHeader = 32;
// The published seed, read as one 64-bit number: 0x7A4E55C5 is the first
// state word, 0x82EF4D88 the second.
constexpr std::uint64_t kEntryHashSeed = 0x82EF4D887A4E55C5;
constexpr std::uint32_t kLockedFlag = 0x1;                   // the only flag a log entry carries

std::uint32_t u32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

std::uint64_t u64(const std::uint8_t* at)
{
    return std::uint64_t(u32(at)) | std::uint64_t(u32(at + 4)) << 32;
}

void setU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t xorOfHeader(const std::uint8_t* block)
{
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < kChecksum; at += 4)
        sum ^= u32(block + at);
    return sum;
}

// Windows never stores 0 or 0xFFFFFFFF as a checksum; it nudges them.
std::uint32_t windowsChecksum(const std::uint8_t* block)
{
    const std::uint32_t sum = xorOfHeader(block);
    return sum == 0 ? 1 : sum == 0xFFFFFFFF ? 0xFFFFFFFE : sum;
}

bool checksumMatches(const std::uint8_t* block)
{
    const std::uint32_t stored = u32(block + kChecksum);
    return stored == xorOfHeader(block) || stored == windowsChecksum(block);
}

bool headerIsSound(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() >= kLogHeaderSize && std::memcmp(bytes.data(), "regf", 4) == 0 &&
           u32(bytes.data() + kMajorVersion) == 1 && checksumMatches(bytes.data());
}

// Sequence numbers wrap around; a is at or after b when the distance from
// b forward to a is under half the range.
bool notBefore(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) >= 0;
}

struct Page {
    std::uint32_t offset = 0; // in the hive bins
    std::uint32_t size = 0;
    const std::uint8_t* data = nullptr;
};

struct Entry {
    std::uint32_t sequence = 0;
    std::uint32_t binsSize = 0;
    std::uint32_t flags = 0;
    std::vector<Page> pages;
};

struct ParsedLog {
    std::size_t input = 0;
    // No entry may make the hive larger than this: whatever a log adds to a
    // hive is in its pages, so a larger size is damage, and would otherwise
    // have us allocate whatever a damaged field says.
    std::uint64_t maxBinsSize = 0;
    LogFormat format = LogFormat::Unknown;
    const std::uint8_t* header = nullptr; // the log's copy of the base block
    std::uint32_t sequence = 0;
    std::uint64_t lastWritten = 0;
    std::vector<Entry> entries;
    bool endsInDamage = false; // the entries end at one that does not verify
};

// The "HvLE" entries that follow the log's base block: the first must carry
// the log's own sequence number and each next one the number after it.
// Reading stops at the first entry that is damaged or out of sequence (an
// old entry left from before, or garbage at the end of the file).
void readNewEntries(const std::vector<std::uint8_t>& bytes, ParsedLog* log)
{
    std::uint32_t expected = log->sequence;
    std::size_t at = kLogHeaderSize;
    while (at + kEntryHeaderSize <= bytes.size()) {
        const std::uint8_t* entry = bytes.data() + at;
        if (std::memcmp(entry, "HvLE", 4) != 0)
            return;
        const std::uint32_t size = u32(entry + 4);
        const std::uint32_t binsSize = u32(entry + 16);
        const std::uint32_t pageCount = u32(entry + 20);
        const bool framed = size >= kSector && size % kSector == 0 && size <= bytes.size() - at && binsSize != 0 &&
                            binsSize % kBinAlignment == 0 && binsSize <= log->maxBinsSize &&
                            pageCount <= (size - kEntryHeaderSize) / 8;
        if (!framed || marvin32(entry + kEntryHeaderSize, size - kEntryHeaderSize, kEntryHashSeed) != u64(entry + 24) ||
            marvin32(entry, kEntryHashedHeader, kEntryHashSeed) != u64(entry + 32)) {
            log->endsInDamage = true;
            return;
        }
        if (u32(entry + 12) != expected)
            return;
        Entry parsed{expected, binsSize, u32(entry + 8), {}};
        std::size_t data = kEntryHeaderSize + std::size_t(pageCount) * 8;
        for (std::uint32_t i = 0; i < pageCount; ++i) {
            const Page page{u32(entry + kEntryHeaderSize + 8 * i), u32(entry + kEntryHeaderSize + 8 * i + 4),
                            entry + data};
            if (page.size == 0 || std::uint64_t(page.offset) + page.size > binsSize || page.size > size - data) {
                log->endsInDamage = true;
                return;
            }
            parsed.pages.push_back(page);
            data += page.size;
        }
        log->entries.push_back(std::move(parsed));
        at += size;
        ++expected;
    }
}

// The dirty vector ("DIRT" and one bit per 512 bytes of hive bins) and the
// dirty pages after it, as one entry. False when the log is cut short.
bool readOldDirtyPages(const std::vector<std::uint8_t>& bytes, ParsedLog* log)
{
    const std::uint32_t binsSize = u32(log->header + kBinsSize);
    const std::size_t bitmapBytes = binsSize / kSector / 8;
    const std::size_t vectorEnd = kLogHeaderSize + 4 + bitmapBytes;
    if (binsSize == 0 || binsSize % kBinAlignment != 0 || binsSize > log->maxBinsSize || bytes.size() < vectorEnd ||
        std::memcmp(bytes.data() + kLogHeaderSize, "DIRT", 4) != 0)
        return false;
    const std::uint8_t* bitmap = bytes.data() + kLogHeaderSize + 4;
    std::size_t pageAt = (vectorEnd + kSector - 1) / kSector * kSector;
    Entry entry{log->sequence, binsSize, u32(log->header + kFlags), {}};
    for (std::size_t bit = 0; bit < bitmapBytes * 8; ++bit) {
        if ((bitmap[bit / 8] >> (bit % 8) & 1) == 0)
            continue;
        if (pageAt + kSector > bytes.size())
            return false;
        entry.pages.push_back({static_cast<std::uint32_t>(bit * kSector), kSector, bytes.data() + pageAt});
        pageAt += kSector;
    }
    log->entries.push_back(std::move(entry));
    return true;
}

std::optional<ParsedLog> parseLog(std::size_t input, const std::vector<std::uint8_t>& bytes, std::uint64_t maxBinsSize,
                                  HiveLogReport* report)
{
    if (bytes.empty()) {
        report->whyNot = "It is empty.";
        return std::nullopt;
    }
    if (!headerIsSound(bytes)) {
        report->whyNot = "It is not a Windows registry transaction log, or its header is damaged.";
        return std::nullopt;
    }
    ParsedLog log;
    log.input = input;
    log.maxBinsSize = maxBinsSize;
    log.header = bytes.data();
    log.sequence = u32(log.header + kPrimarySequence);
    log.lastWritten = u64(log.header + kLastWritten);
    const std::uint32_t type = u32(log.header + kFileType);
    log.format = type == kNewLog                        ? LogFormat::New
                 : type == kOldLog || type == kOlderLog ? LogFormat::Old
                                                        : LogFormat::Unknown;
    report->format = log.format;
    if (log.format == LogFormat::Unknown) {
        report->whyNot = "It is not a Windows registry transaction log.";
        return std::nullopt;
    }
    // Windows writes a log's header before its data and makes the two
    // numbers equal only once the data is complete.
    if (u32(log.header + kSecondarySequence) != log.sequence) {
        report->whyNot = "Windows did not finish writing it.";
        return std::nullopt;
    }
    if (log.format == LogFormat::New) {
        readNewEntries(bytes, &log);
    } else if (!readOldDirtyPages(bytes, &log)) {
        report->whyNot = "It is cut short or damaged.";
        return std::nullopt;
    }
    return log;
}

// The hive being rebuilt: its bytes, grown or cut to each entry's size.
class Image {
public:
    explicit Image(const std::vector<std::uint8_t>& hive) : bytes_(hive) {}

    void apply(const Entry& entry)
    {
        bytes_.resize(kBaseBlockSize + entry.binsSize, 0);
        for (const Page& page : entry.pages)
            std::memcpy(bytes_.data() + kBaseBlockSize + page.offset, page.data, page.size);
        flags_ = entry.flags;
    }

    // Old format: pages are checked per hive bin after applying; from the
    // first bin whose header is wrong on, the log's pages are taken back
    // (Windows stops there). Returns the number of pages kept.
    std::uint32_t keepSoundBins(const std::vector<std::uint8_t>& original, const Entry& entry)
    {
        const std::size_t binsSize = entry.binsSize;
        std::size_t at = 0;
        while (at < binsSize) {
            const std::uint8_t* bin = bytes_.data() + kBaseBlockSize + at;
            const std::uint32_t size = u32(bin + 8);
            if (std::memcmp(bin, "hbin", 4) != 0 || u32(bin + 4) != at || size < kBinAlignment ||
                size % kBinAlignment != 0 || size > binsSize - at)
                break;
            at += size;
        }
        std::uint32_t kept = 0;
        for (const Page& page : entry.pages) {
            if (page.offset < at) {
                ++kept;
                continue;
            }
            const std::size_t fileAt = kBaseBlockSize + page.offset;
            for (std::size_t i = 0; i < page.size; ++i)
                bytes_[fileAt + i] = fileAt + i < original.size() ? original[fileAt + i] : 0;
        }
        return kept;
    }

    // Gives the hive the newest base block (the log's copy), marked as a
    // clean primary file with both sequence numbers set to sequence.
    std::vector<std::uint8_t> finish(const std::uint8_t* header, std::uint32_t sequence, bool takeFlags)
    {
        if (bytes_.size() < kBaseBlockSize)
            bytes_.resize(kBaseBlockSize, 0);
        std::uint8_t* block = bytes_.data();
        const std::uint32_t binsSize = static_cast<std::uint32_t>(bytes_.size() - kBaseBlockSize);
        std::memcpy(block, header, kLogHeaderSize);
        setU32(block + kPrimarySequence, sequence);
        setU32(block + kSecondarySequence, sequence);
        setU32(block + kFileType, kPrimaryFile);
        setU32(block + kBinsSize, binsSize);
        if (takeFlags)
            setU32(block + kFlags, (u32(block + kFlags) & ~kLockedFlag) | (flags_ & kLockedFlag));
        setU32(block + kChecksum, windowsChecksum(block));
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t flags_ = 0;
};

bool sameFileName(const std::vector<std::uint8_t>& hive, const std::uint8_t* logHeader)
{
    return std::memcmp(hive.data() + kFileName, logHeader + kFileName, kFileNameSize) == 0;
}

std::string plural(std::uint32_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Windows 8.1 and later: entries from both logs, the log with the earlier
// entries first, the second continuing exactly where the first ended. With
// a damaged hive base block only the log with the latest entries is used.
void replayNewLogs(const std::vector<std::uint8_t>& hive, std::vector<ParsedLog>& logs, HiveLogReplay* result)
{
    std::sort(logs.begin(), logs.end(),
              [](const ParsedLog& a, const ParsedLog& b) { return !notBefore(a.sequence, b.sequence); });
    const bool baseBlockSound = headerIsSound(hive) && hive.size() >= kBaseBlockSize;
    if (!baseBlockSound) {
        for (std::size_t i = 0; i + 1 < logs.size(); ++i)
            result->logs[logs[i].input].whyNot =
                "The hive's own header is damaged, so only the log with the latest entries is used.";
        logs.erase(logs.begin(), logs.end() - 1);
    }
    const std::uint32_t hiveSequence = baseBlockSound ? u32(hive.data() + kSecondarySequence) : 0;
    Image image(hive);
    std::optional<std::uint32_t> last;
    const std::uint8_t* header = nullptr;
    for (const ParsedLog& log : logs) {
        HiveLogReport& report = result->logs[log.input];
        if (baseBlockSound && !sameFileName(hive, log.header)) {
            report.whyNot = "It belongs to another hive.";
        } else if (log.entries.empty()) {
            report.whyNot = log.endsInDamage ? "Its first entry is damaged." : "It holds no entries.";
        } else if (!last && baseBlockSound && !notBefore(log.sequence, hiveSequence)) {
            report.whyNot = "Its entries are older than the hive.";
        } else if (last && log.sequence != *last + 1) {
            report.whyNot = "Its entries do not continue those already applied.";
        } else {
            for (const Entry& entry : log.entries)
                image.apply(entry);
            last = log.entries.back().sequence;
            header = log.header;
            report.used = true;
            report.applied = static_cast<std::uint32_t>(log.entries.size());
            report.stoppedAtDamage = log.endsInDamage;
        }
    }
    if (!last)
        return;
    result->sequence = *last + 1;
    result->hive = image.finish(header, result->sequence, true);
}

// Up to Windows 8: one log holds all the hive's dirty pages; it applies
// when its last-written time is the hive's (taken from the first hive bin
// when the hive's own header is damaged). .LOG1 is tried first.
void replayOldLogs(const std::vector<std::uint8_t>& hive, std::vector<ParsedLog>& logs,
                   const std::vector<HiveLogInput>& inputs, HiveLogReplay* result)
{
    const auto rank = [&inputs](const ParsedLog& log) {
        const LogSlot slot = inputs[log.input].slot;
        return slot == LogSlot::Log1 ? 0 : slot == LogSlot::Log ? 1 : 2;
    };
    std::sort(logs.begin(), logs.end(), [&rank](const ParsedLog& a, const ParsedLog& b) { return rank(a) < rank(b); });
    const bool baseBlockSound = headerIsSound(hive) && hive.size() >= kBaseBlockSize;
    std::optional<std::uint64_t> hiveWritten;
    if (baseBlockSound)
        hiveWritten = u64(hive.data() + kLastWritten);
    else if (hive.size() >= kFirstBinTimestamp + 8)
        hiveWritten = u64(hive.data() + kFirstBinTimestamp);
    bool applied = false;
    for (const ParsedLog& log : logs) {
        HiveLogReport& report = result->logs[log.input];
        if (applied) {
            report.whyNot = "Another log of the hive was applied.";
            continue;
        }
        if (!hiveWritten || log.lastWritten != *hiveWritten) {
            report.whyNot = "Its last-written time does not match the hive's, so it belongs to another state "
                            "or another hive.";
            continue;
        }
        Image image(hive);
        const Entry& entry = log.entries.front();
        image.apply(entry);
        report.applied = image.keepSoundBins(hive, entry);
        if (report.applied == 0 && !entry.pages.empty()) {
            report.whyNot = "Its dirty pages are damaged.";
            continue;
        }
        report.used = true;
        applied = true;
        std::uint32_t sequence = log.sequence;
        for (std::size_t at : {kPrimarySequence, kSecondarySequence})
            if (baseBlockSound && notBefore(u32(hive.data() + at), sequence))
                sequence = u32(hive.data() + at);
        result->sequence = sequence + 1;
        result->hive = image.finish(log.header, result->sequence, false);
    }
}

std::string refusalFor(const HiveLogReplay& result)
{
    if (result.logs.empty())
        return "The hive has no transaction logs beside it.";
    std::string sentence = "The transaction logs cannot be applied:";
    for (std::size_t i = 0; i < result.logs.size(); ++i) {
        std::string why = result.logs[i].whyNot;
        if (!why.empty())
            why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
        if (!why.empty() && why.back() == '.')
            why.pop_back();
        sentence += (i == 0 ? " " : "; ") + result.logs[i].name + ": " + why;
    }
    return sentence + ".";
}

} // namespace

bool hiveBytesAreDirty(const std::vector<std::uint8_t>& hive)
{
    return hive.size() < kBaseBlockSize || !headerIsSound(hive) ||
           u32(hive.data() + kPrimarySequence) != u32(hive.data() + kSecondarySequence);
}

HiveLogReplay replayHiveLogs(const std::vector<std::uint8_t>& hive, const std::vector<HiveLogInput>& logs)
{
    HiveLogReplay result;
    for (const HiveLogInput& input : logs)
        result.logs.push_back({input.name, LogFormat::Unknown, false, 0, false, {}});
    if (!hiveBytesAreDirty(hive)) {
        result.refusal = "The hive is clean: Windows applied its transaction logs already.";
        return result;
    }
    std::uint64_t maxBinsSize = hive.size();
    for (const HiveLogInput& input : logs)
        maxBinsSize += input.bytes.size();
    std::vector<ParsedLog> newLogs;
    std::vector<ParsedLog> oldLogs;
    for (std::size_t i = 0; i < logs.size(); ++i) {
        if (auto parsed = parseLog(i, logs[i].bytes, maxBinsSize, &result.logs[i]))
            (parsed->format == LogFormat::New ? newLogs : oldLogs).push_back(std::move(*parsed));
    }
    if (!newLogs.empty()) {
        for (const ParsedLog& log : oldLogs)
            result.logs[log.input].whyNot = "The hive's other logs are of the newer format.";
        replayNewLogs(hive, newLogs, &result);
    } else if (!oldLogs.empty()) {
        replayOldLogs(hive, oldLogs, logs, &result);
    }
    if (result.hive.empty())
        result.refusal = refusalFor(result);
    return result;
}

std::string logFormatName(LogFormat format)
{
    switch (format) {
    case LogFormat::New:
        return "new format";
    case LogFormat::Old:
        return "old format";
    case LogFormat::Unknown:
        break;
    }
    return "unknown format";
}

std::string describeLogUse(const HiveLogReport& report)
{
    std::string line = report.name + ": " + logFormatName(report.format) + ", " +
                       (report.format == LogFormat::Old ? plural(report.applied, "dirty page", "dirty pages")
                                                        : plural(report.applied, "entry", "entries")) +
                       " applied";
    if (report.stoppedAtDamage)
        line += ", up to a damaged entry";
    return line;
}

} // namespace platform
