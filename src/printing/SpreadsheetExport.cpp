#include "printing/SpreadsheetExport.h"

#include "ui/Grid.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <xlsxwriter.h>

namespace {

std::function<bool(const QString&)> g_opener;

// Cuts text to the spreadsheet's cell limit, counted in characters (code points).
QString limitCell(const QString& text, bool* cut) {
    if (text.size() <= spreadsheet::kMaxCellChars) {
        *cut = false;
        return text;
    }
    int chars = 0;
    int i = 0;
    while (i < text.size() && chars < spreadsheet::kMaxCellChars) {
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        ++chars;
    }
    *cut = i < text.size();
    return text.left(i);
}

} // namespace

namespace spreadsheet {

QString columnName(int column) {
    QString name;
    for (int k = column; k > 0; k = (k - 1) / 26)
        name.prepend(QChar(u'a' + (k - 1) % 26));
    return name;
}

QString cellAddress(int column, int row) {
    return columnName(column) + QString::number(row);
}

Result exportGrid(const Grid& source, const QList<int>& columns) {
    Result result;
    const int rows = source.gridRowCount();
    if (rows > LXW_ROW_MAX || columns.size() > LXW_COL_MAX) {
        result.error = QStringLiteral("表格超出电子表格的行数或列数上限。");
        return result;
    }
    // An unusable TMPDIR gives an empty temporary path: never fall back to the root folder.
    const QString base = QDir::tempPath();
    if (base.isEmpty() || !QFileInfo(base).isDir()) {
        result.error =
            QStringLiteral("找不到临时文件夹（%1），无法建立导出文件。").arg(qEnvironmentVariable("TMPDIR"));
        return result;
    }
    QTemporaryDir folder(base + QStringLiteral("/veltaro-export-XXXXXX"));
    if (!folder.isValid()) {
        result.error = QStringLiteral("无法在临时文件夹 %1 中建立导出文件夹。").arg(base);
        return result;
    }
    folder.setAutoRemove(false); // the file stays for the program that opens it
    result.path = folder.filePath(QStringLiteral("导出.xlsx"));

    const QByteArray fileName = QFile::encodeName(result.path);
    lxw_workbook* workbook = workbook_new(fileName.constData());
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook, nullptr) : nullptr;
    if (!sheet) {
        if (workbook)
            workbook_close(workbook);
        QFile::remove(result.path);
        QDir().rmdir(folder.path());
        result.error = QStringLiteral("无法建立电子表格 %1。").arg(result.path);
        return result;
    }
    bool failed = false;
    for (int i = 1; i <= rows && !failed; ++i) {
        for (int k = 1; k <= columns.size(); ++k) {
            bool cut = false;
            const QByteArray text = limitCell(source.cellText(i - 1, columns[k - 1]), &cut).toUtf8();
            if (cut)
                ++result.cutCells;
            // Row i, column k of the sheet is cellAddress(k, i).
            if (worksheet_write_string(sheet, lxw_row_t(i - 1), lxw_col_t(k - 1), text.constData(),
                                       nullptr) != LXW_NO_ERROR) {
                failed = true;
                break;
            }
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (failed || closed != LXW_NO_ERROR) {
        QFile::remove(result.path);
        QDir().rmdir(folder.path());
        const QString why = closed != LXW_NO_ERROR ? QString::fromUtf8(lxw_strerror(closed))
                                                   : QStringLiteral("单元格写入失败");
        result.error = QStringLiteral("无法写入电子表格 %1：%2").arg(result.path, why);
        return result;
    }
    result.written = true;
    return result;
}

bool openWithDefaultProgram(const QString& path) {
    if (g_opener)
        return g_opener(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void setOpener(std::function<bool(const QString&)> opener) {
    g_opener = std::move(opener);
}

} // namespace spreadsheet
