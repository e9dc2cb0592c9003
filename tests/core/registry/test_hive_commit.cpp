// Committing a hive: atomic replacement through a temporary file, nothing
// written when nothing changed, hives that must not be written, and
// forgetting unflushed changes.
#include "support/hive_bytes.h"
#include "core/registry/hive/atomic_file_commit.h"
#include "support/temp_hive.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace platform;

namespace {

const std::string kHiveRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE";

struct stat statOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw std::runtime_error("cannot stat " + path);
    return info;
}

QStringList folderEntries(const std::string& folder)
{
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

LSTATUS setText(Registry& registry, HKEY key, const std::string& name, const std::string& text)
{
    return registry.setValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             static_cast<std::uint32_t>(text.size() + 1));
}

// Creates a key below HKEY_LOCAL_MACHINE and closes it again.
LSTATUS createKey(Registry& registry, const std::string& subKey)
{
    HKEY key = 0;
    const LSTATUS status = registry.createKey(kLocalMachine, subKey, &key);
    return status == kSuccess ? registry.closeKey(key) : status;
}

// Restores a permission change when the test ends, so the temporary
// folder can be removed.
class ModeGuard {
public:
    ModeGuard(std::string path, mode_t mode) : path_(std::move(path)), saved_(statOf(path_).st_mode & 07777)
    {
        ::chmod(path_.c_str(), mode);
    }
    ~ModeGuard() { ::chmod(path_.c_str(), saved_); }
    ModeGuard(const ModeGuard&) = delete;
    ModeGuard& operator=(const ModeGuard&) = delete;

private:
    std::string path_;
    mode_t saved_;
};

} // namespace

class TestHiveCommit : public QObject {
    Q_OBJECT

private slots:
    void flush_replacesTheFileWholeAndKeepsItsMode();
    void flush_withNothingChangedLeavesTheFileAlone();
    void flush_ofNewKeysOnly_isOneMoreSaveOfTheFileRead();
    void flush_failedWriteLeavesTheOldFile();
    void hiveRemovedMeanwhile_failsUntilItIsBack();
    void changesStayInMemoryUntilFlushed();
    void flush_replacesTheFileALinkPointsTo();
    void hiveMadeReadOnlyAfterOpening_refusesChanges();
    void unwritableHive_refusesEveryWrite_data();
    void unwritableHive_refusesEveryWrite();
    void discardChanges_forgetsAndKeepsHandles();
    void copiesLeftByKilledWriters_goAtTheNextOpen();
};

// The old file is never written in place: a hard link to it keeps its
// content byte for byte, and the hive's path gets a new inode.
void TestHiveCommit::flush_replacesTheFileWholeAndKeepsItsMode()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\App", "Version", "1");
    QCOMPARE(::chmod(hive.path().c_str(), 0640), 0);
    const std::vector<char> before = hive.fileBytes();
    const std::string oldLink = hive.folder() + "/old-hive";
    QCOMPARE(::link(hive.path().c_str(), oldLink.c_str()), 0);
    const ino_t oldInode = statOf(hive.path()).st_ino;

    hive.putString(kHiveRoot + "\\App", "Version", "2");

    QVERIFY(statOf(hive.path()).st_ino != oldInode);
    QCOMPARE(statOf(hive.path()).st_mode & 07777, mode_t(0640));
    QVERIFY(hive_bytes::readFile(oldLink) == before);
    QCOMPARE(hive.readOnDisk(kHiveRoot + "\\App", "Version")->data, (std::vector<std::uint8_t>{'2', 0}));
    // No temporary file is left behind.
    QCOMPARE(folderEntries(hive.folder()), (QStringList{"SOFTWARE", "SOFTWARE.lock", "old-hive"}));
}

