// Replaying a dirty hive's transaction logs: which logs and entries are
// applied, what the recovered hive holds, and that every refusal leaves the
// files as they were.
#include "core/registry/hive/hive_log_files.h"
#include "core/registry/hive/hive_registry.h"
#include "core/hive_format/marvin32.h"
#include "support/hive_log_fixture.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <map>
#include <memory>

using namespace platform;
using namespace log_fixture;

Q_DECLARE_METATYPE(std::vector<platform::HiveLogInput>)
Q_DECLARE_METATYPE(std::vector<std::uint32_t>)
Q_DECLARE_METATYPE(log_fixture::Bytes)

namespace {

constexpr std::uint32_t kSeq = 20; // the dirty hive's secondary sequence number
constexpr std::size_t kBins = 4096;
constexpr char kKey[] = "SOFTWARE\\Pennant";

const std::vector<Bytes>& states()
{
    static const std::vector<Bytes> built = hiveStates(4);
    return built;
}

Bytes entry(int from, int to, std::uint32_t sequence)
{
    return newLogEntry(states()[from], states()[to], sequence);
}

HiveLogInput input(LogSlot slot, Bytes bytes)
{
    const char* name = slot == LogSlot::Log1   ? "SOFTWARE.LOG1"
                       : slot == LogSlot::Log2 ? "SOFTWARE.LOG2"
                                               : "SOFTWARE.LOG";
    auto held = std::make_shared<const Bytes>(std::move(bytes));
    const auto read = [held](std::uint64_t offset, std::uint8_t* into, std::size_t size) {
        if (offset + size > held->size())
            return false;
        std::copy_n(held->begin() + std::ptrdiff_t(offset), size, into);
        return true;
    };
    return {slot, name, held->size(), read};
}

Bytes withBrokenChecksum(Bytes hive)
{
    hive[0x1FC] ^= 0x5A;
    return hive;
}

// The hive with the key "Step1" pointing at a parent outside the hive bins:
// libhivex opens such a hive, the structural check does not pass it.
Bytes withStrayParent(Bytes hive)
{
    const std::string name = "Step1";
    const auto at = std::search(hive.begin(), hive.end(), name.begin(), name.end()) - hive.begin();
    const std::size_t key = std::size_t(at) - 76; // the name follows the key's 76-byte record
    if (hive[key] != 'n' || hive[key + 1] != 'k')
        throw std::runtime_error("no key Step1 in the hive");
    setDword(hive, key + 16, 0x7FFFF000);
    return hive;
}

Bytes named(Bytes hive, const std::string& name)
{
    setHiveFileName(hive, name);
    return hive;
}

// "Step" as the registry reads it from the hive file, or "" when unreadable.
std::string stepIn(const std::string& path)
{
    std::string error;
    auto registry = HiveRegistry::open(path, &error);
    HKEY key = 0;
    if (!registry || registry->openKey(kLocalMachine, kKey, 0x20019, &key) != kSuccess)
        return "";
    char text[32] = {};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof text;
    const LSTATUS status = registry->queryValue(key, "Step", &type, reinterpret_cast<std::uint8_t*>(text), &size);
    registry->closeKey(key);
    return status == kSuccess ? std::string(text) : "";
}

// Runs an independent hive parser; its exit code, or -1 when it is missing.
int runParser(const QString& program, const QStringList& arguments, QString* output)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return -1;
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

} // namespace

class TestHiveLogReplay : public QObject {
    Q_OBJECT

private slots:
    void marvin32_matchesPublishedVectors_data();
    void marvin32_matchesPublishedVectors();
    void replay_data();
    void replay();
    void applyHiveLogs_replacesTheHiveAndKeepsTheOriginals();
    void applyHiveLogs_refusalChangesNothing_data();
    void applyHiveLogs_refusalChangesNothing();
    void inspectHiveLogs_tellsWhetherLogsCanBeApplied();
    void inspectHiveLogs_cleanHiveWithUnreadableLogIsClean();
};

