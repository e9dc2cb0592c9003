// Keys on a real hive: opening, creating, enumerating, deleting, closing,
// the predefined roots and the access rights remembered per handle.
#include "support/temp_hive.h"

#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace platform;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kHiveRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE";
const std::string kInvalidUtf8 = "bad\xC3";

HKEY openOrFail(Registry& registry, HKEY root, const std::string& subKey, std::uint32_t access)
{
    HKEY key = 0;
    const LSTATUS status = registry.openKey(root, subKey, access, &key);
    if (status != kSuccess)
        throw std::runtime_error("cannot open " + subKey + ": " + std::to_string(status));
    return key;
}

std::string enumName(Registry& registry, HKEY key, std::uint32_t index, LSTATUS* status)
{
    char name[512];
    std::uint32_t length = sizeof name;
    *status = registry.enumKey(key, index, name, &length);
    return *status == kSuccess ? std::string(name, length) : std::string();
}

// The bytes a key takes when written compactly: its key cell, its entry in
// the parent's list, and each value's cell, data cell and list entry.
std::size_t compactKeySize(const std::string& name, const std::string& valueName, std::size_t dataSize,
                           int values)
{
    const auto cell = [](std::size_t content) { return (4 + content + 7) / 8 * 8; };
    const std::size_t value = cell(0x14 + valueName.size()) + (dataSize > 4 ? cell(dataSize) : 0) + 4;
    return cell(0x4C + name.size()) + 8 + static_cast<std::size_t>(values) * value;
}

} // namespace

class TestHiveKeys : public QObject {
    Q_OBJECT

private slots:
    void openKey_paths_data();
    void openKey_paths();
    void openKey_emptySubKeyOpensTheKeyAgain();
    void openKey_relativeToAnOpenKey();
    void createKey_reportsWhetherNew();
    void createKey_names_data();
    void createKey_names();
    void createKey_foldsNonAsciiCase();
    void enumKey_predefinedRoots_data();
    void enumKey_predefinedRoots();
    void enumKey_keepsTheHiveOrder();
    void enumKey_bufferSizes_data();
    void enumKey_bufferSizes();
    void accessRights_data();
    void accessRights();
    void handles_areSmallAndNeverPredefined();
    void handles_closedOrUnknownAreInvalid_data();
    void handles_closedOrUnknownAreInvalid();
    void deleteKey_data();
    void deleteKey();
    void deleteKey_openHandleSeesKeyDeleted();
    void createKey_manyInOneSave_growTheHiveByTheirOwnSize_data();
    void createKey_manyInOneSave_growTheHiveByTheirOwnSize();
};

void TestHiveKeys::openKey_paths_data()
{
    QTest::addColumn<HKEY>("root");
    QTest::addColumn<std::string>("subKey");
    QTest::addColumn<LSTATUS>("expected");

    QTest::newRow("local machine itself") << kLocalMachine << std::string() << kSuccess;
    QTest::newRow("SOFTWARE") << kLocalMachine << std::string("SOFTWARE") << kSuccess;
    QTest::newRow("software in lower case") << kLocalMachine << std::string("software") << kSuccess;
    QTest::newRow("Software mixed case") << kLocalMachine << std::string("SoftWare") << kSuccess;
    QTest::newRow("existing key, other case")
        << kLocalMachine << std::string("software\\MICROSOFT\\internet explorer") << kSuccess;
    QTest::newRow("other key beside SOFTWARE") << kLocalMachine << std::string("SYSTEM") << kFileNotFound;
    QTest::newRow("missing key in hive") << kLocalMachine << std::string("SOFTWARE\\Missing") << kFileNotFound;
    QTest::newRow("missing below existing")
        << kLocalMachine << std::string("SOFTWARE\\Microsoft\\Nothing\\Deeper") << kFileNotFound;
    QTest::newRow("doubled backslash") << kLocalMachine << std::string("SOFTWARE\\\\Microsoft") << kSuccess;
    QTest::newRow("classes root") << kClassesRoot << std::string() << kSuccess;
    QTest::newRow("current user") << kCurrentUser << std::string() << kSuccess;
    QTest::newRow("users") << kUsers << std::string() << kSuccess;
    QTest::newRow("performance data") << kPerformanceData << std::string() << kSuccess;
    QTest::newRow("current config") << kCurrentConfig << std::string() << kSuccess;
    QTest::newRow("dyn data") << kDynData << std::string() << kSuccess;
    QTest::newRow("below current user") << kCurrentUser << std::string("Software") << kFileNotFound;
    QTest::newRow("below classes root") << kClassesRoot << std::string("SOFTWARE") << kFileNotFound;
}

