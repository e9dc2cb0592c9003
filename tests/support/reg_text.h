#pragma once

#include <QMetaType>
#include <QString>

#include <string>

// .reg files for tests, written from readable text.

// How a test text (written with LF line ends) is stored in the file: UTF-16LE
// with its byte order mark and CRLF (as Windows' tools write it) or LF, UTF-8
// after its mark, or code page 1252 without a mark.
enum class RegStorage { Utf16, Utf16Lf, Utf8WithMark, Ansi };
Q_DECLARE_METATYPE(RegStorage)

std::string regFileBytes(const QString& text, RegStorage storage = RegStorage::Utf16);

// The text of a UTF-16LE file after its byte order mark.
QString regFileText(const std::string& bytes);
