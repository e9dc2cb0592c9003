#include "core/hive_format/hive_log_replay.h"

#include "core/hive_format/marvin32.h"

#include <algorithm>
#include <array>
#include <bit>
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
// Cell offsets from 2 GiB up address volatile storage, so no hive file
// holds more hive bins than this.
constexpr std::uint64_t kMaxBinsSize = 0x80000000;
// Logs are hashed in pieces of this size, never read whole.
constexpr std::uint64_t kReadPiece = 1 << 16;

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
constexpr std::uint32_t kLockedFlag = 0x1; // the only flag a log entry carries

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

bool headerIsSound(const std::uint8_t* block, std::size_t size)
{
    return size >= kLogHeaderSize && std::memcmp(block, "regf", 4) == 0 && u32(block + kMajorVersion) == 1 &&
           checksumMatches(block);
}

bool baseBlockIsSound(const std::vector<std::uint8_t>& hive)
{
    return hive.size() >= kBaseBlockSize && headerIsSound(hive.data(), hive.size());
}

// Sequence numbers wrap around; a is at or after b when the distance from
// b forward to a is under half the range.
bool notBefore(std::uint32_t a, std::uint32_t b)
{
    return static_cast<std::int32_t>(a - b) >= 0;
}

std::uint64_t roundUp(std::uint64_t value, std::uint64_t unit)
{
    return (value + unit - 1) / unit * unit;
}

// How reading one piece of a log ended. A log that cannot be read stops the
// whole replay: applying fewer entries than it holds would lose changes.
enum class Step { Applied, End, Damaged, Unreadable };

// A log's copy of the base block and what it says about the log.
struct LogHead {
    std::size_t input = 0;
    LogFormat format = LogFormat::Unknown;
    std::array<std::uint8_t, kLogHeaderSize> header{};
    std::uint32_t sequence = 0;
    std::uint64_t lastWritten = 0;
};

// The log's base block; nothing, with the report saying why, when the file
// is not a finished log. *unreadable is set when it cannot be read.
std::optional<LogHead> readLogHead(std::size_t index, const HiveLogInput& input, HiveLogReport* report,
                                   bool* unreadable)
{
    LogHead head;
    head.input = index;
    if (input.size == 0) {
        report->whyNot = "It is empty.";
        return std::nullopt;
    }
    if (input.size >= kLogHeaderSize && !input.read(0, head.header.data(), kLogHeaderSize)) {
        *unreadable = true;
        return std::nullopt;
    }
    if (input.size < kLogHeaderSize || !headerIsSound(head.header.data(), kLogHeaderSize)) {
        report->whyNot = "It is not a Windows registry transaction log, or its header is damaged.";
        return std::nullopt;
    }
    head.sequence = u32(head.header.data() + kPrimarySequence);
    head.lastWritten = u64(head.header.data() + kLastWritten);
    const std::uint32_t type = u32(head.header.data() + kFileType);
    head.format = type == kNewLog                        ? LogFormat::New
                  : type == kOldLog || type == kOlderLog ? LogFormat::Old
                                                         : LogFormat::Unknown;
    report->format = head.format;
    if (head.format == LogFormat::Unknown) {
        report->whyNot = "It is not a Windows registry transaction log.";
        return std::nullopt;
    }
    // Windows writes a log's header before its data and makes the two
    // numbers equal only once the data is complete.
    if (u32(head.header.data() + kSecondarySequence) != head.sequence) {
        report->whyNot = "Windows did not finish writing it.";
        return std::nullopt;
    }
    return head;
}

// The hive being rebuilt: its bytes, grown or cut to each change's size.
class Image {
public:
    explicit Image(const std::vector<std::uint8_t>& hive) : bytes_(hive) {}

    std::uint64_t binsSize() const { return bytes_.size() > kBaseBlockSize ? bytes_.size() - kBaseBlockSize : 0; }
    void setBinsSize(std::uint32_t size) { bytes_.resize(kBaseBlockSize + size, 0); }
    std::uint8_t* bins() { return bytes_.data() + kBaseBlockSize; }
    void setFlags(std::uint32_t flags) { flags_ = flags; }