void TestHiveKeys::openKey_paths()
{
    QFETCH(HKEY, root);
    QFETCH(std::string, subKey);
    QFETCH(LSTATUS, expected);
    TempHive hive;
    hive.createKey(kHiveRoot + "\\Microsoft\\Internet Explorer");

    HKEY key = 0;
    QCOMPARE(hive.registry().openKey(root, subKey, kKeyRead, &key), expected);
    if (expected == kSuccess)
        QCOMPARE(hive.registry().closeKey(key), kSuccess);
}

void TestHiveKeys::openKey_emptySubKeyOpensTheKeyAgain()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\App", "Name", "first");
    Registry& registry = hive.registry();
    const HKEY app = openOrFail(registry, kLocalMachine, "SOFTWARE\\App", kKeyRead);

    const HKEY again = openOrFail(registry, app, "", kKeyRead);
    QVERIFY(again != app);
    char text[16];
    std::uint32_t size = sizeof text;
    QCOMPARE(registry.queryValue(again, "Name", nullptr, reinterpret_cast<std::uint8_t*>(text), &size), kSuccess);
    QCOMPARE(std::string(text), std::string("first"));
    QCOMPARE(registry.closeKey(app), kSuccess);
    QCOMPARE(registry.closeKey(again), kSuccess);
}

void TestHiveKeys::openKey_relativeToAnOpenKey()
{
    TempHive hive;
    hive.createKey(kHiveRoot + "\\A\\B\\C");
    Registry& registry = hive.registry();
    const HKEY machine = openOrFail(registry, kLocalMachine, "", kKeyRead);
    const HKEY b = openOrFail(registry, machine, "software\\a\\b", kKeyRead);
    HKEY c = 0;
    QCOMPARE(registry.openKey(b, "C", kKeyRead, &c), kSuccess);
    HKEY missing = 0;
    QCOMPARE(registry.openKey(b, "D", kKeyRead, &missing), kFileNotFound);
    for (HKEY key : {machine, b, c})
        QCOMPARE(registry.closeKey(key), kSuccess);
}

void TestHiveKeys::createKey_reportsWhetherNew()
{
    TempHive hive;
    Registry& registry = hive.registry();
    HKEY key = 0;
    bool created = false;
    QCOMPARE(registry.createKey(kLocalMachine, "SOFTWARE\\One\\Two\\Three", &key, &created), kSuccess);
    QVERIFY(created);
    QCOMPARE(registry.closeKey(key), kSuccess);

    QCOMPARE(registry.createKey(kLocalMachine, "SOFTWARE\\ONE\\two\\Three", &key, &created), kSuccess);
    QVERIFY(!created);
    QCOMPARE(registry.closeKey(key), kSuccess);

    QCOMPARE(registry.createKey(kLocalMachine, "SOFTWARE\\One\\Two\\Four", &key, &created), kSuccess);
    QVERIFY(created);
    QCOMPARE(registry.closeKey(key), kSuccess);
    QCOMPARE(registry.flush(), kSuccess);
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot + "\\One\\Two"), (std::vector<std::string>{"Four", "Three"}));
}

