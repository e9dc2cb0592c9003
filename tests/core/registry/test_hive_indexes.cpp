// The lookups the backend keeps in memory stay true to the file: the sub
// key index updated in place by creates and deletes, values found without
// an index, and a user action that checks the file for a newer version
// once instead of at every key opened.
#include "core/registry/registry_names.h"
#include "support/temp_hive.h"

#include <QTest>

#include <string>
#include <vector>

using namespace platform;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kParent = "SOFTWARE\\Parent";

std::vector<std::string> listed(Registry& registry, const std::string& subKey)
{
    HKEY key = 0;
    if (registry.openKey(kLocalMachine, subKey, kKeyRead, &key) != kSuccess)
        return {"(cannot open)"};
    std::vector<std::string> names;
    char name[300];
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t length = sizeof name;
        if (registry.enumKey(key, index, name, &length) != kSuccess)
            break;
        names.emplace_back(name, length);
    }
    registry.closeKey(key);
    return names;
}

bool opens(Registry& registry, const std::string& subKey)
{
    HKEY key = 0;
    const bool opened = registry.openKey(kLocalMachine, subKey, kKeyRead, &key) == kSuccess;
    if (opened)
        registry.closeKey(key);
    return opened;
}

std::string readName(Registry& registry, const std::string& subKey)
{
    HKEY key = 0;
    if (registry.openKey(kLocalMachine, subKey, kKeyRead, &key) != kSuccess)
        return "(cannot open)";
    char text[64];
    std::uint32_t size = sizeof text;
    const LSTATUS status = registry.queryValue(key, "Name", nullptr, reinterpret_cast<std::uint8_t*>(text), &size);
    registry.closeKey(key);
    return status == kSuccess ? std::string(text) : "(no value)";
}

LSTATUS writeName(Registry& registry, const std::string& subKey, const std::string& text)
{
    HKEY key = 0;
    LSTATUS status = registry.createKey(kLocalMachine, subKey, &key);
    if (status == kSuccess) {
        status = registry.setValue(key, "Name", kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                   static_cast<std::uint32_t>(text.size() + 1));
        registry.closeKey(key);
    }
    return status == kSuccess ? registry.flush() : status;
}

} // namespace

class TestHiveIndexes : public QObject {
    Q_OBJECT

private slots:
    void childIndex_followsCreatesAndDeletes_data();
    void childIndex_followsCreatesAndDeletes();
    void parentLookup_followsTheParentBeingReplaced_data();
    void parentLookup_followsTheParentBeingReplaced();
    void values_foundByAnyCase_data();
    void values_foundByAnyCase();
    void sameName_agreesWithFoldedName_data();
    void sameName_agreesWithFoldedName();
    void action_checksForANewerFileOnce_data();
    void action_checksForANewerFileOnce();
};

// Each step is "+name" (create), "-name" (delete) or "=" (enumerate, which
// places what was added). After every step the in-memory view must agree
// with a fresh load of what was flushed.
void TestHiveIndexes::childIndex_followsCreatesAndDeletes_data()
{
    QTest::addColumn<std::vector<std::string>>("steps");
    std::vector<std::string> many;
    for (int i = 0; i < 60; ++i)
        many.push_back("+Key" + std::to_string((i * 37) % 60));
    for (int i = 0; i < 60; i += 3)
        many.push_back("-KEY" + std::to_string((i * 11) % 60));
    many.push_back("=");
    for (int i = 0; i < 60; i += 6)
        many.push_back("+key" + std::to_string((i * 11) % 60));
    QTest::newRow("creates without enumerating") << std::vector<std::string>{"+b", "+a", "+c"};
    QTest::newRow("create after enumerating") << std::vector<std::string>{"+b", "=", "+a", "=", "+c"};
    QTest::newRow("delete a child not yet placed") << std::vector<std::string>{"+b", "=", "+a", "-a", "=", "+A"};
    QTest::newRow("delete then create in other case") << std::vector<std::string>{"+Mixed", "=", "-MIXED", "+mixed"};
    QTest::newRow("delete every child") << std::vector<std::string>{"+x", "+y", "=", "-y", "-x", "=", "+y"};
    QTest::newRow("many creates and deletes") << many;
}

