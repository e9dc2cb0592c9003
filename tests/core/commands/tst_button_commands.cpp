// The sub-commands where they meet a hive file (exporting over it, its
// files, its missing keys), JSON read back, and changes that keep types.
#include "core/commands/sub_commands.h"
#include "core/services/button_store.h"
#include "support/button_hive.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

const std::string kOld = "{11111111-1111-1111-1111-111111111111}";
const std::string kStock = "{2E7A5C1D-6B3F-4C8E-9A1D-0F5B7E3C9A42}";

struct Outcome {
    int status = 0;
    QString out;
    QString err;
};

// A seeded hive with the custom button kOld.
struct Fixture : ButtonHive {
    Fixture()
    {
        services::writeNewButton(general, kOld, {"Old", "old.exe", "old.ico", "", "", "Old menu"});
        services::commitButtonChanges(general);
    }

    // Runs "pennant --hive HIVE arguments..."; a person at a terminal
    // answers with answer when it is given.
    Outcome run(QStringList arguments, std::optional<QString> answer = std::nullopt)
    {
        std::ostringstream out;
        return run(arguments, answer.value_or(QString()).toStdString() + "\n", answer.has_value(), false, out);
    }

    // The same with the bytes of standard input given, and standard output
    // going to out, a terminal or not.
    Outcome run(QStringList arguments, const std::string& input, bool inputIsTerminal, bool outputIsTerminal,
                std::ostream& out)
    {
        const std::string name = arguments.takeFirst().toStdString();
        std::vector<std::string> rest;
        for (const QString& argument : arguments)
            rest.push_back(argument.toStdString());
        std::istringstream in(input);
        std::ostringstream err;
        commands::Invocation invocation{hive.path(), rest, out, err, in, inputIsTerminal, outputIsTerminal};
        const commands::SubCommand* command = commands::findSubCommand(name);
        const int status = command ? commands::runSubCommand(*command, invocation) : -1;
        const auto* captured = dynamic_cast<std::ostringstream*>(&out);
        return {status, captured ? QString::fromStdString(captured->str()) : QString(), QString::fromStdString(err.str())};
    }
};

} // namespace

