// Two writers on one hive: what one commits the other sees, the write lock
// keeps them from interleaving, and open handles survive a reload. The
// other writer is a forked process, or a second registry object, which
// takes the lock through a file description of its own just as a process does.
#include "support/temp_hive.h"

#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

const std::string kHiveRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE";

LSTATUS setText(Registry& registry, HKEY key, const std::string& name, const std::string& text)
{
    return registry.setValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1));
}

std::string readText(Registry& registry, HKEY key, const std::string& name, LSTATUS* status)
{
    char text[256];
    std::uint32_t size = sizeof text;
    *status = registry.queryValue(key, name, nullptr, reinterpret_cast<std::uint8_t*>(text), &size);
    return *status == kSuccess ? std::string(text) : std::string();
}

// Writes "<key>\Name" = text as one change set through a fresh registry.
LSTATUS writeOnce(const TempHive& hive, const std::string& subKey, const std::string& text)
{
    auto registry = hive.openAgain();
    HKEY key = 0;
    LSTATUS status = registry->createKey(kLocalMachine, subKey, &key);
    if (status == kSuccess) {
        status = setText(*registry, key, "Name", text);
        registry->closeKey(key);
    }
    return status == kSuccess ? registry->flush() : status;
}

// Another process on the same hive, run step by step: it makes its change,
// reports, waits for the word to flush, flushes and exits with the result.
class OtherProcess {
public:
    OtherProcess(const TempHive& hive, const std::string& subKey, const std::string& text)
    {
        if (::pipe(toParent_) != 0 || ::pipe(toChild_) != 0)
            throw std::runtime_error("no pipe");
        pid_ = ::fork();
        if (pid_ == 0)
            runChild(hive, subKey, text);
        ::close(toParent_[1]);
        ::close(toChild_[0]);
    }
    ~OtherProcess()
    {
        if (pid_ > 0 && !finished_)
            finish();
        ::close(toParent_[0]);
        ::close(toChild_[1]);
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // The result of its change, once it has made it.
    LSTATUS changed()
    {
        std::int32_t status = -1;
        return ::read(toParent_[0], &status, sizeof status) == sizeof status ? status : -1;
    }
    // Lets it flush; returns the flush's result.
    LSTATUS finish()
    {
        const char go = 1;
        if (::write(toChild_[1], &go, 1) != 1)
            return -1;
        int wstatus = 0;
        ::waitpid(pid_, &wstatus, 0);
        finished_ = true;
        return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    }

private:
    [[noreturn]] void runChild(const TempHive& hive, const std::string& subKey, const std::string& text)
    {
        ::close(toParent_[0]);
        ::close(toChild_[1]);
        std::string error;
        auto registry = HiveRegistry::open(hive.path(), &error);
        std::int32_t status = -1;
        HKEY key = 0;
        if (registry) {
            status = registry->createKey(kLocalMachine, subKey, &key);
            if (status == kSuccess)
                status = setText(*registry, key, "Name", text);
        }
        if (::write(toParent_[1], &status, sizeof status) != sizeof status)
            ::_exit(100);
        char go = 0;
        if (::read(toChild_[0], &go, 1) != 1)
            ::_exit(101);
        ::_exit(registry ? registry->flush() : 102);
    }

    int toParent_[2] = {-1, -1};
    int toChild_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool finished_ = false;
};

} // namespace

class TestHiveSharing : public QObject {
    Q_OBJECT

private slots:
    void otherProcessesCommitIsSeenAfterItsFlush();
    void secondWriterGetsSharingViolationWhileLocked();
    void writerReloadsBeforeItsFirstChange();
    void readerWithUnflushedChangesKeepsThem();
    void keyDeletedElsewhere_data();
    void keyDeletedElsewhere();
};

void TestHiveSharing::otherProcessesCommitIsSeenAfterItsFlush()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\Shared", "Name", "before");
    Registry& reader = hive.registry();
    HKEY shared = 0;
    QCOMPARE(reader.openKey(kLocalMachine, "SOFTWARE\\Shared", kKeyRead, &shared), kSuccess);

    OtherProcess writer(hive, "SOFTWARE\\Shared", "after");
    QCOMPARE(writer.changed(), kSuccess);
    HKEY again = 0;
    QCOMPARE(reader.openKey(kLocalMachine, "SOFTWARE\\Shared", kKeyRead, &again), kSuccess);
    LSTATUS status = kSuccess;
    QCOMPARE(readText(reader, again, "Name", &status), std::string("before"));
    QCOMPARE(reader.closeKey(again), kSuccess);

    QCOMPARE(writer.finish(), kSuccess);
    // Opening a predefined root notices the new file; old handles follow.
    QCOMPARE(reader.openKey(kLocalMachine, "SOFTWARE\\Shared", kKeyRead, &again), kSuccess);
    QCOMPARE(readText(reader, again, "Name", &status), std::string("after"));
    QCOMPARE(readText(reader, shared, "Name", &status), std::string("after"));
    QCOMPARE(reader.closeKey(again), kSuccess);
    QCOMPARE(reader.closeKey(shared), kSuccess);
}

