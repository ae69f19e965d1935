// Importing a document of questions end to end, as a user does from the command line.
//   bench_docimport [QUESTIONS] [RUNS]
// Writes a paper of QUESTIONS questions (2,000 by default: the four sections, shared material,
// a picture every 50 questions) as a text paper and as a Word document, then runs
// `veltaro-import PAPER ks.db` on each into a new bank RUNS times (5 by default): the tool starts,
// reads the file in its child, prints what it found and stores every question and picture.
// Prints the median and best wall time and the CPU time of the tool and its child per import.
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

Document makePaper(int count) {
    QImage image(160, 90, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    Paper paper{QStringLiteral("2024年初级会计实务 模拟试卷"), 120, {}};
    for (int i = 0; i < count; ++i) {
        Question q;
        const int kind = i * 4 / count;
        q.stem = QStringLiteral("第%1题 下列各项中，关于企业会计核算的表述正确的是（  ）。").arg(i + 1);
        q.explanation = QStringLiteral("行政管理部门人员的工资计入管理费用；销售部门人员的工资计入销售费用。");
        if (kind == 2) {
            q.stem = QStringLiteral("第%1题 企业应当以权责发生制为基础进行会计确认、计量和报告。（  ）").arg(i + 1);
            q.answer = i % 2 ? QStringLiteral("对") : QStringLiteral("错");
            q.type = Type::TrueFalse;
            q.mark = 1;
        } else {
            q.options = {QStringLiteral("销售部门人员的工资"), QStringLiteral("生产车间机器设备的折旧"),
                         QStringLiteral("短期借款的利息支出"), QStringLiteral("行政管理部门人员的工资")};
            q.type = kind == 0 ? Type::Single : kind == 1 ? Type::Multiple : Type::Indefinite;
            q.answer = kind == 0 ? QStringLiteral("D") : QStringLiteral("ACD");
            q.mark = kind == 0 ? 1.5 : 2;
        }
        if (kind == 3)
            q.material = QStringLiteral("甲公司2024年发生如下经济业务：购入原材料一批，价款%1万元。").arg(i / 4);
        if (i % 50 == 0)
            q.pictures = {{QStringLiteral("图.png"), png}};
        paper.questions << q;
    }
    Document doc;
    doc.papers << paper;
    return doc;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int questions = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    const Document doc = makePaper(questions);
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
