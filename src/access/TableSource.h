#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// What a source column holds, as far as the import cares. Values arrive as:
//   Boolean  bool            Integer  qint64         Real   double
//   Text     QString         DateTime QDateTime      Binary QByteArray
// and a missing value (NULL) as a null QVariant. Unsupported columns (pictures stored in the
// table, attachments) read as NULL.
enum class ValueKind { Boolean, Integer, Real, Text, DateTime, Binary, Unsupported };

struct SourceColumn {
    QString name;
    ValueKind kind = ValueKind::Text;
    QString typeName; // the type as the source calls it, e.g. "Long Integer", "Memo/Hyperlink"
};

// Tables of rows, read one table at a time: what the import reads a question bank from. The
// Access reader is one; tests and benchmarks hold their tables in memory.
class TableSource {
  public:
    // Gets the values of one row, in the order the columns were asked for. Returning false stops
    // the read.
    using RowSink = std::function<bool(const QVariantList& values)>;

    virtual ~TableSource() = default;

    // The user tables, in the source's own spelling.
    virtual QStringList tables() = 0;
    // The columns of a table in stored order; empty when there is no such table.
    virtual QList<SourceColumn> columns(const QString& table) = 0;
    // The rows the table says it holds; -1 when unknown. Used for progress only.
    virtual qint64 rowCount(const QString& table) = 0;
    // Calls sink for every row with the values of the given columns (0-based positions in
    // columns()). Returns true when every row was delivered. Returns false when the table could
    // not be read to its end (with *error set) or when the sink stopped the read (*error empty).
    virtual bool readRows(const QString& table, const QList<int>& columns, const RowSink& sink,
                          QString* error) = 0;
};
