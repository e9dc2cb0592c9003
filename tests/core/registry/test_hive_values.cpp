// Values on a real hive: types, UTF-8 text stored as UTF-16LE, the caller's
// buffer, the size cap, and keys holding values libhivex cannot rewrite.
#include "support/hive_bytes.h"
#include "support/temp_hive.h"

#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::string kHiveKeys = "HKEY_LOCAL_MACHINE\\SOFTWARE";
const std::string kKeyPath = kHiveKeys + "\\Values";

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::vector<char> utf16Pattern(const std::string& ascii)
{
    std::vector<char> out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

bool contains(const std::vector<char>& haystack, const std::vector<char>& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

HKEY openValues(Registry& registry, std::uint32_t access)
{
    HKEY key = 0;
    if (registry.openKey(kLocalMachine, "SOFTWARE\\Values", access, &key) != kSuccess)
        throw std::runtime_error("cannot open the test key");
    return key;
}

} // namespace

class TestHiveValues : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void textIsStoredAsUtf16();
    void queryValue_buffer_data();
    void queryValue_buffer();
    void queryValue_missing_data();
    void queryValue_missing();
    void setValue_refused_data();
    void setValue_refused();
    void setValue_replacesRegardlessOfCase();
    void longValue_writtenAndReadBack();
    void manyValuesOfOneKey_growTheHiveOnce();
    void keyDeletedWithUnsavedValues_leavesASoundHive();
    void valueOverTheCap_leavesFileUnchanged_data();
    void valueOverTheCap_leavesFileUnchanged();
    void emptyValue_ourOwnStaysWritable();
    void valuesLibhivexCannotRewrite_data();
    void valuesLibhivexCannotRewrite();
    void damagedValue_hiveIsNeverWritten();
};

void TestHiveValues::roundTrip_data()
{
    QTest::addColumn<std::uint32_t>("type");
    QTest::addColumn<Bytes>("data");

    QTest::newRow("REG_SZ ASCII") << kRegSz << bytesOf(std::string("abc\0", 4));
    QTest::newRow("REG_SZ German") << kRegSz
                                   << bytesOf(std::string("Gr\xC3\xBC\xC3\x9F"
                                                          "e\0",
                                                          8));
    QTest::newRow("REG_SZ Japanese and emoji")
        << kRegSz << bytesOf(std::string("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\0", 12));
    QTest::newRow("REG_SZ empty") << kRegSz << bytesOf(std::string("\0", 1));
    QTest::newRow("REG_SZ two terminators") << kRegSz << bytesOf(std::string("ab\0\0", 4));
    QTest::newRow("REG_SZ leading and trailing spaces") << kRegSz << bytesOf(std::string("  x  \0", 6));
    QTest::newRow("REG_EXPAND_SZ") << kRegExpandSz << bytesOf(std::string("%ProgramFiles%\\\xC3\xA9\0", 18));
    QTest::newRow("REG_MULTI_SZ") << kRegMultiSz << bytesOf(std::string("one\0z\xC3\xA9ro\0\0", 12));
    QTest::newRow("REG_BINARY") << kRegBinary << Bytes{0x00, 0xFF, 0x80, 0x7F, 0x00};
    QTest::newRow("REG_BINARY empty") << kRegBinary << Bytes{};
    QTest::newRow("REG_DWORD") << kRegDword << Bytes{0x78, 0x56, 0x34, 0x12};
    QTest::newRow("REG_NONE") << kRegNone << Bytes{1, 2, 3};
    QTest::newRow("REG_QWORD raw") << std::uint32_t{11} << Bytes{1, 2, 3, 4, 5, 6, 7, 8};
    // Types past the last one Windows names are kept as the numbers they are.
    QTest::newRow("type 16") << std::uint32_t{16} << Bytes{1};
    QTest::newRow("type 0xFFFF0000") << std::uint32_t{0xFFFF0000} << Bytes{1, 2};
}

void TestHiveValues::roundTrip()
{
    QFETCH(std::uint32_t, type);
    QFETCH(Bytes, data);
    TempHive hive;
    hive.putRaw(kKeyPath, "Value", type, data);

    // Read back through a fresh view of the file on disk.
    const auto onDisk = hive.readOnDisk(kKeyPath, "Value");
    QVERIFY(onDisk.has_value());
    QCOMPARE(onDisk->type, type);
    QCOMPARE(onDisk->data, data);
    // And through the writer's own view.
    const auto key = openValues(hive.registry(), kKeyRead);
    std::uint32_t size = 0;
    std::uint32_t seenType = 0;
    QCOMPARE(hive.registry().queryValue(key, "value", &seenType, nullptr, &size), kSuccess);
    QCOMPARE(size, static_cast<std::uint32_t>(data.size()));
    QCOMPARE(seenType, type);
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
}