void TestHiveLogReplay::marvin32_matchesPublishedVectors_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint64>("expected");
    const quint64 seed1 = 0x004FB61A001BDBCCULL;
    const quint64 seed3 = 0x804FB61A801BDBCCULL;
    QTest::newRow("empty") << seed1 << QByteArray() << quint64(0x30ED35C100CD3C7DULL);
    QTest::newRow("1 byte") << seed1 << QByteArray::fromHex("af") << quint64(0x48E73FC77D75DDC1ULL);
    QTest::newRow("2 bytes") << seed1 << QByteArray::fromHex("e70f") << quint64(0xB5F6E1FC485DBFF8ULL);
    QTest::newRow("3 bytes") << seed1 << QByteArray::fromHex("37f495") << quint64(0xF0B07C789B8CF7E8ULL);
    QTest::newRow("4 bytes") << seed1 << QByteArray::fromHex("8642dc59") << quint64(0x7008F2E87E9CF556ULL);
    QTest::newRow("7 bytes") << seed1 << QByteArray::fromHex("ab427ea8d10fc7") << quint64(0xE11847E4F0678C41ULL);
    QTest::newRow("high seed") << seed3 << QByteArray::fromHex("FF00FF00FF") << quint64(0x920B62BBCA3E0B72ULL);
    QTest::newRow("6 bytes, seed with its top bit set")
        << quint64(0x804FB61A001BDBCCULL) << QByteArray::fromHex("0932e6246c47") << quint64(0xD6DD5E40AD1BC2EDULL);
    // Published with the seed as two state words, 0xCD0893B7 first: the low
    // half of the 64-bit seed is the first word.
    QTest::newRow("seed given as state words") << quint64(0xD53CD9CECD0893B7ULL) << QByteArray("abc")
                                               << quint64(0x22C74339492769BFULL);
}

void TestHiveLogReplay::marvin32_matchesPublishedVectors()
{
    QFETCH(quint64, seed);
    QFETCH(QByteArray, data);
    QFETCH(quint64, expected);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    QCOMPARE(quint64(marvin32(bytes, std::size_t(data.size()), seed)), expected);
    // A log is hashed a piece at a time; one byte per piece gives the same.
    Marvin32 pieces(seed);
    for (qsizetype i = 0; i < data.size(); ++i)
        pieces.add(bytes + i, 1);
    QCOMPARE(quint64(pieces.finish()), expected);
}

