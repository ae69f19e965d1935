#pragma once

#include <QTextEdit>

class QLabel;

struct SharedTextFormat;

// The face, size and style bits of the shared text format as a font.
QFont fontOf(const SharedTextFormat& format);

// A rich text box holding plain text with one character format over the whole text.
//
// A very long text (a question of a megabyte) is laid out a part at a time: the box shows the
// first part at once and adds the next whenever the user scrolls near the end of what is shown,
// so that showing a question never stops the window for long. The text not shown yet still
// belongs to the box: boxText() returns all of it, and selecting everything or going to the end
// shows the rest first.
class RichBox : public QTextEdit {
    Q_OBJECT
  public:
    explicit RichBox(QWidget* parent = nullptr);

    // The whole text, with the part not shown yet.
    QString boxText() const;
    // Replaces the text; the box's character format stays over the whole of it.
    void setBoxText(const QString& text);
    void applyFormat(const SharedTextFormat& format);
    QTextCharFormat boxFormat() const { return m_format; }

    // Characters laid out at a time.
    static constexpr int kPartLength = 32 * 1024;
    // Characters not shown yet.
    int pendingLength() const { return int(m_rest.size()); }
    void showAll();

    // A small caption in a band along the box's top edge, above the text; the box keeps its size.
    void setCaption(const QString& caption);
    QString caption() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void reapply();
    void showMore();
    void append(const QString& part);
    void placeCaption();
    QLabel* m_caption = nullptr;
    QTextCharFormat m_format;
    bool m_hasFormat = false;
    QString m_rest;
};