void TestHiveValues::textIsStoredAsUtf16()
{
    TempHive hive;
    hive.putString(kKeyPath, "ButtonText", "Pennant sample");
    const std::vector<char> bytes = hive.fileBytes();
    std::vector<char> stored = utf16Pattern("Pennant sample");
    stored.insert(stored.end(), {'\0', '\0'});
    QVERIFY(contains(bytes, stored));
    QVERIFY(!contains(bytes, {'P', 'e', 'n', 'n', 'a', 'n', 't', ' '}));
}

void TestHiveValues::queryValue_buffer_data()
{
    QTest::addColumn<bool>("withData");
    QTest::addColumn<std::uint32_t>("capacity");
    QTest::addColumn<LSTATUS>("expected");
    // "Grüße" plus terminator: 8 bytes of UTF-8, 12 bytes stored.
    QTest::newRow("no buffer: size needed") << false << 0u << kSuccess;
    QTest::newRow("exact fit") << true << 8u << kSuccess;
    QTest::newRow("roomy") << true << 64u << kSuccess;
    QTest::newRow("one byte short") << true << 7u << kMoreData;
    QTest::newRow("empty buffer") << true << 0u << kMoreData;
}

void TestHiveValues::queryValue_buffer()
{
    QFETCH(bool, withData);
    QFETCH(std::uint32_t, capacity);
    QFETCH(LSTATUS, expected);
    const std::string text("Gr\xC3\xBC\xC3\x9F"
                           "e\0",
                           8);
    TempHive hive;
    hive.putRaw(kKeyPath, "Text", kRegSz, bytesOf(text));
    const HKEY key = openValues(hive.registry(), kKeyRead);

    Bytes buffer(capacity + 1, '#');
    std::uint32_t size = capacity;
    std::uint32_t type = 0;
    QCOMPARE(hive.registry().queryValue(key, "Text", &type, withData ? buffer.data() : nullptr, &size), expected);
    QCOMPARE(size, 8u);
    QCOMPARE(type, kRegSz);
    if (withData && expected == kSuccess)
        QCOMPARE(std::string(buffer.begin(), buffer.begin() + size), text);
    QCOMPARE(buffer[capacity], std::uint8_t('#'));
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
}

void TestHiveValues::queryValue_missing_data()
{
    QTest::addColumn<std::string>("name");
    QTest::newRow("missing value") << std::string("Nothing");
    QTest::newRow("missing default value") << std::string();
    QTest::newRow("invalid UTF-8 name") << std::string("\xFF");
}

void TestHiveValues::queryValue_missing()
{
    QFETCH(std::string, name);
    TempHive hive;
    hive.putString(kKeyPath, "Present", "here");
    const HKEY key = openValues(hive.registry(), kKeyRead);
    std::uint32_t size = 0;
    QCOMPARE(hive.registry().queryValue(key, name, nullptr, nullptr, &size), kFileNotFound);
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
    // The keys above the hive hold no values.
    QCOMPARE(hive.registry().queryValue(kLocalMachine, "Present", nullptr, nullptr, &size), kFileNotFound);
}

void TestHiveValues::setValue_refused_data()
{
    QTest::addColumn<std::string>("name");
    QTest::addColumn<std::uint32_t>("type");
    QTest::addColumn<Bytes>("data");
    QTest::addColumn<LSTATUS>("expected");
    const Bytes text = bytesOf(std::string("ok\0", 3));
    QTest::newRow("DWORD of 2 bytes") << std::string("D") << kRegDword << Bytes{1, 2} << kInvalidParameter;
    QTest::newRow("DWORD of 5 bytes") << std::string("D") << kRegDword << Bytes{1, 2, 3, 4, 5} << kInvalidParameter;
    QTest::newRow("invalid UTF-8 text") << std::string("T") << kRegSz << bytesOf("caf\xE9") << kInvalidParameter;
    QTest::newRow("invalid UTF-8 multi string")
        << std::string("M") << kRegMultiSz << bytesOf("\xC0\xAF") << kInvalidParameter;
    QTest::newRow("invalid UTF-8 name") << std::string("bad\xC3") << kRegSz << text << kInvalidParameter;
    QTest::newRow("name of 16384 characters") << std::string(16384, 'n') << kRegSz << text << kInvalidParameter;
    QTest::newRow("text too large") << std::string("T") << kRegSz << Bytes(8200, 'x') << kFileTooLarge;
    QTest::newRow("binary too large") << std::string("B") << kRegBinary << Bytes(20000, 1) << kFileTooLarge;
}

