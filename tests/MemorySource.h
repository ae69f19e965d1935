#pragma once

#include "access/TableSource.h"

#include <QHash>
#include <QList>
#include <QStringList>

// An Access file's tables held in memory, for the import's tests and its fuzz target. A table can
// be told to fail its read before a given row, as a damaged page would.
struct MemoryTable {
    QString name;
    QList<SourceColumn> columns;
    QList<QVariantList> rows;
    int failAfter = -1; // the read fails before this row
};

class MemorySource : public TableSource {
  public:
    QList<MemoryTable> data;
    QHash<QString, qint64> delivered; // rows handed to the import, per table

    MemoryTable* table(const QString& name) {
        for (MemoryTable& t : data)
            if (t.name == name)
                return &t;
        return nullptr;
    }
    QStringList tables() override {
        QStringList out;
        for (const MemoryTable& t : data)
            out << t.name;
        return out;
    }
    QList<SourceColumn> columns(const QString& name) override {
        const MemoryTable* t = table(name);
        return t ? t->columns : QList<SourceColumn>();
    }
    qint64 rowCount(const QString& name) override {
        const MemoryTable* t = table(name);
        return t ? t->rows.size() : -1;
    }
    bool readRows(const QString& name, const QList<int>& wanted, const RowSink& sink,
                  QString* error) override {
        const MemoryTable* t = table(name);
        if (!t) {
            *error = QStringLiteral("no such table");
            return false;
        }
        for (int r = 0; r < t->rows.size(); ++r) {
            if (r == t->failAfter) {
                *error = QStringLiteral("page %1 cannot be read").arg(r / 18 + 1);
                return false;
            }
            QVariantList values;
            for (int c : wanted)
                values << t->rows[r].value(c); // a short row gives nulls
            ++delivered[name];
            if (!sink(values))
                return false;
        }
        return true;
    }
};
