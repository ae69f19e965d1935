#include "questions/QuestionReader.h"

#include "questions/QuestionText.h"
#include "speech/AudioOutput.h"
#include "speech/SpeechText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr int kStatusPanel = 1;
// The next sentence is asked for when less than this much speech waits to be played (16-bit mono
// at the voice's 22 050 Hz): enough to cover its synthesis, little enough that a new speed is
// heard soon.
constexpr qint64 kAheadBytes = 22050 * 2;
// Larger files are not read into memory as recordings.
constexpr qint64 kLargestRecording = 256ll << 20;

QuestionReader::OutputFactory& defaultFactory() {
    static QuestionReader::OutputFactory factory = [] { return std::make_unique<SinkOutput>(); };
    return factory;
}

} // namespace

QuestionReader::QuestionReader(QObject* parent, OutputFactory factory)
    : QObject(parent), m_factory(factory ? std::move(factory) : defaultFactory()) {
    m_topUp.setInterval(40);
    connect(&m_topUp, &QTimer::timeout, this, &QuestionReader::topUp);
}

QuestionReader::~QuestionReader() {
    Synthesizer::cancel(m_ticket);
}

void QuestionReader::setOutputFactory(OutputFactory factory) {
    defaultFactory() = std::move(factory);
}

void QuestionReader::setPlaybackEnabled(bool on) {
    if (on)
        setOutputFactory([] { return std::make_unique<SinkOutput>(); });
    else
        setOutputFactory([] { return std::make_unique<SilentOutput>(); });
}

QString QuestionReader::recordingFor(qint64 questionNumber) {
    if (questionNumber < 1)
        return {};
    return QStringLiteral("wav/%1.wav").arg(questionNumber);
}

AudioOutput* QuestionReader::output() {
    if (!m_output) {
        m_output = m_factory();
        connect(m_output.get(), &AudioOutput::drained, this, &QuestionReader::playNextSegment);
        connect(m_output.get(), &AudioOutput::failed, this, &QuestionReader::noDevice);
    }
    return m_output.get();
}

void QuestionReader::setRateStep(int step) {
    m_rateStep = qBound(-10, step, 10);
}

// A file that is missing, too large or no playable sound counts as no recording: the text is
// spoken instead.
std::optional<QuestionReader::Segment> QuestionReader::recording(std::optional<qint64> questionNumber) const {
    if (!questionNumber)
        return std::nullopt;
    const QString name = recordingFor(*questionNumber);
    if (name.isEmpty())
        return std::nullopt;
    const QString path = resolveBankPath(QDir::currentPath(), name);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > kLargestRecording)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    auto sound = wav::parse(file.readAll());
    if (!sound)
        return std::nullopt;
    return Segment{Sound::Recording, QString(), std::move(*sound), name};
}

void QuestionReader::read(std::optional<qint64> questionNumber, const QString& text) {
    m_reading = true;
    if (m_held && playing()) {
        pause(); // goes on
        return;
    }
    stopSound();
    std::deque<Segment> segments;
    if (!m_pending.isEmpty())
        segments.push_back(Segment{Sound::Speech, std::exchange(m_pending, QString()), {}, {}});
    if (auto rec = recording(questionNumber))
        segments.push_back(std::move(*rec));
    else
        segments.push_back(Segment{Sound::Speech, text, {}, {}});
    startSegments(std::move(segments));
}

void QuestionReader::startSegments(std::deque<Segment> segments) {
    if (!output()->deviceAvailable()) {
        noDevice();
        return;
    }
    emit statusText(kStatusPanel, QStringLiteral("正在读题...!"));
    m_segments = std::move(segments);
    playNextSegment();
}

void QuestionReader::stopSound() {
    ++m_generation;
    Synthesizer::cancel(m_ticket);
    m_ticket.reset();
    m_topUp.stop();
    m_segments.clear();
    m_sentences.clear();
    m_nextSentence = 0;
    m_streamOpen = false;
    if (m_output)
        m_output->stop();
    m_sound = Sound::None;
    m_held = false;
    m_lastStarted.clear();
}

void QuestionReader::stop() {
    stopSound();
    m_reading = false;
    m_pending.clear();
    emit statusText(kStatusPanel, QStringLiteral("停止读题!"));
}

void QuestionReader::pause() {
    if (m_held) {
        m_held = false;
        if (m_streamOpen || m_sound == Sound::Recording)
            m_output->resume();
        m_topUp.start();
        emit statusText(kStatusPanel, QStringLiteral("正在读题...!"));
        return;
    }
    // Nothing to hold: the status keeps what it said.
    if (!playing())
        return;
    m_held = true;
    if (m_streamOpen || m_sound == Sound::Recording)
        m_output->suspend();
    emit statusText(kStatusPanel, QStringLiteral("暂停朗读!"));
}

