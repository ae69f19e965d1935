#pragma once

#include <QDialog>

class QLabel;
class QScrollArea;

// A picture at its full size, in a window of its own that scrolls when the picture is larger than
// the screen allows. Escape, Enter or 关闭 closes it.
class PictureView : public QDialog {
    Q_OBJECT
  public:
    PictureView(const QPixmap& picture, const QString& title, QWidget* parent);
    QLabel* pictureLabel() const { return m_picture; }

    // Shows the picture modally over the parent's window.
    static void showFullSize(QWidget* parent, const QPixmap& picture, const QString& title);

  private:
    QLabel* m_picture;
    QScrollArea* m_scroll;
};
