#pragma once

#include "store/Store.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>

class AnswerWindow;
class Grid;
class MainWindow;
class QWidget;

// The two stores a bank can live in.
enum class StoreKind { File, Server };

// The PostgreSQL server tests may make databases on: VELTARO_TEST_POSTGRES (a libpq URI), or the
// URI in the file VELTARO_TEST_POSTGRES_FILE names (written by the throwaway server that ./test
// starts, scripts/test-postgres). Empty when there is none, and *why says so.
QString testServerUri(QString* why = nullptr);

// For test classes that run every test on both stores: addStoreRows() from initTestCase_data()
// adds the rows "sqlite" and "postgresql"; useStoreOfRow() from init() makes new TestBanks of the
// row's store and returns why the row is to be skipped (no server), or nothing.
void addStoreRows();
QString useStoreOfRow();
// The current row's store (File outside such classes).
StoreKind storeOfRow();

// A fresh program directory holding a small question bank of the test's own: ks.db, or a new
// database on the test server named in the directory's veltaro.ini. Without a kind, the store of
// the current row (see useStoreOfRow).
class TestBank {
  public:
    TestBank();
    explicit TestBank(StoreKind kind);
    ~TestBank();
    QString dir() const { return m_dir.path(); }
    // ks.db; only for a bank file.
    QString dbPath() const;
    bool onServer() const { return m_kind == StoreKind::Server; }
    // The server bank's URI (empty for a bank file).
    QString serverUri() const { return m_serverUri; }
    // Opens the bank as the program would.
    Store::OpenResult openStore(Store& store) const;
    // Runs a statement as the server's administrator (on the server's maintenance database).
    static void adminExec(const QString& sql);

    void addPaper(const QString& code, const QString& name, int chouti, bool paixu, int kstime);
    void addQuestion(const QString& code, int tihao, const QString& question, const QString& authority,
                     double score = 1, const QString& pic = QString(), const QString& practice = QString(),
                     const QString& jiexi = QString());
    void addAnswer(const QString& code, int tihao, const QString& answer, const QString& student,
                   const QString& name, const QString& state);
    // A paper whose questions are numbered 1..count, answers "A".
    void addNumberedPaper(const QString& code, const QString& name, int count, int chouti, bool paixu,
                          int kstime);

    // Runs a query straight on the file (outside the program), for checks.
    QList<QVariantList> rows(const QString& sql, const QVariantList& binds = {}) const;
    QVariant scalar(const QString& sql, const QVariantList& binds = {}) const;
    void exec(const QString& sql, const QVariantList& binds = {}) const;

  private:
    QTemporaryDir m_dir;
    QString m_connection;
    StoreKind m_kind = StoreKind::File;
    QString m_database;
    QString m_serverUri;
};

// Message boxes are recorded, not shown, the picker and font dialog never block, and what the
// program remembers for the user lands in Qt's test folders.
void useRecordingDialogs();

// Presses a button of the main window's start toolbar by its caption.
void pressToolbar(MainWindow& w, const QString& caption);
// The paper picker, whenever it opens, chooses the paper with this code (the first one when
// the code is empty).
void pickPaperInPicker(const QString& code = QString());

// A source grid as the windows hand it over to printing: headings "列c" in row 0, "r<r>c<c>" in
// the data rows (column 0 is never printed).
std::unique_ptr<Grid> makeSource(int columns, int dataRows);

// Types a question number into a window's question box and presses Enter, which shows it.
void goToQuestion(AnswerWindow& window, qint64 n);

// Finds a child by object name, failing the test when it is missing.
template <typename T> T* child(QWidget* parent, const QString& name);

#include <QTest>
#include <QWidget>
template <typename T> T* child(QWidget* parent, const QString& name) {
    T* w = parent->findChild<T*>(name);
    if (!w)
        qWarning("missing child %s", qPrintable(name));
    return w;
}
