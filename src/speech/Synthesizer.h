#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// A piece of synthesised speech: 16-bit mono samples.
struct SpeechChunk {
    int sampleRate = 0; // 0: the voice could not be loaded, and nothing will be said
    QByteArray samples;
    bool last = false; // the end of the text (samples may still hold its last piece)
};

// Mandarin speech from espeak-ng, synthesised into memory; no sound device is involved. The
// engine is loaded once per process and is not re-entrant, so every text is spoken on one worker
// thread of its own, one after another. Callers get the samples as they come and never wait,
// except through render(), which tools and measurements use.
class Synthesizer {
  public:
    struct Job;
    using Ticket = std::shared_ptr<Job>;

    // The process's synthesizer; the first call must come from the thread that receives chunks
    // (the program's main thread).
    static Synthesizer& instance();

    // Speaks a text at a rate in words per minute. onChunk runs on the main thread for each piece
    // as it is ready, while receiver lives and the ticket is not cancelled.
    Ticket speak(const QString& text, int wordsPerMinute, QObject* receiver,
                 std::function<void(const SpeechChunk&)> onChunk);
    // No more chunks arrive for the ticket; its synthesis ends at the next piece.
    static void cancel(const Ticket& ticket);

    // The whole speech of a text, waiting for it.
    SpeechChunk render(const QString& text, int wordsPerMinute);

    ~Synthesizer();
    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

  private:
    Synthesizer();
    struct Worker;
    std::unique_ptr<Worker> m_worker;
};