void TestHiveCommit::flush_withNothingChangedLeavesTheFileAlone()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\App", "Name", "same");
    const struct stat before = statOf(hive.path());
    const std::vector<char> bytes = hive.fileBytes();

    HKEY key = 0;
    QCOMPARE(hive.registry().openKey(kLocalMachine, "SOFTWARE\\App", kKeyRead, &key), kSuccess);
    std::uint32_t size = 0;
    QCOMPARE(hive.registry().queryValue(key, "Name", nullptr, nullptr, &size), kSuccess);
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
    QCOMPARE(hive.registry().createKey(kLocalMachine, "SOFTWARE\\App", &key), kSuccess); // exists already
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
    QCOMPARE(hive.registry().flush(), kSuccess);

    const struct stat after = statOf(hive.path());
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    QVERIFY(hive.fileBytes() == bytes);
}

// New keys are added to a copy of the file as read, without libhivex: the
// header counts one more save (both sequence numbers one up, as libhivex's
// commit leaves them), its checksum matches, and the bins before the new
// ones are as they were but for the parent's sub key list.
void TestHiveCommit::flush_ofNewKeysOnly_isOneMoreSaveOfTheFileRead()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\App", "Name", "same");
    const std::vector<char> before = hive.fileBytes();
    const auto field = [](const std::vector<char>& bytes, std::size_t at) {
        std::uint32_t value = 0;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    };

    hive.putString(kHiveRoot + "\\App\\New", "Name", "new");

    const std::vector<char> after = hive.fileBytes();
    QCOMPARE(field(after, 0x04), field(before, 0x04) + 1);
    QCOMPARE(field(after, 0x08), field(after, 0x04));
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4)
        checksum ^= field(after, at);
    QCOMPARE(field(after, 0x1FC), checksum);
    QVERIFY(after.size() > before.size());
    QVERIFY(std::equal(before.begin() + 0x1000, before.begin() + 0x1020, after.begin() + 0x1000));
    QCOMPARE(hive.readOnDisk(kHiveRoot + "\\App\\New", "Name")->data, (std::vector<std::uint8_t>{'n', 'e', 'w', 0}));
    QCOMPARE(hive.readOnDisk(kHiveRoot + "\\App", "Name")->data, (std::vector<std::uint8_t>{'s', 'a', 'm', 'e', 0}));
}

// A disk that fails while the new content is written cannot be caused for
// real here; the writer given to the commit fails instead.
void TestHiveCommit::flush_failedWriteLeavesTheOldFile()
{
    TempHive hive;
    const std::vector<char> before = hive.fileBytes();
    std::string error;
    const bool replaced = replaceFileAtomically(
        hive.path(),
        [](const std::string& file) {
            QFile partial(QString::fromStdString(file));
            if (partial.open(QIODevice::WriteOnly))
                partial.write("half a hive");
            errno = ENOSPC;
            return false;
        },
        [](const std::string&) { return std::string(); }, &error);
    QVERIFY(!replaced);
    QVERIFY(error.rfind("The file " + hive.path() + " could not be saved", 0) == 0);
    QVERIFY(hive.fileBytes() == before);
    QCOMPARE(folderEntries(hive.folder()), QStringList{"SOFTWARE"});
}

void TestHiveCommit::hiveRemovedMeanwhile_failsUntilItIsBack()
{
    TempHive hive;
    const std::vector<char> saved = hive.fileBytes();
    Registry& registry = hive.registry();
    QCOMPARE(createKey(registry, "SOFTWARE\\Pending"), kSuccess);
    QVERIFY(QFile::remove(QString::fromStdString(hive.path())));

    QCOMPARE(registry.flush(), kRegistryIoFailed);
    QVERIFY(!QFile::exists(QString::fromStdString(hive.path())));
    registry.discardChanges();
    HKEY key = 0;
    QCOMPARE(registry.openKey(kLocalMachine, "SOFTWARE", kKeyRead, &key), kRegistryIoFailed);
    QCOMPARE(createKey(registry, "SOFTWARE\\Other"), kRegistryIoFailed);
    QCOMPARE(registry.openKey(kLocalMachine, "", kKeyRead, &key), kSuccess); // shown, not stored
    QCOMPARE(registry.closeKey(key), kSuccess);

    hive_bytes::writeFileInPlace(hive.path(), saved);
    QCOMPARE(createKey(registry, "SOFTWARE\\Other"), kSuccess);
    QCOMPARE(registry.flush(), kSuccess);
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot), std::vector<std::string>{"Other"});
}

