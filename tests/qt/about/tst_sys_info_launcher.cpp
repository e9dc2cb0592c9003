#include "core/about/sys_info_launcher.h"
#include "about_services.h"
#include "core/system/desktop_shell.h"
#include "recording_registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const std::string kToolFolderKeyName = "SOFTWARE\\Microsoft\\Shared Tools Location";

// Writes an executable shell script that leaves a marker file when it runs.
void writeMarkerProgram(const QString& programPath, const QString& markerPath)
{
    QFile program(programPath);
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\necho started > '" + markerPath.toUtf8() + "'\n");
    program.close();
    QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
}

// A folder with a working MSINFO32.EXE in it, as the second location names.
struct ToolFolder {
    QTemporaryDir dir;
    QString marker = dir.filePath(QStringLiteral("tool folder ran"));
    std::string folder() const { return dir.path().toStdString(); }
    std::string toolCommand() const { return folder() + "\\MSINFO32.EXE"; }
    void install() { writeMarkerProgram(dir.filePath(QStringLiteral("MSINFO32.EXE")), marker); }
};

void verifyUnavailableShownOnce(const ScriptedMessageBoxes& messages)
{
    QCOMPARE(messages.shown().size(), size_t(1));
    const platform::MessageRequest& shown = messages.shown().front();
    QCOMPARE(shown.text, kUnavailable);
    QCOMPARE(shown.title, std::string("Pennant"));
    QVERIFY(shown.buttons == platform::MessageButtons::Ok);
}

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Makes a folder the current one for as long as it lives.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& path) : previous_(QDir::currentPath()) { QDir::setCurrent(path); }
    ~CurrentFolder() { QDir::setCurrent(previous_); }

private:
    QString previous_;
};

enum class FolderHolds { Tool, Nothing, FolderOfThatName, NoSecondLocation };

} // namespace

Q_DECLARE_METATYPE(FolderHolds)

class TestSysInfoLauncher : public QObject {
    Q_OBJECT

private slots:
    void firstLocationWins();
    void secondLocation_data();
    void secondLocation();
    void firstPathThatCannotStart_data();
    void firstPathThatCannotStart();
    void locationsThatCanOnlyBeReadCountAsMissing();
    void shellMetacharactersStartNothing_data();
    void shellMetacharactersStartNothing();
    void wholePathIsTheProgram();
};

void TestSysInfoLauncher::firstLocationWins()
{
    AboutServices s;
    RecordingRegistry recording(s.hive.registry());
    services::General general(recording, s.messages, s.shell, s.uuids);
    QTemporaryDir tools;
    const QString firstTool = tools.filePath(QStringLiteral("system information"));
    const QString firstMarker = tools.filePath(QStringLiteral("first ran"));
    writeMarkerProgram(firstTool, firstMarker);
    ToolFolder second;
    second.install();
    s.hive.putString(kToolPathKey, "PATH", firstTool.toStdString());
    s.hive.putString(kToolFolderKey, "MSINFO", second.folder());

    about::StartSysInfo(general);

    QCOMPARE(s.shell.startedPrograms(), std::vector<std::string>{firstTool.toStdString()});
    QTRY_VERIFY(QFile::exists(firstMarker));
    QVERIFY(s.messages.shown().empty());
    QVERIFY(!recording.opened(kToolFolderKeyName));
    QCOMPARE(recording.stillOpen(), 0);
}

void TestSysInfoLauncher::secondLocation_data()
{
    QTest::addColumn<FolderHolds>("holds");
    QTest::newRow("the tool is in the folder") << FolderHolds::Tool;
    QTest::newRow("the folder has no tool") << FolderHolds::Nothing;
    QTest::newRow("a folder of the tool's name does not count") << FolderHolds::FolderOfThatName;
    QTest::newRow("the second location is missing too") << FolderHolds::NoSecondLocation;
}

void TestSysInfoLauncher::secondLocation()
{
    QFETCH(FolderHolds, holds);

    AboutServices s;
    ToolFolder second;
    if (holds == FolderHolds::Tool)
        second.install();
    if (holds == FolderHolds::FolderOfThatName)
        QVERIFY(QDir(second.dir.path()).mkdir(QStringLiteral("MSINFO32.EXE")));
    if (holds != FolderHolds::NoSecondLocation)
        s.hive.putString(kToolFolderKey, "MSINFO", second.folder());

    about::StartSysInfo(s.general);

    if (holds == FolderHolds::Tool) {
        QCOMPARE(s.shell.startedPrograms(), std::vector<std::string>{second.toolCommand()});
        QTRY_VERIFY(QFile::exists(second.marker));
        QVERIFY(s.messages.shown().empty());
    } else {
        QVERIFY(s.shell.startedPrograms().empty());
        verifyUnavailableShownOnce(s.messages);
    }
}

