#pragma once

#include "access/TableSource.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

// Turns a question bank held in another database (an Access ks.mdb) into a new ks.db. All or
// nothing: the rows go into a temporary file beside the target, in one transaction, and that file
// becomes the bank only when every row is in. On any failure neither the bank nor the temporary
// file is left behind. The source is only read.
namespace bankimport {

// Called every few hundred rows with the rows written so far and the rows the source announced
// (-1 when it does not know). Returning false cancels the import.
using Progress = std::function<bool(qint64 done, qint64 total)>;

struct TableCount {
    QString table;
    qint64 rows = 0;
};

struct ImportResult {
    bool ok = false;
    bool cancelled = false;
    QString error;            // one Chinese message naming what is missing or what failed
    QList<TableCount> counts; // rows written per table, in the bank's table order
    QStringList notes;        // what the import changed on the way, one Chinese line each
};

// How a bank column stores its values: text columns get text, the others numbers.
enum class Target { Text, Number };

// The value written for one source value. Yes/No becomes 1 or 0; numbers stay integer or
// fraction; text stays as it is (a number column keeps a text that is not a number, the way the
// program has always read such values); a missing value becomes '' or 0.
QVariant convert(const QVariant& value, Target target);

// Where each column the program needs is found in the source.
struct TablePlan {
    QString table;            // the bank's name, e.g. 题库
    QString sourceTable;      // the source's spelling of it
    QStringList columns;      // the bank columns, in schema order
    QList<int> sourceColumns; // their positions in the source table
    // A column the program adds itself (the question type) that the source lacks: it is not
    // copied, and is filled as a bank without it gets it on first open.
    QStringList added;
};

// Matches tables and columns without regard to case; columns the program does not use are left
// out. Returns an empty text when everything is there, otherwise one line per problem:
// "ks.mdb 中缺少表：评分" / "ks.mdb 的表 题库 缺少列：authority".
QString plan(TableSource& source, const QString& sourceName, QList<TablePlan>* out);

// Writes every needed row of the source into a new bank at dbPath. Refuses to replace an
// existing file. sourceName is how messages call the source (e.g. "ks.mdb").
ImportResult importBank(TableSource& source, const QString& dbPath, const QString& sourceName,
                        const Progress& progress = {});

// Opens a file as a source, read-only. On failure returns null and a Chinese message.
using SourceOpener = std::function<std::unique_ptr<TableSource>(const QString& path, QString* error)>;
std::unique_ptr<TableSource> openAccessFile(const QString& path, QString* error);

// Opens the file (with openAccessFile unless another opener is given) and imports it.
ImportResult importFile(const QString& path, const QString& dbPath, const Progress& progress = {},
                        const SourceOpener& opener = {});

} // namespace bankimport