void TestHiveLogReplay::replay_data()
{
    QTest::addColumn<Bytes>("hive");
    QTest::addColumn<std::vector<HiveLogInput>>("logs");
    QTest::addColumn<int>("state");                          // the state recovered; -1: refused
    QTest::addColumn<std::vector<std::uint32_t>>("applied"); // per log; for the old format, 0 means "some"
    QTest::addColumn<std::uint32_t>("sequence");

    const auto& s = states();
    const Bytes dirty = dirtyHive(s[0], kSeq);
    using Logs = std::vector<HiveLogInput>;
    using Counts = std::vector<std::uint32_t>;
    Bytes damagedMiddle = entry(1, 2, kSeq + 1);
    damagedMiddle[damagedMiddle.size() - 100] ^= 0xFF;

    QTest::newRow("new format, one entry")
        << dirty << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {entry(0, 1, kSeq)}))} << 1 << Counts{1} << kSeq + 1;
    QTest::newRow("new format, three entries")
        << dirty
        << Logs{input(LogSlot::Log1,
                      newLog(s[3], kSeq, {entry(0, 1, kSeq), entry(1, 2, kSeq + 1), entry(2, 3, kSeq + 2)}))}
        << 3 << Counts{3} << kSeq + 3;
    QTest::newRow("damaged entry in the middle ends the replay")
        << dirty
        << Logs{input(LogSlot::Log1, newLog(s[3], kSeq, {entry(0, 1, kSeq), damagedMiddle, entry(2, 3, kSeq + 2)}))}
        << 1 << Counts{1} << kSeq + 1;
    QTest::newRow("old entry after the current ones is skipped")
        << dirty << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {entry(0, 1, kSeq), entry(0, 3, kSeq - 7)}))} << 1
        << Counts{1} << kSeq + 1;
    QTest::newRow("log older than the hive is skipped")
        << dirty
        << Logs{input(LogSlot::Log1, newLog(s[1], kSeq - 10, {entry(0, 1, kSeq - 10)})),
                input(LogSlot::Log2, newLog(s[2], kSeq, {entry(0, 2, kSeq)}))}
        << 2 << Counts{0, 1} << kSeq + 1;
    QTest::newRow("two logs, LOG1 first")
        << dirty
        << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {entry(0, 1, kSeq)})),
                input(LogSlot::Log2, newLog(s[3], kSeq + 1, {entry(1, 2, kSeq + 1), entry(2, 3, kSeq + 2)}))}
        << 3 << Counts{1, 2} << kSeq + 3;
    QTest::newRow("two logs, LOG2 first")
        << dirty
        << Logs{input(LogSlot::Log1, newLog(s[3], kSeq + 1, {entry(1, 2, kSeq + 1), entry(2, 3, kSeq + 2)})),
                input(LogSlot::Log2, newLog(s[1], kSeq, {entry(0, 1, kSeq)}))}
        << 3 << Counts{2, 1} << kSeq + 3;
    QTest::newRow("second log that does not continue the first is not used")
        << dirty
        << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {entry(0, 1, kSeq)})),
                input(LogSlot::Log2, newLog(s[3], kSeq + 2, {entry(2, 3, kSeq + 2)}))}
        << 1 << Counts{1, 0} << kSeq + 1;
    QTest::newRow("damaged hive header, good log")
        << withBrokenChecksum(dirty)
        << Logs{input(LogSlot::Log1, newLog(s[2], kSeq, {entry(0, 1, kSeq), entry(1, 2, kSeq + 1)}))} << 2 << Counts{2}
        << kSeq + 2;
    Bytes huge = entry(1, 2, kSeq + 1);
    setDword(huge, 16, 0x7FFFF000);
    sealEntry(huge);
    QTest::newRow("entry that claims a huge hive ends the replay")
        << dirty << Logs{input(LogSlot::Log1, newLog(s[2], kSeq, {entry(0, 1, kSeq), huge}))} << 1 << Counts{1}
        << kSeq + 1;
    QTest::newRow("emptied hive file, log holding every page")
        << Bytes() << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {newLogEntry({}, s[1], kSeq)}))} << 1 << Counts{1}
        << kSeq + 1;
    QTest::newRow("old format, one log") << dirty << Logs{input(LogSlot::Log, oldLog(dirty, s[2], kSeq + 1))} << 2
                                         << Counts{0} << kSeq + 2;
    QTest::newRow("old format, damaged hive header")
        << withBrokenChecksum(dirty) << Logs{input(LogSlot::Log1, oldLog(dirty, s[3], kSeq + 1))} << 3 << Counts{0}
        << kSeq + 2;
    Bytes otherBinTime = dirty; // the first bin's copy of the last-written time is not the log's either
    otherBinTime[kBins + 0x14] ^= 0x01;
    QTest::newRow("old format, damaged hive header and first bin's time")
        << withBrokenChecksum(otherBinTime) << Logs{input(LogSlot::Log1, oldLog(otherBinTime, s[3], kSeq + 1))} << 3
        << Counts{0} << kSeq + 2;

    // Refusals.
    QTest::newRow("clean hive") << s[0] << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {entry(0, 1, kSeq)}))} << -1
                                << Counts{0} << 0u;
    QTest::newRow("log of another hive") << named(dirty, "SOFTWARE")
                                         << Logs{input(LogSlot::Log1,
                                                       newLog(named(s[1], "SYSTEM"), kSeq, {entry(0, 1, kSeq)}))}
                                         << -1 << Counts{0} << 0u;
    Bytes otherTime = dirty;
    otherTime[0x0C] ^= 0x01;
    fixChecksum(otherTime);
    QTest::newRow("old format log of another state of the hive")
        << dirty << Logs{input(LogSlot::Log, oldLog(otherTime, s[2], kSeq + 1))} << -1 << Counts{0} << 0u;
    Bytes unfinished = newLog(s[1], kSeq, {entry(0, 1, kSeq)});
    setDword(unfinished, 0x08, kSeq - 1);
    fixChecksum(unfinished);
    QTest::newRow("unfinished, empty and foreign logs")
        << dirty
        << Logs{input(LogSlot::Log1, unfinished), input(LogSlot::Log2, {}), input(LogSlot::Log, Bytes(4096, 0x41))}
        << -1 << Counts{0, 0, 0} << 0u;
    Bytes hugeOld = oldLog(dirty, s[2], kSeq + 1);
    setDword(hugeOld, 0x28, 0x7FFFF000);
    fixChecksum(hugeOld);
    hugeOld.resize(600 * 1024, 0);
    QTest::newRow("old format log that claims a huge hive")
        << dirty << Logs{input(LogSlot::Log, hugeOld)} << -1 << Counts{0} << 0u;
    QTest::newRow("emptied hive file, log without entries")
        << Bytes() << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {}))} << -1 << Counts{0} << 0u;
    Bytes reversedSeed = entry(0, 1, kSeq);
    sealEntry(reversedSeed, 0xC5554E7A884DEF82); // the published seed with its bytes reversed
    QTest::newRow("entry hashed with another seed")
        << dirty << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {reversedSeed}))} << -1 << Counts{0} << 0u;
    QTest::newRow("first entry damaged") << dirty << Logs{input(LogSlot::Log1, newLog(s[1], kSeq, {damagedMiddle}))}
                                         << -1 << Counts{0} << 0u;
}

