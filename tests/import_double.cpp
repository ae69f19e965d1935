// Stands in for the import tool in its child mode (import_double --child IN OUT), behaving as the
// first word of IN says, so that the program's side of the import can be tried against a tool that
// succeeds, crashes, hangs, eats memory, floods its output or ends without a bank:
//   bank N     imports a bank of N questions, reporting progress as the tool does
//   crash      writes part of the bank, then dies of SIGSEGV
//   hang       writes part of the bank, then waits for ever without a word
//   eat        takes memory until a limit stops it
//   flood      prints warnings for ever
//   (other)    exits 0 without a word and without a bank
#include "MemorySource.h"

#include "access/AccessImport.h"
#include "access/ChildImport.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QList<SourceColumn> cols(const QStringList& names) {
    QList<SourceColumn> out;
    for (const QString& n : names)
        out << SourceColumn{n, ValueKind::Text, QStringLiteral("Text")};
    return out;
}

MemorySource bank(int questions) {
    MemorySource s;
    s.data << MemoryTable{QStringLiteral("试卷"),
                          cols({"code", "name", "chouti", "paixu", "kstime"}),
                          {{"1", "导入的试卷", 20, true, 90}}};
    MemoryTable q{QStringLiteral("题库"),
                  cols({"code", "tihao", "question", "pic", "authority", "practice", "jiexi", "score"}),
                  {}};
    for (int i = 1; i <= questions; ++i)
        q.rows << QVariantList{"1", i, QStringLiteral("第%1题 A.甲 B.乙").arg(i), "", "A", "", "", 1};
    s.data << q;
    s.data << MemoryTable{
        QStringLiteral("评分"), cols({"code", "tihao", "answer", "student", "xingming", "state"}), {}};
    return s;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3 || args[0] != QLatin1String("--child"))
        return 2;
    QFile in(args[1]);
    in.open(QIODevice::ReadOnly);
    const QStringList words = QString::fromUtf8(in.readAll()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString what = words.value(0).trimmed();
    const QString out = args[2];
    bankimport::childprotocol::progress(0, -1);
    if (what == QLatin1String("bank")) {
        MemorySource source = bank(words.value(1).trimmed().toInt());
        const auto result =
            bankimport::importBank(source, out, QStringLiteral("ks.mdb"), [](qint64 done, qint64 total) {
                bankimport::childprotocol::progress(done, total);
                return true;
            });
        bankimport::childprotocol::result(result);
        return result.ok ? 0 : 1;
    }
    if (what == QLatin1String("crash") || what == QLatin1String("hang")) {
        QFile part(out);
        part.open(QIODevice::WriteOnly);
        part.write("SQLite format 3");
        part.flush();
        QFile(out + QStringLiteral("-journal")).open(QIODevice::WriteOnly);
        bankimport::childprotocol::progress(256, 1000);
        if (what == QLatin1String("crash"))
            std::raise(SIGSEGV);
        for (;;)
            QThread::sleep(1);
    }
    if (what == QLatin1String("eat")) {
        std::vector<char*> blocks;
        for (;;) {
            char* b = new char[16 << 20];
            std::memset(b, 1, 16 << 20);
            blocks.push_back(b);
        }
    }
    if (what == QLatin1String("flood")) {
        for (;;)
            std::fputs("Warning: unknown page type at offset 4096, skipping\n", stderr);
    }
    return 0;
}