void TestHiveIndexes::childIndex_followsCreatesAndDeletes()
{
    QFETCH(std::vector<std::string>, steps);
    TempHive hive;
    Registry& registry = hive.registry();
    QCOMPARE(writeName(registry, kParent, "parent"), kSuccess);
    listed(registry, kParent); // the index exists before the first change
    std::vector<std::string> names;
    for (const std::string& step : steps) {
        const std::string name = step.substr(1);
        const std::string subKey = kParent + "\\" + name;
        if (step[0] == '+') {
            QCOMPARE(writeName(registry, subKey, name), kSuccess);
        } else if (step[0] == '-') {
            QCOMPARE(registry.deleteKey(kLocalMachine, subKey), kSuccess);
            QCOMPARE(registry.flush(), kSuccess);
        } else {
            listed(registry, kParent);
        }
        if (!name.empty())
            names.push_back(name);
        auto fresh = hive.openAgain();
        for (const std::string& known : names)
            QCOMPARE(opens(registry, kParent + "\\" + known), opens(*fresh, kParent + "\\" + known));
        QCOMPARE(listed(registry, kParent), listed(*fresh, kParent));
    }
}

// Keys under one parent are found through the parent last found: once the
// parent is deleted and made anew, here or by another process, the lookup
// must reach the new one.
void TestHiveIndexes::parentLookup_followsTheParentBeingReplaced_data()
{
    QTest::addColumn<bool>("byAnotherProcess");
    QTest::newRow("here") << false;
    QTest::newRow("by another process") << true;
}

void TestHiveIndexes::parentLookup_followsTheParentBeingReplaced()
{
    QFETCH(bool, byAnotherProcess);
    TempHive hive;
    Registry& registry = hive.registry();
    const std::string child = kParent + "\\Child";
    QCOMPARE(writeName(registry, child, "old"), kSuccess);
    QCOMPARE(readName(registry, child), std::string("old"));
    const auto other = hive.openAgain();
    Registry& replacing = byAnotherProcess ? *other : registry;
    QCOMPARE(replacing.deleteKey(kLocalMachine, child), kSuccess);
    QCOMPARE(replacing.deleteKey(kLocalMachine, kParent), kSuccess);
    QCOMPARE(replacing.flush(), kSuccess);
    QCOMPARE(readName(registry, child), std::string("(cannot open)"));
    QCOMPARE(writeName(replacing, kParent + "\\Filler", "filler"), kSuccess);
    QCOMPARE(writeName(replacing, child, "new"), kSuccess);
    QCOMPARE(readName(registry, child), std::string("new"));
}

void TestHiveIndexes::values_foundByAnyCase_data()
{
    QTest::addColumn<std::string>("asked");
    QTest::addColumn<std::string>("expected");
    QTest::newRow("as stored") << std::string("ButtonText") << std::string("text");
    QTest::newRow("other ASCII case") << std::string("BUTTONTEXT") << std::string("text");
    QTest::newRow("first of two similar") << std::string("ButtonTex") << std::string("(no value)");
    QTest::newRow("non-ASCII in other case") << std::string("\xC3\x84pfel") << std::string("apple");
    QTest::newRow("missing") << std::string("Absent") << std::string("(no value)");
}

