// Buttons carried as .reg files through a real hive: what an import
// stores (every type, as given), what it refuses (leaving the file
// byte-identical), what it warns about, and that an export comes back the
// same through Pennant's import, from a file Wine's regedit wrote, and
// through hivexregedit --merge.
#include "core/services/button_store.h"
#include "core/services/button_transfer.h"
#include "support/button_hive.h"
#include "support/reg_text.h"

#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTest>

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
const QString kExt = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions");
const std::string kExtPath = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const std::string kOld = "{11111111-1111-1111-1111-111111111111}";
const std::string kStock = "{2E7A5C1D-6B3F-4C8E-9A1D-0F5B7E3C9A42}";

QString section(const std::string& key, const QString& values)
{
    return kExt + "\\" + QString::fromStdString(key) + "]\n" + values;
}

// A seeded hive with one custom button, kOld, that also has a sub key.
struct Store : ButtonHive {
    Store()
    {
        const auto refusal = importText(kHeader + section(kOld, "\"ButtonText\"=\"Old\"\n\"Exec\"=\"old.exe\"\n\"Icon\"=\"old.ico\"\n"
                                                                "\"HotIcon\"=\"old-hot.ico\"\n\"MenuText\"=\"Old menu\"\n"
                                                                "\"ClSID\"=\"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}\"\n") +
                                        "\n" + section(kOld + "\\Sub", "\"x\"=\"y\"\n"));
        Q_ASSERT(!refusal);
    }

    std::optional<services::ImportRefusal> importText(const QString& text, bool commit = true,
                                                      std::vector<services::ImportedKey>* imported = nullptr,
                                                      std::vector<services::ImportWarning>* warnings = nullptr)
    {
        return importBytes(regFileBytes(text), commit, imported, warnings);
    }

    std::optional<services::ImportRefusal> importBytes(const std::string& bytes, bool commit = true,
                                                       std::vector<services::ImportedKey>* imported = nullptr,
                                                       std::vector<services::ImportWarning>* warnings = nullptr)
    {
        services::RegFileProblem problem;
        const auto sections = services::parseRegFile(bytes, &problem);
        if (!sections)
            return services::ImportRefusal{problem.line, "unparsed: " + problem.reason};
        std::vector<services::ImportedKey> ignored;
        std::vector<services::ImportWarning> unheard;
        return services::importButtons(general, *sections, commit, imported ? imported : &ignored,
                                       warnings ? warnings : &unheard);
    }

    // "type:text" of a value on disk (strings as UTF-8, "\0" for zeros),
    // "missing" when it is not there.
    QString onDisk(const std::string& keyBelowExtensions, const std::string& valueName) const
    {
        const auto value = hive.readOnDisk(kExtPath + (keyBelowExtensions.empty() ? "" : "\\" + keyBelowExtensions), valueName);
        if (!value)
            return "missing";
        return QString::number(value->type) + ":" +
               QString::fromUtf8(reinterpret_cast<const char*>(value->data.data()), qsizetype(value->data.size()))
                   .replace(QChar(0), QStringLiteral("\\0"));
    }

    std::string exported(const std::vector<std::string>& keys)
    {
        std::string problem;
        const auto file = services::exportButtons(general, keys, &problem);
        return file.value_or("failed: " + problem);
    }
};

} // namespace

