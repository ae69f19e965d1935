#include "server/ServerBank.h"

#include "store/Schema.h"
#include "server/ServerAddress.h"
#include "store/Store.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cmath>

namespace serverbank {

namespace {

QAtomicInt g_connections;
constexpr int kRowsPerInsert = 200;

// A number column's value as the program reads it; null stays null and an empty text becomes
// null. *changed: the stored value is not the one read.
QVariant numberValue(const QString& column, const QVariant& v, bool* changed) {
    *changed = false;
    if (v.isNull())
        return {};
    const bool whole = column == QLatin1String("tihao");
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toLongLong();
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (!std::isfinite(d)) {
            *changed = true;
            return {};
        }
        if (whole && d != std::trunc(d)) {
            *changed = true;
            return valueread::integer(v);
        }
        return whole ? QVariant(qint64(d)) : QVariant(d);
    }
    default:
        break;
    }
    const QString text = valueread::text(v).trimmed();
    if (text.isEmpty()) {
        *changed = !valueread::text(v).isEmpty();
        return {};
    }
    bool ok = false;
    if (const qint64 n = text.toLongLong(&ok); ok)
        return n;
    if (const double d = text.toDouble(&ok); ok && std::isfinite(d) && !whole)
        return d;
    *changed = true;
    if (column == QLatin1String("paixu"))
        return valueread::flag(v) ? 1 : 0;
    return whole ? QVariant(valueread::integer(v)) : QVariant(valueread::number(v));
}

// A text column's value: text, without the NUL characters PostgreSQL cannot store.
QVariant textValue(const QVariant& v, bool* changed) {
    *changed = false;
    if (v.isNull())
        return QVariant(QMetaType(QMetaType::QString));
    QString text =
        v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : valueread::text(v);
    if (text.contains(QChar(0))) {
        text.remove(QChar(0));
        *changed = true;
    }
    return text;
}

QString failed(const QString& what, const QSqlError& e) {
    const QString detail = (e.databaseText().isEmpty() ? e.driverText() : e.databaseText()).trimmed();
    return detail.isEmpty() ? what : what + QLatin1Char('\n') + detail.section(QLatin1Char('\n'), 0, 0);
}

// Keys of 评分 held by rows with different answers or names, a few of them named.
QString conflictingAnswers(QSqlDatabase& source) {
    QSqlQuery q(source);
    QStringList named;
    qint64 keys = 0;
    if (q.exec(QStringLiteral(
            "select code, tihao, student, state from 评分 group by code, student, state, tihao "
            "having count(*) > 1")))
        while (q.next())
            if (++keys <= 5)
                named << QStringLiteral("试卷 %1 第 %2 题 考号 %3 场次 %4")
                             .arg(valueread::text(q.value(0)), valueread::text(q.value(1)),
                                  valueread::text(q.value(2)), valueread::text(q.value(3)));
    if (keys == 0)
        return {};
    return QStringLiteral("评分表中有 %1 组答案的试卷、题号、考号和场次相同而答案或姓名不同（%2%3）。"
                          "服务器上的题库每组只能有一个答案：请先在“评分”窗口中删去不要的行，再导入。")
        .arg(keys)
        .arg(named.join(QStringLiteral("；")), keys > 5 ? QStringLiteral("……") : QString());
}

} // namespace

