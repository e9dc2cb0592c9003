// .reg files: what the parser makes of each form of line and encoding,
// where it stops, and that what the writer writes parses back the same.
#include "core/services/reg_file.h"
#include "support/reg_text.h"

#include <QTest>

using services::RegValue;
using services::RegValueLine;

Q_DECLARE_METATYPE(RegValue)

namespace {

// One line per key and value: "3 [path]", "4 name=sz:text", "5 name=-",
// "6 name=hex(2):41,00" (strings as the registry interface carries them,
// "\0" for a zero character).
QString summary(const std::vector<services::RegKeySection>& sections)
{
    QStringList lines;
    for (const auto& section : sections) {
        lines << QStringLiteral("%1 [%2%3]").arg(section.line).arg(section.deleteKey ? "-" : "").arg(QString::fromStdString(section.path));
        for (const RegValueLine& line : section.values) {
            const RegValue& value = line.value;
            QString data;
            if (line.remove) {
                data = "-";
            } else if (value.type == 1 || value.type == 2 || value.type == 7) {
                data = QStringLiteral("%1:").arg(value.type == 1 ? "sz" : value.type == 2 ? "expand" : "multi") +
                       QString::fromUtf8(reinterpret_cast<const char*>(value.data.data()), qsizetype(value.data.size()))
                           .replace(QChar(0), QStringLiteral("\\0"));
            } else {
                QStringList bytes;
                for (const auto byte : value.data)
                    bytes << QStringLiteral("%1").arg(byte, 2, 16, QChar(u'0'));
                data = QStringLiteral("hex(%1):").arg(value.type) + bytes.join(u',');
            }
            lines << QStringLiteral("%1 %2=%3").arg(line.line).arg(QString::fromStdString(value.name), data);
        }
    }
    return lines.join(u'\n');
}

const QString kV5 = QStringLiteral("Windows Registry Editor Version 5.00\n\n");

} // namespace

class TestRegFile : public QObject {
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<RegStorage>("storage");
        QTest::addColumn<QString>("expected"); // the summary, or "!line reason"

        QTest::newRow("string with its terminator") << kV5 + "[K]\n\"a\"=\"x\"\n" << RegStorage::Utf16 << "3 [K]\n4 a=sz:x\\0";
        QTest::newRow("empty string") << kV5 + "[K]\n\"a\"=\"\"\n" << RegStorage::Utf16 << "3 [K]\n4 a=sz:\\0";
        QTest::newRow("continued hex(2) value") << kV5 + "[K]\n\"a\"=hex(2):41,00,\\\n  42,00,\\\n  00,00\n\"b\"=\"x\"\n"
                                                << RegStorage::Utf16 << "3 [K]\n4 a=expand:AB\\0\n7 b=sz:x\\0";
        QTest::newRow("hex(1), hex(7), hex(0), hex(b), hex:") << kV5 + "[K]\n\"s\"=hex(1):e9,00,00,00\n\"m\"=hex(7):61,00,00,00,00,00\n"
                                                                       "\"n\"=hex(0):\n\"q\"=hex(b):01,02,03,04,05,06,07,08\n\"b\"=HEX:00,FF,\n"
                                                              << RegStorage::Utf16
                                                              << "3 [K]\n4 s=sz:é\\0\n5 m=multi:a\\0\\0\n6 n=hex(0):\n"
                                                                 "7 q=hex(11):01,02,03,04,05,06,07,08\n8 b=hex(3):00,ff";
        QTest::newRow("dword and default value") << kV5 + "[K]\n\"d\"=dword:0000001f\n@=\"v\"\n\"e\"=dword:1\n" << RegStorage::Utf16
                                                 << "3 [K]\n4 d=hex(4):1f,00,00,00\n5 =sz:v\\0\n6 e=hex(4):01,00,00,00";
        QTest::newRow("escapes, Wine's line breaks too") << kV5 + "[K]\n\"n\\\"q\"=\"C:\\\\d\\\"x\\\" a\\nb\\rc\"\n" << RegStorage::Utf16
                                                         << "3 [K]\n4 n\"q=sz:C:\\d\"x\" a\nb\rc\\0";
        QTest::newRow("comments and blank lines") << kV5 + "; made by hand\n\n[K]\n  ; inside\n\n\"a\"=\"1\"\n\n"
                                                  << RegStorage::Utf16 << "5 [K]\n8 a=sz:1\\0";
        QTest::newRow("key deletion, value deletion") << kV5 + "[-K]\n[L]\n\"x\"=-\n@=-\n" << RegStorage::Utf16
                                                      << "3 [-K]\n4 [L]\n5 x=-\n6 =-";
        QTest::newRow("spaces around =") << kV5 + "[K]\n\"a\" = \"b\"\n" << RegStorage::Utf16 << "3 [K]\n4 a=sz:b\\0";
        QTest::newRow("UTF-16, non-ASCII, beyond the BMP") << kV5 + "[K\\Grüße]\n\"€\"=\"日本語 😀\"\n" << RegStorage::Utf16
                                                           << "3 [K\\Grüße]\n4 €=sz:日本語 😀\\0";
        QTest::newRow("UTF-8 with mark") << kV5 + "[K]\n\"a\"=\"ü\"\n" << RegStorage::Utf8WithMark << "3 [K]\n4 a=sz:ü\\0";
        QTest::newRow("5.00 without mark is ANSI") << kV5 + "[K]\n\"a\"=\"ü€\"\n\"x\"=hex(2):41,00\n\"s\"=hex(1):41,00\n"
                                                   << RegStorage::Ansi << "3 [K]\n4 a=sz:ü€\\0\n5 x=expand:A\\0\n6 s=sz:A";
        QTest::newRow("REGEDIT4 in code page 1252") << "REGEDIT4\n\n[K]\n\"a\"=\"ü€\"\n" << RegStorage::Ansi << "3 [K]\n4 a=sz:ü€\\0";
        QTest::newRow("LF line ends") << kV5 + "[K]\n\"a\"=\"1\"\n" << RegStorage::Utf16Lf << "3 [K]\n4 a=sz:1\\0";

