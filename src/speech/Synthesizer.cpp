#include "speech/Synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace {
// Samples handed over per callback: short enough that the first sound starts quickly.
constexpr int kChunkMilliseconds = 60;
// The Mandarin voice that reads Chinese characters by their own sounds. The plain "cmn" voice of
// espeak-ng 1.51 reads the tone digits of many syllables aloud as English numbers ("答案" as
// "da two an four"); it stays as the fallback.
const char* const kVoices[] = {"cmn-latn-pinyin", "cmn"};
} // namespace

struct Synthesizer::Job {
    QByteArray utf8;
    int wordsPerMinute = 0;
    std::atomic<bool> cancelled{false};
    // Streaming: the receiver and its handler are touched on the main thread only.
    QPointer<QObject> receiver;
    std::function<void(const SpeechChunk&)> onChunk;
    // Rendering: every sample, handed over at the end.
    std::promise<SpeechChunk>* done = nullptr;
    QByteArray all;
};

struct Synthesizer::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Ticket> queue;
    bool quit = false;
    std::atomic<bool> quitting{false}; // ends a synthesis under way when the process ends
    // Chunks reach the main thread through this object, which lives as long as the process's
    // synthesizer, so nothing is ever posted to a receiver that may be going away.
    QObject mailbox;

    // Worker-thread state.
    bool loaded = false;
    int sampleRate = 0;
    Ticket current;

    std::thread thread; // last: started once everything above exists

    static Worker* self;

    void run();
    void load();
    void synthesise(const Ticket& job);
    void post(const Ticket& job, SpeechChunk chunk);
    static int onSamples(short* samples, int count, espeak_EVENT* events);
};

Synthesizer::Worker* Synthesizer::Worker::self = nullptr;

void Synthesizer::Worker::load() {
    loaded = true;
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kChunkMilliseconds, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0)
        return;
    espeak_SetSynthCallback(&Worker::onSamples);
    for (const char* voice : kVoices)
        if (espeak_SetVoiceByName(voice) == EE_OK) {
            sampleRate = rate;
            return;
        }
}

int Synthesizer::Worker::onSamples(short* samples, int count, espeak_EVENT*) {
    const Ticket& job = self->current;
    if (!job || job->cancelled.load() || self->quitting.load())
        return 1; // ends the synthesis
    if (samples && count > 0) {
        const QByteArray bytes(reinterpret_cast<const char*>(samples), qsizetype(count) * 2);
        if (job->done)
            job->all += bytes;
        else
            self->post(job, SpeechChunk{self->sampleRate, bytes, false});
    }
    return 0;
}

void Synthesizer::Worker::post(const Ticket& job, SpeechChunk chunk) {
    QMetaObject::invokeMethod(
        &mailbox,
        [job, chunk = std::move(chunk)] {
            if (!job->cancelled.load() && job->receiver && job->onChunk)
                job->onChunk(chunk);
        },
        Qt::QueuedConnection);
}

void Synthesizer::Worker::synthesise(const Ticket& job) {
    if (!loaded)
        load(); // the first text of the process loads the voice
    if (sampleRate > 0 && !job->cancelled.load() && !job->utf8.isEmpty()) {
        current = job;
        espeak_SetParameter(espeakRATE, job->wordsPerMinute, 0);
        espeak_Synth(job->utf8.constData(), size_t(job->utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
        current.reset();
    }
    if (job->done) {
        job->done->set_value(SpeechChunk{sampleRate, std::move(job->all), true});
        return;
    }
    post(job, SpeechChunk{sampleRate, {}, true});
}

void Synthesizer::Worker::run() {
    for (;;) {
        Ticket job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return quit || !queue.empty(); });
            if (quit)
                break;
            job = std::move(queue.front());
            queue.pop_front();
        }
        synthesise(job);
    }
    if (sampleRate > 0)
        espeak_Terminate();
}

Synthesizer::Synthesizer() : m_worker(std::make_unique<Worker>()) {
    Worker::self = m_worker.get();
    m_worker->thread = std::thread([w = m_worker.get()] { w->run(); });
}

Synthesizer::~Synthesizer() {
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->quit = true;
        m_worker->quitting = true;
        for (const Ticket& job : m_worker->queue) {
            job->cancelled = true;
            // A render waiting on the queue gets its answer before the thread goes.
            if (job->done)
                job->done->set_value(SpeechChunk{});
        }
        m_worker->queue.clear();
    }
    m_worker->wake.notify_all();
    m_worker->thread.join();
    Worker::self = nullptr;
}

Synthesizer& Synthesizer::instance() {
    static Synthesizer synthesizer;
    return synthesizer;
}

Synthesizer::Ticket Synthesizer::speak(const QString& text, int wordsPerMinute, QObject* receiver,
                                       std::function<void(const SpeechChunk&)> onChunk) {
    auto job = std::make_shared<Job>();
    job->utf8 = text.toUtf8();
    job->wordsPerMinute = wordsPerMinute;
    job->receiver = receiver;
    job->onChunk = std::move(onChunk);
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->queue.push_back(job);
    }
    m_worker->wake.notify_one();
    return job;
}

void Synthesizer::cancel(const Ticket& ticket) {
    if (ticket)
        ticket->cancelled = true;
}

SpeechChunk Synthesizer::render(const QString& text, int wordsPerMinute) {
    std::promise<SpeechChunk> done;
    std::future<SpeechChunk> result = done.get_future();
    auto job = std::make_shared<Job>();
    job->utf8 = text.toUtf8();
    job->wordsPerMinute = wordsPerMinute;
    job->done = &done;
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->queue.push_back(job);
    }
    m_worker->wake.notify_one();
    return result.get();
}
