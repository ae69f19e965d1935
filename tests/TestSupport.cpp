#include "TestSupport.h"

#include "answering/AnswerWindow.h"
#include "app/MainWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "store/Schema.h"
#include "server/ServerAddress.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/UserSettings.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QStandardPaths>
#include <QToolBar>
#include <QTreeWidget>

namespace {
QAtomicInt g_banks;
StoreKind g_rowStore = StoreKind::File;

// A connection as the test server's administrator, to make and drop the tests' databases.
QSqlDatabase adminConnection() {
    const QString name = QStringLiteral("testserver-admin");
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    ServerAddress::parse(testServerUri()).configure(db);
    if (!db.open())
        qFatal("cannot reach the test server: %s", qPrintable(db.lastError().text()));
    QSqlQuery(db).exec(QStringLiteral("set client_min_messages to warning"));
    return db;
}
} // namespace

QString testServerUri(QString* why) {
    QString uri = qEnvironmentVariable("VELTARO_TEST_POSTGRES");
    const QString file = qEnvironmentVariable("VELTARO_TEST_POSTGRES_FILE");
    if (uri.isEmpty() && !file.isEmpty()) {
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            uri = QString::fromUtf8(f.readAll()).trimmed();
        else if (why)
            *why =
                QStringLiteral("no PostgreSQL test server was started (%1 is missing; scripts/test-postgres "
                               "needs the Debian package postgresql-15)")
                    .arg(file);
    } else if (uri.isEmpty() && why) {
        *why = QStringLiteral(
            "no PostgreSQL test server: ./test starts one, or run scripts/test-postgres start DIR "
            "and set VELTARO_TEST_POSTGRES_FILE=DIR/postgres-url");
    }
    return uri;
}

void addStoreRows() {
    QTest::addColumn<int>("store");
    QTest::newRow("sqlite") << int(StoreKind::File);
    QTest::newRow("postgresql") << int(StoreKind::Server);
}

QString useStoreOfRow() {
    QFETCH_GLOBAL(int, store);
    g_rowStore = StoreKind(store);
    QString why;
    if (g_rowStore == StoreKind::Server && testServerUri(&why).isEmpty())
        return why;
    return {};
}

StoreKind storeOfRow() {
    return g_rowStore;
}

TestBank::TestBank() : TestBank(g_rowStore) {}

TestBank::TestBank(StoreKind kind)
    : m_connection(QStringLiteral("testbank-%1").arg(g_banks.fetchAndAddRelaxed(1))), m_kind(kind) {
    if (kind == StoreKind::File) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(dbPath());
        if (!db.open())
            qFatal("cannot create test bank: %s", qPrintable(db.lastError().text()));
        const QString err = schema::create(db);
        if (!err.isEmpty())
            qFatal("cannot create schema: %s", qPrintable(err));
        return;
    }
    // A database of its own on the test server, made a bank as the import tool makes one, and
    // named in veltaro.ini so that the program opens it.
    m_database = QStringLiteral("veltaro_test_%1_%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(m_connection.section('-', 1));
    adminExec(QStringLiteral("create database %1").arg(m_database));
    const ServerAddress address = ServerAddress::parse(testServerUri()).withDatabase(m_database);
    m_serverUri = address.toUri();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    address.configure(db);
    if (!db.open())
        qFatal("cannot open the test database: %s", qPrintable(db.lastError().text()));
    const QString err = schema::create(db, Dialect::Postgres);
    if (!err.isEmpty())
        qFatal("cannot create schema: %s", qPrintable(err));
    QFile ini(m_dir.filePath(QStringLiteral("veltaro.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        qFatal("cannot write veltaro.ini");
    ini.write(QStringLiteral("[bank]\ndatabase=%1\n").arg(m_serverUri).toUtf8());
}

TestBank::~TestBank() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    // Whatever connections the test left open go with the database.
    if (m_kind == StoreKind::Server)
        adminExec(QStringLiteral("drop database if exists %1 with (force)").arg(m_database));
}

void TestBank::adminExec(const QString& sql) {
    QSqlQuery q(adminConnection());
    if (!q.exec(sql))
        qFatal("test server statement failed: %s", qPrintable(q.lastError().text()));
}

Store::OpenResult TestBank::openStore(Store& store) const {
    return onServer() ? store.openServer(m_serverUri) : store.open(dbPath());
}

QString TestBank::dbPath() const {
    return m_dir.filePath(QStringLiteral("ks.db"));
}

namespace {
// Runs a statement; a server connection that a test cut is made again for it.
bool runOn(const QString& connection, QSqlQuery& q, const QString& sql, const QVariantList& binds) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlDatabase db = QSqlDatabase::database(connection);
        q = QSqlQuery(db);
        // Without values the text runs as it is: a server prepares no schema changes.
        bool ok = binds.isEmpty() ? q.exec(sql) : q.prepare(sql);
        if (!binds.isEmpty()) {
            for (const QVariant& v : binds)
                q.addBindValue(v);
            ok = ok && q.exec();
        }
        if (ok)
            return true;
        if (db.isOpen())
            return false;
        db.close();
        db.open();
    }
    return false;
}
} // namespace