void TestHiveKeys::createKey_names_data()
{
    QTest::addColumn<HKEY>("root");
    QTest::addColumn<std::string>("subKey");
    QTest::addColumn<LSTATUS>("expected");

    const std::string longest(255, 'k');
    const std::string longestWide = std::string(254, 'k') + "\xC3\xA9"; // 255 characters, 256 bytes
    QTest::newRow("255 characters") << kLocalMachine << "SOFTWARE\\" + longest << kSuccess;
    QTest::newRow("255 characters, one of them non-ASCII") << kLocalMachine << "SOFTWARE\\" + longestWide << kSuccess;
    QTest::newRow("256 characters") << kLocalMachine << "SOFTWARE\\" + longest + "k" << kInvalidParameter;
    QTest::newRow("long name on the way") << kLocalMachine << "SOFTWARE\\" + longest + "k\\Leaf" << kInvalidParameter;
    QTest::newRow("invalid UTF-8") << kLocalMachine << "SOFTWARE\\" + kInvalidUtf8 << kInvalidParameter;
    QTest::newRow("doubled backslash") << kLocalMachine << std::string("SOFTWARE\\A\\\\B") << kSuccess;
    QTest::newRow("leading backslash") << kLocalMachine << std::string("\\SOFTWARE\\A") << kBadPathname;
    QTest::newRow("one trailing backslash") << kLocalMachine << std::string("SOFTWARE\\A\\") << kSuccess;
    QTest::newRow("hive root exists") << kLocalMachine << std::string("SOFTWARE") << kSuccess;
    QTest::newRow("local machine exists") << kLocalMachine << std::string() << kSuccess;
    QTest::newRow("beside the hive") << kLocalMachine << std::string("SYSTEM\\Select") << kAccessDenied;
    QTest::newRow("below another root") << kCurrentUser << std::string("Software") << kAccessDenied;
}

void TestHiveKeys::createKey_names()
{
    QFETCH(HKEY, root);
    QFETCH(std::string, subKey);
    QFETCH(LSTATUS, expected);
    TempHive hive;
    const std::vector<char> before = hive.fileBytes();

    HKEY key = 0;
    QCOMPARE(hive.registry().createKey(root, subKey, &key), expected);
    if (expected == kSuccess)
        QCOMPARE(hive.registry().closeKey(key), kSuccess);
    QCOMPARE(hive.registry().flush(), kSuccess);
    if (expected != kSuccess)
        QVERIFY(hive.fileBytes() == before);
}

void TestHiveKeys::createKey_foldsNonAsciiCase()
{
    TempHive hive;
    hive.createKey(kHiveRoot + "\\\xC3\x84pfel"); // Äpfel
    Registry& registry = hive.registry();
    HKEY key = 0;
    bool created = true;
    QCOMPARE(registry.createKey(kLocalMachine, "SOFTWARE\\\xC3\xA4PFEL", &key, &created), kSuccess); // äPFEL
    QVERIFY(!created);
    QCOMPARE(registry.closeKey(key), kSuccess);
    QCOMPARE(registry.openKey(kLocalMachine, "SOFTWARE\\\xC3\xA4pfel", kKeyRead, &key), kSuccess);
    QCOMPARE(registry.closeKey(key), kSuccess);
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot), (std::vector<std::string>{"\xC3\x84pfel"}));
}

void TestHiveKeys::enumKey_predefinedRoots_data()
{
    QTest::addColumn<HKEY>("root");
    QTest::addColumn<std::vector<std::string>>("names");
    QTest::newRow("local machine") << kLocalMachine << std::vector<std::string>{"SOFTWARE"};
    QTest::newRow("classes root") << kClassesRoot << std::vector<std::string>{};
    QTest::newRow("current user") << kCurrentUser << std::vector<std::string>{};
    QTest::newRow("users") << kUsers << std::vector<std::string>{};
    QTest::newRow("current config") << kCurrentConfig << std::vector<std::string>{};
}

void TestHiveKeys::enumKey_predefinedRoots()
{
    QFETCH(HKEY, root);
    QFETCH(std::vector<std::string>, names);
    TempHive hive;
    hive.createKey(kHiveRoot + "\\Vendor");
    Registry& registry = hive.registry();
    for (const HKEY key : {root, openOrFail(registry, root, "", kKeyRead)}) {
        std::vector<std::string> seen;
        LSTATUS status = kSuccess;
        for (std::uint32_t index = 0; status == kSuccess; ++index) {
            const std::string name = enumName(registry, key, index, &status);
            if (status == kSuccess)
                seen.push_back(name);
        }
        QCOMPARE(status, kNoMoreItems);
        QCOMPARE(seen, names);
        QCOMPARE(registry.closeKey(key), kSuccess);
    }
}

void TestHiveKeys::enumKey_keepsTheHiveOrder()
{
    TempHive hive;
    for (const char* name : {"delta", "Bravo", "alpha", "Charlie"})
        hive.createKey(kHiveRoot + "\\List\\" + name);
    QCOMPARE(hive.subKeysOnDisk(kHiveRoot + "\\List"),
             (std::vector<std::string>{"alpha", "Bravo", "Charlie", "delta"}));
}