        QTest::newRow("no header") << "[K]\n\"a\"=\"1\"\n" << RegStorage::Utf16 << "!1 does not start with";
        QTest::newRow("value before any key") << kV5 + "\"a\"=\"1\"\n" << RegStorage::Utf16 << "!3 must follow the key";
        QTest::newRow("value of a deleted key") << kV5 + "[-K]\n\"a\"=\"1\"\n" << RegStorage::Utf16 << "!4 deleted cannot have values";
        QTest::newRow("string without closing quote") << kV5 + "[K]\n\"a\"=\"1\n\"b\"=\"2\"\n" << RegStorage::Utf16 << "!4 no closing quote";
        QTest::newRow("unknown escape") << kV5 + "[K]\n\"a\"=\"\\q\"\n" << RegStorage::Utf16 << "!4 backslash in quotes";
        QTest::newRow("text after the string") << kV5 + "[K]\n\"a\"=\"1\" 2\n" << RegStorage::Utf16 << "!4 Nothing may follow";
        QTest::newRow("name without =") << kV5 + "[K]\n\"a\" \"1\"\n" << RegStorage::Utf16 << "!4 followed by \"=\"";
        QTest::newRow("unknown type") << kV5 + "[K]\n\"a\"=qword:1\n" << RegStorage::Utf16 << "!4 known type";
        QTest::newRow("dword too long") << kV5 + "[K]\n\"a\"=dword:123456789\n" << RegStorage::Utf16 << "!4 eight hexadecimal";
        QTest::newRow("hex byte too long") << kV5 + "[K]\n\"a\"=hex:001\n" << RegStorage::Utf16 << "!4 hexadecimal bytes";
        QTest::newRow("hex(1) of odd length") << kV5 + "[K]\n\"a\"=hex(1):41,00,42\n" << RegStorage::Utf16 << "!4 stored exactly";
        QTest::newRow("hex(2) with a lone surrogate") << kV5 + "[K]\n\"a\"=hex(2):00,d8,41,00\n" << RegStorage::Utf16 << "!4 lone surrogate";
        QTest::newRow("continuation past the end") << kV5 + "[K]\n\"a\"=hex:00,\\" << RegStorage::Utf16 << "!4 past the end";
        QTest::newRow("unclosed key") << kV5 + "[K\n" << RegStorage::Utf16 << "!3 must end with";
        QTest::newRow("empty key") << kV5 + "[-]\n" << RegStorage::Utf16 << "!3 names no key";
        QTest::newRow("stray line") << kV5 + "[K]\nHELLO\n" << RegStorage::Utf16 << "!4 not a key, a value or a comment";
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(RegStorage, storage);
        QFETCH(QString, expected);
        services::RegFileProblem problem;
        const auto sections = services::parseRegFile(regFileBytes(text, storage), &problem);
        if (expected.startsWith(u'!')) {
            QVERIFY(!sections);
            const QString line = expected.mid(1).section(u' ', 0, 0);
            QCOMPARE(problem.line, line.toInt());
            QVERIFY2(QString::fromStdString(problem.reason).contains(expected.section(u' ', 1)), problem.reason.c_str());
        } else {
            QVERIFY2(sections, problem.reason.c_str());
            QCOMPARE(summary(*sections), expected);
        }
    }

    void refusesBrokenEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("invalid UTF-8 after its mark on line 4")
            << QByteArray("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n[K]\n\"a\"=\"\xC3\"\n") << 4 << "UTF-8";
        QTest::newRow("odd-length UTF-16") << QByteArray("\xFF\xFEW\0i\0n", 7) << 1 << "middle of a UTF-16 character";
        // A lone surrogate in a key name must not become "?" or a key of its own.
        QTest::newRow("lone surrogate on line 3")
            << QByteArray::fromStdString(regFileBytes(kV5 + "[K", RegStorage::Utf16) + std::string("\x00\xD8]\0\n\0", 6))
            << 3 << "lone UTF-16 surrogate";
    }
    void refusesBrokenEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        services::RegFileProblem problem;
        QVERIFY(!services::parseRegFile(bytes.toStdString(), &problem));
        QCOMPARE(problem.line, line);
        QVERIFY2(QString::fromStdString(problem.reason).contains(reason), problem.reason.c_str());
    }

    // Every kind of value the writer meets comes back from the parser as it
    // went in; the file is in the form Windows' tools write.
    void writesWhatParsesBack_data()
    {
        QTest::addColumn<RegValue>("value");
        QTest::addColumn<QString>("line"); // as written, "" when not checked
        const auto text = [](std::string s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
        QTest::newRow("plain string") << RegValue{"Exec", 1, text(std::string("C:\\a \"b\"\0", 9))} << "\"Exec\"=\"C:\\\\a \\\"b\\\"\"";
        QTest::newRow("empty string") << RegValue{"MenuText", 1, text(std::string("\0", 1))} << "\"MenuText\"=\"\"";
        QTest::newRow("default value") << RegValue{"", 1, text(std::string("d\0", 2))} << "@=\"d\"";
        QTest::newRow("string without terminator") << RegValue{"s", 1, text("ab")} << "\"s\"=hex(1):61,00,62,00";
        QTest::newRow("string with a line break") << RegValue{"s", 1, text(std::string("a\r\nb\0", 5))}
                                                  << "\"s\"=hex(1):61,00,0d,00,0a,00,62,00,00,00";
        QTest::newRow("string with a zero inside") << RegValue{"s", 1, text(std::string("a\0b\0", 4))} << "";
        QTest::newRow("expandable string") << RegValue{"Icon", 2, text(std::string("%SystemRoot%\\i.ico\0", 19))} << "";
        QTest::newRow("multi string") << RegValue{"m", 7, text(std::string("a\0b\0\0", 5))} << "\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00";
        QTest::newRow("dword") << RegValue{"d", 4, {0x1f, 0, 0, 0x80}} << "\"d\"=dword:8000001f";
        QTest::newRow("short dword") << RegValue{"d", 4, {1, 2}} << "\"d\"=hex(4):01,02";
        QTest::newRow("binary") << RegValue{"b", 3, {0, 255}} << "\"b\"=hex:00,ff";
        QTest::newRow("none, empty") << RegValue{"n", 0, {}} << "\"n\"=hex(0):";
        QTest::newRow("qword") << RegValue{"q", 11, {1, 2, 3, 4, 5, 6, 7, 8}} << "\"q\"=hex(b):01,02,03,04,05,06,07,08";
        QTest::newRow("long binary over lines") << RegValue{"b", 3, std::vector<std::uint8_t>(100, 0xab)} << "";
    }
    void writesWhatParsesBack()
    {
        QFETCH(RegValue, value);
        QFETCH(QString, line);
        std::string problem;
        const auto bytes = services::writeRegFile({{"HKEY_LOCAL_MACHINE\\K", {value}}}, &problem);
        QVERIFY2(bytes, problem.c_str());
        const QString text = regFileText(*bytes);
        QVERIFY(text.startsWith("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"));
        if (!line.isEmpty())
            QVERIFY2(text.contains("]\r\n" + line + "\r\n\r\n"), qPrintable(text));
        for (const QString& written : text.split(QStringLiteral("\r\n")))
            QVERIFY2(written.size() <= 80, qPrintable(written));
        services::RegFileProblem parseProblem;
        const auto sections = services::parseRegFile(*bytes, &parseProblem);
        QVERIFY2(sections, parseProblem.reason.c_str());
        QCOMPARE(sections->size(), std::size_t(1));
        QCOMPARE(sections->front().values.size(), std::size_t(1));
        QVERIFY(sections->front().values.front().value == value);
    }

    void refusesNamesWithLineBreaks()
    {
        std::string problem;
        QVERIFY(!services::writeRegFile({{"HKEY_LOCAL_MACHINE\\K", {{"a\nb", 1, {0}}}}}, &problem));
        QVERIFY2(QString::fromStdString(problem).contains("line break"), problem.c_str());
    }
};

QTEST_APPLESS_MAIN(TestRegFile)
#include "test_reg_file.moc"
