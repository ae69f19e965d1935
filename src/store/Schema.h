#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The three tables of a question bank and the indexes on the keys the statements use.
namespace schema {
// Creates the tables and indexes in an empty database. Returns an error text, empty on success.
QString create(QSqlDatabase& db);
// Makes a new, empty bank file at path: the three tables and their indexes. Never replaces an
// existing file, and leaves nothing behind on failure. Returns a Chinese error text, empty on
// success.
QString createBankFile(const QString& path);
// Columns the program reads or writes, per table.
QStringList tables();
QStringList columns(const QString& table);
// Missing tables or columns of an open database, as "table" or "table.column" texts.
QStringList missing(QSqlDatabase& db);
} // namespace schema
