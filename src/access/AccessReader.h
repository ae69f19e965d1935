#pragma once

#include "access/TableSource.h"

#include <QHash>
#include <memory>

// Reads an Access file (Jet 3, Jet 4, and the later ACE formats libmdb understands) through
// libmdb. The file is opened read-only and never changed. Text arrives as UTF-8 whatever MDBICONV
// says; Jet 3 text is decoded with the code page recorded in the file (or MDB_JET3_CHARSET).
class AccessReader : public TableSource {
  public:
    enum class OpenResult { Ok, Missing, NotAccess };
    enum class Format { Unknown, Jet3, Jet4, Ace };

    AccessReader();
    ~AccessReader() override;
    AccessReader(const AccessReader&) = delete;
    AccessReader& operator=(const AccessReader&) = delete;

    OpenResult open(const QString& path);
    void close();
    bool isOpen() const;
    Format format() const { return m_format; }
    // "Jet 3", "Jet 4", "ACE" — for messages.
    QString formatName() const;
    // Why open() failed, in plain words (English, for logs and the command line).
    QString lastError() const { return m_lastError; }

    QStringList tables() override;
    QList<SourceColumn> columns(const QString& table) override;
    qint64 rowCount(const QString& table) override;
    bool readRows(const QString& table, const QList<int>& columns, const RowSink& sink,
                  QString* error) override;

    // The objects the catalogue could be read for, and the rows its table says it holds (-1 when
    // that cannot be read). Fewer read than held: the catalogue is damaged, and tables may be
    // missing from tables().
    qint64 catalogueRead() const { return m_catalogueRead; }
    qint64 catalogueRows() const { return m_catalogueRows; }

    // Rows a table may give beyond twice the count it records before its read is stopped.
    static constexpr qint64 kExtraRows = 100000;
    // The room a single memo may need, in UTF-8 bytes. A longer (or damaged) one fails the read
    // rather than arriving cut short.
    static constexpr qint64 kMaxTextBytes = 64 * 1024 * 1024;

  private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    Format m_format = Format::Unknown;
    QString m_lastError;
    qint64 m_catalogueRead = 0;
    qint64 m_catalogueRows = -1;
    QStringList m_tables;
    QHash<QString, QList<SourceColumn>> m_columns;
    QHash<QString, qint64> m_rowCounts;
};
