// pennant apply-logs HIVE: what it prints, its exit status, and what it
// leaves on disk.
#include "support/hive_log_fixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace log_fixture;

using Files = std::map<QString, Bytes>;
Q_DECLARE_METATYPE(Files)

namespace {

constexpr std::uint32_t kSeq = 40;

const std::vector<Bytes>& states()
{
    static const std::vector<Bytes> built = hiveStates(3);
    return built;
}

} // namespace

class TestApplyLogsCommand : public QObject {
    Q_OBJECT

private slots:
    void applyLogs_data();
    void applyLogs();
};

void TestApplyLogsCommand::applyLogs_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed"); // stdout when 0, a part of the one stderr line otherwise

    const auto& s = states();
    const Bytes dirty = dirtyHive(s[0], kSeq);
    const Bytes log1 = newLog(s[1], kSeq, {newLogEntry(s[0], s[1], kSeq)});
    const Bytes log2 = newLog(s[2], kSeq + 1, {newLogEntry(s[1], s[2], kSeq + 1)});
    Bytes damaged = log1;
    damaged[damaged.size() - 1] ^= 0xFF;
    const QStringList hive{"apply-logs", "@/SOFTWARE"};

    QTest::newRow("two logs") << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log1}, {"SOFTWARE.LOG2", log2}} << hive
                              << 0
                              << "SOFTWARE.LOG1: new format, 1 entry applied\n"
                                 "SOFTWARE.LOG2: new format, 1 entry applied\n";
    QTest::newRow("old format") << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG", oldLog(dirty, s[2], kSeq + 1)}} << hive
                                << 0 << "SOFTWARE.LOG: old format, ";
    Bytes otherBinTime = dirty; // a damaged base block, and the first bin's time not the log's either
    otherBinTime[0x1FC] ^= 0x5A;
    otherBinTime[4096 + 0x14] ^= 0x01;
    QTest::newRow("old format, damaged hive header")
        << Files{{"SOFTWARE", otherBinTime}, {"SOFTWARE.LOG1", oldLog(otherBinTime, s[2], kSeq + 1)}} << hive << 0
        << "SOFTWARE.LOG1: old format, ";
    QTest::newRow("what a killed apply-logs left") << Files{{"SOFTWARE", dirty},
                                                            {"SOFTWARE.LOG1", log1},
                                                            {"SOFTWARE.LOG2", log2},
                                                            {"SOFTWARE.before-logs", dirty},
                                                            {".SOFTWARE.pennant-save-k1LLed", {1, 2, 3}}}
                                                   << hive << 0
                                                   << "SOFTWARE.LOG1: new format, 1 entry applied\n"
                                                      "SOFTWARE.LOG2: new format, 1 entry applied\n";
    QTest::newRow("damaged log") << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", damaged}} << hive << 1
                                 << "first entry is damaged";
    QTest::newRow("no hive named") << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log1}} << QStringList{"apply-logs"}
                                   << 2 << "Usage: pennant apply-logs HIVE";
    QTest::newRow("hive given with --hive")
        << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log1}}
        << QStringList{"--hive", "@/SOFTWARE", "apply-logs", "@/SOFTWARE"} << 2 << "Usage";
    QTest::newRow("missing hive") << Files{{"SOFTWARE.LOG1", log1}} << hive << 2 << "does not exist";
    Bytes brokenHeader = dirty;
    brokenHeader[0x1FC] ^= 0x5A;
    QTest::newRow("the editor points a damaged hive to its logs")
        << Files{{"SOFTWARE", brokenHeader}, {"SOFTWARE.LOG1", log1}} << QStringList{"--hive", "@/SOFTWARE"} << 2
        << "can repair it (pennant apply-logs ";
    QTest::newRow("unknown command") << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log1}}
                                     << QStringList{"apply-log", "@/SOFTWARE"} << 2 << "Unknown command";
}

void TestApplyLogsCommand::applyLogs()
{
    QFETCH(Files, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, printed);

    QTemporaryDir dir;
    for (const auto& [name, bytes] : files)
        writeFile(dir.filePath(name).toStdString(), bytes);
    const auto before = folderContents(dir.path());
    arguments.replaceInStrings("@", dir.path());

    QProcess program;
    program.start(PENNANT_PROGRAM, arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitCode(), status);

    if (status != 0) {
        QVERIFY(out.isEmpty());
        QVERIFY2(err.startsWith("pennant: ") && err.count('\n') == 1 && err.contains(printed), qPrintable(err));
        QVERIFY(folderContents(dir.path()) == before);
        return;
    }
    QVERIFY2(out.startsWith(printed) && err.isEmpty(), qPrintable(out + err));
    // Every original is kept byte for byte, as a copy of its own (Windows
    // rewrites its logs in place); nothing of ours is left; the hive is the
    // recovered one.
    const auto after = folderContents(dir.path());
    const Bytes recovered = readFile(dir.filePath("SOFTWARE").toStdString());
    QVERIFY(std::equal(recovered.begin() + 4096, recovered.end(), states()[2].begin() + 4096, states()[2].end()));
    QCOMPARE(dwordAt(recovered, 4), dwordAt(recovered, 8));
    qsizetype logs = 0;
    for (const auto& [name, bytes] : files) {
        if (name.startsWith('.') || name.endsWith(".before-logs"))
            continue;
        logs += name.contains(".LOG");
        writeFile(dir.filePath(name).toStdString(), {0});
        QVERIFY2(readFile(dir.filePath(name + ".before-logs").toStdString()) == bytes, qPrintable(name));
    }
    QCOMPARE(out.count('\n'), logs);
    for (const auto& [name, bytes] : after)
        QVERIFY2(!name.contains(".pennant-save-"), qPrintable(name));
}

QTEST_GUILESS_MAIN(TestApplyLogsCommand)
#include "tst_apply_logs_command.moc"
