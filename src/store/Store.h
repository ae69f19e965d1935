#pragma once

#include "server/ServerAddress.h"
#include "store/Statements.h"

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QTemporaryDir;
class QTimer;

// Values bound to a statement's named parameters, e.g. {{"code", code}, {"n", 3}}.
using Params = QList<QPair<QString, QVariant>>;

// A statement together with its values: what the program keeps as its "current SQL".
struct BoundStatement {
    Sql id = Sql::AnswerCard;
    Params params;
};

// Reads a value the way the question bank has always been read: a fraction is truncated toward
// zero, text counts by its leading number, and nothing reads as 0 / empty / false.
namespace valueread {
QString text(const QVariant& v);
qint64 integer(const QVariant& v);
double number(const QVariant& v);
bool flag(const QVariant& v);
} // namespace valueread

// The rows of one query, read in one go. Positioned on its first row (or at its end when empty).
class RecordSet {
  public:
    RecordSet() = default;
    RecordSet(QStringList columns, std::vector<QVariantList> rows);

    bool atEnd() const { return m_pos >= int(m_rows.size()); }
    void moveFirst() { m_pos = 0; }
    void moveNext() {
        if (!atEnd())
            ++m_pos;
    }
    int rowCount() const { return int(m_rows.size()); }
    void close() {
        m_rows.clear();
        m_pos = 0;
    }

    // By column name (without regard to case) or by 1-based position.
    QVariant value(const QString& name) const;
    QVariant value(int position) const;

    QString text(const QString& name) const { return valueread::text(value(name)); }
    QString text(int position) const { return valueread::text(value(position)); }
    qint64 integer(const QString& name) const { return valueread::integer(value(name)); }
    qint64 integer(int position) const { return valueread::integer(value(position)); }
    double number(const QString& name) const { return valueread::number(value(name)); }
    double number(int position) const { return valueread::number(value(position)); }
    bool flag(const QString& name) const { return valueread::flag(value(name)); }
    bool flag(int position) const { return valueread::flag(value(position)); }

    const QStringList& columns() const { return m_columns; }

  private:
    QStringList m_columns;
    std::vector<QVariantList> m_rows;
    int m_pos = 0;
};

// One row of a query being read by Store::forEachRow, valid only inside the call that hands it over.
class RowReader {
  public:
    // The 0-based position of a column by name (without regard to case); -1 when there is none.
    int column(const QString& name) const;
    // The value at a 0-based position; null for a position that does not exist.
    QVariant value(int column) const;

  private:
    friend class Store;
    RowReader(const QSqlQuery& query, QStringList columns) : m_query(query), m_columns(std::move(columns)) {}
    const QSqlQuery& m_query;
    QStringList m_columns;
};

// The question bank, opened once and shared by every window: one SQLite file, or a database on a
// PostgreSQL server that the programs of a classroom share. The same statements run on both with
// the same meaning (Statements.cpp). Every change is stored when the statement returns: in a file,
// through a rollback journal kept beside it whose header is zeroed and synced once the file itself
// is synced, so ks.db alone can be copied at any time; on a server, when it has committed it.
class Store {
  public:
    // Unreadable: SQLite could not read the file or a journal or log beside it (ks.db-journal,
    // ks.db-wal), e.g. one of them is a folder, or the file may not be read; the file itself may be
    // fine.
    enum class OpenResult { Ok, Missing, NotADatabase, MissingTables, Unreadable };

    Store();
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens an existing bank; never creates one. A file that is not a bank is never changed.
    // Before SQLite sees the file, a log that an older program left beside it is put in when it
    // belongs to the file and renamed aside when it does not, and a file last used with a log is
    // turned back into one self-contained file; a journal of a change that was cut off is rolled
    // back only when it belongs to the file, and renamed aside otherwise. A bank that cannot be written here
    // (the file, its folder or its disk is read-only) is read from a private copy and every change is refused
    // with the reason. A bank whose number columns are declared as text (or not at all) gets the
    // program's column types, keeping every row.
    OpenResult open(const QString& path);
    // Opens a bank on a PostgreSQL server (a libpq URI, see ServerAddress). Unreadable: the URI is
    // not one, or the server cannot be reached or refuses the login (lastError() says which);
    // MissingTables: the database has not been made a bank (veltaro-import does that). A URI that
    // holds a password (user:password@, or ?password=) is refused: the password belongs in
    // ~/.pgpass, or is typed in and given as `password`, which is kept in memory only, for this
    // store's connections.
    OpenResult openServer(const QString& uri, const QString& password = QString());
    // The last openServer() failed because the server wants a password (none was given, or it was
    // wrong).
    bool passwordWanted() const { return m_passwordWanted; }
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    Dialect dialect() const { return m_dialect; }
    // The store in use, short: "题库文件 ks.db" or "题库服务器 veltaro@10.0.0.5"; and in full
    // (the file's path, or the URI without its password).
    QString displayName() const;
    QString fullName() const;
    // Chinese; a second line may carry SQLite's own (English) words.
    QString lastError() const { return m_lastError; }