void TestHiveIndexes::values_foundByAnyCase()
{
    QFETCH(std::string, asked);
    QFETCH(std::string, expected);
    TempHive hive;
    hive.putString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Key", "ButtonText", "text");
    hive.putString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Key", "ButtonTexts", "texts");
    hive.putString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Key", "\xC3\xA4pfel", "apple");
    const auto reopened = hive.openAgain();
    Registry& registry = *reopened;
    HKEY key = 0;
    QCOMPARE(registry.openKey(kLocalMachine, "SOFTWARE\\Key", kKeyRead, &key), kSuccess);
    char text[64];
    std::uint32_t size = sizeof text;
    const LSTATUS status = registry.queryValue(key, asked, nullptr, reinterpret_cast<std::uint8_t*>(text), &size);
    QCOMPARE(status == kSuccess ? std::string(text) : std::string("(no value)"), expected);
    QCOMPARE(registry.closeKey(key), kSuccess);
}

void TestHiveIndexes::sameName_agreesWithFoldedName_data()
{
    QTest::addColumn<std::string>("a");
    QTest::addColumn<std::string>("b");
    QTest::newRow("equal") << std::string("Exec") << std::string("Exec");
    QTest::newRow("ASCII case") << std::string("exec") << std::string("EXEC");
    QTest::newRow("differ") << std::string("Exec") << std::string("Exed");
    QTest::newRow("lengths") << std::string("Exec") << std::string("Exe");
    QTest::newRow("not letters") << std::string("a@[") << std::string("A`{");
    QTest::newRow("non-ASCII case") << std::string("\xC3\xA4x") << std::string("\xC3\x84X");
    QTest::newRow("invalid UTF-8") << std::string("ab\xC3") << std::string("AB\xC3");
    QTest::newRow("empty") << std::string() << std::string();
}

void TestHiveIndexes::sameName_agreesWithFoldedName()
{
    QFETCH(std::string, a);
    QFETCH(std::string, b);
    QCOMPARE(sameName(a, b), foldedName(a) == foldedName(b));
    QCOMPARE(sameName(b, a), foldedName(a) == foldedName(b));
    // Names that match must meet in a table hashed by name.
    if (sameName(a, b))
        QCOMPARE(NameHash()(a), NameHash()(b));
}

// Another process saves between two keys opened from a predefined root.
void TestHiveIndexes::action_checksForANewerFileOnce_data()
{
    QTest::addColumn<bool>("inAction");
    QTest::addColumn<std::string>("seenInside");
    QTest::newRow("outside an action: every opening checks") << false << std::string("theirs");
    QTest::newRow("inside one action: the first opening checks") << true << std::string("ours");
}

void TestHiveIndexes::action_checksForANewerFileOnce()
{
    QFETCH(bool, inAction);
    QFETCH(std::string, seenInside);
    TempHive hive;
    Registry& registry = hive.registry();
    QCOMPARE(writeName(registry, "SOFTWARE\\Shared", "ours"), kSuccess);
    if (inAction)
        registry.beginAction();
    QCOMPARE(readName(registry, "SOFTWARE\\Shared"), std::string("ours"));
    QCOMPARE(writeName(*hive.openAgain(), "SOFTWARE\\Shared", "theirs"), kSuccess);
    QCOMPARE(readName(registry, "SOFTWARE\\Shared"), seenInside);
    if (inAction)
        registry.endAction();
    // The next action sees the other process's save.
    const RegistryAction next(registry);
    QCOMPARE(readName(registry, "SOFTWARE\\Shared"), std::string("theirs"));
    // A change of its own reloads first, so nothing of theirs is lost.
    QCOMPARE(writeName(*hive.openAgain(), "SOFTWARE\\Other", "theirs too"), kSuccess);
    QCOMPARE(writeName(registry, "SOFTWARE\\Mine", "mine"), kSuccess);
    QCOMPARE(readName(*hive.openAgain(), "SOFTWARE\\Other"), std::string("theirs too"));
    QCOMPARE(readName(*hive.openAgain(), "SOFTWARE\\Mine"), std::string("mine"));
}

QTEST_GUILESS_MAIN(TestHiveIndexes)
#include "test_hive_indexes.moc"
