// Turns an Access question bank, a workbook or a folder of CSV files into the program's own bank
// file, and a bank into a workbook.
//   veltaro-import ks.mdb ks.db
//   veltaro-import BANK.xlsx ks.db          sheets 试卷, 题库 (and 评分, 练习记录)
//   veltaro-import FOLDER ks.db             试卷.csv, 题库.csv (and 评分.csv, 练习记录.csv)
//   veltaro-import SOURCE postgresql://…    any of these into an empty database on a PostgreSQL
//                                           server: the tables, the indexes and every row
//   veltaro-import --export ks.db OUT.xlsx
//   veltaro-import --check ks.mdb           reads every row of every table; prints the row counts
//   veltaro-import --child ks.mdb OUT       as the program runs it: progress and result as lines
// Prints the rows imported per table, or the error; exits non-zero on failure. An existing output
// file is never overwritten, and a failed import leaves no output file.
#include "bank/BankWorkbook.h"
#include "store/AccessImport.h"
#include "store/BankFile.h"
#include "store/ChildImport.h"
#include "store/ServerAddress.h"
#include "store/ServerBank.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void usage() {
    std::fprintf(
        stderr, "usage: veltaro-import BANK.mdb OUT.db\n"
                "       veltaro-import BANK.xlsx OUT.db\n"
                "       veltaro-import FOLDER OUT.db\n"
                "       veltaro-import BANK.db|BANK.mdb|BANK.xlsx|FOLDER postgresql://[USER@]HOST/DBNAME\n"
                "       veltaro-import --export BANK.db OUT.xlsx\n"
                "       veltaro-import --check BANK.mdb\n"
                "Imports the tables 试卷, 题库 and 评分 of an Access file, a workbook or a folder of\n"
                "CSV files (试卷.csv, 题库.csv, 评分.csv) into a new bank, exports a bank as a workbook, or\n"
                "reads every table of an Access file to see whether it can be read. A workbook or folder\n"
                "may also hold the practice history (练习记录, 练习记录.csv); the export writes it when the\n"
                "bank has one. Into a PostgreSQL database (a libpq URI; passwords also from ~/.pgpass)\n"
                "the import creates the tables and indexes and copies every row, all or nothing; a\n"
                "database holding the tables is refused.\n");
}

// A workbook or a CSV folder into a new bank.
bool isWorkbookSource(const QString& in) {
    return QFileInfo(in).isDir() || in.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

// The workbook names pictures but does not carry them: say which the new bank's folder lacks.
void warnMissingPictures(const QString& in, const QString& out) {
    const bankbook::ReadResult read = bankbook::readBankFile(in);
    const QStringList missing = bankbook::missingPictures(read.tables, QFileInfo(out).absolutePath());
    if (missing.isEmpty())
        return;
    std::fprintf(stderr, "veltaro-import: %lld questions name a picture that %s/pic does not hold yet:\n",
                 static_cast<long long>(missing.size()), qPrintable(QFileInfo(out).absolutePath()));
    for (const QString& line : missing)
        std::fprintf(stderr, "  %s\n", qPrintable(line));
}

// A bank into a new workbook.
int exportWorkbook(const QString& db, const QString& out) {
    if (QFileInfo::exists(out) || QFileInfo(out).isSymLink()) {
        std::fprintf(stderr, "veltaro-import: %s already exists; it is left unchanged\n", qPrintable(out));
        return 1;
    }
    const QString error = bankbook::exportBank(db, out);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("veltaro-import: %s written from %s\n", qPrintable(out), qPrintable(db));
    return 0;
}

// Every row of every table of an Access file, as a check that it can be read at all.
int check(const QString& in) {
    QString error;
    std::unique_ptr<TableSource> source = bankimport::openAccessFile(in, &error);
    if (!source) {
        std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(error));
        return 1;
    }
    for (const QString& table : source->tables()) {
        QList<int> all;
        for (int i = 0; i < source->columns(table).size(); ++i)
            all << i;
        qint64 rows = 0;
        const bool ok = source->readRows(
            table, all,
            [&](const QVariantList&) {
                if (++rows % 256 == 0)
                    bankimport::childprotocol::progress(rows, -1);
                return true;
            },
            &error);
        std::printf("%s\t%lld\n", qPrintable(table), static_cast<long long>(rows));
        if (!ok) {
            std::fprintf(stderr, "veltaro-import: %s: %s\n", qPrintable(table), qPrintable(error));
            return 1;
        }
    }
    return 0;
}

void printCounts(const bankimport::ImportResult& result, const QString& in, const QString& out) {
    qint64 total = 0;
    for (const bankimport::TableCount& c : result.counts) {
        std::printf("%s\t%lld\n", qPrintable(c.table), static_cast<long long>(c.rows));
        total += c.rows;
    }
    std::printf("veltaro-import: %lld rows from %s into %s\n", static_cast<long long>(total), qPrintable(in),
                qPrintable(out));
    for (const QString& note : result.notes)
        std::printf("veltaro-import: %s\n", qPrintable(note));
}

// Any source into an empty database on a server: a bank file as it is, the others first into a
// bank file of their own (an Access file through the reader in a child process, as the program
// reads one), then copied in one transaction.
int importToServer(const QString& in, const QString& uri) {
    const ServerAddress address = ServerAddress::parse(uri);
    if (!address.ok()) {
        std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(address.error));
        return 2;
    }
    QTemporaryDir work;
    QString bankFile = in;
    if (isWorkbookSource(in) || !bankfile::readHeader(in).sqlite) {
        if (!QFileInfo::exists(in)) {
            std::fprintf(stderr, "veltaro-import: %s does not exist\n", qPrintable(in));
            return 1;
        }
        bankFile = work.filePath(QStringLiteral("ks.db"));
        const bankimport::ImportResult made =
            isWorkbookSource(in)
                ? bankbook::importToNewBank(in, bankFile)
                : bankimport::importInChild(QCoreApplication::applicationFilePath(), in, bankFile);
        if (!made.ok) {
            std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(made.error));
            return 1;
        }
    }
    const bankimport::ImportResult result = serverbank::copyToServer(bankFile, uri);
    if (!result.ok) {
        std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(result.error));
        return 1;
    }
    printCounts(result, in, address.shownUri());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--export"))
        return exportWorkbook(args[1], args[2]);
    if (args.size() == 3 && args[0] == QLatin1String("--child")) {
        bankimport::childprotocol::progress(0, -1);
        const bankimport::ImportResult result =
            bankimport::importFile(args[1], args[2], [](qint64 done, qint64 total) {
                bankimport::childprotocol::progress(done, total);
                return true;
            });
        bankimport::childprotocol::result(result);
        return result.ok ? 0 : 1;
    }
    if (args.size() == 2 && args[0] == QLatin1String("--check"))
        return check(args[1]);
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-'))) {
        usage();
        return args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help")) ? 0
                                                                                                          : 2;
    }
    const QString in = args[0];
    const QString out = args[1];
    if (ServerAddress::isServerUri(out))
        return importToServer(in, out);
    if (QFileInfo::exists(out) || QFileInfo(out).isSymLink()) {
        std::fprintf(stderr, "veltaro-import: %s already exists; it is left unchanged\n", qPrintable(out));
        return 1;
    }
    const bankimport::ImportResult result =
        isWorkbookSource(in) ? bankbook::importToNewBank(in, out) : bankimport::importFile(in, out);
    if (!result.ok) {
        std::fprintf(stderr, "veltaro-import: %s\n", qPrintable(result.error));
        return 1;
    }
    printCounts(result, in, out);
    if (isWorkbookSource(in))
        warnMissingPictures(in, out);
    return 0;
}
