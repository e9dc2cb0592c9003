#include "services/reg_file.h"

#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <array>

namespace services {

namespace {

constexpr char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr char kHeader4[] = "REGEDIT4";

// Windows code page 1252 at 0x80..0x9F, where it differs from Latin-1; the
// five bytes it leaves undefined stay as the control characters Latin-1 has.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromCp1252(const std::string& bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        text.append(code >= 0x80 && code < 0xA0 ? QChar(kCp1252High[code - 0x80]) : QChar(code));
    }
    return text;
}

std::vector<std::string> splitBytes(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(bytes.substr(start, end - start));
    lines.push_back(bytes.substr(start));
    return lines;
}

// The file's lines as text, without their line ends.
std::optional<QStringList> decodeLines(const std::string& bytes, RegFileProblem* problem)
{
    QStringList lines;
    if (bytes.rfind("\xFF\xFE", 0) == 0) {
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        const QString text = decoder(QByteArrayView(bytes).sliced(2));
        if (decoder.hasError() || bytes.size() % 2 != 0) {
            *problem = {1, "The file is marked as UTF-16 but is not valid UTF-16 text."};
            return std::nullopt;
        }
        lines = text.split(QChar(u'\n'));
    } else {
        const bool utf8Mark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
        std::vector<std::string> raw = splitBytes(utf8Mark ? bytes.substr(3) : bytes);
        const bool ansi = !utf8Mark && raw.front().rfind(kHeader4, 0) == 0;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (ansi) {
                lines.append(fromCp1252(raw[i]));
                continue;
            }
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            lines.append(decoder(QByteArrayView(raw[i])));
            if (decoder.hasError()) {
                *problem = {static_cast<int>(i) + 1, "This line is not valid UTF-8 text."};
                return std::nullopt;
            }
        }
    }
    for (QString& line : lines) {
        if (line.endsWith(QChar(u'\r')))
            line.chop(1);
    }
    return lines;
}

// Reads the quoted text that starts at text[*pos] ("\\" and "\"" are the
// only escapes) and moves *pos past its closing quote.
std::optional<QString> readQuoted(const QString& text, qsizetype* pos, std::string* error)
{
    QString out;
    for (qsizetype i = *pos + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            *pos = i + 1;
            return out;
        }
        if (c == u'\\') {
            if (i + 1 == text.size() || (text[i + 1] != u'\\' && text[i + 1] != u'"')) {
                *error = "A backslash in quotes must be followed by another backslash or a quote.";
                return std::nullopt;
            }
            ++i;
        }
        out.append(text[i]);
    }
    *error = "The quoted text has no closing quote.";
    return std::nullopt;
}

class Parser {
public:
    Parser(QStringList lines, RegFileProblem* problem) : lines_(std::move(lines)), problem_(problem) {}

    std::optional<std::vector<RegKeySection>> run()
    {
        const QString header = lines_.front().trimmed();
        if (header != QLatin1String(kHeader5) && header != QLatin1String(kHeader4))
            return fail(0, std::string("The file does not start with \"") + kHeader5 + "\" or \"" + kHeader4 + "\".");
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const QString line = lines_[index_].trimmed();
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'[')) {
                if (!readKey(line))
                    return std::nullopt;
            } else if (line.startsWith(u'"') || line.startsWith(u'@')) {
                if (!readValue(line))
                    return std::nullopt;
            } else {
                return fail(index_, "This line is not a key, a value or a comment.");
            }
        }
        return std::move(sections_);
    }

