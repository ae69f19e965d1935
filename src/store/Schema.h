#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The three tables of a question bank, the practice history the program keeps beside them, and the
// indexes on the keys the statements use.
namespace schema {
// Creates the tables (the history too) and indexes in an empty database. Returns an error text,
// empty on success.
QString create(QSqlDatabase& db);
// Makes a new, empty bank file at path: the three tables and their indexes. Never replaces an
// existing file, and leaves nothing behind on failure. Returns a Chinese error text, empty on
// success.
QString createBankFile(const QString& path);
// The three tables every bank has; a file without one of them is not a bank.
QStringList tables();
// Tables the program adds to a bank that lacks them (banks made before it kept them): the
// practice history 练习记录 and the review schedule 复习计划 worked out from it.
QStringList addedTables();
QString historyTable();
QString planTable();
// Creates the added tables a bank lacks, with their indexes, in one transaction; *added names
// them. Existing rows are not touched. Returns an error text, empty on success (nothing is created
// then).
QString addMissingTables(QSqlDatabase& db, QStringList* added = nullptr);
bool hasTable(QSqlDatabase& db, const QString& table);
// Columns the program reads or writes, per table.
QStringList columns(const QString& table);
// Missing tables or columns of an open database, as "table" or "table.column" texts.
QStringList missing(QSqlDatabase& db);

// Columns whose declared type makes SQLite keep numbers as text or text as numbers (a bank made
// by another tool: `tihao text`, or no types at all), as "table.column" texts. There `max(tihao)`
// compares text ("9" above "10") and a number bound to a text column finds nothing.
QStringList mistyped(QSqlDatabase& db);
// Rebuilds each table that has such columns with the program's own column types, keeping every
// row (and its rowid), every other column, and the table's indexes and triggers: all in one
// transaction, so that a failure leaves the bank as it was. Returns an error text, empty on success.
QString retype(QSqlDatabase& db);
} // namespace schema
