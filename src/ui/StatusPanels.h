#pragma once

#include <QStatusBar>

class QLabel;

// A status bar with fixed-width panels addressed by index.
class StatusPanels : public QStatusBar {
    Q_OBJECT
  public:
    explicit StatusPanels(QWidget* parent = nullptr);
    void setPanels(const QList<int>& widths);
    int panelCount() const { return m_panels.size(); }
    // A changed text is painted at once; the same text again paints nothing. The panel widens
    // while its text needs more than its width.
    void setText(int panel, const QString& text);
    QString text(int panel) const;
    void setToolTip(int panel, const QString& text);
    int panelWidth(int panel) const;

  private:
    QList<QLabel*> m_panels;
    QList<int> m_widths;
};