private:
    std::nullopt_t fail(qsizetype index, std::string reason)
    {
        *problem_ = {static_cast<int>(index) + 1, std::move(reason)};
        return std::nullopt;
    }

    bool readKey(const QString& line)
    {
        if (!line.endsWith(u']')) {
            fail(index_, "A key line must end with \"]\".");
            return false;
        }
        RegKeySection section;
        section.line = static_cast<int>(index_) + 1;
        QString path = line.mid(1, line.size() - 2);
        section.deleteKey = path.startsWith(u'-');
        if (section.deleteKey)
            path.remove(0, 1);
        if (path.trimmed().isEmpty()) {
            fail(index_, "The key line names no key.");
            return false;
        }
        section.path = path.toStdString();
        sections_.push_back(std::move(section));
        return true;
    }

    bool readValue(const QString& line)
    {
        const qsizetype first = index_;
        if (sections_.empty()) {
            fail(index_, "A value must follow the key it belongs to.");
            return false;
        }
        if (sections_.back().deleteKey) {
            fail(index_, "A key that is deleted cannot have values.");
            return false;
        }
        RegValueLine value;
        value.line = static_cast<int>(index_) + 1;
        qsizetype pos = 1;
        std::string error;
        if (line.startsWith(u'"')) {
            pos = 0;
            const auto name = readQuoted(line, &pos, &error);
            if (!name) {
                fail(index_, error);
                return false;
            }
            value.name = name->toStdString();
        }
        QString rest = line.mid(pos).trimmed();
        if (!rest.startsWith(u'=')) {
            fail(index_, "The value's name must be followed by \"=\".");
            return false;
        }
        rest = rest.mid(1).trimmed();
        if (rest.startsWith(u'"')) {
            pos = 0;
            const auto text = readQuoted(rest, &pos, &error);
            if (!text) {
                fail(index_, error);
                return false;
            }
            if (!rest.mid(pos).trimmed().isEmpty()) {
                fail(index_, "Nothing may follow the closing quote of a string.");
                return false;
            }
            value.text = text->toStdString();
        } else if (rest == QLatin1String("-")) {
            value.kind = RegValueLine::Kind::Delete;
        } else {
            if (!readTyped(rest, &value, first))
                return false;
        }
        sections_.back().values.push_back(std::move(value));
        return true;
    }

    // dword:, hex: and hex(N): values; their data may continue over lines
    // that end in "\".
    bool readTyped(QString rest, RegValueLine* value, qsizetype first)
    {
        while (rest.endsWith(u'\\')) {
            rest.chop(1);
            if (++index_ == lines_.size()) {
                fail(first, "The value continues past the end of the file.");
                return false;
            }
            rest += lines_[index_].trimmed();
        }
        static const QRegularExpression typed(QStringLiteral("^(dword|hex(\\([0-9a-f]+\\))?):"),
                                              QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = typed.match(rest);
        if (!match.hasMatch()) {
            fail(first, "The value is not a quoted string, \"-\", or data of a known type such as dword:00000000.");
            return false;
        }
        value->kind = RegValueLine::Kind::Other;
        value->typeName = match.captured(1).toLower().toStdString();
        return true;
    }

    QStringList lines_;
    RegFileProblem* problem_;
    qsizetype index_ = 0;
    std::vector<RegKeySection> sections_;
};

QString escaped(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'"', QStringLiteral("\\\""));
    return out;
}

} // namespace

std::optional<std::vector<RegKeySection>> parseRegFile(const std::string& bytes, RegFileProblem* problem)
{
    std::optional<QStringList> lines = decodeLines(bytes, problem);
    if (!lines)
        return std::nullopt;
    return Parser(std::move(*lines), problem).run();
}

std::string writeRegFile(const std::vector<RegKeyExport>& keys)
{
    QString text = QLatin1String(kHeader5) + QStringLiteral("\r\n\r\n");
    for (const RegKeyExport& key : keys) {
        text += u'[' + QString::fromStdString(key.path) + QStringLiteral("]\r\n");
        for (const auto& [name, value] : key.values)
            text += u'"' + escaped(name) + QStringLiteral("\"=\"") + escaped(value) + QStringLiteral("\"\r\n");
        text += QStringLiteral("\r\n");
    }
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QByteArray bytes = encoder(text);
    return bytes.toStdString();
}

} // namespace services