void TestHiveCommit::changesStayInMemoryUntilFlushed()
{
    TempHive hive;
    const std::vector<char> before = hive.fileBytes();
    Registry& registry = hive.registry();
    HKEY key = 0;
    QCOMPARE(registry.createKey(kLocalMachine, "SOFTWARE\\Pending", &key), kSuccess);
    QCOMPARE(setText(registry, key, "Name", "not yet"), kSuccess);
    QCOMPARE(registry.closeKey(key), kSuccess);
    QVERIFY(hive.fileBytes() == before);
    QVERIFY(!hive.readOnDisk(kHiveRoot + "\\Pending", "Name").has_value());

    QCOMPARE(registry.flush(), kSuccess);
    QVERIFY(hive.readOnDisk(kHiveRoot + "\\Pending", "Name").has_value());
}

void TestHiveCommit::flush_replacesTheFileALinkPointsTo()
{
    TempHive hive;
    const std::string link = hive.folder() + "/link-to-hive";
    QCOMPARE(::symlink(hive.path().c_str(), link.c_str()), 0);
    std::string error;
    auto viaLink = HiveRegistry::open(link, &error);
    QVERIFY(viaLink != nullptr);
    QCOMPARE(createKey(*viaLink, "SOFTWARE\\ThroughLink"), kSuccess);
    QCOMPARE(viaLink->flush(), kSuccess);

    struct stat info {};
    QCOMPARE(::lstat(link.c_str(), &info), 0);
    QVERIFY(S_ISLNK(info.st_mode));
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot), std::vector<std::string>{"ThroughLink"});
}

void TestHiveCommit::hiveMadeReadOnlyAfterOpening_refusesChanges()
{
    TempHive hive;
    const std::vector<char> before = hive.fileBytes();
    ModeGuard readOnly(hive.path(), 0444);
    QCOMPARE(createKey(hive.registry(), "SOFTWARE\\Late"), kAccessDenied);
    QVERIFY(!hive.registry().isWritable());
    QCOMPARE(hive.registry().flush(), kSuccess);
    QVERIFY(hive.fileBytes() == before);
}

void TestHiveCommit::unwritableHive_refusesEveryWrite_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("read-only file") << "file";
    QTest::newRow("read-only folder") << "folder";
    QTest::newRow("dirty header") << "dirty";
}

void TestHiveCommit::unwritableHive_refusesEveryWrite()
{
    QFETCH(QString, how);
    TempHive hive;
    hive.putString(kHiveRoot + "\\App\\Leaf", "Name", "kept");
    if (how == "dirty")
        hive_bytes::markDirty(hive.path());
    std::optional<ModeGuard> readOnly;
    if (how == "file")
        readOnly.emplace(hive.path(), 0444);
    else if (how == "folder")
        readOnly.emplace(hive.folder(), 0555);
    const std::vector<char> before = hive.fileBytes();
    const QStringList entries = folderEntries(hive.folder());

    auto registry = hive.openAgain();
    QVERIFY(!registry->isWritable());
    HKEY key = 0;
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\App", kKeyWrite, &key), kAccessDenied);
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\App", kKeyRead | kKeySetValue, &key), kAccessDenied);
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\App\\Leaf", kKeyRead, &key), kSuccess);
    std::uint32_t size = 0;
    QCOMPARE(registry->queryValue(key, "Name", nullptr, nullptr, &size), kSuccess);
    QCOMPARE(registry->closeKey(key), kSuccess);

    QCOMPARE(createKey(*registry, "SOFTWARE\\New"), kAccessDenied);
    HKEY created = 0;
    QCOMPARE(registry->deleteKey(kLocalMachine, "SOFTWARE\\App\\Leaf"), kAccessDenied);
    // A predefined root carries every right, yet the hive still refuses.
    QCOMPARE(registry->createKey(kLocalMachine, "SOFTWARE\\App\\Leaf", &created), kSuccess); // exists
    QCOMPARE(setText(*registry, created, "Name", "changed"), kAccessDenied);
    QCOMPARE(registry->closeKey(created), kSuccess);
    QCOMPARE(registry->flush(), kSuccess);

    QVERIFY(hive.fileBytes() == before);
    QCOMPARE(folderEntries(hive.folder()), entries);
    QCOMPARE(hive.readOnDisk(kHiveRoot + "\\App\\Leaf", "Name")->data,
             (std::vector<std::uint8_t>{'k', 'e', 'p', 't', 0}));
}