void TestHiveSharing::secondWriterGetsSharingViolationWhileLocked()
{
    TempHive hive;
    const std::vector<char> before = hive.fileBytes();
    OtherProcess writer(hive, "SOFTWARE\\First", "first");
    QCOMPARE(writer.changed(), kSuccess);

    Registry& second = hive.registry();
    HKEY key = 0;
    QCOMPARE(second.createKey(kLocalMachine, "SOFTWARE\\Second", &key), kSharingViolation);
    QCOMPARE(second.flush(), kSuccess);
    QVERIFY(hive.fileBytes() == before);

    QCOMPARE(writer.finish(), kSuccess);
    QCOMPARE(second.createKey(kLocalMachine, "SOFTWARE\\Second", &key), kSuccess);
    QCOMPARE(setText(second, key, "Name", "second"), kSuccess);
    QCOMPARE(second.closeKey(key), kSuccess);
    QCOMPARE(second.flush(), kSuccess);
    // Both commits are on disk: the second writer built on the first.
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot), (std::vector<std::string>{"First", "Second"}));
}

void TestHiveSharing::writerReloadsBeforeItsFirstChange()
{
    TempHive hive;
    hive.createKey(kHiveRoot + "\\Mine");
    Registry& slow = hive.registry();
    HKEY mine = 0;
    QCOMPARE(slow.openKey(kLocalMachine, "SOFTWARE\\Mine", kKeyRead | kKeyWrite, &mine), kSuccess);

    QCOMPARE(writeOnce(hive, "SOFTWARE\\Theirs", "theirs"), kSuccess);

    // No predefined root was opened since: the change itself notices.
    QCOMPARE(setText(slow, mine, "Name", "mine"), kSuccess);
    QCOMPARE(slow.closeKey(mine), kSuccess);
    QCOMPARE(slow.flush(), kSuccess);
    QVERIFY(hive.readOnDisk(kHiveRoot + "\\Theirs", "Name").has_value());
    QVERIFY(hive.readOnDisk(kHiveRoot + "\\Mine", "Name").has_value());
}

void TestHiveSharing::readerWithUnflushedChangesKeepsThem()
{
    TempHive hive;
    Registry& registry = hive.registry();
    HKEY key = 0;
    QCOMPARE(registry.createKey(kLocalMachine, "SOFTWARE\\Unflushed", &key), kSuccess);
    QCOMPARE(registry.closeKey(key), kSuccess);
    // A foreign tool touches the file (it takes no lock); opening a
    // predefined root must still not reload over the unflushed change.
    const struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, hive.path().c_str(), past, 0), 0);
    QCOMPARE(registry.openKey(kLocalMachine, "SOFTWARE\\Unflushed", kKeyRead, &key), kSuccess);
    QCOMPARE(registry.closeKey(key), kSuccess);
    QCOMPARE(registry.flush(), kSuccess);
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot), std::vector<std::string>{"Unflushed"});
}

void TestHiveSharing::keyDeletedElsewhere_data()
{
    QTest::addColumn<bool>("recreated");
    QTest::newRow("deleted") << false;
    QTest::newRow("deleted and created again") << true;
}

void TestHiveSharing::keyDeletedElsewhere()
{
    QFETCH(bool, recreated);
    TempHive hive;
    hive.putString(kHiveRoot + "\\Doomed", "Name", "old");
    Registry& reader = hive.registry();
    HKEY doomed = 0;
    QCOMPARE(reader.openKey(kLocalMachine, "SOFTWARE\\Doomed", kKeyRead, &doomed), kSuccess);

    auto other = hive.openAgain();
    QCOMPARE(other->deleteKey(kLocalMachine, "SOFTWARE\\Doomed"), kSuccess);
    QCOMPARE(other->flush(), kSuccess);
    if (recreated)
        QCOMPARE(writeOnce(hive, "SOFTWARE\\Doomed", "new"), kSuccess);

    HKEY root = 0;
    QCOMPARE(reader.openKey(kLocalMachine, "SOFTWARE", kKeyRead, &root), kSuccess);
    LSTATUS status = kSuccess;
    const std::string text = readText(reader, doomed, "Name", &status);
    // A handle keeps its path: it finds whatever key now lives there.
    QCOMPARE(status, recreated ? kSuccess : kKeyDeleted);
    QCOMPARE(text, std::string(recreated ? "new" : ""));
    QCOMPARE(reader.closeKey(doomed), kSuccess);
    QCOMPARE(reader.closeKey(root), kSuccess);
}

QTEST_GUILESS_MAIN(TestHiveSharing)
#include "test_hive_sharing.moc"
