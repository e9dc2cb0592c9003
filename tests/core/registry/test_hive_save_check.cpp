// What a save checks before the written file replaces the hive: the file
// must pass the structural check and hold every changed key as intended.
#include "support/hive_bytes.h"
#include "core/registry/hive/atomic_file_commit.h"
#include "core/registry/hive/hive_readback.h"
#include "support/temp_hive.h"

#include <QDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

using namespace platform;

namespace {

const std::string kKeys = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Keys";

using Change = std::function<void(TempHive&)>;

std::unique_ptr<HiveTree> loadTree(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    auto tree = fd >= 0 ? HiveTree::open(fd) : nullptr;
    if (fd >= 0)
        ::close(fd);
    if (!tree)
        throw std::runtime_error("cannot load " + path);
    return tree;
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestHiveSaveCheck : public QObject {
    Q_OBJECT

private slots:
    void writtenKeys_comparedWithTheIntendedOnes_data();
    void writtenKeys_comparedWithTheIntendedOnes();
    void damagedWrittenFile_neverReplacesTheHive();
};

// The intended hive is one with the change made; the "written" one is the
// hive before it, as a save that lost the change would leave it.
void TestHiveSaveCheck::writtenKeys_comparedWithTheIntendedOnes_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("changedKey");
    QTest::addColumn<QString>("problem");

    QTest::newRow("nothing lost") << Change([](TempHive&) {}) << QStringList{"Keys", "A"} << "";
    QTest::newRow("created key lost") << Change([](TempHive& h) { h.createKey(kKeys + "\\New"); })
                                      << QStringList{"Keys", "New"} << "the written hive lacks the key Keys\\New";
    QTest::newRow("deleted key still there") << Change([](TempHive& h) {
        const auto [root, sub] = splitTestPath(kKeys + "\\A");
        if (h.registry().deleteKey(root, sub) != kSuccess || h.registry().flush() != kSuccess)
            throw std::runtime_error("cannot delete");
    }) << QStringList{"Keys", "A"} << "the written hive still holds the key Keys\\A";
    QTest::newRow("value changed") << Change([](TempHive& h) { h.putString(kKeys + "\\A", "Text", "changed"); })
                                   << QStringList{"Keys", "A"}
                                   << "the written hive's key Keys\\A holds another value Text";
    QTest::newRow("value added") << Change([](TempHive& h) { h.putDword(kKeys + "\\A", "Added", 1); })
                                 << QStringList{"Keys", "A"} << "the written hive's key Keys\\A holds other values";
}

void TestHiveSaveCheck::writtenKeys_comparedWithTheIntendedOnes()
{
    QFETCH(Change, change);
    QFETCH(QStringList, changedKey);
    QFETCH(QString, problem);
    TempHive hive;
    hive.putString(kKeys + "\\A", "Text", "first");
    const std::string before = hive.folder() + "/before";
    hive_bytes::writeFileInPlace(before, hive.fileBytes());
    change(hive);

    KeyNames names;
    for (const QString& name : changedKey)
        names.push_back(name.toStdString());
    auto intended = loadTree(hive.path());
    auto written = loadTree(before);
    QCOMPARE(QString::fromStdString(writtenKeysDiffer(*intended, *written, {names})), problem);
}

// A writer that produced a damaged file cannot be had from libhivex on
// demand; here the writer writes a hive damaged in its header, and the
// check of written files reads it back.
void TestHiveSaveCheck::damagedWrittenFile_neverReplacesTheHive()
{
    TempHive hive;
    const std::vector<char> before = hive.fileBytes();
    std::vector<char> damaged = before;
    hive_bytes::setDword(damaged, 0x28, hive_bytes::dwordAt(damaged, 0x28) + 0x1000);
    hive_bytes::fixHeaderChecksum(damaged);
    std::string error;
    const bool replaced = replaceFileAtomically(
        hive.path(),
        [&damaged](const std::string& file) {
            hive_bytes::writeFileInPlace(file, damaged);
            return true;
        },
        writtenHiveDamage, &error);
    QVERIFY(!replaced);
    QVERIFY2(error.find("header's size field at offset 0x28") != std::string::npos, error.c_str());
    QVERIFY2(error.find("it was left as it was") != std::string::npos, error.c_str());
    QVERIFY(hive.fileBytes() == before);
    QCOMPARE(QDir(QString::fromStdString(hive.folder())).entryList(QDir::Files | QDir::Hidden),
             QStringList{"SOFTWARE"});
}

QTEST_GUILESS_MAIN(TestHiveSaveCheck)
#include "test_hive_save_check.moc"
