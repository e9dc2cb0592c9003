// A blank hive written by our own code, read back by libhivex's shell, and
// the plain sentences that opening a file which is no usable hive gives.
#include "support/hive_bytes.h"
#include "core/hive_format/blank_hive.h"
#include "support/temp_hive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace platform;
using hive_bytes::dwordAt;
using hive_bytes::wordAt;

namespace {

constexpr std::size_t kBin = 4096; // cell offsets count from the first hbin

// Runs hivexsh on the hive with the given commands; its standard output.
QString runHivexsh(const std::string& path, const QString& commands, bool* ok)
{
    QProcess shell;
    shell.start("hivexsh", {QString::fromStdString(path)});
    shell.write(commands.toUtf8());
    shell.closeWriteChannel();
    *ok = shell.waitForFinished(30000) && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0 &&
          shell.readAllStandardError().isEmpty();
    return QString::fromUtf8(shell.readAllStandardOutput());
}

void writeBytes(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

} // namespace

class TestBlankHive : public QObject {
    Q_OBJECT

private slots:
    void blankHive_layout();
    void blankHive_securityDescriptor();
    void blankHive_readBackByHivexsh();
    void writeBlankHive_refusesToReplaceAFile();
    void writeBlankHive_reportsAFolderItCannotWrite();
    void open_refusesWhatIsNoHive_data();
    void open_refusesWhatIsNoHive();
};

void TestBlankHive::blankHive_layout()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    std::string error;
    QVERIFY(writeBlankHive(path, &error));
    const std::vector<char> b = hive_bytes::readFile(path);

    QCOMPARE(b.size(), std::size_t{8192});
    QCOMPARE(std::string(b.data(), 4), std::string("regf"));
    QCOMPARE(dwordAt(b, 0x04), 1u); // sequence numbers, equal: clean
    QCOMPARE(dwordAt(b, 0x08), 1u);
    QCOMPARE(dwordAt(b, 0x14), 1u); // version 1.5
    QCOMPARE(dwordAt(b, 0x18), 5u);
    QCOMPARE(dwordAt(b, 0x1C), 0u); // primary file
    QCOMPARE(dwordAt(b, 0x20), 1u); // direct memory load
    QCOMPARE(dwordAt(b, 0x28), 4096u);
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4)
        checksum ^= dwordAt(b, at);
    QCOMPARE(dwordAt(b, 0x1FC), checksum);

    QCOMPARE(std::string(&b[kBin], 4), std::string("hbin"));
    QCOMPARE(dwordAt(b, kBin + 8), 4096u);
    const std::size_t root = kBin + dwordAt(b, 0x24);
    QCOMPARE(std::string(&b[root + 4], 2), std::string("nk"));
    QCOMPARE(wordAt(b, root + 4 + 0x02), std::uint16_t{0x2C});
    QCOMPARE(dwordAt(b, root + 4 + 0x14), 0u); // no sub keys
    QCOMPARE(dwordAt(b, root + 4 + 0x24), 0u); // no values
    QVERIFY(wordAt(b, root + 4 + 0x48) > 0);   // a name

    // The cells fill the hbin exactly: used ones negative, then one free.
    std::size_t at = kBin + 0x20;
    int used = 0;
    while (at < 2 * kBin) {
        const auto size = static_cast<std::int32_t>(dwordAt(b, at));
        QVERIFY(size != 0);
        used += size < 0;
        at += static_cast<std::size_t>(size < 0 ? -size : size);
        QCOMPARE(at % 8, std::size_t{0});
    }
    QCOMPARE(at, 2 * kBin);
    QCOMPARE(used, 2);
}

void TestBlankHive::blankHive_securityDescriptor()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    std::string error;
    QVERIFY(writeBlankHive(path, &error));
    const std::vector<char> b = hive_bytes::readFile(path);
    const std::size_t root = kBin + dwordAt(b, 0x24);
    const std::uint32_t skCell = dwordAt(b, root + 4 + 0x2C);
    const std::size_t sk = kBin + skCell;

    QCOMPARE(std::string(&b[sk + 4], 2), std::string("sk"));
    QCOMPARE(dwordAt(b, sk + 4 + 0x04), skCell); // linked to itself both ways
    QCOMPARE(dwordAt(b, sk + 4 + 0x08), skCell);
    QCOMPARE(dwordAt(b, sk + 4 + 0x0C), 1u); // used by the root only
    const std::uint32_t length = dwordAt(b, sk + 4 + 0x10);
    const std::size_t sd = sk + 4 + 0x14;
    QVERIFY(sd + length <= kBin * 2);

    QCOMPARE(int(b[sd]), 1);                    // revision
    QVERIFY((wordAt(b, sd + 2) & 0x8000) != 0); // self-relative
    QVERIFY((wordAt(b, sd + 2) & 0x0004) != 0); // DACL present
    const std::uint32_t owner = dwordAt(b, sd + 4);
    const std::uint32_t group = dwordAt(b, sd + 8);
    const std::uint32_t dacl = dwordAt(b, sd + 16);
    for (const std::uint32_t part : {owner, group, dacl})
        QVERIFY(part >= 20 && part < length);
    // Owner: Administrators, S-1-5-32-544.
    QCOMPARE(int(b[sd + owner]), 1);
    QCOMPARE(int(b[sd + owner + 1]), 2);
    QCOMPARE(int(b[sd + owner + 7]), 5);
    QCOMPARE(dwordAt(b, sd + owner + 8), 32u);
    QCOMPARE(dwordAt(b, sd + owner + 12), 544u);
    // DACL: revision 2, its size reaching the end, ACE sizes adding up.
    QCOMPARE(int(b[sd + dacl]), 2);
    const std::uint16_t aclSize = wordAt(b, sd + dacl + 2);
    QCOMPARE(dacl + aclSize, length);
    std::size_t ace = sd + dacl + 8;
    for (std::uint16_t i = 0; i < wordAt(b, sd + dacl + 4); ++i)
        ace += wordAt(b, ace + 2);
    QCOMPARE(ace, sd + length);
}