void TestHiveKeys::enumKey_bufferSizes_data()
{
    QTest::addColumn<std::string>("name");
    QTest::addColumn<std::uint32_t>("capacity");
    QTest::addColumn<LSTATUS>("expected");
    const std::string longest(255, 'n');
    QTest::newRow("255 characters, 255 bytes") << longest << 255u << kMoreData;
    QTest::newRow("255 characters, 256 bytes") << longest << 256u << kSuccess;
    QTest::newRow("exact fit with terminator") << std::string("abc") << 4u << kSuccess;
    QTest::newRow("no room for terminator") << std::string("abc") << 3u << kMoreData;
    QTest::newRow("no room at all") << std::string("abc") << 0u << kMoreData;
    QTest::newRow("UTF-8 bytes counted") << std::string("\xC3\xA9t\xC3\xA9") << 5u << kMoreData; // été: 5 bytes
    QTest::newRow("UTF-8 fits") << std::string("\xC3\xA9t\xC3\xA9") << 6u << kSuccess;
}

void TestHiveKeys::enumKey_bufferSizes()
{
    QFETCH(std::string, name);
    QFETCH(std::uint32_t, capacity);
    QFETCH(LSTATUS, expected);
    TempHive hive;
    hive.createKey(kHiveRoot + "\\Parent\\" + name);
    Registry& registry = hive.registry();
    const HKEY parent = openOrFail(registry, kLocalMachine, "SOFTWARE\\Parent", kKeyRead);

    std::vector<char> buffer(capacity + 1, '#');
    std::uint32_t length = capacity;
    QCOMPARE(registry.enumKey(parent, 0, buffer.data(), &length), expected);
    if (expected == kSuccess) {
        QCOMPARE(length, static_cast<std::uint32_t>(name.size()));
        QCOMPARE(std::string(buffer.data()), name);
    }
    QCOMPARE(buffer[capacity], '#'); // never past the capacity
    QCOMPARE(registry.closeKey(parent), kSuccess);
}

void TestHiveKeys::accessRights_data()
{
    QTest::addColumn<std::uint32_t>("access");
    QTest::addColumn<LSTATUS>("query");
    QTest::addColumn<LSTATUS>("set");
    QTest::addColumn<LSTATUS>("enumerate");
    QTest::addColumn<LSTATUS>("create");

    QTest::newRow("KEY_READ") << kKeyRead << kSuccess << kAccessDenied << kSuccess << kAccessDenied;
    QTest::newRow("KEY_WRITE") << kKeyWrite << kAccessDenied << kSuccess << kAccessDenied << kSuccess;
    QTest::newRow("query only") << kKeyQueryValue << kSuccess << kAccessDenied << kAccessDenied << kAccessDenied;
    QTest::newRow("enumerate only") << kKeyEnumerateSubKeys << kAccessDenied << kAccessDenied << kSuccess
                                    << kAccessDenied;
    QTest::newRow("read and write") << (kKeyRead | kKeyWrite) << kSuccess << kSuccess << kSuccess << kSuccess;
}

void TestHiveKeys::accessRights()
{
    QFETCH(std::uint32_t, access);
    QFETCH(LSTATUS, query);
    QFETCH(LSTATUS, set);
    QFETCH(LSTATUS, enumerate);
    QFETCH(LSTATUS, create);
    TempHive hive;
    hive.putDword(kHiveRoot + "\\Key", "Count", 1);
    hive.createKey(kHiveRoot + "\\Key\\Sub");
    Registry& registry = hive.registry();
    const HKEY key = openOrFail(registry, kLocalMachine, "SOFTWARE\\Key", access);

    std::uint32_t size = 0;
    QCOMPARE(registry.queryValue(key, "Count", nullptr, nullptr, &size), query);
    const std::uint8_t two[4] = {2, 0, 0, 0};
    QCOMPARE(registry.setValue(key, "Count", kRegDword, two, 4), set);
    char name[16];
    std::uint32_t length = sizeof name;
    QCOMPARE(registry.enumKey(key, 0, name, &length), enumerate);
    HKEY child = 0;
    QCOMPARE(registry.createKey(key, "Made", &child), create);
    if (create == kSuccess)
        QCOMPARE(registry.closeKey(child), kSuccess);
    QCOMPARE(registry.closeKey(key), kSuccess);
}

