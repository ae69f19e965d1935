#include "app/BankOpening.h"

#include "app/BankFolder.h"
#include "app/LoginWindow.h"
#include "shell/AppState.h"
#include "store/Schema.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

namespace {

// ks.mdb as it is spelt on disk: banks copied from Windows are often KS.MDB.
QString findAccessBank(const QDir& dir) {
    if (QFileInfo(dir.filePath(QStringLiteral("ks.mdb"))).isFile())
        return dir.filePath(QStringLiteral("ks.mdb"));
    const QStringList found = dir.entryList({QStringLiteral("ks.mdb")}, QDir::Files | QDir::Hidden);
    return found.isEmpty() ? QString() : dir.filePath(found.first());
}

bankimport::ImportResult importWithProgress(const QString& mdbPath, const QString& dbPath, QWidget* parent) {
    // Shows itself when the import takes longer than a moment; until the tool knows how many rows
    // there are it shows that it is busy.
    QProgressDialog dialog(QStringLiteral("正在导入题库 %1…").arg(QFileInfo(mdbPath).fileName()),
                           QStringLiteral("取消"), 0, 0, parent);
    dialog.setWindowTitle(QStringLiteral("导入题库"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    bool cancelled = false;
    QObject::connect(&dialog, &QProgressDialog::canceled, [&] { cancelled = true; });
    auto progress = [&](qint64 done, qint64 total) {
        if (total > 0) {
            dialog.setMaximum(1000);
            dialog.setValue(int(qMin<qint64>(done, total) * 1000 / total));
        }
        return !cancelled;
    };
    return bankimport::importInChild(importTool(), mdbPath, dbPath, progress, bankimport::importLimits());
}

// What the store did to the file, and a bank that can only be read: one message.
void tellNotices(AppState& app, QWidget* parent, const QString& folder) {
    QStringList paragraphs = app.store.notices();
    if (app.store.isReadOnly())
        paragraphs
            << QStringLiteral(
                   "题库文件 ks.db 只能读取：%1。\n可以照常练习、查看试卷和题目，但答案不能保存在这里；"
                   "要保存答案，请把 ks.db 放到可以写入的文件夹中。")
                   .arg(app.store.readOnlyReason());
    if (!paragraphs.isEmpty())
        MessageBox::info(parent,
                         paragraphs.join(QStringLiteral("\n\n")) + QStringLiteral("\n所在文件夹：") + folder);
}

// The bank on a PostgreSQL server; `from` says where its address was given.
BankOpened openServerBank(AppState& app, QWidget* parent, const QString& url, const QString& from) {
    Store::OpenResult result = app.store.openServer(url);
    const ServerAddress address = ServerAddress::parse(url);
    // The server wants a password that ~/.pgpass does not give: asked for, used for this run only.
    QString problem;
    while (result == Store::OpenResult::Unreadable && app.store.passwordWanted() && address.ok()) {
        LoginWindow login(address.shortName(), address.user, problem, parent);
        if (!login.run())
            break;
        ServerAddress as = address;
        as.user = login.login();
        result = app.store.openServer(as.toUri(), login.password());
        problem = QStringLiteral("考号或密码不对，请再输入一次。");
    }
    const QString shown = address.ok() ? address.shownUri() : url;
    switch (result) {
    case Store::OpenResult::Ok:
        app.login = seat::whoIsLoggedIn(app.store);
        return BankOpened::Opened;
    case Store::OpenResult::MissingTables:
        MessageBox::warn(parent, QStringLiteral("服务器上的数据库还不是题库，缺少程序需要的表或列：%1。\n"
                                                "请先用导入工具把一个题库放进去，例如：\n"
                                                "veltaro-import ks.db %2\n"
                                                "程序将以空的试卷列表继续运行。")
                                     .arg(app.store.lastError(), shown));
        return BankOpened::NotOpened;
    default: {
        const QString error = app.store.lastError();
        const int nl = error.indexOf(QLatin1Char('\n'));
        MessageBox::warn(parent, QStringLiteral("无法打开题库服务器上的题库：%1。\n地址：%2（%3）\n"
                                                "程序将以空的试卷列表继续运行。%4")
                                     .arg(nl < 0 ? error : error.left(nl), shown, from,
                                          nl < 0 ? QString() : QLatin1Char('\n') + error.mid(nl + 1)));
        return BankOpened::NotOpened;
    }
    }
}

} // namespace

BankOpened openQuestionBank(AppState& app, QWidget* parent) {
    app.login = {};
    if (!app.databaseUrl.isEmpty())
        return openServerBank(app, parent, app.databaseUrl, QStringLiteral("来自命令行的 --database"));
    if (const QString url = bankfolder::configuredDatabase(app.programDir); !url.isEmpty())
        return openServerBank(app, parent, url,
                              QStringLiteral("来自 %1 的 [bank] database")
                                  .arg(QDir::toNativeSeparators(bankfolder::settingsFile(app.programDir))));
    const QDir dir(app.programDir);
    const QString folder = QDir::toNativeSeparators(dir.absolutePath());
    const QString dbPath = dir.filePath(QStringLiteral("ks.db"));

    if (!QFileInfo::exists(dbPath) && !QFileInfo(dbPath).isSymLink()) {
        const QString mdbPath = findAccessBank(dir);
        if (mdbPath.isEmpty()) {
            if (!MessageBox::ask(
                    parent, QStringLiteral("没有找到题库文件 ks.db，也没有 ks.mdb。\n查找的文件夹：%1\n"
                                           "要在这里建立一个空的题库，然后在“题库”窗口中添加试卷和题目吗？\n"
                                           "选“否”则程序以空的试卷列表继续运行。")
                                .arg(folder)))
                return BankOpened::NotOpened;
            if (const QString error = schema::createBankFile(dbPath); !error.isEmpty()) {
                MessageBox::warn(
                    parent,
                    QStringLiteral("%1\n所在文件夹：%2\n程序将以空的试卷列表继续运行。").arg(error, folder));
                return BankOpened::NotOpened;
            }
            if (app.store.open(dbPath) == Store::OpenResult::Ok)
                return BankOpened::CreatedEmpty;
        } else {
            const bankimport::ImportResult imported = importWithProgress(mdbPath, dbPath, parent);
            if (!imported.ok) {
                const QString what = imported.cancelled
                                         ? imported.error
                                         : QStringLiteral("无法从 %1 导入题库：\n%2")
                                               .arg(QFileInfo(mdbPath).fileName(), imported.error);
                MessageBox::warn(
                    parent,
                    QStringLiteral("%1\n所在文件夹：%2\n没有创建 ks.db，程序将以空的试卷列表继续运行。")
                        .arg(what, folder));
                return BankOpened::NotOpened;
            }
        }
    }

    const Store::OpenResult result = app.store.open(dbPath);
    switch (result) {
    case Store::OpenResult::Ok:
        tellNotices(app, parent, folder);
        return BankOpened::Opened;
    case Store::OpenResult::Missing:
        MessageBox::warn(
            parent,
            QStringLiteral("没有找到题库文件 ks.db。\n查找的文件夹：%1\n程序将以空的试卷列表继续运行。")
                .arg(folder));
        return BankOpened::NotOpened;
    case Store::OpenResult::NotADatabase:
        MessageBox::warn(
            parent,
            QStringLiteral("题库文件 ks.db 无法打开，它可能已损坏或不是题库文件（文件未做任何改动）。\n"
                           "所在文件夹：%1\n程序将以空的试卷列表继续运行。")
                .arg(folder));
        return BankOpened::NotOpened;
    case Store::OpenResult::Unreadable: {
        // The reason first; SQLite's own words, if any, on the last line.
        const QString error = app.store.lastError();
        const int nl = error.indexOf(QLatin1Char('\n'));
        MessageBox::warn(parent, QStringLiteral("题库文件 ks.db 无法读取：%2。文件未做任何改动。\n"
                                                "请检查它和它旁边的 ks.db-journal、ks.db-wal 能否读写。\n"
                                                "所在文件夹：%1\n程序将以空的试卷列表继续运行。%3")
                                     .arg(folder, nl < 0 ? error : error.left(nl),
                                          nl < 0 ? QString() : QLatin1Char('\n') + error.mid(nl + 1)));
        return BankOpened::NotOpened;
    }
    case Store::OpenResult::MissingTables:
        MessageBox::warn(parent, QStringLiteral("题库文件 ks.db 缺少程序需要的表或列：%2。\n所在文件夹：%1\n"
                                                "程序将以空的试卷列表继续运行。")
                                     .arg(folder, app.store.lastError()));
        return BankOpened::NotOpened;
    }
    return BankOpened::NotOpened;
}