void TestHiveLogReplay::replay()
{
    QFETCH(Bytes, hive);
    QFETCH(std::vector<HiveLogInput>, logs);
    QFETCH(int, state);
    QFETCH(std::vector<std::uint32_t>, applied);
    QFETCH(std::uint32_t, sequence);

    const HiveLogReplay result = replayHiveLogs(hive, logs);
    QCOMPARE(result.logs.size(), logs.size());
    if (state < 0) {
        QVERIFY(!result.recovered());
        QVERIFY(result.hive.empty());
        QVERIFY2(result.refusal.find("cannot be applied") != std::string::npos ||
                     result.refusal.find("clean") != std::string::npos,
                 result.refusal.c_str());
        for (const HiveLogReport& report : result.logs)
            QVERIFY(!report.used && report.applied == 0);
        return;
    }
    QVERIFY2(result.recovered(), result.refusal.c_str());
    const Bytes& expected = states()[std::size_t(state)];
    QCOMPARE(result.hive.size(), expected.size());
    QVERIFY(std::equal(expected.begin() + kBins, expected.end(), result.hive.begin() + kBins));
    QCOMPARE(dwordAt(result.hive, 0x04), sequence);
    QCOMPARE(dwordAt(result.hive, 0x08), sequence);
    QCOMPARE(dwordAt(result.hive, 0x1C), 0u);
    QVERIFY(!hiveBytesAreDirty(result.hive));
    for (std::size_t i = 0; i < applied.size(); ++i) {
        const HiveLogReport& report = result.logs[i];
        if (report.format == LogFormat::Old)
            QVERIFY(report.used && report.applied > 0);
        else
            QCOMPARE(report.applied, applied[i]);
        QCOMPARE(report.used, report.applied > 0);
        QCOMPARE(report.whyNot.empty(), report.used);
    }

    QTemporaryDir dir;
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    writeFile(path, result.hive);
    QCOMPARE(stepIn(path), std::to_string(state));
}

