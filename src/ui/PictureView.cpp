#include "ui/PictureView.h"

#include "ui/ModalLoops.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

PictureView::PictureView(const QPixmap& picture, const QString& title, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("图片窗口"));
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_picture = new QLabel;
    m_picture->setPixmap(picture);
    m_picture->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea;
    m_scroll->setWidget(m_picture);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(QStringLiteral("关闭"));
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_scroll);
    layout->addWidget(buttons);

    // As large as the picture, within most of the screen; the rest scrolls.
    const QScreen* screen = parent ? parent->screen() : nullptr;
    const QSize room = (screen ? screen->availableGeometry().size() * 0.9 : QSize(1024, 768)) - QSize(40, 80);
    const int frame = 2 * m_scroll->frameWidth();
    QSize wanted = picture.size() + QSize(frame, frame);
    const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
    if (wanted.width() > room.width())
        wanted.rheight() += bar;
    if (wanted.height() > room.height())
        wanted.rwidth() += bar;
    m_scroll->setMinimumSize(wanted.boundedTo(room).expandedTo(QSize(160, 120)));
}

void PictureView::showFullSize(QWidget* parent, const QPixmap& picture, const QString& title) {
    const ModalLoops::Guard loop;
    PictureView view(picture, title, parent);
    view.exec();
}