void TestBank::exec(const QString& sql, const QVariantList& binds) const {
    QSqlQuery q;
    if (!runOn(m_connection, q, sql, binds))
        qFatal("test bank statement failed: %s", qPrintable(q.lastError().text()));
}

QList<QVariantList> TestBank::rows(const QString& sql, const QVariantList& binds) const {
    QSqlQuery q;
    if (!runOn(m_connection, q, sql, binds))
        qFatal("test bank query failed: %s", qPrintable(q.lastError().text()));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        out << row;
    }
    return out;
}

QVariant TestBank::scalar(const QString& sql, const QVariantList& binds) const {
    const auto r = rows(sql, binds);
    return r.isEmpty() ? QVariant() : r.first().value(0);
}

void TestBank::addPaper(const QString& code, const QString& name, int chouti, bool paixu, int kstime) {
    exec(QStringLiteral("insert into 试卷 (code, name, chouti, paixu, kstime) values (?, ?, ?, ?, ?)"),
         {code, name, chouti, paixu ? -1 : 0, kstime});
}

void TestBank::addQuestion(const QString& code, int tihao, const QString& question, const QString& authority,
                           double score, const QString& pic, const QString& practice, const QString& jiexi) {
    exec(QStringLiteral("insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
                        "values (?, ?, ?, ?, ?, ?, ?, ?)"),
         {code, tihao, question, pic, authority, practice, jiexi, score});
}

void TestBank::addAnswer(const QString& code, int tihao, const QString& answer, const QString& student,
                         const QString& name, const QString& state) {
    exec(QStringLiteral(
             "insert into 评分 (code, tihao, answer, student, xingming, state) values (?, ?, ?, ?, ?, ?)"),
         {code, tihao, answer, student, name, state});
}

void TestBank::addNumberedPaper(const QString& code, const QString& name, int count, int chouti, bool paixu,
                                int kstime) {
    addPaper(code, name, chouti, paixu, kstime);
    for (int i = 1; i <= count; ++i)
        addQuestion(code, i, QStringLiteral("%1-第%2题 题干 A.甲 B.乙 C.丙 D.丁").arg(code).arg(i),
                    QStringLiteral("A"), 1, QString(), QString(),
                    QStringLiteral("%1-解析%2").arg(code).arg(i));
}

void useRecordingDialogs() {
    // What the program remembers for the user (the export folder) goes to a test folder.
    QStandardPaths::setTestModeEnabled(true);
    // Each test starts as a first run for the font of the question and answer boxes.
    userSettings().remove(QStringLiteral("textFormat"));
    // ...and with the ordinary text size, look and voice, whatever an earlier test chose.
    userSettings().remove(QStringLiteral("accessibility"));
    MessageBox::setRecording(true);
    MessageBox::clear();
    QuestionReader::setPlaybackEnabled(false);
}

void pressToolbar(MainWindow& w, const QString& caption) {
    for (QAction* a : w.startToolbar()->actions())
        if (a->text() == caption)
            a->trigger();
}

void pickPaperInPicker(const QString& code) {
    PaperPicker::setTestDriver([code](PaperPicker& p) {
        QTreeWidget* list = p.list();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (code.isEmpty() || list->topLevelItem(i)->text(0) == code) {
                list->setCurrentItem(list->topLevelItem(i));
                break;
            }
        p.choose();
    });
}

std::unique_ptr<Grid> makeSource(int columns, int dataRows) {
    auto grid = std::make_unique<Grid>();
    grid->setGridColumnCount(columns);
    grid->setGridRowCount(1);
    for (int c = 0; c < columns; ++c)
        grid->setCell(0, c, QStringLiteral("列%1").arg(c));
    for (int r = 1; r <= dataRows; ++r) {
        grid->appendRow();
        for (int c = 0; c < columns; ++c)
            grid->setCell(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    return grid;
}

void goToQuestion(AnswerWindow& window, qint64 n) {
    window.题号编辑框->setText(QString::number(n));
    QTest::keyClick(window.题号编辑框, Qt::Key_Return);
}
