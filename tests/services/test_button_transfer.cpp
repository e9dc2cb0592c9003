// Buttons carried as .reg files through a real hive: what an import
// applies, what it refuses (leaving the file byte-identical), and that an
// export comes back the same through Pennant's import and through
// hivexregedit --merge.
#include "services/button_store.h"
#include "services/button_transfer.h"
#include "support/button_hive.h"

#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTest>

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
const QString kExt = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions");
const std::string kOld = "{11111111-1111-1111-1111-111111111111}";
const std::string kStock = "{2E7A5C1D-6B3F-4C8E-9A1D-0F5B7E3C9A42}";

// A seeded hive with one custom button, kOld.
struct Store : ButtonHive {
    Store()
    {
        // The button under a fixed name, so that files can name it.
        importText(kHeader + kExt + "\\" + QString::fromStdString(kOld) +
                   "]\n\"ButtonText\"=\"Old\"\n\"Exec\"=\"old.exe\"\n\"Icon\"=\"old.ico\"\n"
                   "\"HotIcon\"=\"old-hot.ico\"\n\"MenuText\"=\"Old menu\"\n");
    }

    std::optional<services::ImportRefusal> importText(const QString& text, bool commit = true,
                                                      std::vector<services::ImportedKey>* imported = nullptr)
    {
        services::RegFileProblem problem;
        const auto sections = services::parseRegFile(text.toStdString(), &problem);
        if (!sections)
            return services::ImportRefusal{problem.line, "unparsed: " + problem.reason};
        std::vector<services::ImportedKey> ignored;
        return services::importButtons(general, *sections, commit, imported ? imported : &ignored);
    }

    // Every listed button's stored values, "key: name=text; ...", one line each.
    QString contents()
    {
        QStringList lines;
        const auto listed = services::listButtons(general);
        for (const auto& button : listed.value()) {
            QStringList values;
            for (const auto& [name, text] : services::storedButtonValues(general, button.keyName))
                values << QString::fromStdString(name + "=" + text);
            lines << QString::fromStdString(button.keyName) + ": " + values.join(QStringLiteral("; "));
        }
        return lines.join(u'\n');
    }
};

const QString kOldContents = QString::fromStdString(kOld) +
                             ": ButtonText=Old; Exec=old.exe; Icon=old.ico; HotIcon=old-hot.ico; MenuText=Old menu; "
                             "ClSID={1FBA04EE-3024-11D2-8F1F-0000F87ABD16}; Default Visible=Yes";

QString section(const std::string& key, const QString& values)
{
    return kExt + "\\" + QString::fromStdString(key) + "]\n" + values;
}

} // namespace

