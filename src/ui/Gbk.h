#pragma once

#include <QByteArray>
#include <QString>

// Answer texts are measured and compared as GBK (code page 936) bytes.
namespace gbk {
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
} // namespace gbk
