#include "ui/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

// GBK keeps no state between texts, so one converter per thread serves every call.
QByteArray encode(const QString& text) {
    thread_local QStringEncoder enc("GBK", QStringConverter::Flag::Stateless);
    if (!enc.isValid())
        return text.toUtf8();
    return enc.encode(text);
}

QString decode(const QByteArray& bytes) {
    thread_local QStringDecoder dec("GBK", QStringConverter::Flag::Stateless);
    if (!dec.isValid())
        return QString::fromUtf8(bytes);
    return dec.decode(bytes);
}

} // namespace gbk

namespace gbk {

bool canEncode(const QString& text) {
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return true;
    (void)enc.encode(text);
    return !enc.hasError();
}

} // namespace gbk
