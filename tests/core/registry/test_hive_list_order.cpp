// The sub key lists in a saved hive are in Windows' order, which Windows
// relies on when it looks a key up by halving the list: libhivex places a
// new key by a comparison of its own that differs beyond ASCII.
#include "core/hive_format/hive_new_keys.h"
#include "core/registry/registry_names.h"
#include "support/temp_hive.h"

#include <hivex.h>

#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace platform;

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

const std::string kParent = "SOFTWARE\\Order";

// The parent's sub key names in the order the file lists them.
std::vector<std::string> storedOrder(const std::string& file)
{
    std::vector<std::string> names;
    hive_h* hive = hivex_open(file.c_str(), 0);
    if (hive == nullptr)
        return {"(cannot open)"};
    const hive_node_h parent = hivex_node_get_child(hive, hivex_root(hive), "Order");
    hive_node_h* children = parent != 0 ? hivex_node_children(hive, parent) : nullptr;
    for (std::size_t i = 0; children != nullptr && children[i] != 0; ++i) {
        char* name = hivex_node_name(hive, children[i]);
        names.emplace_back(name != nullptr ? name : "(unreadable)");
        std::free(name);
    }
    std::free(children);
    hivex_close(hive);
    return names;
}

// Cells laid out by hand after an empty base block, in the one shape
// libhivex never writes itself: an ri index over several leaves, as Windows
// writes large lists. Offsets count from the first bin, as the hive's do.
struct HandMadeHive {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(0x1000, 0);

    std::uint32_t sizeAt(std::uint32_t at) const
    {
        const std::uint8_t* p = bytes.data() + 0x1000 + at;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }

    std::uint32_t get(std::uint32_t at, std::size_t field) const
    {
        const std::uint8_t* p = bytes.data() + 0x1000 + at + 4 + field;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    void put(std::uint32_t at, std::size_t field, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes[0x1000 + at + 4 + field + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint32_t cell(const std::string& signature, std::size_t length)
    {
        const auto at = static_cast<std::uint32_t>(bytes.size() - 0x1000);
        const std::size_t size = (length + 4 + 7) / 8 * 8;
        bytes.resize(bytes.size() + size, 0);
        const auto used = static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)); // negative: in use
        for (int i = 0; i < 4; ++i)
            bytes[0x1000 + at + i] = static_cast<std::uint8_t>(used >> (8 * i));
        std::copy(signature.begin(), signature.end(), bytes.begin() + 0x1000 + at + 4);
        return at;
    }
    // A key record with a one-character name, as far as ordering reads it.
    std::uint32_t key(char name)
    {
        const std::uint32_t at = cell("nk", 0x4D);
        put(at, 0x00, 0x00200000 | ('k' << 8) | 'n'); // one byte per character
        put(at, 0x48, 1);
        bytes[0x1000 + at + 4 + 0x4C] = static_cast<std::uint8_t>(name);
        return at;
    }
    // A list of these cells; lf and lh entries carry their index as hint.
    std::uint32_t list(const std::string& kind, const std::vector<std::uint32_t>& cells)
    {
        const std::size_t entry = kind[1] == 'i' ? 4 : 8;
        const std::uint32_t at = cell(kind, 4 + entry * cells.size());
        bytes[0x1000 + at + 4 + 2] = static_cast<std::uint8_t>(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i) {
            put(at, 4 + entry * i, cells[i]);
            if (entry == 8)
                put(at, 8 + entry * i, static_cast<std::uint32_t>(i));
        }
        return at;
    }
    // A list's entries by name, through the leaves of an ri.
    std::string entries(std::uint32_t list) const
    {
        const std::uint8_t* content = bytes.data() + 0x1000 + list + 4;
        const std::size_t entry = content[1] == 'i' ? 4 : 8;
        std::string out;
        for (std::size_t i = 0; i < std::size_t{content[2]} + 256 * content[3]; ++i) {
            const std::uint32_t target = get(list, 4 + entry * i);
            out += content[0] == 'r' ? entries(target)
                                     : std::string(1, static_cast<char>(bytes[0x1000 + target + 4 + 0x4C]));
        }
        return out;
    }
};

} // namespace

class TestHiveListOrder : public QObject {
    Q_OBJECT

private slots:
    void savedList_isInWindowsOrder_data();
    void savedList_isInWindowsOrder();
    void indexOverLeaves_takesNewKeysInOrder_data();
    void indexOverLeaves_takesNewKeysInOrder();
};

