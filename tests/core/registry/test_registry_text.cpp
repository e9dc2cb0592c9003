// UTF-8 / UTF-16LE conversion, name rules and key path splitting.
#include "core/registry/registry_names.h"
#include "core/text/utf16_text.h"

#include <QTest>

#include <string>
#include <vector>

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

class TestRegistryText : public QObject {
    Q_OBJECT

private slots:
    void utf8ToUtf16le_data();
    void utf8ToUtf16le();
    void invalidUtf8_data();
    void invalidUtf8();
    void utf16leToUtf8_repairsWhatItCannotRead_data();
    void utf16leToUtf8_repairsWhatItCannotRead();
    void keyNames_data();
    void keyNames();
    void foldedName_data();
    void foldedName();
    void splitKeyPath_data();
    void splitKeyPath();
};

void TestRegistryText::utf8ToUtf16le_data()
{
    QTest::addColumn<std::string>("utf8");
    QTest::addColumn<Bytes>("utf16");
    QTest::newRow("empty") << std::string() << Bytes{};
    QTest::newRow("ASCII with terminator") << std::string("ab\0", 3) << Bytes{'a', 0, 'b', 0, 0, 0};
    QTest::newRow("two bytes") << std::string("\xC3\xA9") << Bytes{0xE9, 0x00};
    QTest::newRow("three bytes") << std::string("\xE2\x82\xAC") << Bytes{0xAC, 0x20};
    QTest::newRow("surrogate pair") << std::string("\xF0\x9F\x98\x80") << Bytes{0x3D, 0xD8, 0x00, 0xDE};
    QTest::newRow("highest code point") << std::string("\xF4\x8F\xBF\xBF") << Bytes{0xFF, 0xDB, 0xFF, 0xDF};
    QTest::newRow("inner zeros") << std::string("a\0\0b", 4) << Bytes{'a', 0, 0, 0, 0, 0, 'b', 0};
}

void TestRegistryText::utf8ToUtf16le()
{
    QFETCH(std::string, utf8);
    QFETCH(Bytes, utf16);
    const auto converted = platform::utf8ToUtf16le(utf8);
    QVERIFY(converted.has_value());
    QCOMPARE(*converted, utf16);
    QCOMPARE(utf16leToUtf8(utf16.data(), utf16.size()), utf8);
}

void TestRegistryText::invalidUtf8_data()
{
    QTest::addColumn<std::string>("text");
    QTest::newRow("lone continuation") << std::string("\x80");
    QTest::newRow("truncated sequence") << std::string("ab\xE2\x82");
    QTest::newRow("overlong slash") << std::string("\xC0\xAF");
    QTest::newRow("overlong three bytes") << std::string("\xE0\x80\xAF");
    QTest::newRow("encoded surrogate") << std::string("\xED\xA0\x80");
    QTest::newRow("above U+10FFFF") << std::string("\xF4\x90\x80\x80");
    QTest::newRow("five-byte lead") << std::string("\xF8\x88\x80\x80\x80");
    QTest::newRow("Latin-1 byte") << std::string("caf\xE9");
}

void TestRegistryText::invalidUtf8()
{
    QFETCH(std::string, text);
    QVERIFY(!decodeUtf8(text).has_value());
    QVERIFY(!platform::utf8ToUtf16le(text).has_value());
}

void TestRegistryText::utf16leToUtf8_repairsWhatItCannotRead_data()
{
    QTest::addColumn<Bytes>("utf16");
    QTest::addColumn<std::string>("utf8");
    QTest::newRow("lone high surrogate") << Bytes{0x3D, 0xD8, 'a', 0}
                                         << std::string("\xEF\xBF\xBD"
                                                        "a");
    QTest::newRow("lone low surrogate") << Bytes{0x00, 0xDE} << std::string("\xEF\xBF\xBD");
    QTest::newRow("odd last byte") << Bytes{'a', 0, 'b'} << std::string("a");
}

void TestRegistryText::utf16leToUtf8_repairsWhatItCannotRead()
{
    QFETCH(Bytes, utf16);
    QFETCH(std::string, utf8);
    QCOMPARE(utf16leToUtf8(utf16.data(), utf16.size()), utf8);
}

void TestRegistryText::keyNames_data()
{
    QTest::addColumn<std::string>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << std::string("Extensions") << true;
    QTest::newRow("braced identifier") << std::string("{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}") << true;
    QTest::newRow("empty") << std::string() << false;
    QTest::newRow("255 characters") << std::string(255, 'x') << true;
    QTest::newRow("256 characters") << std::string(256, 'x') << false;
    QTest::newRow("255 characters in 510 bytes") << [] {
        std::string s;
        for (int i = 0; i < 255; ++i)
            s += "\xC3\xA9";
        return s;
    }() << true;
    QTest::newRow("254 + one outside the BMP (256 UTF-16 units)")
        << std::string(254, 'x') + "\xF0\x9F\x98\x80" << false;
    QTest::newRow("backslash") << std::string("a\\b") << false;
    QTest::newRow("zero byte") << std::string("a\0b", 3) << false;
    QTest::newRow("invalid UTF-8") << std::string("a\xFF") << false;
}

void TestRegistryText::keyNames()
{
    QFETCH(std::string, name);
    QFETCH(bool, valid);
    QCOMPARE(isValidKeyName(name), valid);
}

void TestRegistryText::foldedName_data()
{
    QTest::addColumn<std::string>("left");
    QTest::addColumn<std::string>("right");
    QTest::addColumn<bool>("same");
    QTest::newRow("ASCII case") << std::string("Software") << std::string("SOFTWARE") << true;
    QTest::newRow("Latin-1 case") << std::string("\xC3\xA4pfel") << std::string("\xC3\x84PFEL") << true;
    QTest::newRow("Greek case") << std::string("\xCE\xB1\xCE\xB2") << std::string("\xCE\x91\xCE\x92") << true;
    QTest::newRow("different letters") << std::string("abc") << std::string("abd") << false;
    QTest::newRow("accent matters") << std::string("e") << std::string("\xC3\xA9") << false;
}

void TestRegistryText::foldedName()
{
    QFETCH(std::string, left);
    QFETCH(std::string, right);
    QFETCH(bool, same);
    QCOMPARE(platform::foldedName(left) == platform::foldedName(right), same);
}

void TestRegistryText::splitKeyPath_data()
{
    QTest::addColumn<std::string>("path");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<std::vector<std::string>>("parts");
    QTest::newRow("empty") << std::string() << true << std::vector<std::string>{};
    QTest::newRow("one") << std::string("SOFTWARE") << true << std::vector<std::string>{"SOFTWARE"};
    QTest::newRow("three") << std::string("a\\b c\\d") << true << std::vector<std::string>{"a", "b c", "d"};
    QTest::newRow("backslashes doubled inside and at the end")
        << std::string("a\\\\b\\\\") << true << std::vector<std::string>{"a", "b"};
    QTest::newRow("leading backslash") << std::string("\\a") << false << std::vector<std::string>{};
    QTest::newRow("one trailing backslash") << std::string("a\\") << true << std::vector<std::string>{"a"};
    QTest::newRow("only a backslash") << std::string("\\") << false << std::vector<std::string>{};
}

void TestRegistryText::splitKeyPath()
{
    QFETCH(std::string, path);
    QFETCH(bool, valid);
    QFETCH(std::vector<std::string>, parts);
    std::vector<std::string> got;
    QCOMPARE(platform::splitKeyPath(path, &got), valid);
    if (valid)
        QCOMPARE(got, parts);
}

QTEST_GUILESS_MAIN(TestRegistryText)
#include "test_registry_text.moc"
