#include "server/Classroom.h"

#include "server/ClassroomSql.h"
#include "server/ServerAddress.h"
#include "store/Schema.h"
#include "ui/Gbk.h"

#include <QAtomicInt>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringDecoder>
#include <functional>
#include <unistd.h>

namespace classroom {

namespace {

QAtomicInt g_connections;

QString failure(const QString& what, const QSqlError& e) {
    const QString detail = (e.databaseText().isEmpty() ? e.driverText() : e.databaseText()).trimmed();
    return detail.isEmpty() ? what : what + QLatin1Char('\n') + detail.section(QLatin1Char('\n'), 0, 0);
}

// Runs work on a connection to uri inside one transaction, committed when work returns true.
Outcome withDatabase(const QString& uri, const std::function<bool(QSqlDatabase&, Outcome&)>& work) {
    Outcome out;
    const ServerAddress address = ServerAddress::parse(uri);
    if (!address.ok()) {
        out.error = address.error;
        return out;
    }
    const QString name = QStringLiteral("classroom-%1").arg(g_connections.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        address.configure(db);
        if (!db.open()) {
            out.error = failure(QStringLiteral("无法连接题库服务器 %1").arg(address.shownUri()), db.lastError());
        } else if (const QStringList missing = schema::missing(db); !missing.isEmpty()) {
            out.error = QStringLiteral("数据库 %1 还不是题库（缺少 %2）：请先用 veltaro-import 把题库导入它。")
                            .arg(address.shortName(), missing.join(QStringLiteral("、")));
        } else if (!db.transaction()) {
            out.error = failure(QStringLiteral("无法写入题库服务器"), db.lastError());
        } else {
            QSqlQuery(db).exec(QStringLiteral("set local client_min_messages to warning"));
            if (work(db, out) && db.commit()) {
                out.ok = true;
            } else {
                if (out.error.isEmpty())
                    out.error = failure(QStringLiteral("无法写入题库服务器，数据库没有改动"), db.lastError());
                db.rollback();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

bool run(QSqlDatabase& db, Outcome& out, const QString& sql, const QVariantList& binds = {},
         QVariantList* row = nullptr) {
    QSqlQuery q(db);
    bool ok = true;
    if (binds.isEmpty()) {
        // Without values the text goes as it is (a DO block cannot be prepared).
        ok = q.exec(sql);
    } else {
        ok = q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        ok = ok && q.exec();
    }
    if (!ok) {
        out.error = failure(QStringLiteral("服务器拒绝了这一步，数据库没有改动"), q.lastError());
        return false;
    }
    if (row) {
        row->clear();
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                *row << q.value(i);
    }
    return true;
}

// A statement the server writes itself from a template of format() and bound values, so that the
// names and passwords are quoted by the server (role names cannot be bound).
bool runFormatted(QSqlDatabase& db, Outcome& out, const QString& formatText, const QVariantList& binds) {
    QVariantList row;
    QStringList marks;
    for (int i = 0; i < binds.size(); ++i)
        marks << QStringLiteral("?::text");
    if (!run(db, out,
             QStringLiteral("select format(%1, %2)")
                 .arg(QLatin1Char('\'') + QString(formatText).replace(QLatin1Char('\''), QLatin1String("''")) +
                          QLatin1Char('\''),
                      marks.join(QLatin1Char(','))),
             binds, &row) ||
        row.isEmpty())
        return false;
    return run(db, out, row.at(0).toString());
}

// "candidate", "teacher", "other" (a role that is neither), or "" when there is no such role.
QString roleKind(QSqlDatabase& db, Outcome& out, const QString& name, bool* ok) {
    QVariantList row;
    *ok = run(db, out,
              QStringLiteral("select case when pg_has_role(oid, 'veltaro_teacher', 'member') then 'teacher' "
                             "when pg_has_role(oid, 'veltaro_candidate', 'member') and not rolsuper "
                             "then 'candidate' else 'other' end from pg_roles where rolname = ?"),
              {name}, &row);
    return row.isEmpty() ? QString() : row.at(0).toString();
}

bool isClassroom(QSqlDatabase& db, Outcome& out) {
    QVariantList row;
    if (!run(db, out, QStringLiteral("select to_regprocedure('veltaro_my_total(text,text)') is not null"), {},
             &row))
        return false;
    if (row.isEmpty() || !row.at(0).toBool()) {
        out.error = QStringLiteral("这个题库还没有设为课堂：请先运行 veltaro-import --classroom URI。");
        return false;
    }
    return true;
}

QString cell(const QString& text) {
    QString t = text;
    if (t.contains(QLatin1Char(',')) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n')))
        t = QLatin1Char('"') + t.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return t;
}

} // namespace

QString generatePassword() {
    // No letters that read alike (l, 1, I, O, 0).
    static const char kLetters[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString out;
    for (int i = 0; i < 10; ++i)
        out += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)]);
    return out;
}

Outcome setUp(const QString& uri) {
    return withDatabase(uri, [](QSqlDatabase& db, Outcome& out) {
        // The grants and policies cover the scoring rules too: a bank imported before they were
        // kept gets the table first.
        if (const QString err = schema::addMissingTables(db, Dialect::Postgres); !err.isEmpty()) {
            out.error = QStringLiteral("无法在题库服务器上建立评分规则表：\n%1").arg(err);
            return false;
        }
        for (const QString& sql : setUpStatements())
            if (!run(db, out, sql)) {
                out.error = QStringLiteral("无法把题库设为课堂（连接所用的用户须是数据库的所有者，并能建立角色）："
                                           "\n%1")
                                .arg(out.error.section(QLatin1Char('\n'), 1));
                return false;
            }
        out.lines << QStringLiteral("题库已设为课堂：教师角色 veltaro_teacher，考生角色 veltaro_candidate。");
        return true;
    });
}

QList<Candidate> readCandidates(const QByteArray& bytes, QString* error) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = gbk::decode(data);
    // Rows of cells, quotes as in CSV.
    QList<QStringList> rows;
    QStringList row;
    QString current;
    bool quoted = false, any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                current += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row << current;
            current.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (any || !current.isEmpty()) {
                row << current;
                rows << row;
            }
            row.clear();
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any || !current.isEmpty()) {
        row << current;
        rows << row;
    }
    QList<Candidate> out;
    QStringList seen;
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList& cells = rows.at(r);
        const QString number = cells.value(0).trimmed();
        if (r == 0 && (number == QStringLiteral("考号") || number.compare(QLatin1String("student"),
                                                                           Qt::CaseInsensitive) == 0))
            continue;
        const QString where = QStringLiteral("考生名单第 %1 行").arg(r + 1);
        if (number.isEmpty() || cells.size() < 2 || cells.size() > 3) {
            *error = QStringLiteral("%1 不是“考号,姓名[,密码]”。").arg(where);
            return {};
        }
        if (number.size() > 63 || number.startsWith(QLatin1String("pg_"), Qt::CaseInsensitive)) {
            *error = QStringLiteral("%1 的考号“%2”不能用作登录名（最多 63 个字符，不能以 pg_ 开头）。")
                         .arg(where, number);
            return {};
        }
        // The server tells candidates apart without regard to case, as the bank does.
        if (seen.contains(number.toCaseFolded())) {
            *error = QStringLiteral("%1 的考号“%2”在名单中出现了两次（不分大小写）。").arg(where, number);
            return {};
        }
        seen << number.toCaseFolded();
        out.append({number, cells.at(1).trimmed(), cells.value(2)});
    }
    if (out.isEmpty())
        *error = QStringLiteral("考生名单中没有考生。");
    return out;
}

Outcome addCandidates(const QString& uri, const QList<Candidate>& candidates, const QString& passwordFile) {
    QStringList generated;
    Outcome result = withDatabase(uri, [&](QSqlDatabase& db, Outcome& out) {
        if (!isClassroom(db, out))
            return false;
        int added = 0, updated = 0;
        QVariantList database;
        if (!run(db, out, QStringLiteral("select current_database()"), {}, &database) || database.isEmpty())
            return false;
        for (const Candidate& c : candidates) {
            bool ok = false;
            const QString kind = roleKind(db, out, c.number, &ok);
            if (!ok)
                return false;
            if (kind == QLatin1String("teacher") || kind == QLatin1String("other")) {
                out.error = QStringLiteral("服务器上已有名为“%1”的用户，它不是考生：没有改动任何考生。")
                                .arg(c.number);
                return false;
            }
            if (kind.isEmpty()) {
                // Candidate numbers are compared without regard to case in the bank (and so by its
                // rules): a second login that differs only in case would reach the first one's
                // answers.
                QVariantList twin;
                if (!run(db, out,
                         QStringLiteral("select rolname::text from pg_roles where lower(rolname) = lower(?) "
                                        "union select student::text from 考生 "
                                        "where student = ?::citext and student::text <> ?"),
                         {c.number, c.number, c.number}, &twin))
                    return false;
                if (!twin.isEmpty()) {
                    out.error = QStringLiteral("考号“%1”与服务器上已有的“%2”只差大小写，考号不分大小写："
                                               "没有改动任何考生。")
                                    .arg(c.number, twin.at(0).toString());
                    return false;
                }
                const QString password = c.password.isEmpty() ? generatePassword() : c.password;
                if (!runFormatted(db, out, QStringLiteral("create role %I login password %L in role veltaro_candidate"),
                                  {c.number, password}))
                    return false;
                if (c.password.isEmpty())
                    generated << cell(c.number) + QLatin1Char(',') + cell(c.name) + QLatin1Char(',') + password;
                ++added;
            } else {
                if (!c.password.isEmpty() &&
                    !runFormatted(db, out, QStringLiteral("alter role %I password %L"), {c.number, c.password}))
                    return false;
                ++updated;
            }
            if (!runFormatted(db, out,
                              QStringLiteral("alter role %I in database %I set search_path = veltaro_seat, public"),
                              {c.number, database.at(0)}) ||
                !run(db, out,
                     QStringLiteral("insert into 考生 (student, xingming) values (?, ?) "
                                    "on conflict (student) do update set xingming = excluded.xingming"),
                     {c.number, c.name}))
                return false;
        }
        // The passwords are written before the logins are committed: a file that cannot be written
        // leaves no login without its password.
        if (!generated.isEmpty()) {
            QFile file(passwordFile);
            if (file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                out.error = QStringLiteral("无法新建密码文件 %1（已经存在，或不能写入）：没有加入任何考生。")
                                .arg(passwordFile);
                return false;
            }
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            const QByteArray text = (QStringLiteral("考号,姓名,密码\n") + generated.join(QLatin1Char('\n')) +
                                     QLatin1Char('\n'))
                                        .toUtf8();
            if (file.write(text) != text.size() || !file.flush() || ::fsync(file.handle()) != 0) {
                file.close();
                file.remove();
                out.error = QStringLiteral("无法写入密码文件 %1：没有加入任何考生。").arg(passwordFile);
                return false;
            }
        }
        out.lines << QStringLiteral("新加入考生 %1 名，已有的考生 %2 名（更新了姓名）。").arg(added).arg(updated);
        if (!generated.isEmpty())
            out.lines << QStringLiteral("%1 名考生的密码已写入 %2，请分发给考生后妥善保管或删除。")
                             .arg(generated.size())
                             .arg(passwordFile);
        return true;
    });
    if (!result.ok && !generated.isEmpty() && QFile::exists(passwordFile) && result.error.isEmpty())
        QFile::remove(passwordFile);
    return result;
}

Outcome addTeacher(const QString& uri, const QString& name) {
    return withDatabase(uri, [&](QSqlDatabase& db, Outcome& out) {
        if (!isClassroom(db, out))
            return false;
        bool ok = false;
        const QString kind = roleKind(db, out, name, &ok);
        if (!ok)
            return false;
        if (kind == QLatin1String("teacher")) {
            out.lines << QStringLiteral("“%1”已经是教师。").arg(name);
            return true;
        }
        if (!kind.isEmpty()) {
            out.error = QStringLiteral("服务器上已有名为“%1”的用户：没有改动。").arg(name);
            return false;
        }
        const QString password = generatePassword();
        if (!runFormatted(db, out, QStringLiteral("create role %I login password %L in role veltaro_teacher"),
                          {name, password}))
            return false;
        out.lines << QStringLiteral("已建立教师 %1，密码 %2（只显示这一次，可写入 ~/.pgpass）。").arg(name, password);
        return true;
    });
}

Outcome removeCandidate(const QString& uri, const QString& number) {
    return withDatabase(uri, [&](QSqlDatabase& db, Outcome& out) {
        if (!isClassroom(db, out))
            return false;
        bool ok = false;
        const QString kind = roleKind(db, out, number, &ok);
        if (!ok)
            return false;
        if (kind != QLatin1String("candidate") && !kind.isEmpty()) {
            out.error = QStringLiteral("“%1”不是考生：没有改动。").arg(number);
            return false;
        }
        if (!run(db, out, QStringLiteral("delete from 考生 where student = ?"), {number}))
            return false;
        if (kind.isEmpty()) {
            out.lines << QStringLiteral("服务器上没有考生 %1。").arg(number);
            return true;
        }
        if (!runFormatted(db, out, QStringLiteral("drop role %I"), {number}))
            return false;
        out.lines << QStringLiteral("已删除考生 %1 的登录（答案保留）。").arg(number);
        return true;
    });
}

Outcome releaseAnswers(const QString& uri, const QString& code, bool release) {
    return withDatabase(uri, [&](QSqlDatabase& db, Outcome& out) {
        if (!isClassroom(db, out))
            return false;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("update 试卷 set released = ? where code = ?"));
        q.addBindValue(release ? 1 : 0);
        q.addBindValue(code);
        if (!q.exec()) {
            out.error = failure(QStringLiteral("无法修改试卷 %1").arg(code), q.lastError());
            return false;
        }
        if (q.numRowsAffected() == 0) {
            out.error = QStringLiteral("没有编码为 %1 的试卷。").arg(code);
            return false;
        }
        out.lines << (release ? QStringLiteral("试卷 %1 的标准答案和解析已向考生公布。")
                              : QStringLiteral("试卷 %1 的标准答案和解析已对考生隐藏。"))
                         .arg(code);
        return true;
    });
}

} // namespace classroom