void TestSysInfoLauncher::firstPathThatCannotStart_data()
{
    QTest::addColumn<std::uint32_t>("type");
    QTest::addColumn<QString>("pathInTools"); // %1 is a folder of test files
    QTest::newRow("no such file") << platform::kRegSz << QStringLiteral("%1/missing/msinfo32");
    QTest::newRow("the empty text") << platform::kRegSz << QString();
    QTest::newRow("a file that is not a program") << platform::kRegSz << QStringLiteral("%1/notes.txt");
    QTest::newRow("a folder") << platform::kRegSz << QStringLiteral("%1");
    QTest::newRow("REG_EXPAND_SZ reads as the empty path")
        << platform::kRegExpandSz << QStringLiteral("%1/working tool");
}

void TestSysInfoLauncher::firstPathThatCannotStart()
{
    QFETCH(std::uint32_t, type);
    QFETCH(QString, pathInTools);

    AboutServices s;
    RecordingRegistry recording(s.hive.registry());
    services::General general(recording, s.messages, s.shell, s.uuids);
    QTemporaryDir tools;
    QFile notes(tools.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    writeMarkerProgram(tools.filePath(QStringLiteral("working tool")), tools.filePath(QStringLiteral("ran")));
    ToolFolder second;
    second.install();
    const std::string firstPath = pathInTools.arg(tools.path()).toStdString();
    std::vector<std::uint8_t> data(firstPath.begin(), firstPath.end());
    data.push_back(0);
    s.hive.putRaw(kToolPathKey, "PATH", type, data);
    s.hive.putString(kToolFolderKey, "MSINFO", second.folder());

    about::StartSysInfo(general);

    verifyUnavailableShownOnce(s.messages);
    QVERIFY(!recording.opened(kToolFolderKeyName));
    QVERIFY(!contains(s.shell.startedPrograms(), second.toolCommand()));
    QVERIFY(!QFile::exists(tools.filePath(QStringLiteral("ran"))));
}

void TestSysInfoLauncher::locationsThatCanOnlyBeReadCountAsMissing()
{
    AboutServices s;
    QTemporaryDir tools;
    const QString tool = tools.filePath(QStringLiteral("tool"));
    writeMarkerProgram(tool, tools.filePath(QStringLiteral("ran")));
    ToolFolder second;
    second.install();
    s.hive.putString(kToolPathKey, "PATH", tool.toStdString());
    s.hive.putString(kToolFolderKey, "MSINFO", second.folder());
    QVERIFY(QFile::setPermissions(QString::fromStdString(s.hive.path()),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    std::string error;
    auto readOnly = platform::HiveRegistry::open(s.hive.path(), &error);
    QVERIFY2(readOnly != nullptr, error.c_str());
    services::General general(*readOnly, s.messages, s.shell, s.uuids);

    about::StartSysInfo(general);

    verifyUnavailableShownOnce(s.messages);
    QVERIFY(s.shell.startedPrograms().empty());
}

void TestSysInfoLauncher::shellMetacharactersStartNothing_data()
{
    QTest::addColumn<QString>("command"); // %1 is a file that a shell would create
    QTest::newRow("semicolon") << QStringLiteral("/bin/true; touch %1");
    QTest::newRow("and") << QStringLiteral("/bin/true && touch %1");
    QTest::newRow("pipe") << QStringLiteral("/bin/true | touch %1");
    QTest::newRow("substitution") << QStringLiteral("/bin/true $(touch %1)");
    QTest::newRow("backquotes") << QStringLiteral("/bin/true `touch %1`");
    QTest::newRow("new line") << QStringLiteral("/bin/true\ntouch %1");
}

void TestSysInfoLauncher::shellMetacharactersStartNothing()
{
    QFETCH(QString, command);

    AboutServices s;
    platform::DesktopShell desktop;
    services::General general(s.hive.registry(), s.messages, desktop, s.uuids);
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("FILE"));
    s.hive.putString(kToolPathKey, "PATH", command.arg(file).toStdString());

    about::StartSysInfo(general);

    // No program of that name exists, so nothing starts at all.
    verifyUnavailableShownOnce(s.messages);
    QVERIFY(!QFile::exists(file));
}

void TestSysInfoLauncher::wholePathIsTheProgram()
{
    // A program whose own name holds shell syntax runs as itself; a shell
    // would instead fail to find "tool" and run the touch.
    AboutServices s;
    platform::DesktopShell desktop;
    services::General general(s.hive.registry(), s.messages, desktop, s.uuids);
    QTemporaryDir scratch;
    CurrentFolder inScratch(scratch.path());
    const QString marker = scratch.filePath(QStringLiteral("ran"));
    const QString program = scratch.filePath(QStringLiteral("tool; touch FILE"));
    writeMarkerProgram(program, marker);
    s.hive.putString(kToolPathKey, "PATH", program.toStdString());

    about::StartSysInfo(general);

    QTRY_VERIFY(QFile::exists(marker));
    QVERIFY(s.messages.shown().empty());
    QVERIFY(!QFile::exists(scratch.filePath(QStringLiteral("FILE"))));
}

QTEST_GUILESS_MAIN(TestSysInfoLauncher)
#include "tst_sys_info_launcher.moc"
