#pragma once

#include <QTextEdit>

struct SharedTextFormat;

// The face, size and style bits of the shared text format as a font.
QFont fontOf(const SharedTextFormat& format);

// A rich text box holding plain text with one character format over the whole text.
class RichBox : public QTextEdit {
    Q_OBJECT
  public:
    explicit RichBox(QWidget* parent = nullptr);

    QString boxText() const { return toPlainText(); }
    // Replaces the text; the box's character format stays over the whole of it.
    void setBoxText(const QString& text);
    void applyFormat(const SharedTextFormat& format);
    QTextCharFormat boxFormat() const { return m_format; }

  private:
    void reapply();
    QTextCharFormat m_format;
    bool m_hasFormat = false;
};
