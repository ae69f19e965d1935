#include "printing/SpreadsheetExport.h"

#include "ui/Grid.h"
#include "ui/UserSettings.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>
#include <cstdio>

#include <xlsxwriter.h>

namespace {

std::function<bool(const QString&)> g_opener;

// Digits a spreadsheet keeps of a number.
constexpr int kMaxDigits = 15;
// The narrowest a column is made, in character widths.
constexpr int kMinColumnWidth = 4;
// How long the opener of an exported file is watched for a failure before it counts as started.
constexpr int kOpenerVerdictMs = 1500;

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

// How wide a text shows, in the spreadsheet's character widths: Chinese letters and full-width
// forms take two. The longest line counts.
int displayWidth(const QString& text) {
    int widest = 0;
    int width = 0;
    for (const QChar ch : text) {
        if (ch == u'\n') {
            widest = qMax(widest, width);
            width = 0;
        } else if (!ch.isLowSurrogate()) {
            width += ch.unicode() >= 0x2E80 || ch.isHighSurrogate() ? 2 : 1;
        }
    }
    return qMax(widest, width);
}

const char* const kFolderKey = "export/folder";

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

bool numericCell(const QString& text, double* value) {
    static const QRegularExpression plain(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]*[1-9])?$"));
    if (text.size() > kMaxDigits + 2 || !plain.match(text).hasMatch() || text == QLatin1String("-0"))
        return false;
    int digits = 0;
    for (const QChar ch : text)
        digits += ch.isDigit() ? 1 : 0;
    if (digits > kMaxDigits)
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (ok && value)
        *value = v;
    return ok;
}

QString defaultFileName(const QStringList& parts) {
    QStringList kept;
    for (const QString& part : parts) {
        QString p = part.trimmed();
        for (QChar& ch : p)
            if (ch.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(ch))
                ch = u'_';
        if (!p.isEmpty())
            kept << p;
    }
    QString name = kept.join(u'-');
    // Room for the suffix within the 255 bytes a file name may take.
    while (name.toUtf8().size() > 200)
        name.chop(1);
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(QStringLiteral("导出"));
    return name + QStringLiteral(".xlsx");
}