class TestButtonTransfer : public QObject {
    Q_OBJECT

private slots:
    void stores_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key"); // below the Extensions key; "" for that key itself
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // "type:text" on disk, or "missing"
        const std::string n = "{22222222-2222-2222-2222-222222222222}";
        const QString newKey = QString::fromStdString(n);
        const QString old = QString::fromStdString(kOld);
        const QString required = "\"ButtonText\"=\"New\"\n\"Exec\"=\"n.exe\"\n\"Icon\"=\"n.ico\"\n";
        QTest::newRow("empty string on a new button") << kHeader + section(n, required + "\"MenuStatusBar\"=\"\"\n") << newKey
                                                      << "MenuStatusBar" << "1:\\0";
        QTest::newRow("empty string on a button") << kHeader + section(kOld, "\"MenuText\"=\"\"\n") << old << "MenuText" << "1:\\0";
        QTest::newRow("new button gets only what the file gives") << kHeader + section(n, required) << newKey << "HotIcon" << "missing";
        QTest::newRow("hex(2) icon") << kHeader + section(kOld, "\"Icon\"=hex(2):25,00,41,00,25,00,00,00\n") << old << "Icon" << "2:%A%\\0";
        QTest::newRow("hex(1) string") << kHeader + section(kOld, "\"Icon\"=hex(1):e9,00,00,00\n") << old << "Icon" << "1:é\\0";
        QTest::newRow("hex(7) list") << kHeader + section(kOld, "\"M\"=hex(7):61,00,00,00,00,00\n") << old << "M" << "7:a\\0\\0";
        QTest::newRow("dword") << kHeader + section(kOld, "\"Script\"=dword:00000041\n") << old << "Script" << "4:A\\0\\0\\0";
        QTest::newRow("hex(0)") << kHeader + section(kOld, "\"N\"=hex(0):41\n") << old << "N" << "0:A";
        QTest::newRow("default value of a button") << kHeader + section(kOld, "@=\"d\"\n") << old << "" << "1:d\\0";
        QTest::newRow("default value of Extensions") << kHeader + kExt + "]\n@=\"e\"\n" << "" << "" << "1:e\\0";
        QTest::newRow("value deletion") << kHeader + section(kOld, "\"MenuText\"=-\n") << old << "MenuText" << "missing";
        QTest::newRow("deleting a missing value") << kHeader + section(kOld, "\"Nothing\"=-\n") << old << "Exec" << "1:old.exe\\0";
        QTest::newRow("sub key") << kHeader + section(kOld + "\\A\\B", "\"z\"=\"1\"\n") << old + "\\A\\B" << "z" << "1:1\\0";
        QTest::newRow("button with sub keys deleted") << kHeader + "[-" + kExt.mid(1) + "\\" + old + "]\n" << old << "Exec" << "missing";
        QTest::newRow("sub key deleted") << kHeader + "[-" + kExt.mid(1) + "\\" + old + "\\Sub]\n" << old + "\\Sub" << "x" << "missing";
        QTest::newRow("the browser's own button") << kHeader + section(kStock, "\"Exec\"=\"x\"\n") << QString::fromStdString(kStock)
                                                  << "Exec" << "1:x\\0";
        QTest::newRow("REGEDIT4 file") << "REGEDIT4\n\n" + section(kOld, "\"Exec\"=\"€\"\n") << old << "Exec" << "1:€\\0";
    }
    void stores()
    {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        Store store;
        const auto before = store.hive.fileBytes();
        const RegStorage storage = file.startsWith("REGEDIT4") ? RegStorage::Ansi : RegStorage::Utf16;
        QVERIFY(!store.importBytes(regFileBytes(file, storage), false));
        QCOMPARE(store.hive.fileBytes(), before);
        const auto refusal = store.importBytes(regFileBytes(file, storage));
        QVERIFY2(!refusal, refusal ? refusal->reason.c_str() : "");
        QCOMPARE(store.onDisk(key.toStdString(), value.toStdString()), expected);
    }

    void refusesWithoutWriting_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        const QString good = section(kOld, "\"ButtonText\"=\"Changed\"\n") + "\n";
        QTest::newRow("key outside Extensions") << kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n" << 3 << "Only the key";
        QTest::newRow("key beside Extensions") << kHeader + kExt + "X]\n" << 3 << "Only the key";
        QTest::newRow("path starting with a backslash") << kHeader + "[\\" + kExt.mid(1) + "]\n" << 3 << "starts with a backslash";
        QTest::newRow("deleting Extensions") << kHeader + "[-" + kExt.mid(1) + "]\n" << 3 << "cannot be deleted";
        QTest::newRow("data the registry refuses") << kHeader + good + section(kOld, "\"d\"=hex(4):01,02\n") << 7 << "could not be stored";
        QTest::newRow("key name too long") << kHeader + section(std::string(256, 'k'), "") << 3 << "could not be created";
        QTest::newRow("malformed line after good ones") << kHeader + good + "junk\n" << 6 << "unparsed";
    }
    void refusesWithoutWriting()
    {
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, reason);
        Store store;
        const auto before = store.hive.fileBytes();
        const std::string contents = store.exported({});
        const auto refusal = store.importText(file);
        QVERIFY(refusal);
        QCOMPARE(refusal->line, line);
        QVERIFY2(QString::fromStdString(refusal->reason).contains(reason), refusal->reason.c_str());
        QCOMPARE(store.hive.fileBytes(), before);
        // Nothing is left pending in memory for a later save either.
        QCOMPARE(store.exported({}), contents);
    }

    void warns_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("warnings"); // "line: part of the text", in order
        const std::string n = "{22222222-2222-2222-2222-222222222222}";
        const QString whole = "\"ButtonText\"=\"B\"\n\"Exec\"=\"e\"\n\"Icon\"=\"i\"\n\"ClSID\"=\"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}\"\n";
        QTest::newRow("a whole button") << kHeader + section(n, whole + "\"Default Visible\"=\"yes\"\n") << QStringList{};
        QTest::newRow("no icon") << kHeader + section(n, "\"ButtonText\"=\"B\"\n\"Exec\"=\"e\"\n\"ClSID\"=\"{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}\"\n")
                                 << QStringList{"3: no \"Icon\""};
        QTest::newRow("not visible by default") << kHeader + section(n, whole + "\"Default Visible\"=\"No\"\n")
                                                << QStringList{"3: \"Default Visible\" is not \"Yes\""};
        QTest::newRow("add-on entry") << kHeader + section(n, whole + "\"ClsidExtension\"=\"{C}\"\n") << QStringList{"3: add-on entry"};
        QTest::newRow("no ButtonText, no class") << kHeader + section(n, "\"Exec\"=\"e\"\n\"Icon\"=\"i\"\n")
                                                 << QStringList{"3: lists it as \"Error\"", "3: no \"ButtonText\"", "3: \"ClSID\" is not"};
        QTest::newRow("a number for a text") << kHeader + section(n, whole + "\"MenuText\"=dword:00000001\n")
                                             << QStringList{"3: \"MenuText\" is not a string"};
        QTest::newRow("Extensions' own value") << kHeader + kExt + "]\n@=\"x\"\n" << QStringList{"3: Extensions key's own values"};
        QTest::newRow("a whole button with a sub key") << kHeader + section(n, whole) + section(n + "\\S", "\"ButtonText\"=-\n")
                                                                     << QStringList{};
    }
    void warns()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, warnings);
        Store store;
        std::vector<services::ImportWarning> given;
        std::vector<services::ImportedKey> imported;
        const auto refusal = store.importText(file, true, &imported, &given);
        QVERIFY2(!refusal, refusal ? refusal->reason.c_str() : "");
        QStringList shown;
        for (const auto& warning : given)
            shown << QString::number(warning.line) + ": " + QString::fromStdString(warning.text);
        QCOMPARE(shown.size(), warnings.size());
        for (qsizetype i = 0; i < warnings.size(); ++i) {
            const QString line = warnings[i].section(u':', 0, 0);
            QVERIFY2(shown[i].startsWith(line + ": ") && shown[i].contains(warnings[i].section(u' ', 1)), qPrintable(shown[i]));
        }
    }

    // Every kind of value and a sub key go out and come back byte for byte.
    void roundTripThroughImport()
    {
        Store source;
        QVERIFY(!source.importText(kHeader + section(kOld, "\"Icon\"=hex(2):25,00,41,00,25,00,00,00\n\"S\"=hex(1):61,00\n"
                                                          "\"Z\"=hex(1):61,00,00,00,62,00,00,00\n\"L\"=\"two\\nlines\"\n"
                                                          "\"D\"=dword:ffffffff\n\"Q\"=hex(b):01,02,03,04,05,06,07,08\n"
                                                          "@=\"\"\n\"Default Visible\"=\"No\"\n\"ü €\"=hex:" +
                                                          QString("ab,").repeated(60) + "cd\n")));
        std::string key;
        QVERIFY(!services::createButton(source.general, {"Grüße \"q\" 😀", "C:\\x.exe", "C:\\i.ico", "", "tip", ""}, &key));
        const std::string file = source.exported({});

        TempHive blank;
        services::General target(blank.registry(), source.messages, source.shell, source.uuids);
        services::RegFileProblem problem;
        std::vector<services::ImportedKey> imported;
        std::vector<services::ImportWarning> warnings;
        const auto sections = services::parseRegFile(file, &problem);
        QVERIFY2(sections, problem.reason.c_str());
        QVERIFY(!services::importButtons(target, *sections, true, &imported, &warnings));
        QCOMPARE(imported.size(), std::size_t(2));
        std::string again;
        QCOMPARE(services::exportButtons(target, {}, &again).value_or(again), file);
    }

    // A real regedit /E of the Extensions key (add-on entries, a default
    // value, a mapping key beside the buttons) imports whole, with warnings.
    void importsWineRegeditExport()
    {
        QFile fixture(QStringLiteral(PENNANT_REG_FILES "/wine-regedit-export.reg"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const std::string bytes = fixture.readAll().toStdString();
        TempHive blank;
        ButtonHive doubles;
        services::General target(blank.registry(), doubles.messages, doubles.shell, doubles.uuids);
        services::RegFileProblem problem;
        const auto sections = services::parseRegFile(bytes, &problem);
        QVERIFY2(sections, problem.reason.c_str());
        std::vector<services::ImportedKey> imported;
        std::vector<services::ImportWarning> warnings;
        const auto refusal = services::importButtons(target, *sections, true, &imported, &warnings);
        QVERIFY2(!refusal, refusal ? refusal->reason.c_str() : "");
        QCOMPARE(imported.size(), std::size_t(3));
        QVERIFY(!warnings.empty());
        // Every value the file gives is in the hive as given.
        for (const auto& each : *sections)
            for (const auto& line : each.values) {
                const auto stored = blank.readOnDisk(each.path, line.value.name);
                QVERIFY2(stored && stored->type == line.value.type && stored->data == line.value.data,
                         (each.path + " " + line.value.name).c_str());
            }
        // The button's export is what Wine wrote for it.
        std::string exportProblem;
        const auto file = services::exportButtons(target, {"{AAAAAAAA-0000-0000-0000-000000000001}"}, &exportProblem);
        QVERIFY2(file, exportProblem.c_str());
        const QString wine = regFileText(bytes);
        const QString ours = regFileText(*file).section(QStringLiteral("\r\n\r\n"), 1);
        QVERIFY2(wine.contains(ours.chopped(2)), qPrintable(ours));
    }

    void roundTripThroughHivexregedit()
    {
        Store source;
        std::string key;
        QVERIFY(!services::createButton(source.general, {"Ünïcode \"q\"", "C:\\a\\b.exe", "C:\\i.ico", "", "", "m"}, &key));
        const std::string file = source.exported({key, kOld});

        // hivexregedit reads files in the local encoding, UTF-8 here; Perl
        // reads them as UTF-8 only when told to (PERL_UNICODE=D).
        TempHive target;
        target.createKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions");
        QFile utf8(QString::fromStdString(target.folder() + "/export.reg"));
        QVERIFY(utf8.open(QIODevice::WriteOnly));
        utf8.write(regFileText(file).toUtf8());
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
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing key") << "{NONE}" << "No button has the key {NONE}.";
        QTest::newRow("the browser's own button") << QString::fromStdString(kStock) << "browser's own";
    }
    void exportRefuses()
    {
        QFETCH(QString, key);
        QFETCH(QString, reason);
        Store store;
        std::string problem;
        QVERIFY(!services::exportButtons(store.general, {key.toStdString()}, &problem));
        QVERIFY2(QString::fromStdString(problem).contains(reason), problem.c_str());
    }
};

QTEST_GUILESS_MAIN(TestButtonTransfer)
#include "test_button_transfer.moc"
