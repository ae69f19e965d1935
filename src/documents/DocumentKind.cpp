#include "documents/DocumentKind.h"

#include "documents/Document.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace documents {

namespace {

// The name of the first element of XML bytes, or an empty text when they do not start as XML.
QString rootElement(const QByteArray& head) {
    QXmlStreamReader r(head);
    r.setEntityExpansionLimit(64);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement())
            return r.name().toString();
        if (r.hasError() || (r.isCharacters() && !r.isWhitespace()))
            return {};
    }
    return {};
}

bool hasGiftMarks(const QString& text) {
    static const QRegularExpression category(QStringLiteral("^\\s*\\$CATEGORY:"),
                                             QRegularExpression::MultilineOption);
    static const QRegularExpression title(QStringLiteral("^\\s*::[^\\n]*?::"),
                                          QRegularExpression::MultilineOption);
    // An answer part: {=…}, {~…}, {#…}, {T}, {FALSE#…}.
    static const QRegularExpression answers(
        QStringLiteral("(?<!\\\\)\\{\\s*(?:[=~#]|(?:T|F|TRUE|FALSE)\\s*[#}])"),
        QRegularExpression::CaseInsensitiveOption);
    return category.match(text).hasMatch() || title.match(text).hasMatch() || answers.match(text).hasMatch();
}

bool hasAikenMarks(const QString& plain) {
    static const QRegularExpression answer(QStringLiteral("^\\s*ANSWER\\s*:\\s*[A-Z]"),
                                           QRegularExpression::MultilineOption);
    static const QRegularExpression option(QStringLiteral("^\\s*[A-Z]\\s*[.)]"),
                                           QRegularExpression::MultilineOption);
    return answer.match(plain).hasMatch() && option.match(plain).hasMatch();
}

} // namespace

Kind detectKind(const QString& fileName, const QByteArray& head) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (head.startsWith("PK\x03\x04")) // a zip: only a Word document is one of ours
        return suffix == QLatin1String("docx") || suffix == QLatin1String("docm") || suffix.isEmpty()
                   ? Kind::Word
                   : Kind::Unknown;
    if (head.startsWith("\xD0\xCF\x11\xE0") || head.startsWith("%PDF") || head.startsWith("{\\rtf"))
        return Kind::Unknown;
    if (suffix == QLatin1String("docx"))
        return Kind::Word; // its reader says what is wrong with it
    if (suffix == QLatin1String("xml") || rootElement(head) == QLatin1String("quiz"))
        return Kind::MoodleXml;
    if (suffix == QLatin1String("gift"))
        return Kind::Gift;
    if (head.contains('\0') && !head.startsWith("\xFF\xFE") && !head.startsWith("\xFE\xFF"))
        return Kind::Unknown;
    const QString text = decodeText(head);
    if (hasGiftMarks(text))
        return Kind::Gift;
    if (hasAikenMarks(plainForm(text)))
        return Kind::Aiken;
    return Kind::Layout;
}

QString kindText(Kind kind) {
    switch (kind) {
    case Kind::Layout:
        return QStringLiteral("文本试卷");
    case Kind::Word:
        return QStringLiteral("Word 文档");
    case Kind::MoodleXml:
        return QStringLiteral("Moodle XML");
    case Kind::Gift:
        return QStringLiteral("GIFT");
    case Kind::Aiken:
        return QStringLiteral("Aiken");
    case Kind::Unknown:
        break;
    }
    return QStringLiteral("无法识别的文件");
}

} // namespace documents
