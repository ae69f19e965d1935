// Reading aloud:
//  1. time from "朗读" to the first samples handed to the sound output, for a question of 200
//     characters: the first reading of the process (which loads the voice) and later ones;
//  2. synthesis speed: seconds of speech per CPU second, and per wall-clock second.
#include "questions/QuestionReader.h"
#include "speech/AudioOutput.h"
#include "speech/SpeechText.h"
#include "speech/Synthesizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString question200() {
    QString text = QStringLiteral(
        "下列关于企业会计核算基本前提的表述中，正确的是（  ）。企业在进行会计核算时，应当以持续经营为前提，"
        "假定企业在可以预见的将来不会面临破产和清算；会计分期将持续经营的生产经营活动划分为连续、相等的期间，"
        "据以结算盈亏，按期编制财务报告。A.会计主体确定了会计核算的空间范围 "
        "B.持续经营与会计分期确定了会计核算的"
        "时间范围 C.货币计量为会计核算提供了必要的手段 "
        "D.以上说法都正确，并且适用于所有企业和行政事业单位的会计核算工作");
    return text.left(200);
}

double msToFirstAudio(QuestionReader& reader, const QString& text) {
    bool started = false;
    const auto c = QObject::connect(&reader, &QuestionReader::audioStarted, [&] { started = true; });
    QElapsedTimer t;
    t.start();
    reader.read(std::nullopt, text);
    while (!started)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    QObject::disconnect(c);
    reader.stopSound();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir here; // no recordings in the current directory
    QDir::setCurrent(here.path());
    const QString text = question200();
    std::printf("question: %lld characters\n", qlonglong(text.size()));

    QuestionReader reader(nullptr, [] { return std::make_unique<SilentOutput>(); });
    const double cold = msToFirstAudio(reader, text);
    std::printf("first audio, first reading of the process (loads the voice): %.1f ms\n", cold);
    std::vector<double> warm;
    for (int i = 0; i < 30; ++i)
        warm.push_back(msToFirstAudio(reader, text));
    std::sort(warm.begin(), warm.end());
    std::printf("first audio, later readings (%zu): median %.1f ms, best %.1f ms, worst %.1f ms\n",
                warm.size(), warm[warm.size() / 2], warm.front(), warm.back());

    Synthesizer& synth = Synthesizer::instance();
    const QString spoken = speech::spokenText(text);
    for (int step : {-10, 0, 10}) {
        const int runs = 5;
        double audio = 0;
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        for (int i = 0; i < runs; ++i) {
            const SpeechChunk all = synth.render(spoken, speech::wordsPerMinute(step));
            if (all.sampleRate <= 0) {
                std::printf("no voice\n");
                return 1;
            }
            audio += double(all.samples.size() / 2) / all.sampleRate;
        }
        const double cpu = cpuSeconds() - cpu0;
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        std::printf("speed step %+d (%d words/min): %.1f s of speech per reading; %.1f s of speech per CPU "
                    "second, %.1f per wall second\n",
                    step, speech::wordsPerMinute(step), audio / runs, audio / cpu, audio / seconds);
    }
    return 0;
}