class TestSubCommands : public QObject {
    Q_OBJECT

private slots:
    void removeNamesTheSubKeysThatKeepAButton()
    {
        Fixture fixture;
        fixture.hive.createKey("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions\\" + kOld +
                               "\\Nested");
        const auto before = fixture.hive.fileBytes();
        const Outcome outcome = fixture.run({"remove", "--yes", QString::fromStdString(kOld)});
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.err, QStringLiteral("pennant: The button was not deleted. Its registry key has sub keys, "
                                             "which Pennant does not delete.\n"));
        QVERIFY(fixture.hive.fileBytes() == before);
    }

    void unusableHive()
    {
        Fixture fixture;
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        commands::Invocation invocation{std::string("/nonexistent/SOFTWARE"), {}, out, err, in, false};
        QCOMPARE(commands::runSubCommand(*commands::findSubCommand("list"), invocation), commands::kBadUsage);
        QVERIFY(QString::fromStdString(err.str()).contains("/nonexistent/SOFTWARE"));
    }

    // A listing that meets damage on its way fails and names it, instead of
    // listing what it read before.
    void listMeetingDamage_namesIt()
    {
        Fixture fixture;
        std::vector<char> bytes = fixture.hive.fileBytes();
        const std::string name = "Extensions";
        auto found = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
        while (found != bytes.end() && !(found - bytes.begin() >= 0x4C && *(found - 0x4C) == 'n' && *(found - 0x4B) == 'k'))
            found = std::search(found + 1, bytes.end(), name.begin(), name.end());
        QVERIFY(found != bytes.end());
        ++*(found - 0x4C + 0x14); // one sub key more than its list holds
        QFile file(QString::fromStdString(fixture.hive.path()));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
        file.close();

        const Outcome outcome = fixture.run({"list"});
        QCOMPARE(outcome.status, commands::kRefused);
        QVERIFY2(outcome.err.contains("The hive is damaged"), qPrintable(outcome.err));
        QVERIFY(outcome.out.isEmpty());
    }

    void jsonParsesBack()
    {
        Fixture fixture;
        const Outcome added = fixture.run({"add", "--text", "Grüße \"q\"", "--exec", "C:\\x.exe", "--icon", "i", "--json"});
        QCOMPARE(added.status, 0);
        const std::string key = QJsonDocument::fromJson(added.out.toUtf8()).object().value("key").toString().toStdString();
        QVERIFY(services::buttonKeyExists(fixture.general, key));

        QJsonArray expected;
        const auto listed = services::listButtons(fixture.general);
        for (const auto& button : listed.value())
            expected.append(QJsonObject{{"key", QString::fromStdString(button.keyName)},
                                        {"text", QString::fromStdString(button.text)}});
        QCOMPARE(QJsonDocument::fromJson(fixture.run({"list", "--json"}).out.toUtf8()).array(), expected);

        const QJsonObject shown = QJsonDocument::fromJson(fixture.run({"show", QString::fromStdString(key), "--json"}).out.toUtf8()).object();
        QCOMPARE(shown.value("key").toString().toStdString(), key);
        const QJsonObject values = shown.value("values").toObject();
        const auto stored = services::storedButtonValues(fixture.general, key);
        QCOMPARE(values.size(), qsizetype(stored.size()));
        for (const auto& [name, text] : stored)
            QCOMPARE(values.value(QString::fromStdString(name)).toString().toStdString(), text);
    }

    void exportThenImportElsewhere()
    {
        Fixture source;
        const QString file = QString::fromStdString(source.hive.folder() + "/buttons.reg");
        QCOMPARE(source.run({"export", "-o", file}).status, 0);

        Fixture target;
        QCOMPARE(target.run({"remove", "--yes", QString::fromStdString(kOld)}).status, 0);
        const auto before = target.hive.fileBytes();
        const Outcome dryRun = target.run({"import", file, "--dry-run"});
        QCOMPARE(dryRun.out, "would create " + QString::fromStdString(kOld) + "\n");
        QCOMPARE(target.hive.fileBytes(), before);
        QCOMPARE(target.run({"import", file}).out, "created " + QString::fromStdString(kOld) + "\n");
        QCOMPARE(target.run({"show", QString::fromStdString(kOld)}).out, source.run({"show", QString::fromStdString(kOld)}).out);
    }
    // set changes only the values it names; a rewritten value, in the
    // window's update too, keeps its string type.
    void changesOnlyWhatItNames_data()
    {
        QTest::addColumn<QStringList>("arguments"); // empty: the window's update with the status bar text "x"
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // "type:text" on disk
        const QString old = QString::fromStdString(kOld);
        const QStringList status{"set", old, "--status", "x"};
        QTest::newRow("expandable icon untouched") << status << "Icon" << "2:%SystemRoot%\\i.ico";
        QTest::newRow("mouse-over icon \"Error\" untouched") << status << "HotIcon" << "1:Error";
        QTest::newRow("the value named") << status << "MenuStatusBar" << "1:x";
        QTest::newRow("rewritten icon stays expandable") << QStringList{"set", old, "--icon", "%W%\\j.ico"} << "Icon" << "2:%W%\\j.ico";
        QTest::newRow("emptied mouse-over icon takes the icon") << QStringList{"set", old, "--hot-icon", ""} << "HotIcon"
                                                                << "1:%SystemRoot%\\i.ico";
        QTest::newRow("window's update keeps the type") << QStringList{} << "Icon" << "2:%SystemRoot%\\i.ico";
    }
    void changesOnlyWhatItNames()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        Fixture fixture;
        const std::string key = services::buttonKeyPath(kOld);
        const std::string icon = "%SystemRoot%\\i.ico";
        fixture.hive.putRaw(key, "Icon", platform::kRegExpandSz, std::vector<std::uint8_t>(icon.c_str(), icon.c_str() + icon.size() + 1));
        fixture.hive.putString(key, "HotIcon", "Error");
        if (arguments.isEmpty()) {
            services::ButtonFields fields = services::loadButton(fixture.general, kOld);
            fields.statusBar = "x";
            QVERIFY(!services::updateButton(fixture.general, kOld, fields));
        } else {
            const Outcome outcome = fixture.run(arguments);
            QVERIFY2(outcome.status == 0, qPrintable(outcome.err));
        }
        const auto stored = fixture.hive.readOnDisk(key, value.toStdString());
        QVERIFY(stored);
        QCOMPARE(QString::number(stored->type) + ":" +
                     QString::fromUtf8(reinterpret_cast<const char*>(stored->data.data()), qsizetype(stored->data.size()) - 1),
                 expected);
    }

    void exportOutput_data()
    {
        QTest::addColumn<QStringList>("arguments"); // HIVE, LINK and FILE stand for paths in the fixture's folder
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // a pattern for err; "" when none
        QTest::newRow("to a terminal") << QStringList{"export"} << true << 2 << "not for a terminal. Give -o FILE";
        QTest::newRow("over the hive") << QStringList{"export", "-o", "HIVE"} << false << 1 << "is the hive being read";
        QTest::newRow("over the hive by another name") << QStringList{"export", "-o", "LINK"} << false << 1 << "is the hive being read";
        QTest::newRow("into a missing folder") << QStringList{"export", "-o", "/nonexistent/x.reg"} << false << 1
                                               << "could not be written: No such file or directory\\.";
        QTest::newRow("over an existing file") << QStringList{"export", "-o", "FILE"} << false << 0 << "";
    }
    void exportOutput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, terminal);
        QFETCH(int, status);
        QFETCH(QString, error);
        Fixture fixture;
        const QString folder = QString::fromStdString(fixture.hive.folder());
        QVERIFY(QFile::link(QString::fromStdString(fixture.hive.path()), folder + "/link"));
        QFile old(folder + "/buttons.reg");
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        arguments.replaceInStrings("HIVE", QString::fromStdString(fixture.hive.path()));
        arguments.replaceInStrings("LINK", folder + "/link");
        arguments.replaceInStrings("FILE", folder + "/buttons.reg");
        const auto before = fixture.hive.fileBytes();
        std::ostringstream out;
        const Outcome outcome = fixture.run(arguments, "", false, terminal, out);
        QCOMPARE(outcome.status, status);
        QVERIFY2(error.isEmpty() ? outcome.err.isEmpty() : QRegularExpression(error).match(outcome.err).hasMatch(),
                 qPrintable(outcome.err));
        QVERIFY(out.str().empty());
        QCOMPARE(fixture.hive.fileBytes(), before);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll().startsWith("\xFF\xFE"), status == 0);
        // No temporary file is left beside the output.
        QCOMPARE(QDir(folder).entryList(QDir::Files).filter(".tmp").size(), 0);
    }

    void failedOutputIsReported()
    {
        Fixture fixture;
        std::ofstream full("/dev/full");
        QVERIFY(full.is_open());
        const Outcome outcome = fixture.run({"list"}, "", false, false, full);
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.err, "pennant: The output could not be written: No space left on device.\n");
    }

    void importsStandardInput_data()
    {
        QTest::addColumn<QString>("file"); // "EXPORT": what export wrote for the fixture's button; else UTF-8 without a mark
        QTest::addColumn<QString>("error"); // a pattern for err
        QTest::newRow("an exported file") << "EXPORT" << "^$";
        const QString file = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
                             "Internet Explorer\\Extensions\\" + QString::fromStdString(kOld) + "]\n\"ButtonText\"=\"ü\"\n";
        QTest::newRow("UTF-8 without a mark") << file << "^pennant: warning: standard input has no byte "
                                                                               "order mark.*looks like UTF-8";
    }
    void importsStandardInput()
    {
        QFETCH(QString, file);
        QFETCH(QString, error);
        Fixture source;
        std::ostringstream exported;
        QCOMPARE(source.run({"export"}, "", false, false, exported).status, 0);
        const std::string bytes = file == "EXPORT" ? exported.str() : file.toStdString();
        Fixture target;
        QCOMPARE(target.run({"remove", "--yes", QString::fromStdString(kOld)}).status, 0);
        std::ostringstream out;
        const Outcome outcome = target.run({"import", "-"}, bytes, false, false, out);
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.out, "created " + QString::fromStdString(kOld) + "\n");
        QVERIFY2(QRegularExpression(error).match(outcome.err).hasMatch(), qPrintable(outcome.err));
    }

    // A text with a line break, which only a .reg file can give, still
    // takes one line of list's and show's plain output.
    void printsOneLinePerButton()
    {
        Fixture fixture;
        fixture.hive.putString(services::buttonKeyPath(kOld), "ButtonText", "two\r\nlines");
        QCOMPARE(fixture.run({"list"}).out, QString::fromStdString(kOld) + "\ttwo  lines\n");
        QVERIFY(fixture.run({"show", QString::fromStdString(kOld)}).out.startsWith("ButtonText: two  lines\n"));
    }

    // A hive without the Extensions key has no buttons yet.
    void listsNothingWithoutExtensionsKey()
    {
        TempHive blank;
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        commands::Invocation invocation{blank.path(), {}, out, err, in, false, false};
        QCOMPARE(commands::runSubCommand(*commands::findSubCommand("list"), invocation), commands::kDone);
        QCOMPARE(out.str(), std::string());
        QCOMPARE(err.str(), std::string());
    }
};

QTEST_GUILESS_MAIN(TestSubCommands)
#include "tst_button_commands.moc"
