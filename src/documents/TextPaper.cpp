#include "documents/TextPaper.h"

#include <QFileInfo>

namespace documents {

Document readTextPaper(const QByteArray& bytes, const QString& fallbackName, const Limits& limits) {
    if (bytes.size() > limits.maxFileBytes) {
        Document doc;
        doc.error = QStringLiteral("文件过大（%1 MB），最多只能读 %2 MB")
                        .arg(bytes.size() / (1024 * 1024))
                        .arg(limits.maxFileBytes / (1024 * 1024));
        return doc;
    }
    const QString text = decodeText(bytes);
    QList<Paragraph> paragraphs;
    int line = 0;
    int stoppedAt = 0;
    for (qsizetype i = 0; i <= text.size();) {
        qsizetype end = i;
        while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        ++line;
        const QStringView piece = QStringView(text).mid(i, end - i);
        if (!piece.trimmed().isEmpty()) {
            if (paragraphs.size() >= limits.maxParagraphs) {
                stoppedAt = line;
                break;
            }
            Paragraph p;
            p.line = line;
            p.text = piece.toString();
            paragraphs.append(p);
        }
        // "\r\n" is one line end, a lone "\r" (old Mac files) another.
        if (end < text.size() && text[end] == QLatin1Char('\r') && end + 1 < text.size() &&
            text[end + 1] == QLatin1Char('\n'))
            ++end;
        i = end + 1;
    }
    Document doc = readLayout(paragraphs, fallbackName, limits);
    if (stoppedAt > 0)
        doc.problems.append(
            {stoppedAt, -1, -1,
             QStringLiteral("文件超过 %1 行的上限，从这里起的内容没有读入").arg(limits.maxParagraphs)});
    return doc;
}

Document readTextPaperFile(const QString& path, const Limits& limits) {
    Document doc;
    const QByteArray bytes = readFileWithin(path, limits, &doc.error);
    if (!doc.error.isEmpty())
        return doc;
    return readTextPaper(bytes, QFileInfo(path).completeBaseName(), limits);
}

} // namespace documents
