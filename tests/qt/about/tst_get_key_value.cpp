#include "core/about/sys_info_launcher.h"
#include "recording_registry.h"
#include "support/temp_hive.h"

#include <QFile>
#include <QTest>

#include <vector>

namespace {

const std::string kProbeKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Pennant Tests";
const std::string kProbeKeyName = "SOFTWARE\\Pennant Tests";
const std::string kProbeValue = "Probe";
constexpr std::uint32_t kReadWriteAccess = 0x0002003F;

std::vector<std::uint8_t> bytes(const QByteArray& data)
{
    return {data.begin(), data.end()};
}

// Every call opens its key once, asking for write access as well, and
// closes what it opened.
void verifyOpenedForWritingAndClosed(const RecordingRegistry& recording)
{
    QCOMPARE(recording.opens().size(), size_t(1));
    QCOMPARE(recording.opens().front().access, kReadWriteAccess);
    QCOMPARE(recording.stillOpen(), 0);
}

} // namespace

class TestGetKeyValue : public QObject {
    Q_OBJECT

private slots:
    void readsValueByType_data();
    void readsValueByType();
    void failsAndEmptiesText_data();
    void failsAndEmptiesText();
    void keyThatCanOnlyBeReadCountsAsMissing();
};

void TestGetKeyValue::readsValueByType_data()
{
    QTest::addColumn<std::uint32_t>("type");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("callerText");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray path("C:\\Program Files\\Common Files\\msinfo32.exe");
    QTest::newRow("REG_SZ with its terminator") << platform::kRegSz << path + '\0' << QByteArray("old") << path;
    QTest::newRow("REG_SZ without a terminator")
        << platform::kRegSz << QByteArray("abc") << QByteArray() << QByteArray("abc");
    QTest::newRow("REG_SZ with two zero bytes only loses one")
        << platform::kRegSz << QByteArray("abc\0\0", 5) << QByteArray() << QByteArray("abc\0", 4);
    QTest::newRow("REG_SZ of the terminator alone")
        << platform::kRegSz << QByteArray(1, '\0') << QByteArray("old") << QByteArray();
    QTest::newRow("REG_SZ of 1023 characters and the terminator: 1024 bytes fit")
        << platform::kRegSz << QByteArray(1023, 'x') + '\0' << QByteArray() << QByteArray(1023, 'x');
    QTest::newRow("REG_SZ beyond ASCII") << platform::kRegSz
                                         << QByteArray("Pr\xC3\xBC"
                                                       "fung\0",
                                                       9)
                                         << QByteArray()
                                         << QByteArray("Pr\xC3\xBC"
                                                       "fung");
    QTest::newRow("REG_DWORD in upper-case hex")
        << platform::kRegDword << QByteArray("\x78\x56\x34\x12", 4) << QByteArray("old") << QByteArray("&h12345678");
    QTest::newRow("REG_DWORD whose high byte is zero")
        << platform::kRegDword << QByteArray("\xAB\x00\x00\x00", 4) << QByteArray() << QByteArray("&hAB");
    QTest::newRow("REG_EXPAND_SZ keeps the caller's text")
        << platform::kRegExpandSz << QByteArray("%SystemRoot%\\msinfo32.exe\0", 26) << QByteArray("kept")
        << QByteArray("kept");
    QTest::newRow("REG_EXPAND_SZ keeps an empty caller's text")
        << platform::kRegExpandSz << QByteArray("%SystemRoot%\\msinfo32.exe\0", 26) << QByteArray() << QByteArray();
    QTest::newRow("REG_MULTI_SZ keeps the caller's text")
        << platform::kRegMultiSz << QByteArray("a\0b\0\0", 5) << QByteArray("kept") << QByteArray("kept");
    QTest::newRow("REG_BINARY keeps the caller's text")
        << platform::kRegBinary << QByteArray("\x01\x02\x03", 3) << QByteArray("kept") << QByteArray("kept");
}

void TestGetKeyValue::readsValueByType()
{
    QFETCH(std::uint32_t, type);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, callerText);
    QFETCH(QByteArray, expected);

    TempHive hive;
    hive.putRaw(kProbeKey, kProbeValue, type, bytes(stored));
    RecordingRegistry recording(hive.registry());

    std::string keyVal = callerText.toStdString();
    QVERIFY(about::GetKeyValue(recording, platform::kLocalMachine, kProbeKeyName, kProbeValue, keyVal));
    QCOMPARE(QByteArray::fromStdString(keyVal), expected);
    verifyOpenedForWritingAndClosed(recording);
}

void TestGetKeyValue::failsAndEmptiesText_data()
{
    QTest::addColumn<std::uint32_t>("root");
    QTest::addColumn<bool>("createKey");
    QTest::addColumn<QByteArray>("storedValueName");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("key missing") << platform::kLocalMachine << false << QByteArray() << QByteArray();
    QTest::newRow("value missing") << platform::kLocalMachine << true << QByteArray("Other") << QByteArray("x\0", 2);
    QTest::newRow("1024 characters and the terminator do not fit")
        << platform::kLocalMachine << true << QByteArray("Probe") << QByteArray(1024, 'x') + '\0';
    QTest::newRow("key under another root")
        << platform::kCurrentUser << true << QByteArray("Probe") << QByteArray("x\0", 2);
}

void TestGetKeyValue::failsAndEmptiesText()
{
    QFETCH(std::uint32_t, root);
    QFETCH(bool, createKey);
    QFETCH(QByteArray, storedValueName);
    QFETCH(QByteArray, stored);

    TempHive hive;
    if (createKey)
        hive.putRaw(kProbeKey, storedValueName.toStdString(), platform::kRegSz, bytes(stored));
    RecordingRegistry recording(hive.registry());

    std::string keyVal = "caller's text";
    QVERIFY(!about::GetKeyValue(recording, root, kProbeKeyName, kProbeValue, keyVal));
    QCOMPARE(keyVal, std::string());
    verifyOpenedForWritingAndClosed(recording);
}

void TestGetKeyValue::keyThatCanOnlyBeReadCountsAsMissing()
{
    TempHive hive;
    hive.putString(kProbeKey, kProbeValue, "readable");
    QVERIFY(QFile::setPermissions(QString::fromStdString(hive.path()),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    std::string error;
    auto readOnly = platform::HiveRegistry::open(hive.path(), &error);
    QVERIFY2(readOnly != nullptr, error.c_str());

    // The key is there and can be read...
    platform::HKEY key = 0;
    QCOMPARE(readOnly->openKey(platform::kLocalMachine, kProbeKeyName, platform::kKeyRead, &key), platform::kSuccess);
    readOnly->closeKey(key);

    // ...but not opened for writing, so it counts as missing.
    std::string keyVal = "caller's text";
    QVERIFY(!about::GetKeyValue(*readOnly, platform::kLocalMachine, kProbeKeyName, kProbeValue, keyVal));
    QCOMPARE(keyVal, std::string());
}

QTEST_GUILESS_MAIN(TestGetKeyValue)
#include "tst_get_key_value.moc"
