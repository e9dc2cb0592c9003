// The sub-commands as a shell runs them, on a real hive file: exit status,
// what they print, and that refusals leave the hive byte-identical.
#include "commands/sub_commands.h"
#include "services/button_store.h"
#include "support/button_hive.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
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
        const std::string name = arguments.takeFirst().toStdString();
        std::vector<std::string> rest;
        for (const QString& argument : arguments)
            rest.push_back(argument.toStdString());
        std::istringstream in(answer.value_or(QString()).toStdString() + "\n");
        std::ostringstream out;
        std::ostringstream err;
        commands::Invocation invocation{hive.path(), rest, out, err, in, answer.has_value()};
        const commands::SubCommand* command = commands::findSubCommand(name);
        const int status = command ? commands::runSubCommand(*command, invocation) : -1;
        return {status, QString::fromStdString(out.str()), QString::fromStdString(err.str())};
    }
};

} // namespace

class TestSubCommands : public QObject {
    Q_OBJECT

private slots:
    void exitStatusAndOutput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // typed at a terminal; "-" for no terminal
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // a pattern for out, or for err when the status is not 0
        QTest::addColumn<bool>("changes");
        const QString old = QString::fromStdString(kOld);
        const QString stock = QString::fromStdString(kStock);

        QTest::newRow("list") << QStringList{"list"} << "-" << 0 << "^\\{1{8}-1{4}-1{4}-1{4}-1{12}\\}\tOld\n$" << false;
        QTest::newRow("show") << QStringList{"show", old} << "-" << 0 << "^ButtonText: Old\nExec: old.exe\n" << false;
        QTest::newRow("show a missing key") << QStringList{"show", "{NONE}"} << "-" << 1 << "No button has the key \\{NONE\\}\\.\n$" << false;
        QTest::newRow("show the browser's own button") << QStringList{"show", stock} << "-" << 1 << "browser's own buttons" << false;
        QTest::newRow("show without key") << QStringList{"show"} << "-" << 2 << "exactly one" << false;
        QTest::newRow("unknown option") << QStringList{"list", "--frob"} << "-" << 2 << "Unknown option \"--frob\"" << false;
        QTest::newRow("option without value") << QStringList{"add", "--text"} << "-" << 2 << "--text needs a value" << false;
        QTest::newRow("add") << QStringList{"add", "--text", "T", "--exec=e", "--icon", "i"} << "-" << 0
                             << "^\\{[0-9A-F-]{36}\\}\n$" << true;
        QTest::newRow("add without icon") << QStringList{"add", "--text", "T", "--exec", "e"} << "-" << 1
                                          << "^pennant: The button was not saved. An Icon Is Required\n$" << false;
        QTest::newRow("set") << QStringList{"set", old, "--status", "tip"} << "-" << 0 << "^$" << true;
        QTest::newRow("set emptying a required value") << QStringList{"set", old, "--exec", ""} << "-" << 1
                                                       << "A URL or Executable Is Required" << false;
        QTest::newRow("set the browser's own button") << QStringList{"set", stock, "--text", "x"} << "-" << 1
                                                      << "browser's own buttons" << false;
        QTest::newRow("remove without terminal") << QStringList{"remove", old} << "-" << 1 << "give --yes" << false;
        QTest::newRow("remove, answered no") << QStringList{"remove", old} << "n" << 1
                                             << "^Are you sure you want to delete this button\\? \\[y/N\\] pennant: The button was not deleted\\.\n$"
                                             << false;
        QTest::newRow("remove, answered yes") << QStringList{"remove", old} << "y" << 0 << "^$" << true;
        QTest::newRow("remove --yes") << QStringList{"remove", "--yes", old} << "-" << 0 << "^$" << true;
        QTest::newRow("remove a missing key") << QStringList{"remove", "--yes", "{NONE}"} << "-" << 1 << "No button" << false;
        QTest::newRow("export a missing key") << QStringList{"export", "{NONE}"} << "-" << 1 << "Nothing was exported" << false;
        QTest::newRow("import a missing file") << QStringList{"import", "/nonexistent.reg"} << "-" << 2 << "could not be read" << false;
        QTest::newRow("command help") << QStringList{"import", "--help"} << "-" << 0 << "^Usage: pennant \\[--hive PATH\\] import FILE" << false;
    }
    void exitStatusAndOutput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(bool, changes);
        Fixture fixture;
        const auto before = fixture.hive.fileBytes();
        const Outcome outcome = fixture.run(arguments, answer == "-" ? std::nullopt : std::optional(answer));
        QCOMPARE(outcome.status, status);
        const QString& shown = status == 0 ? outcome.out : outcome.err;
        QVERIFY2(QRegularExpression(output).match(shown).hasMatch(), qPrintable(shown));
        if (status != 0)
            QVERIFY2(outcome.err.count(u'\n') == 1 || answer != "-", "one line on stderr");
        QCOMPARE(fixture.hive.fileBytes() != before, changes);
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
};

QTEST_GUILESS_MAIN(TestSubCommands)
#include "tst_button_commands.moc"
