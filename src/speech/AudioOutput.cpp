#include "speech/AudioOutput.h"

#include <QAudioSink>
#include <QMediaDevices>

namespace {
// How often the sink is topped up, and how long the last samples are given to leave the device's
// own buffer once the sink has taken them all.
constexpr int kFeedMilliseconds = 20;
constexpr int kTailMilliseconds = 150;
} // namespace

SinkOutput::SinkOutput(std::function<QAudioDevice()> device, QObject* parent)
    : AudioOutput(parent), m_device(std::move(device)) {
    if (!m_device)
        m_device = [] { return QMediaDevices::defaultAudioOutput(); };
    m_feeder.setInterval(kFeedMilliseconds);
    connect(&m_feeder, &QTimer::timeout, this, &SinkOutput::feed);
}

SinkOutput::~SinkOutput() {
    stop();
}

bool SinkOutput::deviceAvailable() {
    return !m_device().isNull();
}

bool SinkOutput::start(const QAudioFormat& format) {
    stop();
    const QAudioDevice device = m_device();
    if (device.isNull() || !format.isValid())
        return false;
    ++m_stream;
    m_sink = new QAudioSink(device, format, this);
    connect(m_sink, &QAudioSink::stateChanged, this, &SinkOutput::checkState);
    m_io = m_sink->start();
    const QAudio::Error error = m_sink->error();
    if (!m_io || error == QAudio::OpenError || error == QAudio::FatalError) {
        stop();
        return false;
    }
    m_feeder.start();
    return true;
}

void SinkOutput::write(const QByteArray& samples) {
    if (!m_sink)
        return;
    m_queue.append(samples);
    feed();
}

void SinkOutput::endOfStream() {
    m_ending = true;
    feed();
}

void SinkOutput::suspend() {
    if (!m_sink || m_suspended)
        return;
    m_suspended = true;
    m_feeder.stop();
    m_sink->suspend();
}

void SinkOutput::resume() {
    if (!m_sink || !m_suspended)
        return;
    m_suspended = false;
    m_sink->resume();
    m_feeder.start();
    feed();
}

void SinkOutput::stop() {
    m_feeder.stop();
    m_queue.clear();
    m_queueAt = 0;
    m_ending = false;
    m_suspended = false;
    m_drainSignalled = false;
    m_io = nullptr;
    if (m_sink) {
        QAudioSink* sink = m_sink;
        m_sink = nullptr;
        sink->disconnect(this);
        sink->stop();
        delete sink;
    }
}

qint64 SinkOutput::queuedBytes() const {
    if (!m_sink)
        return 0;
    return (m_queue.size() - m_queueAt) + qMax<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
}

void SinkOutput::feed() {
    if (!m_sink || !m_io || m_suspended)
        return;
    const qint64 free = m_sink->bytesFree();
    const qint64 left = m_queue.size() - m_queueAt;
    if (free > 0 && left > 0) {
        const qint64 written = m_io->write(m_queue.constData() + m_queueAt, qMin(free, left));
        if (written > 0)
            m_queueAt += written;
        if (m_queueAt == m_queue.size()) {
            m_queue.clear();
            m_queueAt = 0;
        } else if (m_queueAt > (1 << 20) && m_queueAt > m_queue.size() / 2) {
            m_queue.remove(0, m_queueAt);
            m_queueAt = 0;
        }
    }
    checkState();
}

// Errors end the stream; a stream that was told to end is drained once the sink holds nothing.
void SinkOutput::checkState() {
    if (!m_sink)
        return;
    const QAudio::Error error = m_sink->error();
    if (error == QAudio::OpenError || error == QAudio::IOError || error == QAudio::FatalError) {
        stop();
        emit failed();
        return;
    }
    if (!m_ending || m_suspended || m_drainSignalled || m_queue.size() > m_queueAt)
        return;
    const bool empty = m_sink->state() == QAudio::IdleState || m_sink->bytesFree() >= m_sink->bufferSize();
    if (!empty)
        return;
    m_drainSignalled = true;
    m_feeder.stop();
    QTimer::singleShot(kTailMilliseconds, this, [this, stream = m_stream] {
        if (m_sink && m_stream == stream && m_drainSignalled) {
            stop();
            emit drained();
        }
    });
}

void SilentOutput::endOfStream() {
    QMetaObject::invokeMethod(this, &AudioOutput::drained, Qt::QueuedConnection);
}
