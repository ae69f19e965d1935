#pragma once

#include "speech/Synthesizer.h"
#include "speech/Wav.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class AudioOutput;

// Reading questions aloud. A question's recording wav/<question number>.wav, found from the
// program's current directory, is played when it holds a playable sound; otherwise the
// question's text is spoken. The reader owns the reading state ("朗读" switches it on, "停止"
// off), so reading outlives any practice window. It tells its state through statusText() and
// needs nothing else of the program.
class QuestionReader : public QObject {
    Q_OBJECT
  public:
    using OutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

    // Without a factory the one set by setOutputFactory() is used (the sound device by default).
    // The output is made on first use: nothing touches the sound system before that.
    explicit QuestionReader(QObject* parent = nullptr, OutputFactory factory = {});
    ~QuestionReader() override;

    // "朗读": reading on. A held reading goes on from where it was; otherwise the question is read
    // from its start.
    void read(std::optional<qint64> questionNumber, const QString& text);
    // "停止": the sound ends, reading off.
    void stop();
    // "暂停": holds the sound where it is; pressed again, it goes on. With nothing playing it does
    // nothing.
    void pause();
    // Ends the sound, if any; the reading state stays (another question is about to be shown).
    void stopSound();
    // Said just before the next question is read (the verdict on a saved answer) ...
    void sayBeforeNextRead(const QString& text);
    // ... or on its own when no question was read after all (a save on the last question).
    void sayPending();

    // Says a short notice (the exam clock's warnings) while reading is on; the status text stays
    // as it is. False when nothing is said.
    bool announce(const QString& text);

    bool reading() const { return m_reading; }
    bool held() const { return m_held; }
    enum class Sound { None, Recording, Speech };
    Sound sound() const { return m_sound; }
    bool playing() const { return m_sound != Sound::None; }
    // The recording playing, as named from the current directory ("wav/3.wav"); empty otherwise.
    QString lastStarted() const { return m_lastStarted; }
    // What is being said, sentence by sentence; empty when no text is spoken.
    QStringList spokenSentences() const { return m_sentences; }

    // The speed as a slider step (-10 … 10, 0 the voice's normal rate); it applies from the next
    // sentence.
    int rateStep() const { return m_rateStep; }
    void setRateStep(int step);

    // Writes the spoken reading of a text as a 16-bit PCM .wav file. done(error) follows on the
    // main thread, with an empty error on success.
    void saveRecording(const QString& text, const QString& path,
                       std::function<void(const QString& error)> done);

    // The recording of a question number ("wav/12.wav"); empty for a number below 1.
    static QString recordingFor(qint64 questionNumber);

    // Test seams: the output every later reader uses, or a silent one that plays nothing.
    static void setOutputFactory(OutputFactory factory);
    static void setPlaybackEnabled(bool on);

  signals:
    void statusText(int panel, const QString& text);
    // The first samples of a reading went to the output.
    void audioStarted();

  private:
    struct Segment {
        Sound kind = Sound::None;
        QString text;     // speech
        wav::Sound sound; // recording
        QString name;
    };

    AudioOutput* output();
    std::optional<Segment> recording(std::optional<qint64> questionNumber) const;
    void startSegments(std::deque<Segment> segments);
    void playNextSegment();
    void requestSentence();
    void takeChunk(quint64 generation, const SpeechChunk& chunk);
    void topUp();
    void noDevice();

    OutputFactory m_factory;
    std::unique_ptr<AudioOutput> m_output;
    bool m_reading = false;
    bool m_held = false;
    Sound m_sound = Sound::None;
    QString m_lastStarted;
    QString m_pending;
    int m_rateStep = 0;

    std::deque<Segment> m_segments;
    QStringList m_sentences;
    int m_nextSentence = 0;
    Synthesizer::Ticket m_ticket;
    bool m_streamOpen = false;
    quint64 m_generation = 0;
    QTimer m_topUp;
};
