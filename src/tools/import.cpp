// Turns an Access question bank into the program's own bank file.
//   veltaro-import ks.mdb ks.db
// Prints the rows imported per table, or the error; exits non-zero on failure. An existing output
// file is never overwritten, and a failed import leaves no output file.
#include "store/AccessImport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: veltaro-import BANK.mdb OUT.db\n"
                             "Imports the tables 试卷, 题库 and 评分 of an Access file into a new bank.\n");
        return args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help")) ? 0
                                                                                                          : 2;
    }
    const QString in = args[0];
    const QString out = args[1];
    if (QFileInfo::exists(out) || QFileInfo(out).isSymLink()) {
        std::fprintf(stderr, "veltaro-import: %s already exists; it is left unchanged\n", qPrintable(out));
        return 1;
    }
    const bankimport::ImportResult result = bankimport::importFile(in, out);
    if (!result.ok) {
        std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(result.error));
        return 1;
    }
    qint64 total = 0;
    for (const bankimport::TableCount& c : result.counts) {
        std::printf("%s\t%lld\n", qPrintable(c.table), static_cast<long long>(c.rows));
        total += c.rows;
    }
    std::printf("veltaro-import: %lld rows from %s into %s\n", static_cast<long long>(total), qPrintable(in),
                qPrintable(out));
    return 0;
}