void TestHiveLogReplay::applyHiveLogs_replacesTheHiveAndKeepsTheOriginals()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const std::string hivePath = (folder + "/SOFTWARE").toStdString();
    const Bytes dirty = dirtyHive(states()[0], kSeq);
    const Bytes log1 = newLog(states()[1], kSeq, {entry(0, 1, kSeq)});
    const Bytes log2 = newLog(states()[2], kSeq + 1, {entry(1, 2, kSeq + 1)});
    writeFile(hivePath, dirty);
    writeFile((folder + "/software.log1").toStdString(), log1); // Windows disks mix letter cases
    writeFile((folder + "/SOFTWARE.Log2").toStdString(), log2);

    std::string error;
    const auto used = applyHiveLogs(hivePath, &error);
    QVERIFY2(used.has_value(), error.c_str());
    QCOMPARE(used->size(), std::size_t(2));
    QCOMPARE(describeLogUse((*used)[0]), std::string("software.log1: new format, 1 entry applied"));
    QCOMPARE(describeLogUse((*used)[1]), std::string("SOFTWARE.Log2: new format, 1 entry applied"));

    QCOMPARE(readFile(hivePath + ".before-logs"), dirty);
    QCOMPARE(readFile((folder + "/software.log1.before-logs").toStdString()), log1);
    QCOMPARE(readFile((folder + "/SOFTWARE.Log2.before-logs").toStdString()), log2);
    // The kept logs are copies: Windows rewrites its logs in place.
    writeFile((folder + "/software.log1").toStdString(), log2);
    QCOMPARE(readFile((folder + "/software.log1.before-logs").toStdString()), log1);
    const Bytes recovered = readFile(hivePath);
    QCOMPARE(dwordAt(recovered, 0x04), kSeq + 2);
    QCOMPARE(dwordAt(recovered, 0x08), kSeq + 2);
    QCOMPARE(stepIn(hivePath), std::string("2"));
    QVERIFY(!inspectHiveLogs(hivePath).dirty);

    // A later save works and keeps the hive clean.
    {
        auto registry = HiveRegistry::open(hivePath, &error);
        QVERIFY(registry && registry->isWritable());
        HKEY key = 0;
        QCOMPARE(registry->createKey(kLocalMachine, kKey, &key), kSuccess);
        const std::string saved = "saved";
        QCOMPARE(registry->setValue(key, "Step", kRegSz, reinterpret_cast<const std::uint8_t*>(saved.c_str()),
                                    std::uint32_t(saved.size() + 1)),
                 kSuccess);
        registry->closeKey(key);
        QCOMPARE(registry->flush(), kSuccess);
    }
    QCOMPARE(stepIn(hivePath), std::string("saved"));

    // Parsers that share no code with libhivex read the result cleanly.
    QString output;
    const int regf = runParser("regfexport", {QString::fromStdString(hivePath)}, &output);
    if (regf != -1) {
        QCOMPARE(regf, 0);
        QVERIFY2(output.contains("Step2") && output.contains("saved"), qPrintable(output));
    }
    const int lookup = runParser("reglookup", {QString::fromStdString(hivePath)}, &output);
    if (lookup != -1) {
        QCOMPARE(lookup, 0);
        QVERIFY2(output.contains("/Pennant/Step2") && !output.contains("ERROR"), qPrintable(output));
    }
    if (regf == -1 && lookup == -1)
        QSKIP("Neither regfexport nor reglookup is installed (scripts/install-deps installs them).");
}

void TestHiveLogReplay::applyHiveLogs_refusalChangesNothing_data()
{
    QTest::addColumn<Bytes>("hive");
    QTest::addColumn<Bytes>("log1");
    QTest::addColumn<bool>("keptCopyExists");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<quint64>("logSize"); // the log file grown to this size, its end unwritten; 0: as built

    const Bytes dirty = dirtyHive(states()[0], kSeq);
    const Bytes good = newLog(states()[1], kSeq, {entry(0, 1, kSeq)});
    Bytes damaged = good;
    damaged[damaged.size() - 10] ^= 0xFF;
    QTest::newRow("no logs") << dirty << Bytes() << false << "none lies beside it" << 0ull;
    QTest::newRow("damaged log") << dirty << damaged << false << "first entry is damaged" << 0ull;
    QTest::newRow("log of another hive") << named(dirty, "SOFTWARE")
                                         << newLog(named(states()[1], "SAM"), kSeq, {entry(0, 1, kSeq)}) << false
                                         << "belongs to another hive" << 0ull;
    QTest::newRow("logs that rebuild a damaged hive")
        << dirty << newLog(states()[1], kSeq, {newLogEntry(states()[0], withStrayParent(states()[1]), kSeq)}) << false
        << "is damaged" << 0ull;
    QTest::newRow("clean hive") << states()[0] << good << false << "is clean" << 0ull;
    QTest::newRow("kept copy already there") << dirty << good << true << "already exists" << 0ull;
    // An entry whose size claims the rest of a 512 MB log, whose hash cannot
    // match: the log is read a piece at a time, not whole.
    constexpr std::uint32_t kHugeLog = 512u << 20;
    Bytes claimsAll(512, 0);
    std::copy_n("HvLE", 4, claimsAll.begin());
    setDword(claimsAll, 4, kHugeLog - 512);
    setDword(claimsAll, 12, kSeq);
    setDword(claimsAll, 16, kHugeLog);
    setDword(claimsAll, 20, 1);
    setDword(claimsAll, 44, kHugeLog - 512 - 48);
    sealEntry(claimsAll);
    QTest::newRow("damaged entry in a log of 512 MB")
        << dirty << newLog(states()[1], kSeq, {claimsAll}) << false << "first entry is damaged" << quint64(kHugeLog);
}