void TestHiveCommit::discardChanges_forgetsAndKeepsHandles()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\App", "Name", "saved");
    const std::vector<char> before = hive.fileBytes();
    Registry& registry = hive.registry();
    HKEY app = 0;
    QCOMPARE(registry.openKey(kLocalMachine, "SOFTWARE\\App", kKeyRead | kKeyWrite, &app), kSuccess);
    QCOMPARE(setText(registry, app, "Name", "half done"), kSuccess);
    HKEY added = 0;
    QCOMPARE(registry.createKey(app, "Added", &added), kSuccess);

    registry.discardChanges();

    char text[32];
    std::uint32_t size = sizeof text;
    QCOMPARE(registry.queryValue(app, "Name", nullptr, reinterpret_cast<std::uint8_t*>(text), &size), kSuccess);
    QCOMPARE(std::string(text), std::string("saved"));
    size = 0;
    QCOMPARE(registry.queryValue(added, "Name", nullptr, nullptr, &size), kKeyDeleted);
    QCOMPARE(registry.closeKey(added), kSuccess);
    QCOMPARE(registry.flush(), kSuccess);
    QVERIFY(hive.fileBytes() == before);

    // The lock went with the changes: another writer gets on at once.
    auto other = hive.openAgain();
    QCOMPARE(createKey(*other, "SOFTWARE\\Other"), kSuccess);
    QCOMPARE(other->flush(), kSuccess);
    QCOMPARE(setText(registry, app, "Name", "after"), kSuccess);
    QCOMPARE(registry.closeKey(app), kSuccess);
    QCOMPARE(registry.flush(), kSuccess);
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot), (std::vector<std::string>{"App", "Other"}));
}

// A writer killed mid-save leaves its whole temporary copy beside the hive.
// The next open removes such copies, unless a live writer holds the lock
// (its save may be under way); files that are not ours stay.
void TestHiveCommit::copiesLeftByKilledWriters_goAtTheNextOpen()
{
    TempHive hive;
    const std::string left = hive.folder() + "/" + temporaryPrefix(hive.path()) + "a1B2c3";
    const std::string notOurs = hive.folder() + "/.SOFTWARE.pennant-save-kept-by-someone";
    const QStringList everything{".SOFTWARE.pennant-save-a1B2c3", ".SOFTWARE.pennant-save-kept-by-someone",
                                 "SOFTWARE", "SOFTWARE.lock"};

    QCOMPARE(createKey(hive.registry(), "SOFTWARE\\Writing"), kSuccess); // holds the lock, unflushed
    for (const std::string& file : {left, notOurs})
        hive_bytes::writeFileInPlace(file, hive.fileBytes());
    auto whileWriting = hive.openAgain();
    QCOMPARE(folderEntries(hive.folder()), everything);
    QCOMPARE(hive.registry().flush(), kSuccess);

    auto afterwards = hive.openAgain();
    QCOMPARE(folderEntries(hive.folder()), (QStringList{everything[1], everything[2], everything[3]}));
}

QTEST_GUILESS_MAIN(TestHiveCommit)
#include "test_hive_commit.moc"
