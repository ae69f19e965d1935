#include "store/Schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const char* kCreate[] = {
    "create table 试卷 (code text collate nocase, name text collate nocase, chouti numeric, paixu numeric, "
    "kstime numeric)",
    "create table 题库 (code text collate nocase, tihao integer, question text collate nocase, "
    "pic text collate nocase, authority text collate nocase, practice text collate nocase default '', "
    "jiexi text collate nocase, score numeric)",
    "create table 评分 (code text collate nocase, tihao integer, answer text collate nocase, "
    "student text collate nocase, xingming text collate nocase, state text collate nocase)",
    "create index 试卷_code on 试卷 (code)",
    "create index 题库_code_tihao on 题库 (code, tihao)",
    "create index 评分_key on 评分 (code, student, state, tihao)",
};
} // namespace

namespace schema {

QString create(QSqlDatabase& db) {
    QSqlQuery q(db);
    for (const char* sql : kCreate)
        if (!q.exec(QString::fromUtf8(sql)))
            return q.lastError().text();
    return {};
}

QString createBankFile(const QString& path) {
    static QAtomicInt connections;
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        return QStringLiteral("%1 已存在，不会覆盖它。").arg(target.fileName());
    // Built under another name and renamed, so a half-made bank never carries the bank's name.
    const QString tmp = target.absoluteDir().filePath(QStringLiteral(".%1.new").arg(target.fileName()));
    QFile::remove(tmp);
    const QString connection = QStringLiteral("schema-create-%1").arg(connections.fetchAndAddRelaxed(1));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(tmp);
        if (!db.open())
            error = db.lastError().text();
        else
            error = create(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (error.isEmpty() && !QFile::rename(tmp, path))
        error = QStringLiteral("无法命名为 %1").arg(target.fileName());
    if (!error.isEmpty()) {
        QFile::remove(tmp);
        QFile::remove(tmp + QStringLiteral("-journal"));
        return QStringLiteral("无法建立题库文件 %1：%2").arg(target.fileName(), error);
    }
    return {};
}

QStringList tables() {
    return {QStringLiteral("试卷"), QStringLiteral("题库"), QStringLiteral("评分")};
}

QStringList columns(const QString& table) {
    if (table == QStringLiteral("试卷"))
        return {"code", "name", "chouti", "paixu", "kstime"};
    if (table == QStringLiteral("题库"))
        return {"code", "tihao", "question", "pic", "authority", "practice", "jiexi", "score"};
    if (table == QStringLiteral("评分"))
        return {"code", "tihao", "answer", "student", "xingming", "state"};
    return {};
}

QStringList missing(QSqlDatabase& db) {
    QStringList out;
    const QStringList present = db.tables();
    for (const QString& t : tables()) {
        bool found = false;
        for (const QString& p : present)
            if (p.compare(t, Qt::CaseInsensitive) == 0)
                found = true;
        if (!found) {
            out << t;
            continue;
        }
        const QSqlRecord rec = db.record(t);
        for (const QString& c : columns(t))
            if (rec.indexOf(c) < 0)
                out << t + "." + c;
    }
    return out;
}

} // namespace schema