void TestHiveLogReplay::applyHiveLogs_refusalChangesNothing()
{
    QFETCH(Bytes, hive);
    QFETCH(Bytes, log1);
    QFETCH(bool, keptCopyExists);
    QFETCH(QString, sentence);
    QFETCH(quint64, logSize);

    QTemporaryDir dir;
    const std::string hivePath = dir.filePath("SOFTWARE").toStdString();
    writeFile(hivePath, hive);
    if (!log1.empty())
        writeFile(hivePath + ".LOG1", log1);
    if (logSize != 0)
        QVERIFY(QFile::resize(QString::fromStdString(hivePath + ".LOG1"), qint64(logSize)));
    if (keptCopyExists)
        writeFile(hivePath + ".LOG1.before-logs", {1, 2, 3});
    const auto before = logSize == 0 ? folderContents(dir.path()) : std::map<QString, QByteArray>();

    std::string error;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const long peakBefore = usage.ru_maxrss; // KiB
    QVERIFY(!applyHiveLogs(hivePath, &error).has_value());
    ::getrusage(RUSAGE_SELF, &usage);
    QVERIFY2(usage.ru_maxrss - peakBefore < 64 * 1024, qPrintable(QString::number(usage.ru_maxrss - peakBefore)));
    QVERIFY2(QString::fromStdString(error).contains(sentence), error.c_str());
    if (logSize == 0)
        QVERIFY(folderContents(dir.path()) == before);
}

void TestHiveLogReplay::inspectHiveLogs_tellsWhetherLogsCanBeApplied()
{
    QTemporaryDir dir;
    const std::string hivePath = dir.filePath("SOFTWARE").toStdString();
    writeFile(hivePath, dirtyHive(states()[0], kSeq));
    HiveLogState state = inspectHiveLogs(hivePath);
    QVERIFY(state.dirty && !state.canApply);
    QVERIFY2(state.whyNot.find("none lies beside it") != std::string::npos, state.whyNot.c_str());

    writeFile(hivePath + ".LOG1", newLog(states()[1], kSeq, {entry(0, 1, kSeq)}));
    state = inspectHiveLogs(hivePath);
    QVERIFY(state.dirty && state.canApply && state.whyNot.empty());
}

void TestHiveLogReplay::inspectHiveLogs_cleanHiveWithUnreadableLogIsClean()
{
    QTemporaryDir dir;
    const std::string hivePath = dir.filePath("SOFTWARE").toStdString();
    writeFile(hivePath, states()[0]);
    writeFile(hivePath + ".LOG1", newLog(states()[1], kSeq, {entry(0, 1, kSeq)}));
    QFile log(QString::fromStdString(hivePath + ".LOG1"));
    log.setPermissions(QFileDevice::Permissions());
    if (log.open(QIODevice::ReadOnly))
        QSKIP("This user reads files without read permission, so an unreadable log cannot be made here.");
    const HiveLogState state = inspectHiveLogs(hivePath);
    QVERIFY(!state.dirty && !state.canApply && state.whyNot.empty());
}

QTEST_GUILESS_MAIN(TestHiveLogReplay)
#include "test_hive_log_replay.moc"
