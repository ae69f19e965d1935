#pragma once

#include <QByteArray>
#include <QString>

// Answer texts are measured and compared as GBK (code page 936) bytes.
namespace gbk {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
// Whether every character of the text has a GBK code; encode() turns the others into a
// substitute, so such a text does not come back as it was.
bool canEncode(const QString& text);
} // namespace gbk
