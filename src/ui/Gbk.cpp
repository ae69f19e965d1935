#include "ui/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QByteArray encode(const QString& text) {
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return text.toUtf8();
    return enc.encode(text);
}

QString decode(const QByteArray& bytes) {
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromUtf8(bytes);
    return dec.decode(bytes);
}

} // namespace gbk
