#include "bank/ImportFiles.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace bankbook {

const QList<FileKind>& fileKinds() {
    static const QList<FileKind> kinds = {
        {QStringLiteral("工作簿"), {QStringLiteral("*.xlsx")}, readWorkbookFile},
        {QStringLiteral("CSV 文件夹"), {}, readCsvFolder},
        {QStringLiteral("文本试卷、GIFT 或 Aiken"), {QStringLiteral("*.txt")}, nullptr, true},
        {QStringLiteral("Word 文档"), {QStringLiteral("*.docx")}, nullptr, true},
        {QStringLiteral("Moodle XML"), {QStringLiteral("*.xml")}, nullptr, true},
        {QStringLiteral("GIFT"), {QStringLiteral("*.gift")}, nullptr, true},
    };
    return kinds;
}

const FileKind* kindOf(const QString& path) {
    const QFileInfo info(path);
    for (const FileKind& kind : fileKinds()) {
        if (kind.patterns.isEmpty()) {
            if (info.isDir())
                return &kind;
            continue;
        }
        if (info.isDir())
            continue;
        for (const QString& pattern : kind.patterns)
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                   QRegularExpression::CaseInsensitiveOption)
                    .match(info.fileName())
                    .hasMatch())
                return &kind;
    }
    return nullptr;
}

bool isDocument(const QString& path) {
    const FileKind* kind = kindOf(path);
    return kind && kind->document;
}

QString fileFilter() {
    QStringList all, each;
    for (const FileKind& kind : fileKinds()) {
        if (kind.patterns.isEmpty())
            continue;
        all << kind.patterns;
        each << QStringLiteral("%1 (%2)").arg(kind.title, kind.patterns.join(QLatin1Char(' ')));
    }
    if (each.size() > 1)
        each.prepend(QStringLiteral("可以导入的文件 (%1)").arg(all.join(QLatin1Char(' '))));
    return each.join(QStringLiteral(";;"));
}

} // namespace bankbook