    // Old format: pages are checked per hive bin after applying; from the
    // first bin whose header is wrong on, the log's pages are taken back
    // (Windows stops there). Returns the number of pages kept.
    std::uint32_t keepSoundBins(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& dirty)
    {
        const std::uint64_t binsSize = this->binsSize();
        std::uint64_t at = 0;
        while (at < binsSize) {
            const std::uint8_t* bin = bins() + at;
            const std::uint32_t size = u32(bin + 8);
            if (std::memcmp(bin, "hbin", 4) != 0 || u32(bin + 4) != at || size < kBinAlignment ||
                size % kBinAlignment != 0 || size > binsSize - at)
                break;
            at += size;
        }
        std::uint32_t kept = 0;
        for (std::size_t bit = 0; bit < dirty.size() * 8; ++bit) {
            if ((dirty[bit / 8] >> (bit % 8) & 1) == 0)
                continue;
            if (bit * kSector < at) {
                ++kept;
                continue;
            }
            const std::size_t fileAt = kBaseBlockSize + bit * kSector;
            for (std::size_t i = 0; i < kSector; ++i)
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

// The Marvin32 hash of size bytes of the log from offset, read a piece at
// a time; nothing when they cannot be read.
std::optional<std::uint64_t> hashOfLog(const HiveLogInput& log, std::uint64_t offset, std::uint64_t size)
{
    Marvin32 hash(kEntryHashSeed);
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(size, kReadPiece)));
    for (std::uint64_t done = 0; done < size;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kReadPiece));
        if (!log.read(offset + done, piece.data(), count))
            return std::nullopt;
        hash.add(piece.data(), count);
        done += count;
    }
    return hash.finish();
}

// An entry of size bytes with pageCount pages for a hive of binsSize bytes
// of bins, at a place where left bytes of the log remain: it must lie whole
// in the log and claim no more than the hive could hold. Its pages fit in
// its hive bins, and the hive grows by no more than the pages carry
// (Windows logs every new bin whole).
bool entryFits(std::uint64_t size, std::uint64_t binsSize, std::uint64_t pageCount, std::uint64_t left,
               std::uint64_t imageBins)
{
    if (size < kSector || size % kSector != 0 || size > left || binsSize == 0 || binsSize % kBinAlignment != 0 ||
        binsSize > kMaxBinsSize || pageCount > (size - kEntryHeaderSize) / 8)
        return false;
    const std::uint64_t pageBytes = size - kEntryHeaderSize - 8 * pageCount; // with up to a sector of padding
    return pageBytes < binsSize + kSector && binsSize <= imageBins + roundUp(pageBytes, kBinAlignment);
}

struct Page {
    std::uint32_t offset = 0; // in the hive bins
    std::uint32_t size = 0;
};

// Reads the "HvLE" entry at *at, checks it whole, then applies it to the
// image and moves *at past it. The entry must carry the sequence number
// expected; one that does not is an old entry left in the file (or garbage),
// where the log ends.
Step applyEntry(const HiveLogInput& log, std::uint64_t* at, std::uint32_t expected, Image* image)
{
    std::uint8_t head[kEntryHeaderSize];
    if (*at + kEntryHeaderSize > log.size)
        return Step::End;
    if (!log.read(*at, head, kEntryHeaderSize))
        return Step::Unreadable;
    if (std::memcmp(head, "HvLE", 4) != 0)
        return Step::End;
    if (marvin32(head, kEntryHashedHeader, kEntryHashSeed) != u64(head + 32))
        return Step::Damaged;
    if (u32(head + 12) != expected)
        return Step::End;
    const std::uint32_t size = u32(head + 4);
    const std::uint32_t binsSize = u32(head + 16);
    const std::uint32_t pageCount = u32(head + 20);
    if (!entryFits(size, binsSize, pageCount, log.size - *at, image->binsSize()))
        return Step::Damaged;
    const auto hash = hashOfLog(log, *at + kEntryHeaderSize, size - kEntryHeaderSize);
    if (!hash)
        return Step::Unreadable;
    if (*hash != u64(head + 24))
        return Step::Damaged;

    std::vector<std::uint8_t> list(std::size_t(pageCount) * 8);
    if (!log.read(*at + kEntryHeaderSize, list.data(), list.size()))
        return Step::Unreadable;
    std::vector<Page> pages;
    std::uint64_t data = kEntryHeaderSize + list.size();
    for (std::uint32_t i = 0; i < pageCount; ++i) {
        const Page page{u32(list.data() + 8 * i), u32(list.data() + 8 * i + 4)};
        if (page.size == 0 || std::uint64_t(page.offset) + page.size > binsSize || page.size > size - data)
            return Step::Damaged;
        pages.push_back(page);
        data += page.size;
    }
    image->setBinsSize(binsSize);
    image->setFlags(u32(head + 8));
    data = *at + kEntryHeaderSize + list.size();
    for (const Page& page : pages) {
        if (!log.read(data, image->bins() + page.offset, page.size))
            return Step::Unreadable;
        data += page.size;
    }
    *at += size;
    return Step::Applied;
}

