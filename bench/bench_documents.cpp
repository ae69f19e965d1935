// Speed of the text and Word paper readers.
//   bench_documents [QUESTIONS] [RUNS]
// Makes a paper of QUESTIONS questions (2000 by default) in the four sections, with explanations,
// shared material on the 不定项 questions and a picture on every 50th, writes it as text and as
// .docx, then times, RUNS times (5 by default), reading each file into papers (everything up to the
// preview: decoding or unzipping, paragraphs, the layout, the checks). Prints the median and the
// best wall time, the time of writing, and the CPU time of the reading runs.
#include "BenchDocument.h"
#include "documents/PaperWriter.h"
#include "documents/TextPaper.h"
#include "documents/WordPaper.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace documents;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Times {
    QList<double> ms;
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms.isEmpty() ? 0 : ms[ms.size() / 2];
    }
    double best() const { return ms.isEmpty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};


} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int questions = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    const Document doc = makeBenchDocument(questions);
    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const QByteArray text = writeTextPaper(doc);
    const double textWrite = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    const QByteArray docx = writeDocxPaper(doc);
    const double docxWrite = double(t.nsecsElapsed()) / 1e6;
    const QString textPath = dir.filePath(QStringLiteral("paper.txt")),
                  docxPath = dir.filePath(QStringLiteral("paper.docx"));
    for (const auto& [path, bytes] : {std::pair{textPath, text}, {docxPath, docx}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("%d questions: text %.2f MB written in %.0f ms; .docx %.2f MB written in %.0f ms\n",
                questions, double(text.size()) / 1e6, textWrite, double(docx.size()) / 1e6, docxWrite);
    for (const bool word : {false, true}) {
        Times times;
        const double cpu0 = cpuSeconds();
        for (int r = 0; r < runs; ++r) {
            t.restart();
            const Document back = word ? readDocxPaperFile(docxPath) : readTextPaperFile(textPath);
            times.ms << double(t.nsecsElapsed()) / 1e6;
            if (!back.error.isEmpty() || back.questionCount() != questions || !back.problems.isEmpty()) {
                std::fprintf(stderr, "read back %d questions, %lld problems: %s\n", back.questionCount(),
                             qlonglong(back.problems.size()), qPrintable(back.error));
                return 1;
            }
        }
        std::printf("read %s: median %.0f ms, best %.0f ms (goal: at most 1000 ms); CPU %.2f s for %d runs\n",
                    word ? ".docx" : "text ", times.median(), times.best(), cpuSeconds() - cpu0, runs);
    }
    return 0;
}