void TestHiveListOrder::savedList_isInWindowsOrder_data()
{
    // Names created in this order; "|" saves in between.
    QTest::addColumn<std::vector<std::string>>("names");

    QTest::newRow("ASCII, punctuation between the cases")
        << std::vector<std::string>{"A_B", "AAB", "a[", "Ab", "_x", "Z"};
    QTest::newRow("accented letters in both cases")
        << std::vector<std::string>{"\xC3\xA9", "\xC3\x8A", "e", "Z"}; // é Ê
    QTest::newRow("letters that do not fold")
        << std::vector<std::string>{"\xC4\xB1", "\xC3\xBF", "J", "\xC5\xB8x"}; // ı ÿ Ÿx
    QTest::newRow("beyond the Basic Multilingual Plane")
        << std::vector<std::string>{"\xF0\x9D\x90\x80", "\xEF\xBD\x9A", "z"}; // 𝐀 ｚ
    QTest::newRow("added over several saves")
        << std::vector<std::string>{"\xC3\xA9", "|", "\xC3\x8A", "|", "\xC4\xB1", "\xC3\xBF", "|", "a"};
}

void TestHiveListOrder::savedList_isInWindowsOrder()
{
    QFETCH(std::vector<std::string>, names);
    TempHive hive;
    Registry& registry = hive.registry();
    std::vector<std::string> created;
    for (const std::string& name : names) {
        if (name == "|") {
            QCOMPARE(registry.flush(), kSuccess);
            continue;
        }
        HKEY key = 0;
        QCOMPARE(registry.createKey(kLocalMachine, kParent + "\\" + name, &key), kSuccess);
        registry.closeKey(key);
        created.push_back(name);
    }
    QCOMPARE(registry.flush(), kSuccess);

    std::sort(created.begin(), created.end(),
              [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });
    QCOMPARE(storedOrder(hive.path()), created);
}

void TestHiveListOrder::indexOverLeaves_takesNewKeysInOrder_data()
{
    QTest::addColumn<QString>("leafKind");
    QTest::newRow("lf leaves") << "lf";
    QTest::newRow("lh leaves") << "lh";
    QTest::newRow("li leaves") << "li";
}

void TestHiveListOrder::indexOverLeaves_takesNewKeysInOrder()
{
    QFETCH(QString, leafKind);
    const std::string kind = leafKind.toStdString();
    HandMadeHive made;
    const std::uint32_t security = made.cell("sk", 0x14);
    const std::uint32_t firstLeaf = made.list(kind, {made.key('b'), made.key('d')});
    const std::uint32_t secondLeaf = made.list(kind, {made.key('f'), made.key('h')});
    const std::uint32_t index = made.list("ri", {firstLeaf, secondLeaf});
    const std::uint32_t parent = made.key('p');
    made.put(parent, 0x14, 4);
    made.put(parent, 0x1C, index);
    made.put(parent, 0x2C, security);
    made.bytes.resize((made.bytes.size() + 0xFFF) / 0x1000 * 0x1000, 0);
    const auto binsSize = static_cast<std::uint32_t>(made.bytes.size() - 0x1000);
    for (int i = 0; i < 4; ++i)
        made.bytes[0x28 + i] = static_cast<std::uint8_t>(binsSize >> (8 * i));
    QTemporaryDir folder;
    const std::string path = folder.filePath("hand-made").toStdString();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(made.bytes.data()), static_cast<std::streamsize>(made.bytes.size()));

    std::vector<NewKey> added;
    for (const char* name : {"g", "a", "e", "c", "i"})
        added.push_back({added.size() + 1, 0x1000 + std::size_t{parent}, name, {}});
    QVERIFY(appendNewKeys(path, added));
    std::ifstream written(path, std::ios::binary);
    made.bytes.assign(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>());
    QCOMPARE(made.get(parent, 0x14), 9u);
    QCOMPARE(QString::fromStdString(made.entries(made.get(parent, 0x1C))), QString("abcdefghi"));
    QCOMPARE(made.get(security, 0x0C), 5u); // uses of the security cell
    // The replaced list's cells are free.
    for (const std::uint32_t old : {index, firstLeaf, secondLeaf})
        QVERIFY(static_cast<std::int32_t>(made.sizeAt(old)) > 0);
}

QTEST_GUILESS_MAIN(TestHiveListOrder)
#include "test_hive_list_order.moc"
