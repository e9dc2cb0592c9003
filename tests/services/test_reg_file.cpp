// .reg files: what the parser makes of each form of line, where it stops,
// and the exact bytes the writer produces.
#include "services/reg_file.h"

#include <QStringEncoder>
#include <QTest>

using services::RegValueLine;

namespace {

// How a test text (written in UTF-8 with LF line ends) is stored in the file.
enum class Storage { Utf8, Utf8Crlf, Utf8WithMark, Utf16WithMark, Ansi };

std::string utf16WithMark(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return QByteArray(encoder(text)).toStdString();
}

std::string stored(const QString& text, Storage storage)
{
    QString lines = text;
    if (storage == Storage::Utf8Crlf || storage == Storage::Utf16WithMark)
        lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    switch (storage) {
    case Storage::Utf16WithMark:
        return utf16WithMark(lines);
    case Storage::Ansi: {
        // The test texts use only these characters beyond ASCII.
        QByteArray bytes = lines.toLatin1();
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i] == QChar(0x20AC))
                bytes[i] = '\x80';
        return bytes.toStdString();
    }
    case Storage::Utf8WithMark:
        return "\xEF\xBB\xBF" + lines.toStdString();
    default:
        return lines.toStdString();
    }
}

// One line per key and value: "3 [path]", "4 name=text", "5 name=-", "6 name=hex(2)".
QString summary(const std::vector<services::RegKeySection>& sections)
{
    QStringList lines;
    for (const auto& section : sections) {
        lines << QStringLiteral("%1 [%2%3]").arg(section.line).arg(section.deleteKey ? "-" : "").arg(QString::fromStdString(section.path));
        for (const RegValueLine& value : section.values) {
            const QString data = value.kind == RegValueLine::Kind::String   ? QString::fromStdString(value.text)
                                 : value.kind == RegValueLine::Kind::Delete ? QStringLiteral("-")
                                                                            : QString::fromStdString(value.typeName);
            lines << QStringLiteral("%1 %2=%3").arg(value.line).arg(QString::fromStdString(value.name), data);
        }
    }
    return lines.join(u'\n');
}

const QString kV5 = QStringLiteral("Windows Registry Editor Version 5.00\n\n");

} // namespace

Q_DECLARE_METATYPE(Storage)

class TestRegFile : public QObject {
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Storage>("storage");
        QTest::addColumn<QString>("expected"); // the summary, or "!line reason"

        QTest::newRow("continued hex value") << kV5 + "[K]\n\"a\"=hex(2):41,00,\\\n  42,00,\\\n  00,00\n\"b\"=\"x\"\n"
                                             << Storage::Utf8 << "3 [K]\n4 a=hex(2)\n7 b=x";
        QTest::newRow("escaped quote and backslash") << kV5 + "[K]\n\"n\\\"q\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n" << Storage::Utf8
                                                     << "3 [K]\n4 n\"q=C:\\dir\\\"x\"";
        QTest::newRow("comments and blank lines") << kV5 + "; made by hand\n\n[K]\n  ; inside\n\n\"a\"=\"1\"\n\n"
                                                  << Storage::Utf8Crlf << "5 [K]\n8 a=1";
        QTest::newRow("key deletion, value deletion") << kV5 + "[-K]\n[L]\n\"x\"=-\n" << Storage::Utf8 << "3 [-K]\n4 [L]\n5 x=-";
        QTest::newRow("dword and default value") << kV5 + "[K]\n\"d\"=dword:0000001f\n@=\"v\"\n" << Storage::Utf8
                                                 << "3 [K]\n4 d=dword\n5 =v";
        QTest::newRow("spaces around =") << kV5 + "[K]\n\"a\" = \"b\"\n" << Storage::Utf8 << "3 [K]\n4 a=b";
        QTest::newRow("UTF-16 with mark, CRLF, non-ASCII") << kV5 + "[K\\Grüße]\n\"€\"=\"日本語 ü\"\n" << Storage::Utf16WithMark
                                                           << "3 [K\\Grüße]\n4 €=日本語 ü";
        QTest::newRow("UTF-8 with mark") << kV5 + "[K]\n\"a\"=\"ü\"\n" << Storage::Utf8WithMark << "3 [K]\n4 a=ü";
        QTest::newRow("UTF-8 without mark") << kV5 + "[K]\n\"a\"=\"ü€\"\n" << Storage::Utf8 << "3 [K]\n4 a=ü€";
        QTest::newRow("REGEDIT4 in code page 1252") << "REGEDIT4\n\n[K]\n\"a\"=\"ü€\"\n" << Storage::Ansi << "3 [K]\n4 a=ü€";

