// Opening a dirty hive for the editor: the question, what each answer
// leaves on disk, and the sentence shown when the logs cannot be used.
#include "core/services/dirty_hive.h"
#include "core/services/registry_errors.h"
#include "support/hive_log_fixture.h"
#include "support/test_doubles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace platform;
using namespace log_fixture;

using Files = std::map<QString, Bytes>;
Q_DECLARE_METATYPE(Files)
Q_DECLARE_METATYPE(std::optional<platform::MessageAnswer>)

namespace {

constexpr std::uint32_t kSeq = 7;

const std::vector<Bytes>& states()
{
    static const std::vector<Bytes> built = hiveStates(2);
    return built;
}

std::string stepIn(HiveRegistry& registry)
{
    HKEY key = 0;
    if (registry.openKey(kLocalMachine, "SOFTWARE\\Pennant", 0x20019, &key) != kSuccess)
        return "";
    char text[16] = {};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof text;
    const LSTATUS status = registry.queryValue(key, "Step", &type, reinterpret_cast<std::uint8_t*>(text), &size);
    registry.closeKey(key);
    return status == kSuccess ? text : "";
}

} // namespace

class TestDirtyHive : public QObject {
    Q_OBJECT

private slots:
    void settleDirtyHive_data();
    void settleDirtyHive();
};

void TestDirtyHive::settleDirtyHive_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<std::optional<MessageAnswer>>("answer"); // nothing: no question is asked
    QTest::addColumn<QString>("notice");                      // a part of the one OK box shown; "" for none
    QTest::addColumn<bool>("recovered");

    const Bytes dirty = dirtyHive(states()[0], kSeq);
    const Bytes log = newLog(states()[1], kSeq, {newLogEntry(states()[0], states()[1], kSeq)});

    QTest::newRow("Yes applies the logs")
        << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log}} << std::optional(MessageAnswer::Yes) << "" << true;
    QTest::newRow("No opens read-only") << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log}}
                                        << std::optional(MessageAnswer::No) << "" << false;
    QTest::newRow("clean hive") << Files{{"SOFTWARE", states()[0]}, {"SOFTWARE.LOG1", log}}
                                << std::optional<MessageAnswer>() << "" << false;
    QTest::newRow("no logs") << Files{{"SOFTWARE", dirty}} << std::optional<MessageAnswer>() << "none lies beside it"
                             << false;
    QTest::newRow("No, and a killed apply-logs left a temporary copy")
        << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log}, {".SOFTWARE.pennant-save-k1LLed", {1}}}
        << std::optional(MessageAnswer::No) << "" << false;
    QTest::newRow("Yes, but a kept copy is in the way")
        << Files{{"SOFTWARE", dirty}, {"SOFTWARE.LOG1", log}, {"SOFTWARE.before-logs", {1}}}
        << std::optional(MessageAnswer::Yes) << "already exists" << false;
}

void TestDirtyHive::settleDirtyHive()
{
    QFETCH(Files, files);
    QFETCH(std::optional<MessageAnswer>, answer);
    QFETCH(QString, notice);
    QFETCH(bool, recovered);

    QTemporaryDir dir;
    for (const auto& [name, bytes] : files)
        writeFile(dir.filePath(name).toStdString(), bytes);
    const std::string path = dir.filePath("SOFTWARE").toStdString();
    const auto before = folderContents(dir.path());
    std::string error;
    auto opened = HiveRegistry::open(path, &error);
    QVERIFY2(opened, error.c_str());
    const bool cleanAtFirst = opened->isWritable();

    ScriptedMessageBoxes messages;
    if (answer)
        messages.queueAnswer(*answer);
    auto registry = services::settleDirtyHive(std::move(opened), path, messages);
    QVERIFY(registry);

    std::vector<std::string> expected;
    if (answer)
        expected.push_back(services::kApplyLogsQuestion);
    if (!notice.isEmpty())
        expected.push_back("");
    const auto texts = messages.shownTexts();
    QCOMPARE(texts.size(), expected.size());
    if (answer)
        QCOMPARE(messages.shown()[0].buttons, MessageButtons::YesNo);
    if (!notice.isEmpty()) {
        QVERIFY2(QString::fromStdString(texts.back()).contains(notice) &&
                     texts.back().find("read-only") != std::string::npos,
                 texts.back().c_str());
    }

    QCOMPARE(registry->isWritable(), recovered || cleanAtFirst);
    QCOMPARE(stepIn(*registry), std::string(recovered ? "1" : "0"));
    if (!recovered) {
        // Only what killed saves of ours left goes, under the hive's lock.
        auto expected = before;
        auto after = folderContents(dir.path());
        if (std::erase_if(expected, [](const auto& file) { return file.first.contains(".pennant-save-"); }) > 0)
            after.erase("SOFTWARE.lock");
        QVERIFY(after == expected);
        // A change to a hive left dirty is refused with that cause.
        if (!cleanAtFirst)
            QCOMPARE(services::describeRegistryError(*registry, kAccessDenied),
                     std::string("The registry hive cannot be changed: Windows left changes in its transaction logs "
                                 "that must be applied first (pennant apply-logs HIVE)."));
        return;
    }
    QCOMPARE(readFile(path + ".before-logs"), files.at("SOFTWARE"));
    // The recovered hive takes a save.
    HKEY key = 0;
    QCOMPARE(registry->createKey(kLocalMachine, "SOFTWARE\\Pennant\\Saved", &key), kSuccess);
    registry->closeKey(key);
    QCOMPARE(registry->flush(), kSuccess);
}

QTEST_GUILESS_MAIN(TestDirtyHive)
#include "test_dirty_hive.moc"