QString startFolder() {
    const QString remembered = userSettings().value(QLatin1String(kFolderKey)).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void rememberFolder(const QString& folder) {
    userSettings().setValue(QLatin1String(kFolderKey), folder);
}

Result exportGrid(const Grid& source, const QList<int>& columns, const QString& path) {
    Result result;
    result.path = path;
    const int rows = source.gridRowCount();
    if (rows > LXW_ROW_MAX || columns.size() > LXW_COL_MAX) {
        result.error = QStringLiteral("表格超出电子表格的行数或列数上限。");
        return result;
    }
    // The new workbook is written beside the file it becomes, and takes its name only when whole.
    const QFileInfo target(path);
    QString partial;
    {
        QTemporaryFile reserve(target.absoluteDir().filePath(QStringLiteral(".veltaro-export-XXXXXX.xlsx")));
        if (!reserve.open()) {
            result.error = QStringLiteral("无法在文件夹 %1 中写入文件。")
                               .arg(QDir::toNativeSeparators(target.absolutePath()));
            return result;
        }
        partial = reserve.fileName();
    } // the name is free again: the workbook is made under it with the user's usual permissions

    const QByteArray fileName = QFile::encodeName(partial);
    lxw_workbook* workbook = workbook_new(fileName.constData());
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook, nullptr) : nullptr;
    if (!sheet) {
        if (workbook)
            workbook_close(workbook);
        QFile::remove(partial);
        result.error = QStringLiteral("无法建立电子表格 %1。").arg(QDir::toNativeSeparators(path));
        return result;
    }
    lxw_format* heading = workbook_add_format(workbook);
    format_set_bold(heading);
    format_set_align(heading, LXW_ALIGN_VERTICAL_TOP);
    lxw_format* plain = workbook_add_format(workbook);
    format_set_align(plain, LXW_ALIGN_VERTICAL_TOP);
    lxw_format* wrapped = workbook_add_format(workbook);
    format_set_text_wrap(wrapped);
    format_set_align(wrapped, LXW_ALIGN_VERTICAL_TOP);

    // Widths first: a column whose texts are wider than the widest column wraps them.
    QList<bool> wrap(columns.size(), false);
    for (int k = 0; k < columns.size(); ++k) {
        int widest = 0;
        bool lineBreak = false;
        for (int i = 0; i < rows; ++i) {
            const QString text = source.cellText(i, columns[k]);
            widest = qMax(widest, displayWidth(text));
            lineBreak = lineBreak || (i > 0 && text.contains(u'\n'));
        }
        const int width = qBound(kMinColumnWidth, widest + 2, kMaxColumnWidth);
        wrap[k] = lineBreak || widest + 2 > kMaxColumnWidth;
        worksheet_set_column(sheet, lxw_col_t(k), lxw_col_t(k), width, wrap[k] ? wrapped : plain);
    }
    worksheet_freeze_panes(sheet, 1, 0);

    bool failed = false;
    for (int i = 0; i < rows && !failed; ++i) {
        for (int k = 0; k < columns.size(); ++k) {
            bool cut = false;
            const QString text = limitCell(source.cellText(i, columns[k]), &cut);
            if (cut)
                ++result.cutCells;
            if (text.isEmpty())
                continue;
            // Row i + 1, column k + 1 of the sheet is cellAddress(k + 1, i + 1).
            const lxw_row_t row = lxw_row_t(i);
            const lxw_col_t col = lxw_col_t(k);
            double number = 0;
            lxw_error written;
            if (i > 0 && numericCell(text, &number))
                written = worksheet_write_number(sheet, row, col, number, plain);
            else
                written = worksheet_write_string(sheet, row, col, text.toUtf8().constData(),
                                                 i == 0    ? heading
                                                 : wrap[k] ? wrapped
                                                           : plain);
            if (written != LXW_NO_ERROR) {
                failed = true;
                break;
            }
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (failed || closed != LXW_NO_ERROR) {
        QFile::remove(partial);
        const QString why = closed != LXW_NO_ERROR ? QString::fromUtf8(lxw_strerror(closed))
                                                   : QStringLiteral("单元格写入失败");
        result.error = QStringLiteral("无法写入电子表格 %1：%2").arg(QDir::toNativeSeparators(path), why);
        return result;
    }
    // Renaming over the old file replaces it in one step.
    if (std::rename(fileName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        QFile::remove(partial);
        result.error = QStringLiteral("无法写入文件 %1。").arg(QDir::toNativeSeparators(path));
        return result;
    }
    result.written = true;
    return result;
}

Opening openWithDefaultProgram(const QString& path, std::function<void(const QString&)> lateFailure) {
    const QString nothingOpensIt = QStringLiteral("系统里没有能打开 .xlsx 文件的程序");
    if (g_opener)
        return g_opener(path) ? Opening{true, {}} : Opening{false, nothingOpensIt};
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        // The desktop's own way, where there is one (it reports only whether it could ask).
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return {true, {}};
        return {false, QStringLiteral("没有找到打开文件的程序 xdg-open")};
    }
    // What xdg-open's exit codes mean.
    auto failure = [nothingOpensIt](int code) {
        return code == 3 || code == 4 ? nothingOpensIt
                                      : QStringLiteral("xdg-open 出错（退出码 %1）").arg(code);
    };
    // The opener lives on its own: it may run as long as the program it started.
    auto* opener = new QProcess(QCoreApplication::instance());
    opener->setProgram(xdgOpen);
    opener->setArguments({path});
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    opener->start();
    if (!opener->waitForStarted(kOpenerVerdictMs)) {
        const QString why = QStringLiteral("无法启动 xdg-open：%1").arg(opener->errorString());
        delete opener;
        return {false, why};
    }
    if (opener->waitForFinished(kOpenerVerdictMs)) {
        const bool ok = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
        const int code = opener->exitStatus() == QProcess::NormalExit ? opener->exitCode() : -1;
        delete opener;
        return ok ? Opening{true, {}} : Opening{false, failure(code)};
    }
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, failure, lateFailure](int code, QProcess::ExitStatus status) {
                         if (lateFailure && status == QProcess::NormalExit && code != 0)
                             lateFailure(failure(code));
                         opener->deleteLater();
                     });
    return {true, {}};
}

void setOpener(std::function<bool(const QString&)> opener) {
    g_opener = std::move(opener);
}

} // namespace spreadsheet