// Old format: the dirty vector ("DIRT" and one bit per 512 bytes of hive
// bins) and the dirty pages after it, read straight into the image as one
// change; *dirty receives the vector's bits.
Step applyDirtyPages(const HiveLogInput& log, const LogHead& head, Image* image, std::vector<std::uint8_t>* dirty)
{
    const std::uint32_t binsSize = u32(head.header.data() + kBinsSize);
    const std::size_t bitmapBytes = binsSize / kSector / 8;
    const std::uint64_t vectorEnd = kLogHeaderSize + 4 + bitmapBytes;
    if (binsSize == 0 || binsSize % kBinAlignment != 0 || binsSize > kMaxBinsSize || log.size < vectorEnd)
        return Step::Damaged;
    std::vector<std::uint8_t> vector(4 + bitmapBytes);
    if (!log.read(kLogHeaderSize, vector.data(), vector.size()))
        return Step::Unreadable;
    if (std::memcmp(vector.data(), "DIRT", 4) != 0)
        return Step::Damaged;
    dirty->assign(vector.begin() + 4, vector.end());
    std::uint64_t pages = 0;
    for (std::uint8_t bits : *dirty)
        pages += static_cast<std::uint64_t>(std::popcount(bits));
    std::uint64_t pageAt = roundUp(vectorEnd, kSector);
    if (pageAt + pages * kSector > log.size || binsSize > image->binsSize() + roundUp(pages * kSector, kBinAlignment))
        return Step::Damaged;
    image->setBinsSize(binsSize);
    for (std::size_t bit = 0; bit < bitmapBytes * 8; ++bit) {
        if (((*dirty)[bit / 8] >> (bit % 8) & 1) == 0)
            continue;
        if (!log.read(pageAt, image->bins() + bit * kSector, kSector))
            return Step::Unreadable;
        pageAt += kSector;
    }
    return Step::Applied;
}

bool sameFileName(const std::vector<std::uint8_t>& hive, const std::uint8_t* logHeader)
{
    return std::memcmp(hive.data() + kFileName, logHeader + kFileName, kFileNameSize) == 0;
}

