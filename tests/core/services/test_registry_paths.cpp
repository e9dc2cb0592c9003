// The path procedures of General on a real hive: root names, the format
// check, and reading and writing string values.
#include "core/system/libuuid_source.h"
#include "core/services/general.h"
#include "support/temp_hive.h"
#include "support/test_doubles.h"

#include <QTest>

using namespace platform;
using services::General;

namespace {

const std::string kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Pennant Test";

std::vector<std::uint8_t> bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

} // namespace

class TestRegistryPaths : public QObject {
    Q_OBJECT

    TempHive* hive_ = nullptr;
    ScriptedMessageBoxes* messages_ = nullptr;
    RecordingShell* shell_ = nullptr;
    LibuuidSource uuids_;
    General* general_ = nullptr;

private slots:
    void init()
    {
        hive_ = new TempHive;
        messages_ = new ScriptedMessageBoxes;
        shell_ = new RecordingShell;
        general_ = new General(hive_->registry(), *messages_, *shell_, uuids_);
    }

    void cleanup()
    {
        delete general_;
        delete shell_;
        delete messages_;
        delete hive_;
    }

    void rootKeyFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("handle");
        QTest::newRow("classes root") << "HKEY_CLASSES_ROOT" << 0x80000000u;
        QTest::newRow("current user") << "HKEY_CURRENT_USER" << 0x80000001u;
        QTest::newRow("local machine") << "HKEY_LOCAL_MACHINE" << 0x80000002u;
        QTest::newRow("users") << "HKEY_USERS" << 0x80000003u;
        QTest::newRow("performance data") << "HKEY_PERFORMANCE_DATA" << 0x80000004u;
        QTest::newRow("current config") << "HKEY_CURRENT_CONFIG" << 0x80000005u;
        QTest::newRow("dyn data") << "HKEY_DYN_DATA" << 0x80000006u;
        QTest::newRow("lower case") << "hkey_local_machine" << 0u;
        QTest::newRow("mixed case") << "HKEY_Local_Machine" << 0u;
        QTest::newRow("empty") << "" << 0u;
    }
    void rootKeyFromName()
    {
        QFETCH(QString, name);
        QFETCH(uint, handle);
        QCOMPARE(General::RootKeyFromName(name.toStdString()), handle);
    }

    void splitRegPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<uint>("root");
        QTest::addColumn<QString>("rest");
        QTest::addColumn<bool>("formatMessage");
        QTest::newRow("root and sub key") << "HKEY_LOCAL_MACHINE\\Software\\A" << 0x80000002u << "Software\\A" << false;
        QTest::newRow("root alone") << "HKEY_LOCAL_MACHINE" << 0x80000002u << "" << false;
        QTest::newRow("other root") << "HKEY_USERS\\x" << 0x80000003u << "x" << false;
        QTest::newRow("unknown root name") << "HKEY_Local_Machine\\Software" << 0u << "Software" << false;
        QTest::newRow("trailing backslash")
            << "HKEY_LOCAL_MACHINE\\Software\\" << 0u << "HKEY_LOCAL_MACHINE\\Software\\" << true;
        QTest::newRow("lower-case prefix")
            << "hkey_LOCAL_MACHINE\\Software" << 0u << "hkey_LOCAL_MACHINE\\Software" << true;
        QTest::newRow("too short") << "HKE" << 0u << "HKE" << true;
        QTest::newRow("empty") << "" << 0u << "" << true;
    }
    void splitRegPath()
    {
        QFETCH(QString, path);
        QFETCH(uint, root);
        QFETCH(QString, rest);
        QFETCH(bool, formatMessage);
        std::string text = path.toStdString();
        HKEY handle = 12345;
        general_->SplitRegPath(text, handle);
        QCOMPARE(handle, root);
        QCOMPARE(QString::fromStdString(text), rest);
        if (formatMessage) {
            QCOMPARE(messages_->shown().size(), 1u);
            QCOMPARE(messages_->shown()[0].text, "Incorrect Format:\n\n" + path.toStdString());
            QCOMPARE(messages_->shown()[0].title, std::string("Pennant"));
            QVERIFY(messages_->shown()[0].buttons == MessageButtons::Ok);
        } else {
            QVERIFY(messages_->shown().empty());
        }
    }

    // What ReadRegString makes of the bytes a value holds.
    void readStoredText_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("read");
        QTest::newRow("plain") << QByteArray("abc", 4) << QByteArray("abc");
        QTest::newRow("leading spaces kept") << QByteArray("  abc", 6) << QByteArray("  abc");
        QTest::newRow("trailing spaces kept") << QByteArray("abc  ", 6) << QByteArray("abc  ");
        QTest::newRow("empty text") << QByteArray("", 1) << QByteArray();
        QTest::newRow("no terminator keeps last character") << QByteArray("abc") << QByteArray("abc");
        QTest::newRow("two terminators leave one zero") << QByteArray("abc\0", 5) << QByteArray("abc\0", 4);
        QTest::newRow("254 characters") << (QByteArray(254, 'x') + '\0') << QByteArray(254, 'x');
        QTest::newRow("255 characters") << (QByteArray(255, 'y') + '\0') << QByteArray(255, 'y');
        QTest::newRow("8000 characters") << (QByteArray(8000, 'z') + '\0') << QByteArray(8000, 'z');
        QTest::newRow("literally Error") << QByteArray("Error", 6) << QByteArray("Error");
        QTest::newRow("non-ASCII") << QByteArray("Grüße €", 11) << QByteArray("Grüße €");
    }
    void readStoredText()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, read);
        hive_->putRaw(kKey, "Value", kRegSz, {stored.begin(), stored.end()});
        const std::string text = general_->ReadRegString(kKey, "Value");
        QCOMPARE(QByteArray::fromStdString(text), read);
        QCOMPARE(general_->RegStatus(), 0);
    }

    void readFailures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("valueName");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("messages");
        QTest::newRow("missing value") << QString::fromStdString(kKey) << "Nothing"
                                       << "Error" << 2 << 0;
        QTest::newRow("missing key") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\Nowhere"
                                     << "Value"
                                     << "Error" << 2 << 0;
        QTest::newRow("unknown root, no message") << "HKEY_Local_Machine\\SOFTWARE\\Pennant Test"
                                                  << "Value"
                                                  << "" << -1 << 0;
        QTest::newRow("bad format, one message") << "HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                                                 << "Value"
                                                 << "" << -1 << 1;
    }
    void readFailures()
    {
        QFETCH(QString, path);
        QFETCH(QString, valueName);
        QFETCH(QString, result);
        QFETCH(int, status);
        QFETCH(int, messages);
        hive_->putString(kKey, "Value", "present");
        QCOMPARE(QString::fromStdString(general_->ReadRegString(path.toStdString(), valueName.toStdString())), result);
        if (status >= 0)
            QCOMPARE(general_->RegStatus(), status);
        QCOMPARE(static_cast<int>(messages_->shown().size()), messages);
    }

    void readThroughRootAlone()
    {
        // HKEY_LOCAL_MACHINE alone opens the root key itself, which holds no values.
        QCOMPARE(general_->ReadRegString("HKEY_LOCAL_MACHINE", "Value"), std::string("Error"));
        QCOMPARE(general_->RegStatus(), kFileNotFound);
        QVERIFY(messages_->shown().empty());
    }

    void writeStoresTextAndOneZero()
    {
        hive_->createKey(kKey);
        QCOMPARE(general_->WriteRegString(kKey, "Letters", "abc"), kSuccess);
        QCOMPARE(general_->RegStatus(), kSuccess);
        QCOMPARE(hive_->registry().flush(), kSuccess);
        const auto value = hive_->readOnDisk(kKey, "Letters");
        QVERIFY(value.has_value());
        QCOMPARE(value->type, kRegSz);
        QCOMPARE(value->data, bytes(std::string("abc", 4)));
    }

    void writeNeverCreatesTheKey()
    {
        const std::string missing = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Missing";
        QCOMPARE(general_->WriteRegString(missing, "Value", "text"), kFileNotFound);
        QCOMPARE(general_->RegStatus(), kFileNotFound);
        QVERIFY(messages_->shown().empty());
        QCOMPARE(hive_->registry().flush(), kSuccess);
        QVERIFY(!hive_->subKeysOnDisk(missing).has_value());
    }

    void writeFailureIsReported()
    {
        // A value too long for one hive cell is refused; the close that
        // follows leaves its own success in RegStatus.
        hive_->createKey(kKey);
        QCOMPARE(general_->WriteRegString(kKey, "Long", std::string(20000, 'x')), kFileTooLarge);
        QCOMPARE(general_->RegStatus(), kSuccess);
        QCOMPARE(general_->ReadRegString(kKey, "Long"), std::string("Error"));
    }

    void createMakesParentsAndTellsWhetherNew()
    {
        const std::string path = kKey + "\\Deeper\\Deepest";
        bool created = false;
        QCOMPARE(general_->CreateRegKey(path, &created), kSuccess);
        QVERIFY(created);
        QCOMPARE(general_->CreateRegKey(path, &created), kSuccess);
        QVERIFY(!created);
        QCOMPARE(hive_->registry().flush(), kSuccess);
        QCOMPARE(hive_->subKeysOnDisk(kKey + "\\Deeper"), std::vector<std::string>{"Deepest"});
    }

    void createThroughBadPathTouchesNothing()
    {
        const std::vector<char> before = hive_->fileBytes();
        QCOMPARE(general_->CreateRegKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\New\\"), kFileNotFound);
        QCOMPARE(general_->CreateRegKey("HKEY_Local_Machine\\SOFTWARE\\New"), kFileNotFound);
        QCOMPARE(messages_->shown().size(), 1u);
        QCOMPARE(hive_->registry().flush(), kSuccess);
        QVERIFY(hive_->fileBytes() == before);
    }

    void linksGoToTheShell()
    {
        general_->OpenWebPage();
        general_->OpenMailMessage();
        const std::vector<std::string> expected = {"https://www.larkspur.example/?app=pennant",
                                                   "mailto:pennant@larkspur.example?subject=Pennant"};
        QCOMPARE(shell_->links(), expected);
    }
};

QTEST_GUILESS_MAIN(TestRegistryPaths)
#include "test_registry_paths.moc"
