#include "marking/LiveBoard.h"

#include "ui/Accessibility.h"

#include "store/Store.h"
#include "ui/Grid.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Running sittings: seconds by the server's clock, so the computers' clocks do not matter.
const char* kRunning =
    "select c.student::text, coalesce((select max(a.xingming::text) from 评分 a where a.code = c.code and "
    "a.student = c.student and a.state = c.state), '') as name, c.host, c.code::text, c.state::text, "
    "(select count(*) from 评分 a where a.code = c.code and a.student = c.student and a.state = c.state), "
    "n.now - c.started, (select max(p.kstime) from 试卷 p where p.code = c.code) * 60 - (n.now - c.started), "
    "n.now - c.heartbeat "
    "from 在考 c, (select cast(extract(epoch from clock_timestamp()) as bigint) as now) n "
    "order by c.code, c.student, c.state";
// Sittings handed in (a classroom server keeps them), newest first; their totals come from
// veltaro_total, asked once per sitting.
const char* kHandedIn =
    "select h.student::text, coalesce(k.xingming::text, ''), h.code::text, h.state::text "
    "from 交卷 h left join 考生 k on k.student = h.student order by h.handed desc limit 500";

QString minutes(qint64 seconds) {
    const bool negative = seconds < 0;
    seconds = std::llabs(seconds);
    return QStringLiteral("%1%2:%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QTreeWidget* makeList(QWidget* parent, const QString& name, const QStringList& headings) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setHeaderLabels(headings);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return list;
}

} // namespace

LiveBoard::LiveBoard(Store& store, QWidget* parent) : QDialog(parent), m_store(store) {
    setObjectName(QStringLiteral("考场窗口"));
    setWindowTitle(QStringLiteral("考场"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 460);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("正在考试"), this));
    在考列表 = makeList(this, QStringLiteral("在考列表"),
                        {QStringLiteral("考号"), QStringLiteral("姓名"), QStringLiteral("电脑"), QStringLiteral("试卷"),
                         QStringLiteral("场次"), QStringLiteral("已存答案"), QStringLiteral("已用"),
                         QStringLiteral("剩余"), QStringLiteral("最后联系")});
    layout->addWidget(在考列表, 3);
    layout->addWidget(new QLabel(QStringLiteral("已交卷"), this));
    交卷列表 = makeList(this, QStringLiteral("交卷列表"),
                        {QStringLiteral("考号"), QStringLiteral("姓名"), QStringLiteral("试卷"), QStringLiteral("场次"),
                         QStringLiteral("总分")});
    layout->addWidget(交卷列表, 2);
    状态标签 = new QLabel(this);
    状态标签->setObjectName(QStringLiteral("状态标签"));
    layout->addWidget(状态标签);
    a11y::describe(this, windowTitle());
    a11y::describe(在考列表, QStringLiteral("正在考试"), QStringLiteral("每位正在考试的考生一行；Esc 关闭"));
    a11y::describe(交卷列表, QStringLiteral("已交卷"), QStringLiteral("每个已交卷的场次一行；Esc 关闭"));
    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshSeconds * 1000);
    connect(m_timer, &QTimer::timeout, this, &LiveBoard::refresh);
    m_timer->start();
    refresh();
}

bool LiveBoard::refresh() {
    if (!m_store.isOpen() || m_store.dialect() != Dialect::Postgres) {
        状态标签->setText(QStringLiteral("考场只在题库服务器上显示。"));
        return false;
    }
    QElapsedTimer took;
    took.start();
    QSqlDatabase db = QSqlDatabase::database(m_store.awakeConnection(), false);
    QSqlQuery running(db);
    if (!running.exec(QString::fromUtf8(kRunning))) {
        状态标签->setText(QStringLiteral("无法读取考场：%1").arg(running.lastError().text()));
        return false;
    }
    在考列表->clear();
    int silent = 0;
    while (running.next()) {
        const qint64 quiet = running.value(8).toLongLong();
        const bool noPaperTime = running.value(7).isNull();
        auto* item = new QTreeWidgetItem(
            在考列表, {running.value(0).toString(), running.value(1).toString(), running.value(2).toString(),
                       running.value(3).toString(), running.value(4).toString(), running.value(5).toString(),
                       minutes(running.value(6).toLongLong()),
                       noPaperTime ? QString() : minutes(running.value(7).toLongLong()),
                       QStringLiteral("%1 秒前").arg(quiet)});
        if (quiet > kSilentSeconds) {
            ++silent;
            for (int c = 0; c < item->columnCount(); ++c) {
                item->setBackground(c, QColor(0xff, 0xd0, 0xd0));
                item->setForeground(c, QColor(0x90, 0, 0));
            }
            item->setToolTip(8, QStringLiteral("这台电脑已超过一分钟没有联系题库服务器"));
        }
    }
    交卷列表->clear();
    QSqlQuery handed(db);
    const bool classroom = handed.exec(QStringLiteral("select to_regclass('交卷') is not null")) && handed.next() &&
                           handed.value(0).toBool();
    QSqlQuery total(db);
    total.prepare(QStringLiteral("select veltaro_total(?, ?, ?)"));
    if (classroom && handed.exec(QString::fromUtf8(kHandedIn)))
        while (handed.next()) {
            const QString student = handed.value(0).toString(), code = handed.value(2).toString(),
                          state = handed.value(3).toString();
            const QString key = code + QChar(0) + student + QChar(0) + state;
            QString shown;
            if (const auto known = m_totals.constFind(key); known != m_totals.constEnd()) {
                shown = Grid::formatValue(*known);
            } else {
                total.addBindValue(code);
                total.addBindValue(student);
                total.addBindValue(state);
                if (total.exec() && total.next()) {
                    m_totals.insert(key, total.value(0).toDouble());
                    shown = Grid::formatValue(total.value(0).toDouble());
                }
            }
            new QTreeWidgetItem(交卷列表, {student, handed.value(1).toString(), code, state, shown});
        }
    状态标签->setText(QStringLiteral("正在考试 %1 场%2，已交卷 %3 场；每 %4 秒刷新一次（本次读取 %5 毫秒）。")
                          .arg(在考列表->topLevelItemCount())
                          .arg(silent ? QStringLiteral("（%1 场超过一分钟没有联系）").arg(silent) : QString())
                          .arg(交卷列表->topLevelItemCount())
                          .arg(kRefreshSeconds)
                          .arg(took.elapsed()));
    return true;
}