void TestHiveValues::setValue_refused()
{
    QFETCH(std::string, name);
    QFETCH(std::uint32_t, type);
    QFETCH(Bytes, data);
    QFETCH(LSTATUS, expected);
    TempHive hive;
    hive.putString(kKeyPath, "Kept", "kept");
    const std::vector<char> before = hive.fileBytes();
    const HKEY key = openValues(hive.registry(), kKeyRead | kKeyWrite);

    QCOMPARE(hive.registry().setValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())), expected);
    std::uint32_t size = 0;
    QCOMPARE(hive.registry().queryValue(key, name, nullptr, nullptr, &size), kFileNotFound);
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
    QCOMPARE(hive.registry().flush(), kSuccess);
    QVERIFY(hive.fileBytes() == before);
}

void TestHiveValues::setValue_replacesRegardlessOfCase()
{
    TempHive hive;
    hive.putString(kKeyPath, "\xC3\x84nderung", "first");  // Änderung
    hive.putString(kKeyPath, "\xC3\xA4NDERUNG", "second"); // äNDERUNG
    const auto value = hive.readOnDisk(kKeyPath, "\xC3\x84NDERUNG");
    QVERIFY(value.has_value());
    QCOMPARE(value->data, bytesOf(std::string("second\0", 7)));
    // The value kept its first spelling (stored as Latin-1): no record was
    // ever written under the second one, so there is one value, not two.
    const std::vector<char> bytes = hive.fileBytes();
    QVERIFY(!hive_bytes::valueRecordsNamed(bytes, "\xC4nderung").empty());
    QVERIFY(hive_bytes::valueRecordsNamed(bytes, "\xE4NDERUNG").empty());
}

void TestHiveValues::longValue_writtenAndReadBack()
{
    std::string text;
    for (int i = 0; i < 8000; ++i)
        text += (i % 2 == 0) ? "\xC3\xA9" : "x"; // 8,000 characters, 12,000 bytes of UTF-8
    TempHive hive;
    hive.putString(kKeyPath, "Long", text);
    const auto onDisk = hive.readOnDisk(kKeyPath, "Long");
    QVERIFY(onDisk.has_value());
    QCOMPARE(onDisk->data.size(), text.size() + 1);
    QCOMPARE(std::string(onDisk->data.begin(), onDisk->data.end() - 1), text);
    QCOMPARE(onDisk->data.back(), std::uint8_t(0));
}

// libhivex rewrites a key's whole value list on each call and never reuses
// a freed cell: the values set before one save must reach it as one list.
void TestHiveValues::manyValuesOfOneKey_growTheHiveOnce()
{
    TempHive hive;
    hive.createKey(kKeyPath);
    const auto sizeBefore = hive.fileBytes().size();
    const auto key = openValues(hive.registry(), kKeySetValue | kKeyQueryValue);
    const Bytes data(200, 7);
    constexpr int kValues = 30;
    for (int i = 0; i < kValues; ++i) {
        const std::string name = "V" + std::to_string(i);
        QCOMPARE(hive.registry().setValue(key, name, kRegBinary, data.data(), std::uint32_t(data.size())), kSuccess);
        // The writer reads what it set before it is saved.
        std::uint32_t size = 0;
        QCOMPARE(hive.registry().queryValue(key, name, nullptr, nullptr, &size), kSuccess);
        QCOMPARE(size, std::uint32_t(data.size()));
    }
    QCOMPARE(hive.registry().flush(), kSuccess);
    QCOMPARE(hive.registry().closeKey(key), kSuccess);

    QCOMPARE(hive.readOnDisk(kKeyPath, "V0")->data, data);
    QCOMPARE(hive.readOnDisk(kKeyPath, "V29")->data, data);
    // 30 values of about 300 bytes each in cells; one list per value set
    // would add some 140 KB.
    QCOMPARE_LE(hive.fileBytes().size() - sizeBefore, std::size_t(16 * 1024));
}

