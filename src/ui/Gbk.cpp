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

bool canEncode(const QString& text) {
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return true;
    const QByteArray bytes = enc.encode(text);
    // A lone surrogate is dropped without an error: only the way back shows it.
    return !enc.hasError() && decode(bytes) == text;
}

} // namespace gbk
