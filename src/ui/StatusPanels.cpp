#include "ui/StatusPanels.h"

#include <QLabel>

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
}

void StatusPanels::setPanels(const QList<int>& widths) {
    for (QLabel* l : m_panels) {
        removeWidget(l);
        delete l;
    }
    m_panels.clear();
    m_widths = widths;
    for (int i = 0; i < widths.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("状态栏面板%1").arg(i));
        label->setFixedWidth(widths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        addWidget(label);
        m_panels << label;
    }
}

// A panel keeps its width unless its text needs more: then it widens to show the text whole.
void StatusPanels::setText(int panel, const QString& text) {
    if (panel < 0 || panel >= m_panels.size() || m_panels[panel]->text() == text)
        return;
    QLabel* label = m_panels[panel];
    label->setText(text);
    label->ensurePolished();
    // The size hint never goes below the minimum width: free it to learn what the text needs.
    label->setMinimumWidth(0);
    label->setFixedWidth(qMax(m_widths[panel], label->sizeHint().width()));
    // Painted at once: progress set during a long piece of work shows while it runs.
    label->repaint();
}

QString StatusPanels::text(int panel) const {
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void StatusPanels::setToolTip(int panel, const QString& text) {
    if (panel >= 0 && panel < m_panels.size())
        m_panels[panel]->setToolTip(text);
}

int StatusPanels::panelWidth(int panel) const {
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->width() : 0;
}