void TestHiveValues::keyDeletedWithUnsavedValues_leavesASoundHive()
{
    TempHive hive;
    hive.putString(kKeyPath + "\\Inner", "Kept", "old");
    HKEY inner = 0;
    QCOMPARE(hive.registry().openKey(kLocalMachine, "SOFTWARE\\Values\\Inner", kKeySetValue, &inner), kSuccess);
    const Bytes text = bytesOf(std::string("new\0", 4));
    QCOMPARE(hive.registry().setValue(inner, "Kept", kRegSz, text.data(), std::uint32_t(text.size())), kSuccess);
    QCOMPARE(hive.registry().closeKey(inner), kSuccess);
    QCOMPARE(hive.registry().deleteKey(kLocalMachine, "SOFTWARE\\Values\\Inner"), kSuccess);
    QCOMPARE(hive.registry().flush(), kSuccess);

    QVERIFY(!hive.readOnDisk(kKeyPath + "\\Inner", "Kept").has_value());
    QCOMPARE(hive.subKeysOnDisk(kKeyPath), std::vector<std::string>{});
}

void TestHiveValues::valueOverTheCap_leavesFileUnchanged_data()
{
    QTest::addColumn<int>("characters");
    QTest::addColumn<LSTATUS>("expected");
    // Stored: (characters + terminator) * 2 bytes; the cap is 16,344.
    QTest::newRow("8,171 characters: exactly the cap") << 8171 << kSuccess;
    QTest::newRow("8,172 characters: two bytes over") << 8172 << kFileTooLarge;
    QTest::newRow("10,000 characters") << 10000 << kFileTooLarge;
}

void TestHiveValues::valueOverTheCap_leavesFileUnchanged()
{
    QFETCH(int, characters);
    QFETCH(LSTATUS, expected);
    TempHive hive;
    hive.putString(kKeyPath, "Big", "small");
    const std::vector<char> before = hive.fileBytes();
    const HKEY key = openValues(hive.registry(), kKeyWrite);

    Bytes data(characters, 'c');
    data.push_back(0);
    QCOMPARE(hive.registry().setValue(key, "Big", kRegSz, data.data(), static_cast<std::uint32_t>(data.size())),
             expected);
    QCOMPARE(hive.registry().closeKey(key), kSuccess);
    QCOMPARE(hive.registry().flush(), kSuccess);
    const auto onDisk = hive.readOnDisk(kKeyPath, "Big");
    QVERIFY(onDisk.has_value());
    if (expected == kSuccess) {
        QCOMPARE(onDisk->data, data);
    } else {
        QVERIFY(hive.fileBytes() == before);
        QCOMPARE(onDisk->data, bytesOf(std::string("small\0", 6)));
    }
}

void TestHiveValues::emptyValue_ourOwnStaysWritable()
{
    TempHive hive;
    hive.putRaw(kKeyPath, "Empty", kRegBinary, {});
    hive.putString(kKeyPath, "Later", "written after");
    const auto empty = hive.readOnDisk(kKeyPath, "Empty");
    QVERIFY(empty.has_value());
    QCOMPARE(empty->data, Bytes{});
    QVERIFY(hive.readOnDisk(kKeyPath, "Later").has_value());
}

// Keys holding values libhivex cannot rewrite safely, made from a hive our
// backend wrote by patching one value record: an empty value without a data
// cell (as Windows stores some; libhivex aborts the process freeing it), and
// a value larger than one cell allows (as libhivex itself writes them;
// rewriting it would keep a cell Windows cannot read).
void TestHiveValues::valuesLibhivexCannotRewrite_data()
{
    QTest::addColumn<std::uint32_t>("storedLength");
    QTest::addColumn<std::uint32_t>("patchedLength");
    QTest::addColumn<std::uint32_t>("patchedOffset");
    QTest::addColumn<LSTATUS>("deleted");
    QTest::newRow("empty value without a data cell") << 8u << 0u << 0xFFFFFFFFu << kNotSupported;
    QTest::newRow("value larger than a cell") << 16344u << 16348u << 0u << kSuccess;
}