bankimport::ImportResult copyToServer(const QString& bankFile, const QString& uri,
                                      const bankimport::Progress& progress) {
    bankimport::ImportResult result;
    const ServerAddress address = ServerAddress::parse(uri);
    if (!address.ok()) {
        result.error = address.error;
        return result;
    }
    const QString sourceName = QFileInfo(bankFile).fileName();

    // The bank is read from a copy that the store puts right (a log put in, column types, copies
    // of an answer): the file itself is never changed.
    QTemporaryDir copyDir;
    const QString copy = copyDir.filePath(QStringLiteral("ks.db"));
    if (!copyDir.isValid() || !QFile::copy(bankFile, copy)) {
        result.error = QStringLiteral("无法读取 %1").arg(bankFile);
        return result;
    }
    for (const char* suffix : {"-journal", "-wal"})
        if (QFileInfo(bankFile + QLatin1String(suffix)).isFile())
            QFile::copy(bankFile + QLatin1String(suffix), copy + QLatin1String(suffix));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    Store source;
    if (source.open(copy) != Store::OpenResult::Ok) {
        result.error = QStringLiteral("%1 不是可以使用的题库：%2").arg(sourceName, source.lastError());
        return result;
    }
    QSqlDatabase from = QSqlDatabase::database(source.awakeConnection(), false);
    auto answerCount = [&] {
        QSqlQuery q(from);
        return q.exec(QStringLiteral("select count(*) from 评分")) && q.next() ? q.value(0).toLongLong() : 0;
    };
    // As before a first exam on the file: copies of an answer are taken once (in the copy).
    const qint64 answersRead = answerCount();
    source.prepareForExams();
    if (const qint64 copies = answersRead - answerCount(); copies > 0)
        result.notes << QStringLiteral(
                            "评分表中有 %1 行答案是另一行的完整重复，只复制了其中一行（%2 本身没有改动）。")
                            .arg(copies)
                            .arg(sourceName);
    if (!source.uniqueAnswers()) {
        result.error = conflictingAnswers(from);
        if (result.error.isEmpty())
            result.error = QStringLiteral("无法读取 %1 的评分表").arg(sourceName);
        return result;
    }
    qint64 total = 0;
    for (const QString& table : schema::tables() + schema::addedTables()) {
        QSqlQuery count(from);
        if (count.exec(QStringLiteral("select count(*) from %1").arg(table)) && count.next())
            total += count.value(0).toLongLong();
    }

    const QString connection = QStringLiteral("serverbank-%1").arg(g_connections.fetchAndAddRelaxed(1));
    struct ConnectionGuard {
        QString name;
        ~ConnectionGuard() { QSqlDatabase::removeDatabase(name); }
    } guard{connection};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        address.configure(db);
        bool began = false;
        auto fail = [&](const QString& text) {
            result.error = text;
            if (began)
                db.rollback();
            return result;
        };
        if (!db.open())
            return fail(
                failed(QStringLiteral("无法连接题库服务器 %1").arg(address.shownUri()), db.lastError()));
        if (const QStringList present = schema::present(db); !present.isEmpty())
            return fail(
                QStringLiteral("数据库 %1 中已经有题库的表（%2），导入不会改动它。请换一个空的数据库。")
                    .arg(address.shortName(), present.join(QStringLiteral("、"))));
        if (!(began = db.transaction()))
            return fail(failed(QStringLiteral("无法写入题库服务器"), db.lastError()));
        if (const QString error = schema::createTables(db, Dialect::Postgres); !error.isEmpty())
            return fail(QStringLiteral("无法在数据库 %1 中建立题库的表：%2").arg(address.shortName(), error));

        qint64 done = 0;
        qint64 changed = 0;
        for (const QString& table : schema::tables() + schema::addedTables()) {
            const QStringList columns = schema::columns(table);
            QSqlQuery read(from);
            read.setForwardOnly(true);
            // Row ids come along, so the rows keep their order; a table without them gets new ones.
            bool withIds = read.exec(QStringLiteral("select rowid, %1 from %2 order by rowid")
                                         .arg(columns.join(QStringLiteral(", ")), table));
            if (!withIds &&
                !read.exec(
                    QStringLiteral("select %1 from %2").arg(columns.join(QStringLiteral(", ")), table)))
                return fail(
                    failed(QStringLiteral("无法读取 %1 的表 %2").arg(sourceName, table), read.lastError()));
            const QStringList targetColumns =
                withIds ? QStringList{QStringLiteral("rowid")} + columns : columns;
            QString oneRow = QStringLiteral("(") +
                             QStringList(targetColumns.size(), QStringLiteral("?")).join(',') +
                             QLatin1Char(')');
            QList<QVariantList> batch;
            qint64 rows = 0;
            auto flush = [&]() -> bool {
                if (batch.isEmpty())
                    return true;
                QSqlQuery insert(db);
                if (!insert.prepare(QStringLiteral("insert into %1 (%2) values %3")
                                        .arg(table, targetColumns.join(QStringLiteral(", ")),
                                             QStringList(batch.size(), oneRow).join(QLatin1Char(',')))))
                    return false;
                for (const QVariantList& values : batch)
                    for (const QVariant& v : values)
                        insert.addBindValue(v);
                if (!insert.exec()) {
                    result.error =
                        failed(QStringLiteral("无法把 %1 的表 %2 写入服务器").arg(sourceName, table),
                               insert.lastError());
                    return false;
                }
                done += batch.size();
                batch.clear();
                return true;
            };
            while (read.next()) {
                QVariantList values;
                int at = 0;
                if (withIds)
                    values << read.value(at++).toLongLong();
                for (const QString& column : columns) {
                    bool altered = false;
                    values << (schema::isNumber(table, column) ? numberValue(column, read.value(at), &altered)
                                                               : textValue(read.value(at), &altered));
                    changed += altered ? 1 : 0;
                    ++at;
                }
                batch << values;
                ++rows;
                if (batch.size() == kRowsPerInsert) {
                    if (!flush())
                        return fail(result.error);
                    if (progress && !progress(done, total)) {
                        result.cancelled = true;
                        return fail(
                            QStringLiteral("已取消导入，数据库 %1 没有改动。").arg(address.shortName()));
                    }
                }
            }
            if (!flush())
                return fail(result.error);
            // New rows are numbered after the copied ones.
            QSqlQuery next(db);
            if (withIds && !next.exec(QStringLiteral("select setval(pg_get_serial_sequence('%1', 'rowid'), "
                                                     "coalesce((select max(rowid) from %1), 0) + 1, false)")
                                          .arg(table)))
                return fail(failed(QStringLiteral("无法写入题库服务器"), next.lastError()));
            result.counts.append({table, rows});
        }
        if (const QString error = schema::createIndexes(db, Dialect::Postgres); !error.isEmpty())
            return fail(QStringLiteral("无法在数据库 %1 中建立索引：%2").arg(address.shortName(), error));
        if (!db.commit())
            return fail(failed(QStringLiteral("无法写入题库服务器，数据库没有改动"), db.lastError()));
        db.close();
        if (changed > 0)
            result.notes << QStringLiteral(
                                "%1 个数字列中的值不是数字，已按程序一向的读法存为数字（例如“12分”存为 "
                                "12，空白存为空值）。")
                                .arg(changed);
    }
    result.ok = true;
    return result;
}

} // namespace serverbank
