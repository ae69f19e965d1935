#include "ui/RichBox.h"

#include "ui/TextFormat.h"

#include <QTextCursor>

RichBox::RichBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setTabChangesFocus(true);
}

void RichBox::setBoxText(const QString& text) {
    // Line ends arrive as CR LF; the box shows a plain line break.
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(plain);
    reapply();
}

QFont fontOf(const SharedTextFormat& format) {
    QFont font(format.face);
    font.setPointSize(qMax(1, format.size));
    font.setBold(format.style & 1);
    font.setItalic(format.style & 2);
    font.setUnderline(format.style & 4);
    font.setStrikeOut(format.style & 8);
    return font;
}

void RichBox::applyFormat(const SharedTextFormat& format) {
    QTextCharFormat f;
    f.setFont(fontOf(format), QTextCharFormat::FontPropertiesAll);
    if (format.color.isValid())
        f.setForeground(format.color);
    else
        f.setForeground(palette().text());
    m_format = f;
    m_hasFormat = true;
    reapply();
}

void RichBox::reapply() {
    if (!m_hasFormat)
        return;
    QTextCursor c(document());
    c.select(QTextCursor::Document);
    c.setCharFormat(m_format);
    setCurrentCharFormat(m_format);
    document()->setDefaultFont(m_format.font());
}