void TestHiveValues::valuesLibhivexCannotRewrite()
{
    QFETCH(std::uint32_t, storedLength);
    QFETCH(std::uint32_t, patchedLength);
    QFETCH(std::uint32_t, patchedOffset);
    QFETCH(LSTATUS, deleted);
    TempHive hive;
    hive.putRaw(kKeyPath, "Odd", kRegBinary, Bytes(storedLength, 1));
    hive.putString(kKeyPath, "Other", "other");
    hive.putString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere", "Name", "fine");
    std::vector<char> bytes = hive.fileBytes();
    const auto records = hive_bytes::valueRecordsNamed(bytes, "Odd");
    QVERIFY(!records.empty());
    for (const std::size_t record : records) {
        hive_bytes::setDword(bytes, record + hive_bytes::kValueDataLength, patchedLength);
        if (patchedOffset != 0)
            hive_bytes::setDword(bytes, record + hive_bytes::kValueDataOffset, patchedOffset);
    }
    hive_bytes::writeFileInPlace(hive.path(), bytes);

    auto registry = hive.openAgain();
    HKEY key = 0;
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\Values", kKeyRead | kKeyWrite, &key), kSuccess);
    std::uint32_t size = 99;
    std::uint32_t type = 0;
    QCOMPARE(registry->queryValue(key, "Odd", &type, nullptr, &size), kSuccess);
    QCOMPARE(size, patchedLength);
    QCOMPARE(type, kRegBinary);
    const std::uint8_t text[] = "new";
    QCOMPARE(registry->setValue(key, "Other", kRegSz, text, sizeof text), kNotSupported);
    QCOMPARE(registry->setValue(key, "Added", kRegSz, text, sizeof text), kNotSupported);
    QCOMPARE(registry->closeKey(key), kSuccess);
    QCOMPARE(registry->flush(), kSuccess);
    QVERIFY(hive.fileBytes() == bytes);

    // Other keys stay writable.
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\Elsewhere", kKeyWrite, &key), kSuccess);
    QCOMPARE(registry->setValue(key, "Name", kRegSz, text, sizeof text), kSuccess);
    QCOMPARE(registry->closeKey(key), kSuccess);
    QCOMPARE(registry->flush(), kSuccess);
    QCOMPARE(hive.readOnDisk("HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere", "Name")->data, Bytes(text, text + 4));

    // Deleting frees the values: refused only where libhivex would abort.
    QCOMPARE(registry->deleteKey(kLocalMachine, "SOFTWARE\\Values"), deleted);
    QCOMPARE(registry->flush(), kSuccess);
    QCOMPARE(hive.subKeysOnDisk(kHiveKeys).value().size(), std::size_t(deleted == kSuccess ? 1 : 2));
}

// A value whose declared length does not match its data cell cannot be read
// by libhivex, and libhivex would fail half way setting any value of its
// key. The structural check finds it when the hive is loaded: the hive is
// shown read-only, every change is refused as damage, and nothing reaches
// the disk.
void TestHiveValues::damagedValue_hiveIsNeverWritten()
{
    TempHive hive;
    hive.putRaw(kKeyPath, "Damaged", kRegBinary, Bytes(8, 1));
    std::vector<char> bytes = hive.fileBytes();
    for (const std::size_t record : hive_bytes::valueRecordsNamed(bytes, "Damaged"))
        hive_bytes::setDword(bytes, record + hive_bytes::kValueDataLength, 4000);
    hive_bytes::writeFileInPlace(hive.path(), bytes);

    auto registry = hive.openAgain();
    QVERIFY(!registry->isWritable());
    QVERIFY2(registry->damage().find("has more data than its data cell holds") != std::string::npos,
             registry->damage().c_str());
    HKEY pending = 0;
    QCOMPARE(registry->createKey(kLocalMachine, "SOFTWARE\\Pending", &pending), kRegistryCorrupt);
    HKEY key = 0;
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\Values", kKeyRead, &key), kSuccess);
    std::uint32_t size = 0;
    QCOMPARE(registry->queryValue(key, "Damaged", nullptr, nullptr, &size), kRegistryCorrupt);
    const std::uint8_t text[] = "x";
    QCOMPARE(registry->setValue(key, "New", kRegSz, text, sizeof text), kAccessDenied); // opened for reading
    QCOMPARE(registry->closeKey(key), kSuccess);
    QCOMPARE(registry->openKey(kLocalMachine, "SOFTWARE\\Values", kKeyWrite, &key), kRegistryCorrupt);
    QCOMPARE(registry->flush(), kSuccess);
    QVERIFY(hive.fileBytes() == bytes);
}

QTEST_GUILESS_MAIN(TestHiveValues)
#include "test_hive_values.moc"