class TestButtonTransfer : public QObject {
    Q_OBJECT

private slots:
    void applies_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected"); // what the list shows afterwards, kOld's line aside
        const std::string n = "{22222222-2222-2222-2222-222222222222}";
        const QString newKey = QString::fromStdString(n);
        const QString fixed = "ClSID={1FBA04EE-3024-11D2-8F1F-0000F87ABD16}; Default Visible=Yes";
        QTest::newRow("new button gets the fixed values and Icon as HotIcon")
            << kHeader + section(n, "\"ButtonText\"=\"New\"\n\"Exec\"=\"n.exe\"\n\"Icon\"=\"n.ico\"\n")
            << kOldContents + "\n" + newKey + ": ButtonText=New; Exec=n.exe; Icon=n.ico; HotIcon=n.ico; " + fixed;
        QTest::newRow("update keeps what the file leaves out")
            << kHeader + section(kOld, "\"buttontext\"=\"Renamed\"\n\"MenuStatusBar\"=\"tip\"\n")
            << QString(kOldContents).replace("=Old;", "=Renamed;").replace("; MenuText", "; MenuStatusBar=tip; MenuText");
        QTest::newRow("an empty optional value keeps the stored one")
            << kHeader + section(kOld, "\"MenuText\"=\"\"\n") << kOldContents;
        QTest::newRow("deletion") << kHeader + "[-" + kExt.mid(1) + "\\" + QString::fromStdString(kOld) + "]\n" << "";
        QTest::newRow("deleting a missing key is no change")
            << kHeader + "[-" + kExt.mid(1) + "\\{NONE}]\n" << kOldContents;
        QTest::newRow("the Extensions key alone, then a fixed value as written")
            << kHeader + kExt + "]\n\n" + section(kOld, "\"Default Visible\"=\"yes\"\n") << kOldContents;
    }
    void applies()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        Store store;
        const auto before = store.hive.fileBytes();
        std::vector<services::ImportedKey> checked;
        QVERIFY(!store.importText(file, false, &checked));
        QCOMPARE(store.hive.fileBytes(), before);

        std::vector<services::ImportedKey> applied;
        const auto refusal = store.importText(file, true, &applied);
        QVERIFY2(!refusal, refusal ? refusal->reason.c_str() : "");
        QCOMPARE(applied.size(), checked.size());
        QCOMPARE(store.contents(), expected);
        // What is listed is what the file on disk holds.
        auto again = store.hive.openAgain();
        services::General fresh(*again, store.messages, store.shell, store.uuids);
        QCOMPARE(services::storedButtonValues(fresh, kOld), services::storedButtonValues(store.general, kOld));
    }

    void refusesWithoutWriting_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        const QString good = section(kOld, "\"ButtonText\"=\"Changed\"\n") + "\n";
        QTest::newRow("key outside Extensions") << kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n" << 3 << "Only keys under";
        QTest::newRow("sub key of a button") << kHeader + section(kOld + "\\Sub", "") << 3 << "no sub keys";
        QTest::newRow("values on Extensions") << kHeader + kExt + "]\n\"a\"=\"b\"\n" << 3 << "Extensions key itself";
        QTest::newRow("value deletion") << kHeader + section(kOld, "\"MenuText\"=-\n") << 4 << "one by one";
        QTest::newRow("dword value") << kHeader + section(kOld, "\"Icon\"=dword:00000001\n") << 4 << "dword value";
        QTest::newRow("hex(2) value") << kHeader + section(kOld, "\"Icon\"=hex(2):41,00,00,00\n") << 4 << "hex(2) value";
        QTest::newRow("unknown value") << kHeader + section(kOld, "\"Colour\"=\"red\"\n") << 4 << "not one of";
        QTest::newRow("default value") << kHeader + section(kOld, "@=\"x\"\n") << 4 << "default value";
        QTest::newRow("other ClSID") << kHeader + section(kOld, "\"ClSID\"=\"{0}\"\n") << 4 << "must be";
        QTest::newRow("new button without icon")
            << kHeader + section("{N}", "\"ButtonText\"=\"T\"\n\"Exec\"=\"e\"\n") << 3 << "An Icon Is Required";
        QTest::newRow("emptied required value") << kHeader + section(kOld, "\"Exec\"=\"\"\n") << 3 << "A URL or Executable";
        QTest::newRow("browser's own button") << kHeader + section(kStock, "\"ButtonText\"=\"x\"\n") << 3 << "browser's own";
        QTest::newRow("good section, then a bad one") << kHeader + good + section("{N}", "") << 6 << "Button Text Is Required";
        QTest::newRow("malformed line after good ones") << kHeader + good + "junk\n" << 6 << "unparsed";
    }
    void refusesWithoutWriting()
    {
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, reason);
        Store store;
        const auto before = store.hive.fileBytes();
        const QString contents = store.contents();
        const auto refusal = store.importText(file);
        QVERIFY(refusal);
        QCOMPARE(refusal->line, line);
        QVERIFY2(QString::fromStdString(refusal->reason).contains(reason), refusal->reason.c_str());
        QCOMPARE(store.hive.fileBytes(), before);
        // Nothing is left pending in memory for a later save either.
        QCOMPARE(store.contents(), contents);
    }

    void roundTripThroughImport()
    {
        Store source;
        std::string key;
        QVERIFY(!services::createButton(source.general,
                                        {"Grüße \"quoted\"", "C:\\Program Files\\x.exe", "C:\\i.ico", "", "tip €", ""}, &key));
        std::string problem;
        const auto file = services::exportButtons(source.general, {}, &problem);
        QVERIFY2(file, problem.c_str());

        TempHive blank;
        services::General target(blank.registry(), source.messages, source.shell, source.uuids);
        services::RegFileProblem parseProblem;
        std::vector<services::ImportedKey> imported;
        QVERIFY(!services::importButtons(target, *services::parseRegFile(*file, &parseProblem), true, &imported));
        QCOMPARE(imported.size(), std::size_t(2));
        for (const std::string& name : {kOld, key})
            QCOMPARE(services::storedButtonValues(target, name), services::storedButtonValues(source.general, name));
    }

    void roundTripThroughHivexregedit()
    {
        Store source;
        std::string key;
        QVERIFY(!services::createButton(source.general, {"Ünïcode \"q\"", "C:\\a\\b.exe", "C:\\i.ico", "", "", "m"}, &key));
        std::string problem;
        const auto file = services::exportButtons(source.general, {key, kOld}, &problem);
        QVERIFY2(file, problem.c_str());

        // hivexregedit reads files in the local encoding, UTF-8 here; Perl
        // reads them as UTF-8 only when told to (PERL_UNICODE=D).
        TempHive target;
        target.createKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions");
        QFile utf8(QString::fromStdString(target.folder() + "/export.reg"));
        QVERIFY(utf8.open(QIODevice::WriteOnly));
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        utf8.write(QString(decoder(QByteArray::fromStdString(file->substr(2)))).toUtf8());
        utf8.close();
        QProcess merge;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PERL_UNICODE"), QStringLiteral("SD"));
        merge.setProcessEnvironment(environment);
        merge.start(QStringLiteral("hivexregedit"),
                    {"--merge", "--prefix", "HKEY_LOCAL_MACHINE\\SOFTWARE", QString::fromStdString(target.path()),
                     utf8.fileName()});
        QVERIFY2(merge.waitForFinished(-1) && merge.exitCode() == 0, merge.readAllStandardError().constData());

        auto merged = target.openAgain();
        services::General reread(*merged, source.messages, source.shell, source.uuids);
        for (const std::string& name : {kOld, key})
            QCOMPARE(services::storedButtonValues(reread, name), services::storedButtonValues(source.general, name));
    }

    void exportRefuses_data()
    {
        QTest::addColumn<QString>("menuText"); // "dword" stores a number instead
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing key") << "" << "{NONE}" << "No button has the key {NONE}.";
        QTest::newRow("a value that is not a string") << "dword" << QString::fromStdString(kOld) << "not a string";
        QTest::newRow("the browser's own button") << "" << QString::fromStdString(kStock) << "browser's own";
        QTest::newRow("line break in a value") << "two\r\nlines" << QString::fromStdString(kOld) << "line break";
    }
    void exportRefuses()
    {
        QFETCH(QString, menuText);
        QFETCH(QString, key);
        QFETCH(QString, reason);
        Store store;
        if (menuText == "dword")
            store.hive.putDword(services::buttonKeyPath(kOld), "MenuText", 7);
        else if (!menuText.isEmpty())
            QVERIFY(!services::updateButton(store.general, kOld,
                                            {"Old", "old.exe", "old.ico", "", "", menuText.toStdString()}));
        std::string problem;
        QVERIFY(!services::exportButtons(store.general, {key.toStdString()}, &problem));
        QVERIFY2(QString::fromStdString(problem).contains(reason), problem.c_str());
    }
};

QTEST_GUILESS_MAIN(TestButtonTransfer)
#include "test_button_transfer.moc"
