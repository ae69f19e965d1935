#include "questions/QuestionText.h"

#include <QDir>
#include <QFileInfo>

QString formatQuestionText(const QString& question) {
    const int a = question.indexOf(QLatin1Char('A'));
    if (a < 0)
        return question;
    return question.left(a) + QStringLiteral("\r\n") + question.mid(a);
}

std::optional<qint64> parseDisplayNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 18)
        return std::nullopt;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<qint64> questionAt(qint64 n, bool randomOrder, const QList<int>& order) {
    if (!randomOrder)
        return n;
    if (n < 1 || n > order.size())
        return std::nullopt;
    return order[int(n - 1)];
}

QString resolveBankPath(const QString& programDir, const QString& bankPath) {
    QString rel = bankPath;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    QString path = QDir(programDir).absolutePath();
    for (const QString& part : parts) {
        const QString exact = path + QLatin1Char('/') + part;
        if (QFileInfo::exists(exact)) {
            path = exact;
            continue;
        }
        QString found;
        const QStringList entries =
            QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString& e : entries)
            if (e.compare(part, Qt::CaseInsensitive) == 0) {
                found = e;
                break;
            }
        if (found.isEmpty())
            return {};
        path += QLatin1Char('/') + found;
    }
    return path;
}

namespace {
const QString kPictureFolder = QStringLiteral("pic");
}

QString pictureNameProblem(const QString& pic) {
    if (pic.trimmed().isEmpty())
        return {};
    QString rel = pic;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    bool inside = !rel.startsWith(QLatin1String("//")) && parts.size() >= 2 &&
                  parts.first().compare(kPictureFolder, Qt::CaseInsensitive) == 0;
    for (const QString& part : parts)
        inside = inside && part != QLatin1String(".") && part != QLatin1String("..");
    for (const QChar c : rel)
        inside = inside && c.unicode() >= 0x20;
    if (inside)
        return {};
    return QStringLiteral("图片“%1”不是题库文件夹 pic 中的文件（应写成 \\pic\\文件名）").arg(pic.left(100));
}

QString picturePath(const QString& bankDir, const QString& pic) {
    if (pic.trimmed().isEmpty() || !pictureNameProblem(pic).isEmpty())
        return {};
    // The folder as the name spells it, found the way the file itself is found.
    QString rel = pic;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString found = resolveBankPath(bankDir, pic);
    const QString folder = resolveBankPath(bankDir, rel.split(QLatin1Char('/'), Qt::SkipEmptyParts).first());
    if (found.isEmpty() || folder.isEmpty())
        return {};
    const QFileInfo file(found);
    const QString within = QFileInfo(folder).canonicalFilePath();
    if (!file.isFile() || within.isEmpty() || !file.canonicalFilePath().startsWith(within + QLatin1Char('/')))
        return {};
    return found;
}
