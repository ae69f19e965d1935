// Turns an Access question bank, a workbook or a folder of CSV files into the program's own bank
// file, and a bank into a workbook.
//   veltaro-import ks.mdb ks.db
//   veltaro-import BANK.xlsx ks.db          sheets 试卷, 题库 (and 评分, 练习记录)
//   veltaro-import FOLDER ks.db             试卷.csv, 题库.csv (and 评分.csv, 练习记录.csv)
//   veltaro-import SOURCE postgresql://…    any of these into an empty database on a PostgreSQL
//                                           server: the tables, the indexes and every row
//   veltaro-import --export ks.db OUT.xlsx
//   veltaro-import PAPER.txt|.docx|.xml|.gift ks.db [--code N], --check PAPER…,
//   veltaro-import --export ks.db OUT.txt|.docx|.xml [--paper CODE]   documents (DocumentTool.h)
//   veltaro-import --check SOURCE           reads every row of every table; prints the row counts
//                                           and what could not be read
//   veltaro-import --child SOURCE OUT       as the program runs it: progress and result as lines
//   veltaro-import --child-check SOURCE     the reading of --check, the same way
// A source file is never read in the process the user started: that process runs this tool
// again in a child mode, under the limits the program uses (memory, CPU time, output, time
// without progress), so that a damaged or hostile file ends in a message, never in a crash or a
// hang. Prints the rows imported per table, or the error; exits non-zero on failure. An existing
// output file is never overwritten, and a failed import leaves no output file.
#include "DocumentTool.h"
#include "bank/BankEdits.h"
#include "bank/Compose.h"
#include "bank/BankWorkbook.h"
#include "bank/ImportFiles.h"
#include "access/AccessImport.h"
#include "access/AccessReader.h"
#include "store/BankFile.h"
#include "access/ChildImport.h"
#include "server/ServerAddress.h"
#include "server/ServerBank.h"
#include "store/Store.h"
#include "ClassroomCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& text) {
    std::fprintf(stderr, "veltaro-import：%s\n", text.toUtf8().constData());
}

QString helpText() {
    QString kinds = QStringLiteral("  Access 题库（.mdb）\n");
    for (const bankbook::FileKind& kind : bankbook::fileKinds())
        kinds += kind.patterns.isEmpty()
                     ? QStringLiteral("  %1：存放 试卷.csv、题库.csv（和 评分.csv、练习记录.csv）的文件夹\n")
                           .arg(kind.title)
                     : QStringLiteral("  %1（%2）\n").arg(kind.title, kind.patterns.join(QLatin1Char(' ')));
    return QStringLiteral(
               "用法：veltaro-import [--verbose] 来源 新题库.db\n"
               "      veltaro-import [--verbose] 来源 postgresql://[用户@]服务器/数据库\n"
               "      veltaro-import --export 题库.db 输出.xlsx\n"
               "      veltaro-import --check [--verbose] 来源\n"
               "      veltaro-import --compose 题库.db 选项…\n"
               "\n"
               "把一个题库（试卷、题库和评分，以及练习记录）导入一个新的题库文件，或者导入 PostgreSQL\n"
               "服务器上一个还没有题库的数据库（建表、建索引、复制每一行，要么全部成功，要么什么也\n"
               "不做；密码也可以写在 ~/.pgpass 中）。已经存在的输出文件从不覆盖；导入失败时不留下\n"
               "任何文件。来源可以是：\n") +
           kinds +
           QStringLiteral(
               "\n"
               "选项：\n"
               "  --export    把题库文件导出为工作簿（有练习记录时也导出它）。\n"
               "  --check     把来源从头到尾读一遍，列出每张表的行数和读不出的内容；有读不出的\n"
               "              内容时以非零状态退出。\n"
               "  --verbose   另外显示 Access 库读取时给出的英文警告原文。\n") +
           bank::composeHelp() +
           QStringLiteral(
               "  -h, --help  显示本帮助后退出。\n"
               "\n") +
           classroomHelp() +
           QStringLiteral(
               "\n"
               "来源不在本进程中读取：本程序另起一个受限的子进程读取它（内存 1 GiB、CPU 时间 10 分钟、\n"
               "输出 4 MiB，30 秒没有进展即停止），所以损坏的文件只会得到一条说明，不会让程序\n"
               "崩溃或卡住。\n") +
           doctool::helpText();
}

