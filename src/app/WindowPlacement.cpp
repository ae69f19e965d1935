#include "app/WindowPlacement.h"

#include <QSettings>
#include <QWidget>

namespace {
// What a window manager's frame usually adds around the client area.
constexpr int kFrameSide = 4;
constexpr int kFrameTop = 32;
constexpr int kFrameBottom = 4;
// The main window's client area when the screen has room: the practice window (800 × 500 at
// design, below the 55-pixel toolbar band and above the status bar) with a larger question area.
constexpr int kPreferredWidth = 1000;
constexpr int kPreferredHeight = 720;
const char* const kGeometryKey = "mainwindow/geometry";
} // namespace

namespace placement {

QSize minimumSize() {
    return {800, 440};
}

QRect firstGeometry(const QRect& available) {
    const int roomWidth = available.width() - 2 * kFrameSide;
    const int roomHeight = available.height() - kFrameTop - kFrameBottom;
    const QSize size(
        qBound(minimumSize().width(), kPreferredWidth, qMax(roomWidth, minimumSize().width())),
        qBound(minimumSize().height(), kPreferredHeight, qMax(roomHeight, minimumSize().height())));
    const int left = available.left() + kFrameSide + qMax(0, (roomWidth - size.width()) / 2);
    const int top = available.top() + kFrameTop + qMax(0, (roomHeight - size.height()) / 2);
    return {QPoint(left, top), size};
}

bool restore(QWidget& window, const QSettings& settings) {
    const QByteArray stored = settings.value(QString::fromLatin1(kGeometryKey)).toByteArray();
    return !stored.isEmpty() && window.restoreGeometry(stored);
}

void save(const QWidget& window, QSettings& settings) {
    settings.setValue(QString::fromLatin1(kGeometryKey), window.saveGeometry());
    settings.sync();
}

} // namespace placement
