// The default hive: made blank and seeded when missing, opened as it is
// otherwise.
#include "core/services/hive_seed.h"
#include "support/temp_hive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

const std::string kExtensions = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const std::string kMsinfo = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kToolsLocation = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location";

std::string text(const std::optional<TempHive::Value>& value)
{
    if (!value)
        return "<missing>";
    return {value->data.begin(), value->data.end()};
}

} // namespace

class TestHiveSeed : public QObject {
    Q_OBJECT

private slots:
    void seedsTheStockButtonAndToolLocations_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("with a system-information program") << "/opt/tools/bin/sysinfo";
        QTest::newRow("without one") << "";
    }
    void seedsTheStockButtonAndToolLocations()
    {
        QFETCH(QString, program);
        TempHive hive;
        QCOMPARE(services::seedFreshHive(hive.registry(), program.toStdString()), kSuccess);

        const auto buttons = hive.subKeysOnDisk(kExtensions);
        QVERIFY(buttons.has_value());
        QCOMPARE(buttons->size(), 1u);
        const std::string caption = text(hive.readOnDisk(kExtensions + "\\" + buttons->front(), "ButtonText"));
        QVERIFY2(caption.find("shdoclc") != std::string::npos, caption.c_str());

        if (program.isEmpty()) {
            QVERIFY(!hive.readOnDisk(kMsinfo, "PATH").has_value());
            QVERIFY(!hive.readOnDisk(kToolsLocation, "MSINFO").has_value());
        } else {
            QCOMPARE(text(hive.readOnDisk(kMsinfo, "PATH")), program.toStdString() + '\0');
            QCOMPARE(text(hive.readOnDisk(kToolsLocation, "MSINFO")), std::string("/opt/tools/bin") + '\0');
        }
    }

    void missingDefaultHiveIsCreatedOnce()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("data/pennant/SOFTWARE").toStdString();
        std::string error;
        auto registry = services::openOrCreateHive(path, true, &error);
        QVERIFY2(registry, error.c_str());
        HKEY key = 0;
        QCOMPARE(registry->openKey(kLocalMachine, "Software\\Microsoft\\Internet Explorer\\Extensions",
                                   kKeyEnumerateSubKeys, &key),
                 kSuccess);
        registry->closeKey(key);
        // Only the finished hive is left in the folder.
        QCOMPARE(QDir(dir.filePath("data/pennant")).entryList(QDir::Files), QStringList{"SOFTWARE"});

        // A second start opens what is there: the user's change survives.
        QCOMPARE(registry->createKey(kLocalMachine, "Software\\Marker", &key), kSuccess);
        registry->closeKey(key);
        QCOMPARE(registry->flush(), kSuccess);
        registry.reset();
        registry = services::openOrCreateHive(path, true, &error);
        QVERIFY2(registry, error.c_str());
        QCOMPARE(registry->openKey(kLocalMachine, "Software\\Marker", kKeyRead, &key), kSuccess);
    }

    void unusableHivesGiveOneSentence_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("missing file") << QByteArray();
        QTest::newRow("not a hive") << QByteArray(9000, 'x');
        QTest::newRow("too small") << QByteArray("regf");
    }
    void unusableHivesGiveOneSentence()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("SOFTWARE");
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        std::string error;
        QVERIFY(!services::openOrCreateHive(path.toStdString(), false, &error));
        QVERIFY2(error.find(path.toStdString()) != std::string::npos, error.c_str());
        QVERIFY2(error.back() == '.' && error.find('\n') == std::string::npos, error.c_str());
        // A user's path is never replaced by a fresh hive.
        QCOMPARE(QFile::exists(path), !content.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHiveSeed)
#include "test_hive_seed.moc"
