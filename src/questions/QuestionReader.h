#pragma once

#include <QObject>
#include <QString>

class QSoundEffect;
struct AppState;

// Reading questions aloud: plays wav/<position>.wav (relative to the current directory) once, in
// the background. The reading state lives in AppState, so it outlasts any practice window.
class QuestionReader : public QObject {
    Q_OBJECT
  public:
    explicit QuestionReader(AppState& app, QObject* parent = nullptr);
    ~QuestionReader() override;

    // "朗读": reading on, play the file for this display position.
    void read(const QString& positionText);
    // "停止": stop the sound, reading off.
    void stop();
    // "暂停": the status only.
    void pause();
    // Stops the sound that is playing, if any; the reading state stays.
    void stopSound();

    // The file read for a display position, or empty when the text is not a whole number.
    static QString soundFileFor(const QString& positionText);
    // The file last started (empty when nothing was), for tests.
    QString lastStarted() const { return m_lastStarted; }
    bool playing() const;
    // Tests switch real playback off; the file chosen is still recorded.
    static void setPlaybackEnabled(bool on);

  private:
    AppState& m_app;
    QSoundEffect* m_effect = nullptr;
    QString m_lastStarted;
};
