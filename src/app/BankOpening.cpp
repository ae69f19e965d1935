#include "app/BankOpening.h"

#include "app/AppState.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>

void openQuestionBank(AppState& app, QWidget* parent) {
    const QString folder = QDir::toNativeSeparators(QDir(app.programDir).absolutePath());
    const QString dbPath = QDir(app.programDir).filePath(QStringLiteral("ks.db"));
    const Store::OpenResult result = app.store.open(dbPath);
    switch (result) {
    case Store::OpenResult::Ok:
        return;
    case Store::OpenResult::Missing:
        MessageBox::warn(parent, QStringLiteral("没有找到题库文件 ks.db。\n查找的文件夹：%1\n程序将以空的试卷列表继续运行。")
                                     .arg(folder));
        return;
    case Store::OpenResult::NotADatabase:
        MessageBox::warn(parent, QStringLiteral("题库文件 ks.db 无法打开，它可能已损坏或不是题库文件（文件未做任何改动）。\n"
                                                "所在文件夹：%1\n程序将以空的试卷列表继续运行。")
                                     .arg(folder));
        return;
    case Store::OpenResult::MissingTables:
        MessageBox::warn(parent, QStringLiteral("题库文件 ks.db 缺少程序需要的表或列：%2。\n所在文件夹：%1\n"
                                                "程序将以空的试卷列表继续运行。")
                                     .arg(folder, app.store.lastError()));
        return;
    }
}
