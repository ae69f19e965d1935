// Importing a document of questions end to end, as a user does from the command line.
//   bench_docimport [QUESTIONS] [RUNS]
// Writes a paper of QUESTIONS questions (2,000 by default: the four sections, shared material,
// a picture every 50 questions) as a text paper and as a Word document, then runs
// `veltaro-import PAPER ks.db` on each into a new bank RUNS times (5 by default): the tool starts,
// reads the file in its child, prints what it found and stores every question and picture.
// Prints the median and best wall time and the CPU time of the tool and its child per import.
#include "BenchDocument.h"
#include "documents/PaperWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace documents;

namespace {

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}


} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int questions = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    const Document doc = makeBenchDocument(questions);
    QTemporaryDir dir;
    const QList<std::pair<QString, QByteArray>> files = {{dir.filePath("paper.txt"), writeTextPaper(doc)},
                                                         {dir.filePath("paper.docx"), writeDocxPaper(doc)}};
    for (const auto& [path, bytes] : files) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        QList<double> wall;
        const double cpu0 = childCpuSeconds();
        for (int r = 0; r < runs; ++r) {
            const QString db = dir.filePath(QStringLiteral("ks%1.db").arg(r));
            QElapsedTimer t;
            t.start();
            QProcess tool;
            tool.start(QStringLiteral(VELTARO_IMPORT_TOOL), {path, db});
            tool.waitForFinished(-1);
            wall << double(t.nsecsElapsed()) / 1e6;
            if (tool.exitCode() != 0) {
                std::fprintf(stderr, "%s", tool.readAllStandardError().constData());
                return 1;
            }
            if (r == 0)
                std::fprintf(stderr, "%s", tool.readAllStandardError().constData());
            QFile::remove(db);
            QDir(dir.filePath("pic")).removeRecursively();
        }
        std::sort(wall.begin(), wall.end());
        std::printf("%s (%.2f MB, %d questions): median %.0f ms, best %.0f ms, CPU %.0f ms per import "
                    "(goal: at most 1000 ms)\n",
                    qPrintable(path.section('/', -1)), double(bytes.size()) / 1e6, questions, wall[wall.size() / 2],
                    wall.first(), (childCpuSeconds() - cpu0) * 1000 / runs);
    }
    return 0;
}