void TestHiveKeys::handles_areSmallAndNeverPredefined()
{
    TempHive hive;
    Registry& registry = hive.registry();
    std::vector<HKEY> keys;
    for (int i = 0; i < 50; ++i) {
        HKEY key = 0;
        QCOMPARE(registry.openKey(kLocalMachine, "SOFTWARE", kKeyRead, &key), kSuccess);
        QVERIFY(key != 0);
        QVERIFY(!isPredefinedKey(key));
        QVERIFY(key < 0x10000);
        QVERIFY(std::find(keys.begin(), keys.end(), key) == keys.end());
        keys.push_back(key);
    }
    for (HKEY key : keys)
        QCOMPARE(registry.closeKey(key), kSuccess);
    for (HKEY root = kClassesRoot; root <= kDynData; ++root)
        QCOMPARE(registry.closeKey(root), kSuccess);
}

void TestHiveKeys::handles_closedOrUnknownAreInvalid_data()
{
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("closed handle") << true;
    QTest::newRow("handle never given") << false;
}

void TestHiveKeys::handles_closedOrUnknownAreInvalid()
{
    QFETCH(bool, closeFirst);
    TempHive hive;
    hive.putString(kHiveRoot + "\\Key", "Name", "x");
    Registry& registry = hive.registry();
    HKEY key = 4242;
    if (closeFirst) {
        key = openOrFail(registry, kLocalMachine, "SOFTWARE\\Key", kKeyRead | kKeyWrite);
        QCOMPARE(registry.closeKey(key), kSuccess);
    }
    std::uint32_t size = 0;
    QCOMPARE(registry.queryValue(key, "Name", nullptr, nullptr, &size), kInvalidHandle);
    const std::uint8_t text[] = "y";
    QCOMPARE(registry.setValue(key, "Name", kRegSz, text, 2), kInvalidHandle);
    char name[16];
    std::uint32_t length = sizeof name;
    QCOMPARE(registry.enumKey(key, 0, name, &length), kInvalidHandle);
    HKEY other = 0;
    QCOMPARE(registry.openKey(key, "", kKeyRead, &other), kInvalidHandle);
    QCOMPARE(registry.createKey(key, "Sub", &other), kInvalidHandle);
    QCOMPARE(registry.deleteKey(key, "Sub"), kInvalidHandle);
    QCOMPARE(registry.closeKey(key), kInvalidHandle);
}

void TestHiveKeys::deleteKey_data()
{
    QTest::addColumn<HKEY>("root");
    QTest::addColumn<std::string>("subKey");
    QTest::addColumn<LSTATUS>("expected");
    QTest::newRow("leaf") << kLocalMachine << std::string("SOFTWARE\\Tree\\Leaf") << kSuccess;
    QTest::newRow("leaf, other case") << kLocalMachine << std::string("software\\TREE\\leaf") << kSuccess;
    QTest::newRow("key with sub keys") << kLocalMachine << std::string("SOFTWARE\\Tree") << kAccessDenied;
    QTest::newRow("missing") << kLocalMachine << std::string("SOFTWARE\\Tree\\Nothing") << kFileNotFound;
    QTest::newRow("hive root") << kLocalMachine << std::string("SOFTWARE") << kAccessDenied;
    QTest::newRow("local machine") << kLocalMachine << std::string() << kAccessDenied;
    QTest::newRow("other root") << kCurrentUser << std::string() << kAccessDenied;
    QTest::newRow("missing beside the hive") << kLocalMachine << std::string("SYSTEM") << kFileNotFound;
    QTest::newRow("doubled backslash") << kLocalMachine << std::string("SOFTWARE\\\\Tree\\Leaf") << kSuccess;
}

void TestHiveKeys::deleteKey()
{
    QFETCH(HKEY, root);
    QFETCH(std::string, subKey);
    QFETCH(LSTATUS, expected);
    TempHive hive;
    hive.putString(kHiveRoot + "\\Tree\\Leaf", "Name", "leaf");
    const std::vector<char> before = hive.fileBytes();

    QCOMPARE(hive.registry().deleteKey(root, subKey), expected);
    QCOMPARE(hive.registry().flush(), kSuccess);
    if (expected == kSuccess) {
        QCOMPARE(hive.subKeysOnDisk(kHiveRoot + "\\Tree"), std::vector<std::string>{});
    } else {
        QVERIFY(hive.fileBytes() == before);
    }
}

