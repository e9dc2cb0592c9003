// The structural check over a hive written by our own backend: what valid
// hives hold passes, and each kind of damage, patched into a few bytes,
// is named with its offset.
#include "support/hive_bytes.h"
#include "core/hive_format/hive_check.h"
#include "support/temp_hive.h"

#include <QTest>

#include <functional>
#include <string>
#include <vector>

using namespace platform;
using namespace hive_bytes;
using Patch = std::function<void(std::vector<char>&)>;

Q_DECLARE_METATYPE(Patch)

namespace {

constexpr std::size_t kBins = 0x1000; // cell references count from here
const std::string kExtensions = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";

// A hive holding what Pennant writes: buttons with values, a deleted key
// (free cells with remnants), names stored as UTF-16 and with control
// characters, and an empty value. Built once, patched per case.
const std::vector<char>& populatedHive()
{
    static const std::vector<char> bytes = [] {
        TempHive hive;
        for (const char* id : {"{B}", "{A}", "{C}", "{Gone}"}) {
            hive.putString(kExtensions + "\\" + id, "ButtonText", std::string("Button ") + id);
            hive.putString(kExtensions + "\\" + id, "Exec", "/usr/bin/true");
            hive.putDword(kExtensions + "\\" + id, "Count", 7);
        }
        hive.putRaw(kExtensions + "\\{A}", "Empty", kRegBinary, {});
        hive.createKey(kExtensions + "\\Grüße ☃");
        hive.createKey(kExtensions + "\\line\r\nbreak");
        const auto [root, sub] = splitTestPath(kExtensions + "\\{Gone}");
        if (hive.registry().deleteKey(root, sub) != kSuccess || hive.registry().flush() != kSuccess)
            throw std::runtime_error("cannot delete a key");
        return hive.fileBytes();
    }();
    return bytes;
}

HiveCheck check(const std::vector<char>& bytes)
{
    return checkHive(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// The single key record with this name; offsets returned point at its "nk".
std::size_t key(const std::vector<char>& bytes, const std::string& name)
{
    const auto found = keyRecordsNamed(bytes, name);
    if (found.size() != 1)
        throw std::runtime_error("no single key named " + name);
    return found.front();
}

// The record a reference in the field at `at` points to (its signature).
std::size_t target(const std::vector<char>& bytes, std::size_t at)
{
    return kBins + dwordAt(bytes, at) + 4;
}

std::uint32_t referenceTo(std::size_t record)
{
    return static_cast<std::uint32_t>(record - 4 - kBins);
}

std::size_t rootKey(const std::vector<char>& bytes)
{
    return kBins + dwordAt(bytes, 0x24) + 4;
}

std::size_t valueList(const std::vector<char>& bytes, const std::string& keyName)
{
    return target(bytes, key(bytes, keyName) + kKeyValueList);
}

std::size_t extensionsList(const std::vector<char>& bytes)
{
    return target(bytes, key(bytes, "Extensions") + kKeySubKeyList);
}

// The first free cell of the first hive bin.
std::size_t firstFreeCell(const std::vector<char>& bytes)
{
    for (std::size_t cell = kBins + 0x20; cell < 2 * kBins;) {
        const auto size = static_cast<std::int32_t>(dwordAt(bytes, cell));
        if (size > 0)
            return cell;
        cell += static_cast<std::size_t>(-size);
    }
    throw std::runtime_error("no free cell in the first bin");
}

void setHeader(std::vector<char>& bytes, std::size_t at, std::uint32_t value)
{
    setDword(bytes, at, value);
    fixHeaderChecksum(bytes);
}

// Damage that made libhivex abort, free a live cell, or write a hive of
// gigabytes.
void valueListEntryAtAnotherValue(std::vector<char>& b)
{
    const std::size_t list = valueList(b, "{A}");
    setDword(b, list + 4, dwordAt(b, list));
}

void valueDataAtTheRootKey(std::vector<char>& b)
{
    const std::size_t value = target(b, valueList(b, "{A}"));
    setDword(b, value + kValueDataOffset, referenceTo(rootKey(b)));
}

// Empty, but not inline: libhivex frees the cell its offset names.
void emptyValueDataAtAnotherValue(std::vector<char>& b)
{
    const std::size_t list = valueList(b, "{C}");
    const std::size_t value = target(b, list);
    setDword(b, value + kValueDataLength, 0);
    setDword(b, value + kValueDataOffset, dwordAt(b, list + 4));
}

void sizeFieldOneTooLarge(std::vector<char>& b)
{
    setHeader(b, 0x28, dwordAt(b, 0x28) + 1);
}

void sizeFieldHuge(std::vector<char>& b)
{
    setHeader(b, 0x28, 0x7FFFFFFF);
}

} // namespace

class TestHiveCheck : public QObject {
    Q_OBJECT

private slots:
    void soundHive_passes_data();
    void soundHive_passes();
    void damage_isNamedWithItsOffset_data();
    void damage_isNamedWithItsOffset();
    void damage_sentence();
    void damagedHive_isNeverWritten_data();
    void damagedHive_isNeverWritten();
    void unreadableKeyOrValue_isNeverMissing_data();
    void unreadableKeyOrValue_isNeverMissing();
};

void TestHiveCheck::soundHive_passes_data()
{
    QTest::addColumn<Patch>("patch");
    QTest::addColumn<bool>("clean");

    QTest::newRow("as written") << Patch([](std::vector<char>&) {}) << true;
    QTest::newRow("logs not applied") << Patch([](std::vector<char>& b) { setHeader(b, 0x08, dwordAt(b, 0x04) + 1); })
                                      << false;
    // Windows leaves cells that nothing references, and bytes past the bins.
    QTest::newRow("unreferenced cell in use, bytes past the bins") << Patch([](std::vector<char>& b) {
        const std::size_t cell = firstFreeCell(b);
        setDword(b, cell, static_cast<std::uint32_t>(-static_cast<std::int32_t>(dwordAt(b, cell))));
        b.resize(b.size() + 0x1000, '\0');
    }) << true;
}

void TestHiveCheck::soundHive_passes()
{
    QFETCH(Patch, patch);
    QFETCH(bool, clean);
    std::vector<char> bytes = populatedHive();
    patch(bytes);
    const HiveCheck result = check(bytes);
    QCOMPARE(result.damage, std::string());
    QVERIFY(result.sound());
    QCOMPARE(result.clean, clean);
}

void TestHiveCheck::damage_isNamedWithItsOffset_data()
{
    QTest::addColumn<Patch>("patch");
    QTest::addColumn<QString>("damage");

    QTest::newRow("checksum") << Patch([](std::vector<char>& b) { b[0x30] ^= 1; }) << "wrong checksum";
    QTest::newRow("size field one too large") << Patch(sizeFieldOneTooLarge) << "size field";
    QTest::newRow("size field 0x7fffffff") << Patch(sizeFieldHuge) << "size field";
    QTest::newRow("size field leaves a bin out")
        << Patch([](std::vector<char>& b) { setHeader(b, 0x28, 0x1000); }) << "leaves out the hive bin";
    QTest::newRow("truncated") << Patch([](std::vector<char>& b) { b.erase(b.end() - 0x1000, b.end()); })
                               << "size field";
    QTest::newRow("bin signature") << Patch([](std::vector<char>& b) { b[0x1000] = 'x'; })
                                   << "hive bin at offset 0x1000";
    QTest::newRow("cell size") << Patch([](std::vector<char>& b) { setDword(b, rootKey(b) - 4, 0xFFFFFFFD); })
                               << "cell at offset 0x1020 has an invalid size";
    QTest::newRow("root offset outside") << Patch([](std::vector<char>& b) { setHeader(b, 0x24, 0x7FFFFFF0); })
                                         << "root key offset";
    QTest::newRow("value list entry at another value") << Patch(valueListEntryAtAnotherValue) << "already in use";
    QTest::newRow("value data at the root key") << Patch(valueDataAtTheRootKey) << "already in use";
    QTest::newRow("empty value's data at another value") << Patch(emptyValueDataAtAnotherValue) << "already in use";
    QTest::newRow("value list entry at no cell")
        << Patch([](std::vector<char>& b) { setDword(b, valueList(b, "{C}"), 0x1234); }) << "value list at offset";
    QTest::newRow("key name past its cell")
        << Patch([](std::vector<char>& b) { b[key(b, "Extensions") + kKeyNameLength + 1] = '\x7F'; })
        << "name running past its cell";
    QTest::newRow("sub key list outside")
        << Patch([](std::vector<char>& b) { setDword(b, key(b, "Extensions") + kKeySubKeyList, 0x7FFFFFF0); })
        << "sub key list offset of the key";
    QTest::newRow("sub key count") << Patch([](std::vector<char>& b) {
        const std::size_t at = key(b, "Extensions") + kKeySubKeyCount;
        setDword(b, at, dwordAt(b, at) + 1);
    }) << "sub keys, but its list holds";
    QTest::newRow("parent") << Patch([](std::vector<char>& b) {
        setDword(b, key(b, "{B}") + kKeyParent, referenceTo(rootKey(b)));
    }) << "does not point back at its parent";
    QTest::newRow("sub keys out of order") << Patch([](std::vector<char>& b) {
        // The last two ("{B}", "{C}"): lf entries are an offset and a hash.
        const std::size_t list = extensionsList(b);
        const std::size_t last = list + 4 + 8 * (wordAt(b, list + 2) - 1);
        for (std::size_t i = 0; i < 8; ++i)
            std::swap(b[last - 8 + i], b[last + i]);
    }) << "out of order";
    QTest::newRow("loop back to the root")
        << Patch([](std::vector<char>& b) { setDword(b, extensionsList(b) + 4, referenceTo(rootKey(b))); })
        << "already in use";
    QTest::newRow("class name offset without a class")
        << Patch([](std::vector<char>& b) { setDword(b, key(b, "{C}") + kKeyClassName, 1); })
        << "class name offset of the key";
    QTest::newRow("security cell counting too few keys")
        << Patch([](std::vector<char>& b) { setDword(b, target(b, key(b, "{C}") + kKeySecurity) + 0x0C, 0); })
        << "keys using it, but";
    QTest::newRow("security at a value") << Patch([](std::vector<char>& b) {
        setDword(b, key(b, "{C}") + kKeySecurity, referenceTo(target(b, valueList(b, "{C}"))));
    }) << "no sk cell";
}

void TestHiveCheck::damage_isNamedWithItsOffset()
{
    QFETCH(Patch, patch);
    QFETCH(QString, damage);
    std::vector<char> bytes = populatedHive();
    patch(bytes);
    const HiveCheck result = check(bytes);
    QVERIFY2(QString::fromStdString(result.damage).contains(damage), result.damage.c_str());
    QVERIFY(!result.sound());
}

void TestHiveCheck::damage_sentence()
{
    std::vector<char> bytes = populatedHive();
    const std::size_t extensions = key(bytes, "Extensions");
    setDword(bytes, extensions + kKeySubKeyList, 0x7FFFFFF0);
    char where[16];
    std::snprintf(where, sizeof where, "0x%zx", extensions - 4);
    QCOMPARE(damagedHiveSentence(check(bytes).damage),
             "The hive is damaged (sub key list offset of the key at offset " + std::string(where) +
                 " points outside the hive bins); Pennant will not change it.");
}

// The damage that made libhivex abort, free a live cell or write a hive of
// gigabytes: such a hive opens for reading only, says what is damaged, and
// refuses every change without touching the file.
void TestHiveCheck::damagedHive_isNeverWritten_data()
{
    QTest::addColumn<Patch>("patch");
    QTest::addColumn<QString>("damage");

    QTest::newRow("value list entry at another value") << Patch(valueListEntryAtAnotherValue) << "already in use";
    QTest::newRow("value data at the root key") << Patch(valueDataAtTheRootKey) << "already in use";
    QTest::newRow("empty value's data at another value") << Patch(emptyValueDataAtAnotherValue) << "already in use";
    QTest::newRow("size field one too large") << Patch(sizeFieldOneTooLarge) << "size field";
    QTest::newRow("size field 0x7fffffff") << Patch(sizeFieldHuge) << "size field";
}

void TestHiveCheck::damagedHive_isNeverWritten()
{
    QFETCH(Patch, patch);
    QFETCH(QString, damage);
    TempHive hive;
    std::vector<char> bytes = populatedHive();
    patch(bytes);
    writeFileInPlace(hive.path(), bytes);

    auto registry = hive.openAgain();
    QVERIFY(!registry->isWritable());
    const QString sentence = QString::fromStdString(registry->damage());
    QVERIFY2(sentence.startsWith("The hive is damaged (") && sentence.contains(damage) &&
                 sentence.endsWith("); Pennant will not change it."),
             qPrintable(sentence));
    QCOMPARE(QString::fromStdString(registry->failureDetail()), sentence);
    const auto [root, extensions] = splitTestPath(kExtensions);
    HKEY key = 0;
    QCOMPARE(registry->createKey(root, extensions + "\\{New}", &key), kRegistryCorrupt);
    QCOMPARE(registry->openKey(root, extensions + "\\{B}", kKeyWrite, &key), kRegistryCorrupt);
    QCOMPARE(registry->deleteKey(root, extensions + "\\{C}"), kRegistryCorrupt);
    QCOMPARE(registry->flush(), kSuccess);
    QVERIFY(hive.fileBytes() == bytes);
}

// A key or value whose name cannot be read is damage (1015), never "not
// found" (2): a caller told "missing" would create a second one beside it.
void TestHiveCheck::unreadableKeyOrValue_isNeverMissing_data()
{
    QTest::addColumn<Patch>("patch");
    // A key above the damage, and the key below it to read a value of.
    QTest::addColumn<std::string>("above");
    QTest::addColumn<std::string>("below");

    QTest::newRow("key name") << Patch([](std::vector<char>& b) {
        b[key(b, "Extensions") + kKeyNameLength + 1] = '\x7F';
    }) << std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer")
                              << std::string("Extensions");
    QTest::newRow("value name") << Patch([](std::vector<char>& b) {
        b[target(b, valueList(b, "{A}")) + kValueNameLength + 1] = '\x7F';
    }) << kExtensions << std::string("{A}");
    // Reads before any change meet these cell by cell, without the check.
    QTest::newRow("sub key count") << Patch([](std::vector<char>& b) {
        const std::size_t count = key(b, "Extensions") + kKeySubKeyCount;
        setDword(b, count, dwordAt(b, count) + 1);
    }) << kExtensions << std::string("{A}");
    QTest::newRow("sub key entry inside a cell") << Patch([](std::vector<char>& b) {
        for (std::size_t entry = 0; entry < wordAt(b, extensionsList(b) + 2); ++entry)
            setDword(b, extensionsList(b) + 4 + 8 * entry, dwordAt(b, extensionsList(b) + 4 + 8 * entry) + 8);
    }) << kExtensions << std::string("{A}");
    QTest::newRow("value list outside the hive") << Patch([](std::vector<char>& b) {
        setDword(b, key(b, "{A}") + kKeyValueList, 0x7FFFFFF8);
    }) << kExtensions << std::string("{A}");
}

void TestHiveCheck::unreadableKeyOrValue_isNeverMissing()
{
    QFETCH(Patch, patch);
    TempHive hive;
    std::vector<char> bytes = populatedHive();
    patch(bytes);
    writeFileInPlace(hive.path(), bytes);

    auto registry = hive.openAgain();
    const auto [root, button] = splitTestPath(kExtensions + "\\{A}");
    HKEY key = 0;
    LSTATUS status = registry->openKey(root, button, kKeyRead, &key);
    if (status == kSuccess) {
        std::uint32_t size = 0;
        status = registry->queryValue(key, "NoSuchValue", nullptr, nullptr, &size);
    }
    QCOMPARE(status, kRegistryCorrupt);
    QCOMPARE(registry->createKey(root, button + "\\{New}", &key), kRegistryCorrupt);

    // The same read through a handle to a key above the damage.
    QFETCH(std::string, above);
    QFETCH(std::string, below);
    const auto [aboveRoot, aboveKey] = splitTestPath(above);
    HKEY parent = 0;
    QCOMPARE(registry->openKey(aboveRoot, aboveKey, kKeyRead, &parent), kSuccess);
    std::uint32_t size = 0;
    QCOMPARE(registry->queryValueBelow(parent, below, "NoSuchValue", nullptr, nullptr, &size), kRegistryCorrupt);
    registry->closeKey(parent);
    QVERIFY(hive.fileBytes() == bytes);
}

QTEST_GUILESS_MAIN(TestHiveCheck)
#include "test_hive_check.moc"
