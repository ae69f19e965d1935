#pragma once

#include <QString>
#include <QWidget>

class QKeySequence;

// What a screen reader is told about the program's controls, and what it is told as things change.
namespace a11y {

// The name a screen reader says for a control and its description (what it does, and its key).
void describe(QWidget* control, const QString& name, const QString& description = QString());

// True while an assistive technology (a screen reader) listens to the program.
bool screenReaderActive();
// Test seam: a screen reader counts as running (or not) whatever Qt says.
void assumeScreenReader(bool running);
void forgetAssumedScreenReader();

// The live status line of a window: each announcement becomes its name, and the change is sent as
// an accessibility event, so a screen reader says it without the focus moving. It is one pixel
// large, takes no focus and is drawn as nothing.
class Announcer : public QWidget {
    Q_OBJECT
  public:
    explicit Announcer(QWidget* parent);
    void announce(const QString& text);
    QString text() const { return m_text; }
    // Every announcement since the window was made (kept short), for checks.
    int count() const { return m_count; }

  private:
    QString m_text;
    int m_count = 0;
};

// The announcer of the window a widget lies in (made on first use).
Announcer* announcerOf(QWidget* widget);
// Says a text through the announcer of the widget's window.
void announce(QWidget* widget, const QString& text);

// The question text's description: "第 3 题，共 30 题", with "，剩余 47:55" when a time is given.
QString positionText(qint64 position, qint64 count, const QString& timeLeft = QString());

// Whether spoken notices (verdicts, the exam clock's warnings) also use the program's own voice
// while a screen reader runs; remembered. Off by default: the screen reader says them.
bool voiceWithScreenReader();
void setVoiceWithScreenReader(bool on);
// The program's own voice says notices: no screen reader runs, or the user chose both.
bool useOwnVoice();

// Steps by which the question, answer and explanation text is larger (or smaller) than the chosen
// font (Ctrl+Plus, Ctrl+Minus, Ctrl+0); remembered, between kMinZoom and kMaxZoom.
inline constexpr int kMinZoom = -3;
inline constexpr int kMaxZoom = 12;
int textZoom();
void setTextZoom(int steps);
// A point size grown (or shrunk) by zoom steps of 2 points, never below 6 or above 72.
int zoomedSize(int size, int steps);

// The high-contrast look: remembered; the program's skin applies it through the hook it sets.
bool highContrast();
void setHighContrast(bool on);
void setContrastHook(void (*apply)(bool on));

} // namespace a11y
