#pragma once

#include "store/Statements.h"

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The three tables of a question bank, the practice history the program keeps beside them, the
// table of the sittings being sat, and the indexes on the keys the statements use: for a bank file
// and for a PostgreSQL server, in one place.
namespace schema {
// Creates the tables (the history too) and indexes in an empty database. Returns an error text,
// empty on success. On a server the text columns are citext (the extension is enabled when it is
// not yet), each table has a `rowid` column, the answers' key is unique from the start, and the
// claim table is there (a bank file gets these with its first exam, see Store::prepareForExams).
QString create(QSqlDatabase& db, Dialect dialect = Dialect::Sqlite);
// The same in two steps, so rows can be copied in before the indexes are built.
QString createTables(QSqlDatabase& db, Dialect dialect);
QString createIndexes(QSqlDatabase& db, Dialect dialect);
// Makes a new, empty bank file at path: the three tables and their indexes. Never replaces an
// existing file, and leaves nothing behind on failure. Returns a Chinese error text, empty on
// success.
QString createBankFile(const QString& path);
// The three tables every bank has; a file without one of them is not a bank.
QStringList tables();
// Tables the program adds to a bank that lacks them (banks made before it kept them): the
// practice history 练习记录, the review schedule 复习计划 worked out from it, and the scoring
// rules 评分规则.
QStringList addedTables();
QString historyTable();
QString planTable();
// The scoring rules of the papers, per question type (see marking/Scoring).
QString rulesTable();
// Creates the added tables a bank lacks, with their indexes, in one transaction; *added names
// them. Existing rows are not touched. Returns an error text, empty on success (nothing is created
// then).
QString addMissingTables(QSqlDatabase& db, Dialect dialect, QStringList* added = nullptr);
bool hasTable(QSqlDatabase& db, const QString& table);
// The sittings being sat: who sits which sitting where (see exam/SittingClaim).
QString claimTable();
// Which of the bank's tables and the claim table the database holds.
QStringList present(QSqlDatabase& db);
// Adds the claim table to a bank file that lacks it. Returns an error text, empty on success.
QString ensureClaimTable(QSqlDatabase& db);

// What makeAnswerKeyUnique found and did.
struct AnswerKey {
    bool unique = false;        // the key is unique now: saves go through it
    qint64 removedCopies = 0;   // rows that were copies of another row in every column
    qint64 conflictingKeys = 0; // keys held by rows with different answers or names: left alone
    QString error;
};
// Makes the answers' key (paper, question, candidate, sitting) unique in a bank file: rows that
// copy another row in every column go (the answer card would list and mark each copy), then the
// unique index takes the plain index's place. Keys held by rows that differ are left as they are,
// and the key stays plain. One transaction.
AnswerKey makeAnswerKeyUnique(QSqlDatabase& db);
bool hasUniqueAnswerKey(QSqlDatabase& db);
// Columns the program reads or writes, per table.
QStringList columns(const QString& table);
// Whether a column holds numbers (the others hold text).
bool isNumber(const QString& table, const QString& column);
// Missing tables or columns of an open database, as "table" or "table.column" texts. The question
// type, which the program adds itself (addTypeColumn), is never missing.
QStringList missing(QSqlDatabase& db);
bool hasColumn(QSqlDatabase& db, const QString& table, const QString& column);
// While one lives on a thread, the checks of this file (hasTable, hasColumn, missing, present…)
// read a connection's list of tables and a table's columns from the database once rather than at
// every check: opening a server bank asked the server twenty times, which counted when a whole
// hall opens the bank at once. The changes made through this file's functions drop what was read;
// a change made otherwise while one lives is not seen. Snapshots nest.
class CatalogSnapshot {
  public:
    CatalogSnapshot();
    ~CatalogSnapshot();
    CatalogSnapshot(const CatalogSnapshot&) = delete;
    CatalogSnapshot& operator=(const CatalogSnapshot&) = delete;

  private:
    bool m_outermost = false;
};
// A column the program adds to a bank that lacks it (the question type): a bank, or a table to
// import, without it is complete all the same.
bool isAddedColumn(const QString& table, const QString& column);

// The question's type in 题库: "单选", "多选", "判断", "不定项", or empty for the type its standard
// answer implies.
QString typeColumn();
// Gives every question without a type the type its standard answer implies: 对/错 → 判断, one
// letter A–G → 单选, several → 多选 (blanks and letter case as the answer rules take them), an
// empty text for any other answer. Inside the caller's transaction; an error text, empty on
// success.
QString fillQuestionTypes(QSqlDatabase& db, Dialect dialect = Dialect::Sqlite);
// Adds the type column to a bank that lacks it and fills it from the standard answers, in one
// transaction that touches nothing else; *added says whether it did. An error text, empty on
// success (nothing is changed then).
QString addTypeColumn(QSqlDatabase& db, Dialect dialect, bool* added = nullptr);

// Columns whose declared type makes SQLite keep numbers as text or text as numbers (a bank made
// by another tool: `tihao text`, or no types at all), as "table.column" texts. There `max(tihao)`
// compares text ("9" above "10") and a number bound to a text column finds nothing.
QStringList mistyped(QSqlDatabase& db);
// Rebuilds each table that has such columns with the program's own column types, keeping every
// row (and its rowid), every other column, and the table's indexes and triggers: all in one
// transaction, so that a failure leaves the bank as it was. Returns an error text, empty on success.
QString retype(QSqlDatabase& db);
} // namespace schema