std::string plural(std::uint32_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A log that could not be read ends the replay with nothing applied.
struct Replay {
    const std::vector<std::uint8_t>& hive;
    const std::vector<HiveLogInput>& inputs;
    HiveLogReplay* result;
    std::optional<std::string> unreadable; // the name of the log that could not be read
};

// Windows 8.1 and later: entries from both logs, the log with the earlier
// entries first, the second continuing exactly where the first ended. With
// a damaged hive base block only the log with the latest entries is used.
void replayNewLogs(Replay& replay, std::vector<LogHead>& logs)
{
    const std::vector<std::uint8_t>& hive = replay.hive;
    HiveLogReplay* result = replay.result;
    std::sort(logs.begin(), logs.end(),
              [](const LogHead& a, const LogHead& b) { return !notBefore(a.sequence, b.sequence); });
    const bool baseBlockSound = baseBlockIsSound(hive);
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
    for (const LogHead& log : logs) {
        HiveLogReport& report = result->logs[log.input];
        if (baseBlockSound && !sameFileName(hive, log.header.data())) {
            report.whyNot = "It belongs to another hive.";
            continue;
        }
        if (!last && baseBlockSound && !notBefore(log.sequence, hiveSequence)) {
            report.whyNot = "Its entries are older than the hive.";
            continue;
        }
        if (last && log.sequence != *last + 1) {
            report.whyNot = "Its entries do not continue those already applied.";
            continue;
        }
        const HiveLogInput& input = replay.inputs[log.input];
        std::uint64_t at = kLogHeaderSize;
        std::uint32_t applied = 0;
        Step step;
        while ((step = applyEntry(input, &at, log.sequence + applied, &image)) == Step::Applied)
            ++applied;
        if (step == Step::Unreadable) {
            replay.unreadable = input.name;
            return;
        }
        if (applied == 0) {
            report.whyNot = step == Step::Damaged ? "Its first entry is damaged." : "It holds no entries.";
            continue;
        }
        last = log.sequence + applied - 1;
        header = log.header.data();
        report.used = true;
        report.applied = applied;
        report.stoppedAtDamage = step == Step::Damaged;
    }
    if (!last)
        return;
    result->sequence = *last + 1;
    result->hive = image.finish(header, result->sequence, true);
}

// Up to Windows 8: one log holds all the hive's dirty pages; it applies
// when its last-written time is the hive's, and .LOG1 is tried first. A
// damaged hive base block cannot judge the logs: the newest log that
// applies cleanly is used.
void replayOldLogs(Replay& replay, std::vector<LogHead>& logs)
{
    const std::vector<std::uint8_t>& hive = replay.hive;
    HiveLogReplay* result = replay.result;
    const auto rank = [&replay](const LogHead& log) {
        const LogSlot slot = replay.inputs[log.input].slot;
        return slot == LogSlot::Log1 ? 0 : slot == LogSlot::Log ? 1 : 2;
    };
    const bool baseBlockSound = baseBlockIsSound(hive);
    std::sort(logs.begin(), logs.end(), [&](const LogHead& a, const LogHead& b) {
        if (!baseBlockSound && a.lastWritten != b.lastWritten)
            return a.lastWritten > b.lastWritten;
        return rank(a) < rank(b);
    });
    bool applied = false;
    for (const LogHead& log : logs) {
        HiveLogReport& report = result->logs[log.input];
        if (applied) {
            report.whyNot = "Another log of the hive was applied.";
            continue;
        }
        if (baseBlockSound && log.lastWritten != u64(hive.data() + kLastWritten)) {
            report.whyNot = "Its last-written time does not match the hive's, so it belongs to another state "
                            "or another hive.";
            continue;
        }
        Image image(hive);
        std::vector<std::uint8_t> dirty;
        const Step step = applyDirtyPages(replay.inputs[log.input], log, &image, &dirty);
        if (step == Step::Unreadable) {
            replay.unreadable = replay.inputs[log.input].name;
            return;
        }
        if (step != Step::Applied) {
            report.whyNot = "It is cut short or damaged.";
            continue;
        }
        report.applied = image.keepSoundBins(hive, dirty);
        if (report.applied == 0 && std::any_of(dirty.begin(), dirty.end(), [](std::uint8_t bits) { return bits; })) {
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
        result->hive = image.finish(log.header.data(), result->sequence, false);
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

std::vector<HiveLogReport> blankReports(const std::vector<HiveLogInput>& logs)
{
    std::vector<HiveLogReport> reports;
    for (const HiveLogInput& input : logs)
        reports.push_back({input.name, LogFormat::Unknown, false, 0, false, {}});
    return reports;
}

} // namespace

bool hiveBytesAreDirty(const std::vector<std::uint8_t>& hive)
{
    return !baseBlockIsSound(hive) || u32(hive.data() + kPrimarySequence) != u32(hive.data() + kSecondarySequence);
}

HiveLogReplay replayHiveLogs(const std::vector<std::uint8_t>& hive, const std::vector<HiveLogInput>& logs)
{
    HiveLogReplay result;
    result.logs = blankReports(logs);
    if (!hiveBytesAreDirty(hive)) {
        result.refusal = "The hive is clean: Windows applied its transaction logs already.";
        return result;
    }
    Replay replay{hive, logs, &result, std::nullopt};
    std::vector<LogHead> newLogs;
    std::vector<LogHead> oldLogs;
    for (std::size_t i = 0; i < logs.size() && !replay.unreadable; ++i) {
        bool unreadable = false;
        if (auto head = readLogHead(i, logs[i], &result.logs[i], &unreadable))
            (head->format == LogFormat::New ? newLogs : oldLogs).push_back(*head);
        else if (unreadable)
            replay.unreadable = logs[i].name;
    }
    if (!replay.unreadable && !newLogs.empty()) {
        for (const LogHead& log : oldLogs)
            result.logs[log.input].whyNot = "The hive's other logs are of the newer format.";
        replayNewLogs(replay, newLogs);
    } else if (!replay.unreadable && !oldLogs.empty()) {
        replayOldLogs(replay, oldLogs);
    }
    if (replay.unreadable) {
        result = HiveLogReplay{};
        result.logs = blankReports(logs);
        result.refusal = "The log " + *replay.unreadable + " cannot be read to its end, so no log was applied.";
    } else if (result.hive.empty()) {
        result.refusal = refusalFor(result);
    }
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