bool exists(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

QString self() {
    return QCoreApplication::applicationFilePath();
}

// libmdb's warnings on standard error: one Chinese line, the raw lines only when asked.
void tellWarnings(const bankimport::ChildRun& run, bool verbose) {
    if (run.errorLines == 0)
        return;
    say(QStringLiteral("读取时 Access 库给出了 %1 行英文警告，文件可能有损坏%2")
            .arg(run.errorLines)
            .arg(verbose ? QStringLiteral("：") : QStringLiteral("（加 --verbose 可以看到原文）。")));
    if (!verbose)
        return;
    std::fputs(run.errors.toUtf8().constData(), stderr);
    const qint64 shown = run.errors.count(QLatin1Char('\n'));
    if (shown < run.errorLines)
        say(QStringLiteral("……其余 %1 行警告从略。").arg(run.errorLines - shown));
}

// Shows the progress of the child on a terminal.
bankimport::Progress terminalProgress() {
    if (!::isatty(STDERR_FILENO))
        return {};
    return [](qint64 done, qint64 total) {
        if (total > 0)
            std::fprintf(stderr, "\r正在读取…… %3lld%%",
                         static_cast<long long>(qMin(done, total) * 100 / total));
        return true;
    };
}

void endProgress() {
    if (::isatty(STDERR_FILENO))
        std::fputs("\r\033[K", stderr);
}

// ---- the child modes: the only places where a source file is read ----

// "rows TABLE N" for each table read through, "error TEXT" for each thing that could not be.
int childCheckAccess(const QString& in) {
    QString error;
    std::unique_ptr<TableSource> source = bankimport::openAccessFile(in, &error);
    if (!source) {
        bankimport::childprotocol::result({false, false, error, {}, {}});
        return 1;
    }
    QStringList problems;
    if (auto* reader = dynamic_cast<AccessReader*>(source.get())) {
        if (reader->catalogueRows() < 0)
            problems << QStringLiteral("文件的目录表无法读取，表的清单可能不完整");
        else if (reader->catalogueRead() < reader->catalogueRows())
            problems << QStringLiteral("文件的目录只读出了 %1 项，目录中记有 %2 项：有些表可能已经丢失")
                            .arg(reader->catalogueRead())
                            .arg(reader->catalogueRows());
    }
    const QStringList tables = source->tables();
    if (tables.isEmpty())
        problems << QStringLiteral("文件中没有读得出的表");
    for (const QString& table : tables) {
        if (table.trimmed().isEmpty())
            problems << QStringLiteral("目录中有一张表的名字读不出来");
        const QList<SourceColumn> columns = source->columns(table);
        if (columns.isEmpty()) {
            problems << QStringLiteral("表 %1 的定义无法读取").arg(table);
            continue;
        }
        QList<int> all;
        for (int i = 0; i < columns.size(); ++i)
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
        if (ok)
            std::printf("rows %s %lld\n", table.toUtf8().constData(), static_cast<long long>(rows));
        else
            problems << QStringLiteral("表 %1（读出 %2 行后）：%3").arg(table).arg(rows).arg(error);
        std::fflush(stdout);
    }
    for (const QString& p : problems)
        std::printf("error %s\n", p.toUtf8().constData());
    std::fflush(stdout);
    return problems.isEmpty() ? 0 : 1;
}

int childCheckFile(const QString& in) {
    int shown = -1;
    sheets::Budget budget({}, [&](qint64 done, qint64 total) {
        const int permille = total > 0 ? int(qMin(done, total) * 1000 / total) : 0;
        if (permille != shown)
            bankimport::childprotocol::progress(shown = permille, 1000);
        return true;
    });
    const bankbook::ReadResult read = bankbook::readBankFile(in, budget);
    if (read.error.isEmpty()) {
        const QList<QPair<QString, qint64>> counts{{QStringLiteral("试卷"), read.tables.papers.size()},
                                                   {QStringLiteral("题库"), read.tables.questions.size()},
                                                   {QStringLiteral("评分"), read.tables.answers.size()},
                                                   {QStringLiteral("练习记录"), read.tables.history.size()}};
        for (const auto& [table, rows] : counts)
            std::printf("rows %s %lld\n", table.toUtf8().constData(), static_cast<long long>(rows));
    }
    if (!read.ok())
        for (const QString& line : read.report(bankbook::kReportedProblems).split(QLatin1Char('\n')))
            std::printf("error %s\n", line.toUtf8().constData());
    std::fflush(stdout);
    return read.ok() ? 0 : 1;
}

int childImport(const QString& in, const QString& out) {
    bankimport::childprotocol::progress(0, -1);
    auto progress = [](qint64 done, qint64 total) {
        bankimport::childprotocol::progress(done, total);
        return true;
    };
    const bankimport::ImportResult result = bankbook::kindOf(in)
                                                ? bankbook::importToNewBank(in, out, progress)
                                                : bankimport::importFile(in, out, progress);
    bankimport::childprotocol::result(result);
    return result.ok ? 0 : 1;
}

// ---- what the user runs ----

int check(const QString& in, bool verbose) {
    const bankimport::ChildLimits limits;
    const bankimport::ChildRun run =
        bankimport::runChild(self(), {QStringLiteral("--child-check"), in}, terminalProgress(), limits);
    endProgress();
    const QString name = QFileInfo(in).fileName();
    qint64 tables = 0, rows = 0;
    QStringList problems;
    for (const QString& line : run.lines) {
        if (line.startsWith(QLatin1String("rows "))) {
            const int space = line.lastIndexOf(QLatin1Char(' '));
            std::printf("%s\t%s\n", line.mid(5, space - 5).toUtf8().constData(),
                        line.mid(space + 1).toUtf8().constData());
            ++tables;
            rows += line.mid(space + 1).toLongLong();
        } else if (line.startsWith(QLatin1String("error "))) {
            problems << line.mid(6);
        }
    }
    std::fflush(stdout);
    for (const QString& p : problems)
        say(p);
    tellWarnings(run, verbose);
    if (const QString failed = bankimport::failure(run, self(), name, limits); !failed.isEmpty()) {
        say(failed);
        say(QStringLiteral("检查没有通过：%1 没能读完。").arg(name));
        return 1;
    }
    if (run.exitCode != 0 || !problems.isEmpty()) {
        say(QStringLiteral("检查没有通过：%1 中有读不出的内容（见上）。").arg(name));
        return 1;
    }
    say(QStringLiteral("%1 可以完整读取：%2 张表，共 %3 行。").arg(name).arg(tables).arg(rows));
    return 0;
}

// A bank into a new workbook.
int exportWorkbook(const QString& db, const QString& out) {
    if (exists(out)) {
        say(QStringLiteral("%1 已存在，不会改动它。").arg(out));
        return 1;
    }
    const QString error = bankbook::exportBank(db, out);
    if (!error.isEmpty()) {
        say(error);
        return 1;
    }
    say(QStringLiteral("已把 %1 导出为 %2。").arg(db, out));
    return 0;
}

// The workbook names pictures but does not carry them: say which the new bank's folder lacks.
void warnMissingPictures(const QString& db) {
    Store store;
    if (store.open(db) != Store::OpenResult::Ok)
        return;
    const QString folder = QFileInfo(db).absolutePath();
    const QStringList missing = bankbook::missingPictures(bank::readAll(store), folder);
    if (missing.isEmpty())
        return;
    say(QStringLiteral("有 %1 道题的图片在 %2/pic 中还没有：").arg(missing.size()).arg(folder));
    for (const QString& line : missing)
        std::fprintf(stderr, "  %s\n", qPrintable(line));
}

void printCounts(const bankimport::ImportResult& result, const QString& in, const QString& out) {
    qint64 total = 0;
    for (const bankimport::TableCount& c : result.counts) {
        std::printf("%s\t%lld\n", qPrintable(c.table), static_cast<long long>(c.rows));
        total += c.rows;
    }
    std::fflush(stdout);
    say(QStringLiteral("已从 %1 导入 %2 行到 %3。").arg(in).arg(total).arg(out));
    for (const QString& note : result.notes)
        say(note);
}

// Any source file into a new bank file, read by the child.
bankimport::ImportResult importByChild(const QString& in, const QString& out, bool verbose) {
    bankimport::ChildRun run;
    const bankimport::ImportResult result =
        bankimport::importInChild(self(), in, out, terminalProgress(), bankimport::ChildLimits(), &run);
    endProgress();
    tellWarnings(run, verbose);
    return result;
}

// Any source into an empty database on a server: a bank file as it is, the others first into a
// bank file of their own (read in the child, as everywhere), then copied in one transaction.
int importToServer(const QString& in, const QString& uri, bool verbose) {
    const ServerAddress address = ServerAddress::parse(uri);
    if (!address.ok()) {
        say(address.error);
        return 2;
    }
    QTemporaryDir work;
    QString bankFile = in;
    if (bankbook::kindOf(in) || !bankfile::readHeader(in).sqlite) {
        if (!QFileInfo::exists(in)) {
            say(QStringLiteral("找不到 %1。").arg(in));
            return 1;
        }
        bankFile = work.filePath(QStringLiteral("ks.db"));
        const bankimport::ImportResult made = importByChild(in, bankFile, verbose);
        if (!made.ok) {
            say(made.error);
            return 1;
        }
    }
    const bankimport::ImportResult result = serverbank::copyToServer(bankFile, uri);
    if (!result.ok) {
        say(result.error);
        return 1;
    }
    printCounts(result, in, address.shownUri());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (const std::optional<int> done = doctool::run(args, self()))
        return *done;
    if (args.size() == 3 && args[0] == QLatin1String("--child"))
        return childImport(args[1], args[2]);
    if (args.size() == 2 && args[0] == QLatin1String("--child-check")) {
        bankimport::childprotocol::progress(0, -1);
        return bankbook::kindOf(args[1]) ? childCheckFile(args[1]) : childCheckAccess(args[1]);
    }
    if (args.contains(QLatin1String("-h")) || args.contains(QLatin1String("--help"))) {
        std::fputs(helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (const int status = classroomCommand(args); status >= 0)
        return status;
    if (!args.isEmpty() && args[0] == QLatin1String("--compose"))
        return bank::composeCommand(args.mid(1));
    const bool verbose = args.removeAll(QStringLiteral("--verbose")) > 0;
    if (args.size() == 3 && args[0] == QLatin1String("--export"))
        return exportWorkbook(args[1], args[2]);
    if (args.size() == 2 && args[0] == QLatin1String("--check"))
        return check(args[1], verbose);
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')) || args[1].startsWith(QLatin1Char('-'))) {
        std::fputs(helpText().section(QStringLiteral("\n\n"), 0, 0).toUtf8().constData(), stderr);
        std::fputs("\n用 veltaro-import --help 查看说明。\n", stderr);
        return 2;
    }
    const QString in = args[0];
    const QString out = args[1];
    if (ServerAddress::isServerUri(out))
        return importToServer(in, out, verbose);
    if (exists(out)) {
        say(QStringLiteral("%1 已存在，不会改动它。").arg(out));
        return 1;
    }
    const bankimport::ImportResult result = importByChild(in, out, verbose);
    if (!result.ok) {
        say(result.error);
        return 1;
    }
    printCounts(result, in, out);
    if (bankbook::kindOf(in))
        warnMissingPictures(out);
    return 0;
}