    // Whether changes are refused, and why (Chinese, e.g. "ks.db 是只读文件，你没有修改它的权限").
    bool isReadOnly() const { return m_readOnly; }
    QString readOnlyReason() const { return m_readOnlyReason; }
    // Whether the bank has its practice history table (open() adds it to a bank that lacks it).
    bool keepsHistory() const { return m_open && m_keepsHistory; }
    // Whether the bank keeps question types (题库.tixing; open() adds the column to a bank that
    // lacks it). Without it the statements that name the type run as Sql's *WithoutType ones, and
    // the type given to them is not kept.
    bool keepsQuestionTypes() const { return m_open && m_keepsTypes; }
    // Whether the bank has the table of scoring rules (made on first open); without it every
    // paper is marked 全对得分 and rules cannot be saved.
    bool keepsRules() const { return m_open && m_keepsRules; }
    // What open() did to the file or kept aside, one Chinese paragraph each, to tell the user once.
    QStringList notices() const { return m_notices; }

    // Before the first exam on this bank: a bank file that takes changes gets the unique key on its
    // exam answers (unless it holds one key with different answers, see
    // schema::makeAnswerKeyUnique) and the claim table. Until then the file is left as it came.
    // Once per open; returns what it changed or found, one Chinese paragraph each, to tell once.
    QStringList prepareForExams();
    // Whether an exam answer's key (paper, question, candidate, sitting) is unique, so that
    // Sql::SaveExamAnswer can store it. Always so on a server.
    bool uniqueAnswers() const { return m_uniqueAnswers; }
    // Whether sittings are claimed in this bank (it has the claim table and takes changes).
    bool claimsSittings() const { return m_claims; }
    // The last failure was the server connection's (unreachable, gone, restarted): the statement
    // did not run. The next statement connects again.
    bool connectionLost() const { return m_connectionLost; }
    // Rows the last execute() changed.
    qint64 changedRows() const { return m_changedRows; }

    // A failed query gives an empty RecordSet; the failure text is in lastError().
    RecordSet query(Sql id, const Params& params = {});
    // Whether the last query() ran, to tell a failure from an empty result.
    bool lastQuerySucceeded() const { return m_lastQueryOk; }
    RecordSet query(const BoundStatement& s) { return query(s.id, s.params); }
    // Hands the rows of a query to `row` one at a time, in order, keeping none of them: for reads
    // too large to hold as a RecordSet. `row` must not run the same statement. Returns false when
    // the statement failed (lastError() says why).
    bool forEachRow(Sql id, const Params& params, const std::function<void(const RowReader&)>& row);
    bool execute(Sql id, const Params& params = {});
    // Adds one row to a table; the row is committed before this returns.
    bool appendRow(const QString& table, const Params& fields);

    // Several changes as one: work() runs inside a transaction that is committed when it returns
    // true and rolled back when it returns false or a statement fails to commit. On failure
    // lastError() says why (the first failure wins). Not nested.
    bool inTransaction(const std::function<bool()>& work);
    bool begin();
    bool commit();
    void rollback();

    // Pattern for the picker search: the text matched anywhere, its own % _ \ taken literally.
    static QString containsPattern(const QString& text);

    QString connectionName() const { return m_connection; }
    // The connection's name for a statement run outside the store: a server connection closed
    // while idle is opened again first (lastError() says why when it cannot be).
    QString awakeConnection();
    // A server connection unused for this long is closed, and opened again on the next use:
    // VELTARO_IDLE_SECONDS, else three minutes.
    static int idleSeconds();
    // Whether the server connection is open now (false for a bank file).
    bool holdsConnection() const;

  private:
    // Runs a statement on its prepared query (prepared once per connection); null on failure.
    // A read, or a change that may run twice, that fails because the server connection was lost is
    // run once more on a new one.
    QSqlQuery* run(Sql id, const Params& params);
    QSqlQuery* runOnce(Sql id, const Params& params, bool* lost);
    // The failure as the user reads it, for this store.
    QString describeFailure(const QSqlError& e);
    // A server connection that was lost is made again (never inside a transaction: its changes
    // went with the connection). False when it cannot be; lastError() says why.
    bool reconnectIfLost();
    static constexpr qint64 kUnansweredPauseMs = 30000;
    void resetState(const QString& where);
    // Adds the question type column to a bank that lacks it (see keepsQuestionTypes).
    void addTypes(QSqlDatabase& db);
    void dropPrepared();
    // Deals with what an earlier program left beside the file; returns the file to open.
    QString prepareFile(const QString& path);
    bool refuseChange();
    void closeIfIdle();

    QString m_connection;
    std::unique_ptr<QTimer> m_idle;
    QString m_path;
    Dialect m_dialect = Dialect::Sqlite;
    ServerAddress m_server;
    bool m_uniqueAnswers = false;
    bool m_claims = false;
    bool m_connectionLost = false;
    // Since an attempt to make a lost connection again ran out of time (the server does not
    // answer at all), and what it said: for kUnansweredPauseMs no new attempt is made.
    QElapsedTimer m_sinceUnanswered;
    QString m_unansweredError;
    bool m_passwordWanted = false;
    bool m_inTransaction = false;
    bool m_preparedForExams = false;
    qint64 m_changedRows = 0;
    QString m_lastError;
    bool m_open = false;
    bool m_readOnly = false;
    bool m_sharedWithOthers = false; // another program has the file open
    bool m_notABank = false;         // found while preparing the file
    bool m_damaged = false;
    bool m_keepsHistory = false;
    bool m_keepsTypes = false;
    bool m_keepsRules = false;
    bool m_lastQueryOk = false;
    QString m_readOnlyReason;
    QStringList m_notices;
    std::unique_ptr<QTemporaryDir> m_copy; // where a read-only bank is read from
    std::map<Sql, std::unique_ptr<QSqlQuery>> m_prepared;
};