void QuestionReader::sayBeforeNextRead(const QString& text) {
    m_pending = text;
}

void QuestionReader::sayPending() {
    if (m_pending.isEmpty())
        return;
    if (!m_reading) {
        m_pending.clear();
        return;
    }
    stopSound();
    std::deque<Segment> segments;
    segments.push_back(Segment{Sound::Speech, std::exchange(m_pending, QString()), {}, {}});
    startSegments(std::move(segments));
}

bool QuestionReader::announce(const QString& text) {
    if (!m_reading)
        return false;
    stopSound();
    m_pending.clear();
    if (!output()->deviceAvailable())
        return false;
    m_segments.push_back(Segment{Sound::Speech, text, {}, {}});
    playNextSegment();
    return true;
}

void QuestionReader::playNextSegment() {
    m_topUp.stop();
    m_streamOpen = false;
    m_sentences.clear();
    m_nextSentence = 0;
    m_lastStarted.clear();
    if (m_segments.empty()) {
        m_sound = Sound::None;
        m_held = false;
        return;
    }
    Segment next = std::move(m_segments.front());
    m_segments.pop_front();
    m_sound = next.kind;
    if (next.kind == Sound::Recording) {
        m_lastStarted = next.name;
        if (!output()->start(next.sound.format)) {
            noDevice();
            return;
        }
        m_output->write(next.sound.samples);
        m_output->endOfStream();
        emit audioStarted();
        return;
    }
    m_sentences = speech::sentences(next.text);
    if (m_sentences.isEmpty()) {
        playNextSegment(); // nothing to say
        return;
    }
    requestSentence();
    m_topUp.start();
}

void QuestionReader::requestSentence() {
    const quint64 generation = m_generation;
    m_ticket = Synthesizer::instance().speak(
        m_sentences.at(m_nextSentence++), speech::wordsPerMinute(m_rateStep), this,
        [this, generation](const SpeechChunk& chunk) { takeChunk(generation, chunk); });
}

void QuestionReader::takeChunk(quint64 generation, const SpeechChunk& chunk) {
    if (generation != m_generation)
        return;
    if (chunk.sampleRate <= 0) {
        stopSound();
        emit statusText(kStatusPanel, QStringLiteral("没有可用的中文语音"));
        return;
    }
    if (!chunk.samples.isEmpty()) {
        if (!m_streamOpen) {
            QAudioFormat format;
            format.setSampleRate(chunk.sampleRate);
            format.setChannelCount(1);
            format.setSampleFormat(QAudioFormat::Int16);
            if (!output()->start(format)) {
                noDevice();
                return;
            }
            m_streamOpen = true;
            if (m_held)
                m_output->suspend();
            emit audioStarted();
        }
        m_output->write(chunk.samples);
    }
    if (!chunk.last)
        return;
    m_ticket.reset();
    if (m_nextSentence < m_sentences.size()) {
        topUp();
    } else if (m_streamOpen) {
        m_topUp.stop();
        m_output->endOfStream();
    } else {
        playNextSegment(); // the voice said nothing at all
    }
}

// Asks for the next sentence once the one before is synthesised and little is left to play.
void QuestionReader::topUp() {
    if (m_ticket || m_held || m_nextSentence >= m_sentences.size())
        return;
    if (m_streamOpen && m_output->queuedBytes() >= kAheadBytes)
        return;
    requestSentence();
}

void QuestionReader::noDevice() {
    stopSound();
    m_pending.clear();
    emit statusText(kStatusPanel, QStringLiteral("没有可用的声音设备"));
}

void QuestionReader::saveRecording(const QString& text, const QString& path,
                                   std::function<void(const QString& error)> done) {
    const QString spoken = speech::spokenText(text);
    if (spoken.isEmpty()) {
        done(QStringLiteral("本题没有可以朗读的文字。"));
        return;
    }
    auto samples = std::make_shared<QByteArray>();
    Synthesizer::instance().speak(spoken, speech::wordsPerMinute(m_rateStep), this,
                                  [samples, path, done = std::move(done)](const SpeechChunk& chunk) {
                                      if (chunk.sampleRate <= 0) {
                                          done(QStringLiteral("没有可用的中文语音，声音文件没有保存。"));
                                          return;
                                      }
                                      samples->append(chunk.samples);
                                      if (!chunk.last)
                                          return;
                                      QDir().mkpath(QFileInfo(path).absolutePath());
                                      QSaveFile file(path);
                                      if (!file.open(QIODevice::WriteOnly) ||
                                          file.write(wav::encode16(*samples, chunk.sampleRate)) < 0 ||
                                          !file.commit()) {
                                          done(QStringLiteral("声音文件没有保存：%1\n%2")
                                                   .arg(QDir::toNativeSeparators(path), file.errorString()));
                                          return;
                                      }
                                      done(QString());
                                  });
}
