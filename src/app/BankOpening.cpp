#include "app/BankOpening.h"

#include "shell/AppState.h"
#include "store/Schema.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <memory>

namespace {

bankimport::SourceOpener& accessOpener() {
    static bankimport::SourceOpener opener;
    return opener;
}

// ks.mdb as it is spelt on disk: banks copied from Windows are often KS.MDB.
QString findAccessBank(const QDir& dir) {
    if (QFileInfo(dir.filePath(QStringLiteral("ks.mdb"))).isFile())
        return dir.filePath(QStringLiteral("ks.mdb"));
    const QStringList found = dir.entryList({QStringLiteral("ks.mdb")}, QDir::Files | QDir::Hidden);
    return found.isEmpty() ? QString() : dir.filePath(found.first());
}

bankimport::ImportResult importWithProgress(const QString& mdbPath, const QString& dbPath, QWidget* parent) {
    std::unique_ptr<QProgressDialog> dialog;
    const QString name = QFileInfo(mdbPath).fileName();
    auto progress = [&](qint64 done, qint64 total) {
        if (!dialog) {
            if (total >= 0 && total < kImportDialogRows)
                return true;
            dialog =
                std::make_unique<QProgressDialog>(QStringLiteral("正在导入题库 %1…").arg(name),
                                                  QStringLiteral("取消"), 0, total < 0 ? 0 : 1000, parent);
            dialog->setWindowTitle(QStringLiteral("导入题库"));
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setMinimumDuration(400);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
        }
        if (total > 0)
            dialog->setValue(int(qMin<qint64>(done, total) * 1000 / total));
        else
            dialog->setValue(0);
        return !dialog->wasCanceled();
    };
    return bankimport::importFile(mdbPath, dbPath, progress, accessOpener());
}

} // namespace

void setAccessOpener(const bankimport::SourceOpener& opener) {
    accessOpener() = opener;
}

BankOpened openQuestionBank(AppState& app, QWidget* parent) {
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
    case Store::OpenResult::Unreadable:
        MessageBox::warn(parent, QStringLiteral("题库文件 ks.db 无法读取（%2），文件未做任何改动。\n"
                                                "请检查它和它旁边的 ks.db-wal、ks.db-shm 能否读写。\n"
                                                "所在文件夹：%1\n程序将以空的试卷列表继续运行。")
                                     .arg(folder, app.store.lastError()));
        return BankOpened::NotOpened;
    case Store::OpenResult::MissingTables:
        MessageBox::warn(parent, QStringLiteral("题库文件 ks.db 缺少程序需要的表或列：%2。\n所在文件夹：%1\n"
                                                "程序将以空的试卷列表继续运行。")
                                     .arg(folder, app.store.lastError()));
        return BankOpened::NotOpened;
    }
    return BankOpened::NotOpened;
}
