#pragma once

#include <QRect>

class QSettings;
class QWidget;

// Where the main window opens and how large it is.
namespace placement {

// The smallest main window (client area) at which the work windows' controls neither overlap nor
// get cut off: the practice window's top row is 784 pixels wide, and the question tabs keep room
// for a few lines. It fits a 1366 × 768 screen at 150 % (911 × 512 less a panel and a title bar).
QSize minimumSize();

// The place when none is remembered: centred on the screen's free area, large enough to show the
// practice window whole with room for its question, never larger than that area less a window
// frame. `available` is the screen's free area; the result is the client area.
QRect firstGeometry(const QRect& available);

// The remembered place, size and maximised state; false when none is stored or it is unusable
// (the window keeps its place then).
bool restore(QWidget& window, const QSettings& settings);
void save(const QWidget& window, QSettings& settings);

} // namespace placement
