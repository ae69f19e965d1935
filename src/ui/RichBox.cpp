#include "ui/RichBox.h"

#include "ui/TextFormat.h"

#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace {

// Where the first part of a long text ends: at a line break in its second half when there is
// one (so the next part starts a paragraph of its own), never between the halves of a surrogate
// pair.
qsizetype partEnd(const QString& text) {
    if (text.size() <= RichBox::kPartLength)
        return text.size();
    qsizetype end = text.lastIndexOf(QLatin1Char('\n'), RichBox::kPartLength - 1);
    if (end < RichBox::kPartLength / 2)
        end = RichBox::kPartLength;
    else
        ++end;
    if (text[end - 1].isHighSurrogate())
        --end;
    return end;
}

// Word wrapping searches the whole of a run without a break for a place to break it, again on
// every line: a run of thousands of letters (no spaces, no Chinese) takes minutes. Such a text
// is broken anywhere instead.
bool hasLongUnbrokenRun(const QString& text) {
    int run = 0;
    for (const QChar c : text) {
        run = c.isSpace() || c.unicode() >= 0x2E80 ? 0 : run + 1;
        if (run > 1000)
            return true;
    }
    return false;
}

} // namespace

RichBox::RichBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setTabChangesFocus(true);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_rest.isEmpty() && value >= verticalScrollBar()->maximum() - verticalScrollBar()->pageStep())
            showMore();
    });
}

QString RichBox::boxText() const {
    return m_rest.isEmpty() ? toPlainText() : toPlainText() + m_rest;
}

void RichBox::setBoxText(const QString& text) {
    // Line ends arrive as CR LF; the box shows a plain line break.
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // The old text goes first: a new wrap mode lays out again whatever the box holds.
    if (!document()->isEmpty())
        setPlainText(QString());
    setWordWrapMode(hasLongUnbrokenRun(plain) ? QTextOption::WrapAnywhere
                                              : QTextOption::WrapAtWordBoundaryOrAnywhere);
    const qsizetype end = partEnd(plain);
    m_rest = plain.mid(end);
    plain.truncate(end);
    setPlainText(plain);
    reapply();
}

void RichBox::append(const QString& part) {
    // Appending is no step the user could undo.
    const bool undo = isUndoRedoEnabled();
    setUndoRedoEnabled(false);
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    if (m_hasFormat)
        c.insertText(part, m_format);
    else
        c.insertText(part);
    setUndoRedoEnabled(undo);
}

void RichBox::showMore() {
    const qsizetype end = partEnd(m_rest);
    const QString part = m_rest.left(end);
    m_rest.remove(0, end);
    append(part);
}

void RichBox::showAll() {
    if (m_rest.isEmpty())
        return;
    const QString rest = m_rest;
    m_rest.clear();
    append(rest);
}

void RichBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll) || event->matches(QKeySequence::MoveToEndOfDocument) ||
        event->matches(QKeySequence::SelectEndOfDocument))
        showAll();
    QTextEdit::keyPressEvent(event);
}

void RichBox::contextMenuEvent(QContextMenuEvent* event) {
    // The menu offers to select everything.
    showAll();
    QTextEdit::contextMenuEvent(event);
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

void RichBox::setCaption(const QString& caption) {
    if (!m_caption) {
        m_caption = new QLabel(this);
        m_caption->setObjectName(QStringLiteral("boxCaption"));
        m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_caption->setText(caption);
    setViewportMargins(0, m_caption->sizeHint().height(), 0, 0);
    placeCaption();
}

QString RichBox::caption() const {
    return m_caption ? m_caption->text() : QString();
}

void RichBox::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    placeCaption();
}

void RichBox::placeCaption() {
    if (!m_caption)
        return;
    const int f = frameWidth();
    m_caption->setGeometry(f, f, width() - 2 * f, viewportMargins().top());
}
