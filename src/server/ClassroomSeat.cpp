#include "server/ClassroomSeat.h"

#include "store/Schema.h"
#include "store/Store.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace seat {

namespace {

std::optional<double> callTotal(Store& store, const char* function, const QString& code, const QString& state,
                                QString* error) {
    QSqlQuery q(QSqlDatabase::database(store.awakeConnection(), false));
    q.prepare(QStringLiteral("select %1(?, ?)").arg(QLatin1String(function)));
    q.addBindValue(code);
    q.addBindValue(state);
    if (q.exec() && q.next())
        return q.value(0).toDouble();
    if (error) {
        const QSqlError e = q.lastError();
        *error = (e.databaseText().isEmpty() ? e.driverText() : e.databaseText()).section(QLatin1Char('\n'), 0, 0);
        if (error->isEmpty())
            *error = QStringLiteral("无法连接题库服务器");
    }
    return std::nullopt;
}

} // namespace

Login whoIsLoggedIn(Store& store) {
    Login out;
    if (!store.isOpen() || store.dialect() != Dialect::Postgres)
        return out;
    QSqlQuery q(QSqlDatabase::database(store.awakeConnection(), false));
    if (!q.exec(QStringLiteral("select session_user, to_regprocedure('veltaro_whoami()') is not null")) || !q.next())
        return out;
    out.login = q.value(0).toString();
    if (!q.value(1).toBool())
        return out;
    QSqlQuery who(QSqlDatabase::database(store.awakeConnection(), false));
    if (!who.exec(QStringLiteral("select kind, xingming from veltaro_whoami()")) || !who.next())
        return out;
    const QString kind = who.value(0).toString();
    out.kind = kind == QLatin1String("candidate") ? Kind::Candidate
               : kind == QLatin1String("teacher") ? Kind::Teacher
                                                  : Kind::Owner;
    out.name = who.value(1).toString();
    return out;
}

std::optional<double> handIn(Store& store, const QString& code, const QString& state, QString* error) {
    return callTotal(store, "veltaro_hand_in", code, state, error);
}

std::optional<double> ownTotal(Store& store, const QString& code, const QString& state, QString* error) {
    return callTotal(store, "veltaro_my_total", code, state, error);
}

bool keepsExamPapers(Store& store) {
    if (!store.isOpen() || store.dialect() != Dialect::Postgres)
        return false;
    QSqlDatabase db = QSqlDatabase::database(store.awakeConnection(), false);
    return schema::hasColumn(db, schema::tables().at(0), QStringLiteral("exam_only"));
}

bool examOnly(Store& store, const QString& code) {
    if (!keepsExamPapers(store))
        return false;
    QSqlQuery q(QSqlDatabase::database(store.awakeConnection(), false));
    q.prepare(QStringLiteral("select exam_only from 试卷 where code = ? order by rowid limit 1"));
    q.addBindValue(code);
    return q.exec() && q.next() && q.value(0).toInt() != 0;
}

QString setExamOnly(Store& store, const QString& code, bool examOnly) {
    QSqlQuery q(QSqlDatabase::database(store.awakeConnection(), false));
    q.prepare(QStringLiteral("update 试卷 set exam_only = ? where code = ?"));
    q.addBindValue(examOnly ? 1 : 0);
    q.addBindValue(code);
    if (q.exec())
        return {};
    const QSqlError e = q.lastError();
    return QStringLiteral("“考试用卷”没有保存：%1")
        .arg((e.databaseText().isEmpty() ? e.driverText() : e.databaseText()).section(QLatin1Char('\n'), 0, 0));
}

} // namespace seat
