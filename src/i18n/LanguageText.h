// Turning the bytes of language files and of the resource header into lines.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace velvaro::i18n {

// Strips the white space that the C library knows in its "C" locale (blank,
// tab, line feed, vertical tab, form feed, carriage return) from both ends.
// Other spaces, such as the no-break space, belong to the text.
QByteArrayView TrimWhiteSpace(QByteArrayView text);
QString TrimWhiteSpace(const QString& text);

// Language files are UTF-8; one that is not valid UTF-8 was written in the
// Western Windows code page and is read as Windows-1252. A leading UTF-8 byte
// order mark is dropped.
QString DecodeLanguageBytes(const QByteArray& bytes);

// Lines as the resource walk sees them: a line feed ends a line, every
// carriage return is dropped, and the last line counts without a line feed.
QStringList SplitResourceLines(const QString& text);

// Lines as a text-mode file read sees them: a line feed ends a line and only
// a carriage return right before it is dropped.
QStringList SplitFileLines(const QString& text);

}  // namespace velvaro::i18n