        QTest::newRow("no header") << "[K]\n\"a\"=\"1\"\n" << Storage::Utf8 << "!1 does not start with";
        QTest::newRow("value before any key") << kV5 + "\"a\"=\"1\"\n" << Storage::Utf8 << "!3 must follow the key";
        QTest::newRow("value of a deleted key") << kV5 + "[-K]\n\"a\"=\"1\"\n" << Storage::Utf8 << "!4 deleted cannot have values";
        QTest::newRow("string without closing quote") << kV5 + "[K]\n\"a\"=\"1\n\"b\"=\"2\"\n" << Storage::Utf8 << "!4 no closing quote";
        QTest::newRow("unknown escape") << kV5 + "[K]\n\"a\"=\"\\q\"\n" << Storage::Utf8 << "!4 backslash in quotes";
        QTest::newRow("text after the string") << kV5 + "[K]\n\"a\"=\"1\" 2\n" << Storage::Utf8 << "!4 Nothing may follow";
        QTest::newRow("name without =") << kV5 + "[K]\n\"a\" \"1\"\n" << Storage::Utf8 << "!4 followed by \"=\"";
        QTest::newRow("unknown type") << kV5 + "[K]\n\"a\"=qword:1\n" << Storage::Utf8 << "!4 known type";
        QTest::newRow("continuation past the end") << kV5 + "[K]\n\"a\"=hex:00,\\" << Storage::Utf8 << "!4 past the end";
        QTest::newRow("unclosed key") << kV5 + "[K\n" << Storage::Utf8 << "!3 must end with";
        QTest::newRow("empty key") << kV5 + "[-]\n" << Storage::Utf8 << "!3 names no key";
        QTest::newRow("stray line") << kV5 + "[K]\nHELLO\n" << Storage::Utf8 << "!4 not a key, a value or a comment";
    }
    void parses()
    {
        QFETCH(QString, text);
        QFETCH(Storage, storage);
        QFETCH(QString, expected);
        services::RegFileProblem problem;
        const auto sections = services::parseRegFile(stored(text, storage), &problem);
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
        QTest::newRow("invalid UTF-8 on line 4") << QByteArray("Windows Registry Editor Version 5.00\n\n[K]\n\"a\"=\"\xC3\"\n") << 4;
        QTest::newRow("odd-length UTF-16") << QByteArray("\xFF\xFEW\0i\0n", 7) << 1;
    }
    void refusesBrokenEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        services::RegFileProblem problem;
        QVERIFY(!services::parseRegFile(bytes.toStdString(), &problem));
        QCOMPARE(problem.line, line);
    }

    void writesWindowsFormat()
    {
        const std::vector<services::RegKeyExport> keys = {
            {"HKEY_LOCAL_MACHINE\\Software\\K", {{"ButtonText", "say \"hi\" ü"}, {"Exec", "C:\\a b\\c.exe"}}},
            {"HKEY_LOCAL_MACHINE\\Software\\L", {}},
        };
        const QString expected = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                                "[HKEY_LOCAL_MACHINE\\Software\\K]\r\n"
                                                "\"ButtonText\"=\"say \\\"hi\\\" ü\"\r\n"
                                                "\"Exec\"=\"C:\\\\a b\\\\c.exe\"\r\n\r\n"
                                                "[HKEY_LOCAL_MACHINE\\Software\\L]\r\n\r\n");
        const std::string bytes = services::writeRegFile(keys);
        QCOMPARE(bytes, utf16WithMark(expected));

        services::RegFileProblem problem;
        const auto sections = services::parseRegFile(bytes, &problem);
        QVERIFY(sections);
        QCOMPARE(summary(*sections), QStringLiteral("3 [HKEY_LOCAL_MACHINE\\Software\\K]\n4 ButtonText=say \"hi\" ü\n"
                                                    "5 Exec=C:\\a b\\c.exe\n7 [HKEY_LOCAL_MACHINE\\Software\\L]"));
    }
};

QTEST_APPLESS_MAIN(TestRegFile)
#include "test_reg_file.moc"
