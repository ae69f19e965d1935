// The import's mapping layer over an in-memory source built from the input: tables and columns
// spelt in any case (or missing), values of every kind the reader delivers (and some it never
// should), short rows and reads that fail half way. An import either makes a bank the program
// opens, holding every row read, or leaves nothing behind.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "../MemorySource.h"

#include "access/AccessImport.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

namespace {

QString spelling(FuzzInput& in, const QString& name) {
    switch (in.below(4)) {
    case 0:
        return name.toUpper();
    case 1:
        return name.left(1).toUpper() + name.mid(1);
    case 2:
        return in.text(6);
    default:
        return name;
    }
}

QVariant value(FuzzInput& in) {
    switch (in.below(14)) {
    case 0:
        return QVariant();
    case 1:
        return bool(in.byte() & 1);
    case 2:
        return in.raw<qint64>();
    case 3:
        return in.raw<double>();
    case 4:
        return std::nan("");
    case 5:
        return in.raw<quint64>();
    case 6:
        return QDateTime::fromMSecsSinceEpoch(in.raw<qint64>() % 400000000000000LL, Qt::UTC);
    case 7:
        return QDate::fromJulianDay(in.raw<qint32>());
    case 8:
        return in.bytes(in.below(12));
    case 9:
        return QStringList{in.text(4), in.text(4)};
    case 10:
        return int(in.int16());
    case 11:
        return QString::number(in.raw<double>(), 'g', 17);
    default:
        return in.text(24);
    }
}

MemorySource build(FuzzInput& in) {
    MemorySource s;
    const QStringList tables = schema::tables();
    const int tableCount = 3 + in.below(2);
    for (int t = 0; t < tableCount; ++t) {
        const QString bank = tables.value(t, QStringLiteral("其他"));
        if (in.below(8) == 0)
            continue; // a missing table
        MemoryTable table;
        table.name = spelling(in, bank);
        QStringList names = schema::columns(bank);
        if (in.below(3) == 0)
            names.prepend(QStringLiteral("ID"));
        for (const QString& n : names)
            if (in.below(10) != 0)
                table.columns << SourceColumn{spelling(in, n), ValueKind(in.below(7)),
                                              QStringLiteral("Text")};
        for (int r = in.below(6); r > 0; --r) {
            QVariantList row;
            for (int c = in.below(int(table.columns.size()) + 2); c > 0; --c)
                row << value(in);
            table.rows << row;
        }
        if (in.below(6) == 0)
            table.failAfter = in.below(int(table.rows.size()) + 1);
        s.data << table;
    }
    return s;
}

std::unique_ptr<QTemporaryDir> g_dir;

QStringList leftInFolder() {
    return QDir(g_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    g_dir = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const bool import = in.byte() % 4 == 0; // writing a bank is slow: one input in four
    MemorySource source = build(in);

    // The values alone: text columns get text, number columns a number or the text itself.
    for (const MemoryTable& t : source.data)
        for (const QVariantList& row : t.rows)
            for (const QVariant& v : row) {
                const QVariant text = bankimport::convert(v, bankimport::Target::Text);
                FUZZ_CHECK(text.typeId() == QMetaType::QString);
                const QVariant number = bankimport::convert(v, bankimport::Target::Number);
                FUZZ_CHECK(number.typeId() == QMetaType::LongLong || number.typeId() == QMetaType::Double ||
                           number.typeId() == QMetaType::QString);
                if (number.typeId() == QMetaType::Double)
                    FUZZ_CHECK(std::isfinite(number.toDouble()));
            }

    QList<bankimport::TablePlan> plans;
    const QString problems = bankimport::plan(source, QStringLiteral("ks.mdb"), &plans);
    FUZZ_CHECK(problems.isEmpty() == (plans.size() == 3));
    for (const bankimport::TablePlan& p : plans) {
        FUZZ_CHECK(p.columns.size() == p.sourceColumns.size());
        const QList<SourceColumn> columns = source.columns(p.sourceTable);
        for (int i = 0; i < p.columns.size(); ++i)
            FUZZ_CHECK(p.sourceColumns[i] >= 0 && p.sourceColumns[i] < columns.size() &&
                       columns[p.sourceColumns[i]].name.compare(p.columns[i], Qt::CaseInsensitive) == 0);
    }
    if (!import)
        return 0;

    const QString dbPath = g_dir->filePath(QStringLiteral("ks.db"));
    const bankimport::ImportResult result = bankimport::importBank(source, dbPath, QStringLiteral("ks.mdb"));
    FUZZ_CHECK(result.ok == result.error.isEmpty());
    if (!result.ok) {
        FUZZ_CHECK(leftInFolder().isEmpty());
        return 0;
    }
    FUZZ_CHECK(leftInFolder() == QStringList{QStringLiteral("ks.db")});
    FUZZ_CHECK(result.counts.size() == 3);
    {
        Store store;
        FUZZ_CHECK(store.open(dbPath) == Store::OpenResult::Ok);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-check"));
        db.setDatabaseName(dbPath);
        FUZZ_CHECK(db.open());
        for (const bankimport::TableCount& c : result.counts) {
            QSqlQuery q(db);
            FUZZ_CHECK(q.exec(QStringLiteral("select count(*) from %1").arg(c.table)) && q.next());
            FUZZ_CHECK(q.value(0).toLongLong() == c.rows);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fuzz-check"));
    for (int i = 0; i < result.counts.size(); ++i)
        FUZZ_CHECK(result.counts[i].rows == source.delivered.value(plans[i].sourceTable));
    FUZZ_CHECK(QFile::remove(dbPath));
    return 0;
}
