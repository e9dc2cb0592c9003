#include "support/reg_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

std::string regFileBytes(const QString& text, RegStorage storage)
{
    QString lines = text;
    if (storage == RegStorage::Utf16)
        lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    switch (storage) {
    case RegStorage::Utf16:
    case RegStorage::Utf16Lf: {
        QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        return QByteArray(encoder(lines)).toStdString();
    }
    case RegStorage::Utf8WithMark:
        return "\xEF\xBB\xBF" + lines.toStdString();
    case RegStorage::Ansi:
        break;
    }
    // The test texts use only these characters beyond ASCII.
    QByteArray bytes = lines.toLatin1();
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i] == QChar(0x20AC))
            bytes[i] = '\x80';
    return bytes.toStdString();
}

QString regFileText(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    return decoder(QByteArray::fromStdString(bytes.substr(2)));
}
