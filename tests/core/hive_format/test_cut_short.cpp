// Another program may cut a hive file short (a tool rewriting it in place
// truncates it first) while Pennant has it mapped: pages past the new end
// read as zeros, the reads that met them fail, and nothing ends the process.
// Faults outside the hive's mapping still end it as they always would.
#include "core/hive_format/mapped_file.h"
#include "support/temp_hive.h"

#include <QTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr std::size_t kPage = 4096;

void writePages(const std::string& path, std::size_t pages)
{
    const std::vector<char> bytes(pages * kPage, 'x');
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
}

} // namespace

class TestCutShort : public QObject {
    Q_OBJECT

private slots:
    void faultElsewhereStillEndsTheProcess()
    {
        QTemporaryDir dir;
        const std::string guarded = dir.filePath("guarded").toStdString();
        const std::string unguarded = dir.filePath("unguarded").toStdString();
        writePages(guarded, 1);
        writePages(unguarded, 2);
        const pid_t child = ::fork();
        if (child == 0) {
            // Runs first, so that the guard's handler is installed here, over
            // the default action rather than the test framework's own.
            ::signal(SIGBUS, SIG_DFL);
            const int fd = ::open(guarded.c_str(), O_RDONLY);
            const MappedFile watched(fd);
            const MappedFile other(unguarded, MappedFile::Access::ReadOnly);
            if (!watched.isOpen() || !other.isOpen() || ::truncate(unguarded.c_str(), 0) != 0)
                _exit(3);
            volatile std::uint8_t byte = other.data()[kPage];
            (void)byte;
            _exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGBUS);
    }

    void vanishedPagesReadAsZeros()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("file").toStdString();
        writePages(path, 3);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        const MappedFile mapped(fd);
        ::close(fd);
        QVERIFY(mapped.isOpen());
        QVERIFY(::truncate(path.c_str(), kPage) == 0);
        QCOMPARE(mapped.data()[10], std::uint8_t('x'));
        QVERIFY(!mapped.cutShort());
        QCOMPARE(mapped.data()[2 * kPage + 10], std::uint8_t(0));
        QVERIFY(mapped.cutShort());
    }

    // The hive cut short under an open registry: listing fails, the check
    // does not call the hive sound, and no change is let through.
    void hiveCutShortUnderTheRegistry()
    {
        TempHive hive;
        for (int i = 0; i < 300; ++i)
            hive.createKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\Key " + std::to_string(i));
        auto registry = hive.openAgain();
        QVERIFY(::truncate(hive.path().c_str(), 2 * kPage) == 0);
        HKEY key = 0;
        LSTATUS status = registry->openKey(kLocalMachine, "SOFTWARE\\Many", kKeyRead, &key);
        char name[64];
        for (std::uint32_t index = 0; status == kSuccess; ++index) {
            std::uint32_t length = sizeof name;
            status = registry->enumKey(key, index, name, &length);
        }
        QVERIFY(status != kNoMoreItems);
        QVERIFY(!registry->isWritable());
    }
};

QTEST_GUILESS_MAIN(TestCutShort)
#include "test_cut_short.moc"