void TestBlankHive::blankHive_readBackByHivexsh()
{
    if (QStandardPaths::findExecutable("hivexsh").isEmpty())
        QSKIP("hivexsh is not installed (Debian package libhivex-bin)");
    TempHive hive;
    bool ok = false;
    runHivexsh(hive.path(), "ls\nlsval\n", &ok);
    QVERIFY2(ok, "hivexsh cannot read the blank hive");

    hive.putString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions", "ButtonText",
                   "Gr\xC3\xBC\xC3\x9F"
                   "e");
    hive.putDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions", "Count", 3);
    const QString listing = runHivexsh(hive.path(), "ls\ncd Microsoft\\Internet Explorer\\Extensions\nlsval\n", &ok);
    QVERIFY2(ok, qPrintable(listing));
    QVERIFY2(listing.contains("Microsoft"), qPrintable(listing));
    QVERIFY2(listing.contains(QString::fromUtf8("\"ButtonText\"=\"Gr\xC3\xBC\xC3\x9F"
                                                "e\"")),
             qPrintable(listing));
    QVERIFY2(listing.contains("\"Count\"=dword:00000003"), qPrintable(listing));
}

void TestBlankHive::writeBlankHive_refusesToReplaceAFile()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    writeBytes(path, "precious");
    std::string error;
    QVERIFY(!writeBlankHive(path, &error));
    QCOMPARE(error, "The file " + path + " already exists.");
    QCOMPARE(hive_bytes::readFile(path), (std::vector<char>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
}

void TestBlankHive::writeBlankHive_reportsAFolderItCannotWrite()
{
    std::string error;
    QVERIFY(!writeBlankHive("/nonexistent-folder/SOFTWARE", &error));
    QVERIFY(error.rfind("The file /nonexistent-folder/SOFTWARE could not be created: ", 0) == 0);
    QVERIFY(error.back() == '.');
}

void TestBlankHive::open_refusesWhatIsNoHive_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("cause");
    QTest::newRow("missing") << "missing"
                             << " does not exist.";
    QTest::newRow("a folder") << "folder"
                              << " is a folder, not a Windows registry hive.";
    QTest::newRow("empty file") << "empty"
                                << " is not a Windows registry hive.";
    QTest::newRow("text file") << "text"
                               << " is not a Windows registry hive.";
    QTest::newRow("zeros") << "zeros"
                           << " is not a Windows registry hive.";
    QTest::newRow("cut short") << "short"
                               << " is not a Windows registry hive.";
    QTest::newRow("bad checksum") << "checksum"
                                  << " is a damaged Windows registry hive: its header checksum is wrong.";
    QTest::newRow("version 2") << "version"
                               << " is a Windows registry hive of an unsupported version.";
    QTest::newRow("damaged hbin") << "hbin"
                                  << " is a damaged Windows registry hive.";
    QTest::newRow("unreadable") << "unreadable"
                                << " cannot be read: permission denied.";
}

void TestBlankHive::open_refusesWhatIsNoHive()
{
    QFETCH(QString, fixture);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    std::string error;
    QVERIFY(writeBlankHive(path, &error));
    std::vector<char> bytes = hive_bytes::readFile(path);
    if (fixture == "missing") {
        QVERIFY(QFile::remove(QString::fromStdString(path)));
    } else if (fixture == "folder") {
        QVERIFY(QFile::remove(QString::fromStdString(path)));
        QVERIFY(QDir().mkpath(QString::fromStdString(path)));
    } else if (fixture == "empty") {
        writeBytes(path, {});
    } else if (fixture == "text") {
        writeBytes(path, QByteArray(9000, 'x'));
    } else if (fixture == "zeros") {
        writeBytes(path, QByteArray(8192, '\0'));
    } else if (fixture == "short") {
        writeBytes(path, QByteArray(bytes.data(), 6000));
    } else if (fixture == "checksum") {
        hive_bytes::setDword(bytes, 0x1FC, hive_bytes::dwordAt(bytes, 0x1FC) ^ 1);
        hive_bytes::writeFileInPlace(path, bytes);
    } else if (fixture == "version") {
        hive_bytes::setDword(bytes, 0x14, 2);
        hive_bytes::fixHeaderChecksum(bytes);
        hive_bytes::writeFileInPlace(path, bytes);
    } else if (fixture == "hbin") {
        bytes[kBin] = 'X';
        hive_bytes::writeFileInPlace(path, bytes);
    } else if (fixture == "unreadable") {
        if (::geteuid() == 0)
            QSKIP("the superuser reads every file");
        QCOMPARE(::chmod(path.c_str(), 0), 0);
    }

    QVERIFY(HiveRegistry::open(path, &error) == nullptr);
    QCOMPARE(QString::fromStdString(error), "The file " + QString::fromStdString(path) + cause);
}

QTEST_GUILESS_MAIN(TestBlankHive)
#include "test_blank_hive.moc"
