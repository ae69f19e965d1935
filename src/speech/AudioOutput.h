#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class QAudioSink;
class QIODevice;

// Where reading aloud sends its samples: one stream at a time, fed piece by piece. The program
// plays on the sound device; tests put a fake in its place.
class AudioOutput : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Whether there is a device to play on.
    virtual bool deviceAvailable() = 0;
    // Opens a stream of this format, ending any earlier one; false when the device refuses.
    virtual bool start(const QAudioFormat& format) = 0;
    virtual void write(const QByteArray& samples) = 0;
    // Nothing more follows: drained() comes once the last sample has been played.
    virtual void endOfStream() = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    // Ends the stream at once; no drained() follows.
    virtual void stop() = 0;
    // Bytes written and not yet played.
    virtual qint64 queuedBytes() const = 0;

  signals:
    void drained();
    // The device gave up during the stream.
    void failed();
};

// Plays on the system's default sound output (or another device, for tests) through a
// QAudioSink that is fed from a queue of our own.
class SinkOutput : public AudioOutput {
    Q_OBJECT
  public:
    explicit SinkOutput(std::function<QAudioDevice()> device = {}, QObject* parent = nullptr);
    ~SinkOutput() override;

    bool deviceAvailable() override;
    bool start(const QAudioFormat& format) override;
    void write(const QByteArray& samples) override;
    void endOfStream() override;
    void suspend() override;
    void resume() override;
    void stop() override;
    qint64 queuedBytes() const override;

  private:
    void feed();
    void checkState();

    std::function<QAudioDevice()> m_device;
    QAudioSink* m_sink = nullptr;
    QIODevice* m_io = nullptr;
    QByteArray m_queue;
    qsizetype m_queueAt = 0; // what of m_queue has gone to the sink already
    bool m_ending = false;
    bool m_suspended = false;
    bool m_drainSignalled = false;
    quint64 m_stream = 0; // counts streams, so a late drain timer knows its own
    QTimer m_feeder;
};

// Plays nothing and is done at once: reading aloud where no sound is wanted (the tests' runs, the
// benchmarks).
class SilentOutput : public AudioOutput {
    Q_OBJECT
  public:
    using AudioOutput::AudioOutput;

    bool deviceAvailable() override { return true; }
    bool start(const QAudioFormat&) override { return true; }
    void write(const QByteArray&) override {}
    void endOfStream() override;
    void suspend() override {}
    void resume() override {}
    void stop() override {}
    qint64 queuedBytes() const override { return 0; }
};