void TestHiveKeys::deleteKey_openHandleSeesKeyDeleted()
{
    TempHive hive;
    hive.putString(kHiveRoot + "\\Gone", "Name", "soon");
    Registry& registry = hive.registry();
    const HKEY gone = openOrFail(registry, kLocalMachine, "SOFTWARE\\Gone", kKeyRead | kKeyWrite);
    const HKEY software = openOrFail(registry, kLocalMachine, "SOFTWARE", kKeyRead);
    QCOMPARE(registry.deleteKey(software, "Gone"), kSuccess);

    std::uint32_t size = 0;
    QCOMPARE(registry.queryValue(gone, "Name", nullptr, nullptr, &size), kKeyDeleted);
    const std::uint8_t text[] = "again";
    QCOMPARE(registry.setValue(gone, "Name", kRegSz, text, sizeof text), kKeyDeleted);
    QCOMPARE(registry.closeKey(gone), kSuccess);
    // The parent's handle is unaffected.
    char name[16];
    std::uint32_t length = sizeof name;
    QCOMPARE(registry.enumKey(software, 0, name, &length), kNoMoreItems);
    QCOMPARE(registry.closeKey(software), kSuccess);
}

void TestHiveKeys::createKey_manyInOneSave_growTheHiveByTheirOwnSize_data()
{
    QTest::addColumn<int>("existing"); // keys under the parent before, saved
    QTest::addColumn<int>("added");    // keys added in one save
    QTest::addColumn<int>("values");   // values per added key
    QTest::newRow("one list leaf") << 0 << 400 << 0;
    QTest::newRow("an index over leaves") << 0 << 2000 << 0;
    QTest::newRow("with values") << 0 << 2000 << 3;
    QTest::newRow("beside keys saved before") << 1000 << 1000 << 1;
}

void TestHiveKeys::createKey_manyInOneSave_growTheHiveByTheirOwnSize()
{
    QFETCH(int, existing);
    QFETCH(int, added);
    QFETCH(int, values);
    TempHive hive;
    Registry& registry = hive.registry();
    const std::string text = "C:\\Program Files\\Tool\\tool.exe";
    std::vector<std::uint8_t> data(2 * text.size() + 2, 0);
    const auto createAll = [&](int first, int count, int valuesEach) {
        for (int i = first; i < first + count; ++i) {
            char name[40];
            std::snprintf(name, sizeof name, "{%08X-0000-4000-8000-%012X}", 0x9E3779B1u * unsigned(i), unsigned(i));
            HKEY key = 0;
            QCOMPARE(registry.createKey(kLocalMachine, std::string("SOFTWARE\\Parent\\") + name, &key), kSuccess);
            for (int v = 0; v < valuesEach; ++v)
                QCOMPARE(registry.setValue(key, "Value" + std::to_string(v), kRegBinary, data.data(),
                                           static_cast<std::uint32_t>(data.size())),
                         kSuccess);
            registry.closeKey(key);
        }
        QCOMPARE(registry.flush(), kSuccess);
    };
    createAll(0, existing, 0);
    const auto before = std::filesystem::file_size(hive.path());
    createAll(existing, added, values);
    const auto grown = std::filesystem::file_size(hive.path()) - before;

    const std::size_t compact = static_cast<std::size_t>(added) * compactKeySize("{00000000-0000-4000-8000-000000000000}",
                                                                              "Value0", data.size(), values);
    QVERIFY2(grown <= 2 * compact, (std::to_string(grown) + " bytes for " + std::to_string(compact)).c_str());
    const auto listed = hive.subKeysOnDisk(kHiveRoot + "\\Parent");
    QVERIFY(listed.has_value());
    QCOMPARE(listed->size(), std::size_t(existing + added));
    QVERIFY(std::is_sorted(listed->begin(), listed->end()));
}

QTEST_GUILESS_MAIN(TestHiveKeys)
#include "test_hive_keys.moc"
