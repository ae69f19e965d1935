// Reading question files of learning platforms.
//   bench_lms [QUESTIONS] [RUNS]
// Generates a Moodle XML bank (with the writer) and a GIFT file of QUESTIONS questions (2000 by
// default) on 20 categories, with realistic Chinese texts: single and several answers, true/false,
// explanations, and a small picture on every tenth question of the XML file. Times, RUNS times (5 by
// default): writing the XML, reading it, reading the GIFT file, reading the same questions as
// Aiken, and telling the three kinds apart. Prints the median and the best wall time of each.
#include "documents/Aiken.h"
#include "documents/DocumentKind.h"
#include "documents/Gift.h"
#include "documents/MoodleXml.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace documents;

namespace {

QString stem(int i) {
    return QStringLiteral(
               "第%1题 甲公司2025年12月31日“应收账款”科目借方余额为800万元，“坏账准备”科目贷方余额为"
               "40万元。不考虑其他因素，下列各项中，关于该公司资产负债表项目列示的说法正确的是（  ）。")
        .arg(i);
}

Document generated(int count) {
    QByteArray picture("\x89PNG\r\n\x1a\n", 8);
    picture += QByteArray(2000, 'p');
    Document doc;
    for (int p = 0; p < 20; ++p)
        doc.papers.append({QStringLiteral("初级会计实务 第%1章").arg(p + 1), 120, {}});
    for (int i = 0; i < count; ++i) {
        Question q;
        q.stem = stem(i + 1);
        q.explanation = QStringLiteral("应收账款项目应按扣除坏账准备后的账面价值760万元列示，选项B正确。");
        q.mark = i % 3 == 0 ? 2 : 1;
        if (i % 5 == 4) {
            q.answer = i % 2 ? QStringLiteral("对") : QStringLiteral("错");
        } else {
            q.options = {QStringLiteral("应收账款项目列示800万元"), QStringLiteral("应收账款项目列示760万元"),
                         QStringLiteral("坏账准备列示于负债项目"), QStringLiteral("应收账款项目列示840万元")};
            q.answer = i % 5 == 3 ? QStringLiteral("BD") : QStringLiteral("B");
        }
        if (i % 10 == 0)
            q.pictures.append({QStringLiteral("chart.png"), picture});
        doc.papers[i % 20].questions.append(q);
    }
    return doc;
}

QByteArray giftOf(const Document& doc) {
    QString out;
    for (const Paper& paper : doc.papers) {
        out += QStringLiteral("$CATEGORY: $course$/top/%1\n\n").arg(paper.name);
        for (const Question& q : paper.questions) {
            out += QStringLiteral("::%1::").arg(q.stem.left(8)) + q.stem + QStringLiteral(" {\n");
            if (q.options.isEmpty()) {
                out += q.answer == QStringLiteral("对") ? QStringLiteral("T") : QStringLiteral("F");
            } else {
                for (int k = 0; k < q.options.size(); ++k) {
                    const bool right = q.answer.contains(QChar(u'A' + k));
                    if (q.answer.size() == 1)
                        out += (right ? QStringLiteral("=") : QStringLiteral("~")) + q.options[k] + "\n";
                    else
                        out += (right ? QStringLiteral("~%50%") : QStringLiteral("~%-100%")) + q.options[k] +
                               "\n";
                }
            }
            out += QStringLiteral("####") + q.explanation + QStringLiteral("\n}\n\n");
        }
    }
    return out.toUtf8();
}

QByteArray aikenOf(const Document& doc) {
    QString out;
    for (const Paper& paper : doc.papers)
        for (const Question& q : paper.questions) {
            if (q.options.isEmpty())
                continue;
            out += q.stem + "\n";
            for (int k = 0; k < q.options.size(); ++k)
                out += QChar(u'A' + k) + QStringLiteral(". ") + q.options[k] + "\n";
            out += QStringLiteral("ANSWER: ") + q.answer.left(1) + "\n\n";
        }
    return out.toUtf8();
}

void timeIt(const char* what, int runs, const std::function<int()>& work) {
    QList<double> ms;
    int n = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        n = work();
        ms << double(t.nsecsElapsed()) / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s %6d questions: median %7.1f ms, best %7.1f ms\n", what, n, ms[ms.size() / 2],
                ms.first());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int count = qMax(1, app.arguments().value(1, QStringLiteral("2000")).toInt());
    const int runs = qMax(1, app.arguments().value(2, QStringLiteral("5")).toInt());
    const Document doc = generated(count);
    const QByteArray xml = writeMoodleXml(doc);
    const QByteArray gift = giftOf(doc);
    const QByteArray aiken = aikenOf(doc);
    std::printf("files: Moodle XML %.2f MB, GIFT %.2f MB, Aiken %.2f MB\n", xml.size() / 1e6,
                gift.size() / 1e6, aiken.size() / 1e6);

    timeIt("write Moodle XML", runs, [&] { return writeMoodleXml(doc).isEmpty() ? 0 : doc.questionCount(); });
    timeIt("read Moodle XML", runs, [&] {
        const Document d = readMoodleXml(xml, QStringLiteral("题库"));
        return d.error.isEmpty() && d.problems.isEmpty() ? d.questionCount() : -1;
    });
    timeIt("read GIFT", runs, [&] {
        const Document d = readGift(gift, QStringLiteral("题库"));
        return d.problems.isEmpty() ? d.questionCount() : -1;
    });
    timeIt("read Aiken", runs, [&] {
        const Document d = readAiken(aiken, QStringLiteral("题库"));
        return d.problems.isEmpty() ? d.questionCount() : -1;
    });
    timeIt("detect the three kinds", runs, [&] {
        const bool right = detectKind(QStringLiteral("a.xml"), xml.left(4096)) == Kind::MoodleXml &&
                           detectKind(QStringLiteral("a.txt"), gift.left(4096)) == Kind::Gift &&
                           detectKind(QStringLiteral("a.txt"), aiken.left(4096)) == Kind::Aiken;
        return right ? 3 : -1;
    });
    return 0;
}
