#include "exam/AnswerJournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("未上传答案-");

QString field(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}
QString unfield(const QString& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toLatin1()));
}

QString header(const AnswerJournal::Sitting& s) {
    return QStringList{QStringLiteral("veltaro-answers"), field(s.server), field(s.code), field(s.student),
                       field(s.state)}
               .join(QLatin1Char('\t')) +
           QLatin1Char('\n');
}

bool readHeader(const QString& line, AnswerJournal::Sitting* s) {
    const QStringList f = line.trimmed().split(QLatin1Char('\t'));
    if (f.size() != 5 || f[0] != QLatin1String("veltaro-answers"))
        return false;
    *s = {unfield(f[1]), unfield(f[2]), unfield(f[3]), unfield(f[4])};
    return true;
}

} // namespace

AnswerJournal::AnswerJournal(const QString& folder, const Sitting& sitting) : m_sitting(sitting) {
    const QByteArray key = header(sitting).toUtf8();
    m_path = QDir(folder).filePath(
        kPrefix + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16)) +
        QStringLiteral(".txt"));
}

bool AnswerJournal::add(qint64 tihao, const QString& answer, const QString& name) {
    QFile file(m_path);
    const bool fresh = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    QByteArray text;
    if (fresh)
        text += header(m_sitting).toUtf8();
    text += (QString::number(tihao) + QLatin1Char('\t') + field(answer) + QLatin1Char('\t') + field(name) +
             QLatin1Char('\n'))
                .toUtf8();
    return file.write(text) == text.size() && file.flush() && ::fsync(file.handle()) == 0;
}

QMap<qint64, AnswerJournal::Entry> AnswerJournal::pending() const {
    QMap<qint64, Entry> out;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    Sitting s;
    if (!readHeader(QString::fromUtf8(file.readLine()), &s))
        return out;
    while (!file.atEnd()) {
        const QByteArray raw = file.readLine();
        // A line cut off by a crash has no line end: it was never reported as kept.
        if (!raw.endsWith('\n'))
            break;
        const QStringList f = QString::fromUtf8(raw).chopped(1).split(QLatin1Char('\t'));
        bool ok = false;
        const qint64 n = f.value(0).toLongLong(&ok);
        if (ok && f.size() == 3)
            out.insert(n, {unfield(f[1]), unfield(f[2])});
    }
    return out;
}

bool AnswerJournal::rewrite(const QMap<qint64, Entry>& left) {
    if (left.isEmpty())
        return QFile::remove(m_path) || !QFile::exists(m_path);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = header(m_sitting).toUtf8();
    for (auto it = left.cbegin(); it != left.cend(); ++it)
        text += (QString::number(it.key()) + QLatin1Char('\t') + field(it->answer) + QLatin1Char('\t') +
                 field(it->name) + QLatin1Char('\n'))
                    .toUtf8();
    file.write(text);
    return file.commit();
}

int AnswerJournal::send(const std::function<bool(qint64, const Entry&)>& save) {
    QMap<qint64, Entry> left = pending();
    const int before = int(left.size());
    for (auto it = left.begin(); it != left.end();) {
        if (!save(it.key(), *it))
            break;
        it = left.erase(it);
    }
    if (int(left.size()) != before)
        rewrite(left);
    return int(left.size());
}

QList<AnswerJournal::Sitting> AnswerJournal::leftOver(const QString& folder, const QString& server) {
    QList<Sitting> out;
    for (const QFileInfo& f : QDir(folder).entryInfoList({kPrefix + QStringLiteral("*.txt")}, QDir::Files)) {
        QFile file(f.filePath());
        Sitting s;
        if (file.open(QIODevice::ReadOnly) && readHeader(QString::fromUtf8(file.readLine()), &s) &&
            s.server == server)
            out << s;
    }
    return out;
}
