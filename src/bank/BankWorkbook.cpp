#include "bank/BankWorkbook.h"

#include "answering/PracticeSchedule.h"
#include "bank/BankEdits.h"
#include "bank/ImportFiles.h"
#include "questions/QuestionText.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <cstdio>
#include <xlsxwriter.h>

namespace bankbook {

namespace {

const QString kPapers = QStringLiteral("试卷");
const QString kQuestions = QStringLiteral("题库");
const QString kAnswers = QStringLiteral("评分");
const QString kHistory = QStringLiteral("练习记录");

struct Heading {
    const char* column;
    const char* chinese;
};
const Heading kHeadings[] = {
    {"code", "试卷编码"},      {"name", "试卷名称"},     {"chouti", "抽题"},   {"paixu", "排序"},
    {"kstime", "考试时间"},    {"tihao", "题号"},        {"question", "题目"}, {"pic", "图片"},
    {"authority", "标准答案"}, {"practice", "练习答案"}, {"jiexi", "解析"},    {"score", "分值"},
    {"answer", "答案"},        {"student", "考号"},      {"xingming", "姓名"}, {"state", "场次"},
    {"correct", "对错"},       {"answered", "答题时间"}, {"tixing", "题型"},
};

// The 试卷 sheet's column of scoring rules (documents::rulesText), after the table's columns; a
// sheet without it leaves every paper 全对得分.
const QString kRulesHeading = QStringLiteral("评分规则");

int rulesColumn(const sheets::Sheet& sheet) {
    if (sheet.rows.isEmpty())
        return -1;
    const sheets::Row& head = sheet.rows.first();
    for (int i = 0; i < head.cells.size(); ++i)
        if (bank::cellText(head.cells[i]).trimmed() == kRulesHeading)
            return i;
    return -1;
}

QStringList optionalColumns(const QString& table) {
    if (table == kQuestions)
        return {"pic", "practice", "jiexi", "tixing"};
    if (table == kAnswers)
        return {"xingming"};
    return {};
}

// Where each column of a table stands in a sheet (0-based), from its heading row.
struct ColumnMap {
    QHash<QString, int> at;
    QVariant cell(const sheets::Row& row, const QString& column) const {
        const int i = at.value(column, -1);
        return i < 0 ? QVariant() : row.cells.value(i);
    }
};

bool mapHeadings(const sheets::Sheet& sheet, const QString& table, ColumnMap* map, QList<Problem>* problems) {
    if (sheet.rows.isEmpty()) {
        *problems << Problem{table, 0, QStringLiteral("工作表是空的，第 1 行应是列名")};
        return false;
    }
    const sheets::Row& head = sheet.rows.first();
    const QStringList columns = schema::columns(table);
    for (int i = 0; i < head.cells.size(); ++i) {
        const QString name = bank::cellText(head.cells[i]).trimmed();
        if (name.isEmpty())
            continue;
        for (const QString& column : columns) {
            if (name.compare(column, Qt::CaseInsensitive) != 0 && name != headingOf(column))
                continue;
            if (map->at.contains(column))
                *problems << Problem{table, head.number, QStringLiteral("列 %1 出现了两次").arg(column)};
            else
                map->at.insert(column, i);
        }
    }
    QStringList missing;
    for (const QString& column : columns)
        if (!map->at.contains(column) && !optionalColumns(table).contains(column))
            missing << QStringLiteral("%1（%2）").arg(column, headingOf(column));
    if (!missing.isEmpty())
        *problems << Problem{table, head.number,
                             QStringLiteral("缺少列 %1").arg(missing.join(QStringLiteral("、")))};
    return missing.isEmpty();
}

// A number column's value; a text that is not a number is reported and read as 1, a value every
// number column takes, so the row's other checks do not report it again.
QVariant numberOf(const QVariant& cell, const QString& what, QStringList* reasons) {
    if (bank::isEmptyCell(cell))
        return {};
    const QVariant n = bank::cellNumber(cell);
    if (n.isNull()) {
        *reasons << QStringLiteral("%1不是数字：“%2”").arg(what, bank::cellText(cell));
        return qint64(1);
    }
    return n;
}

// A whole question number from 1 on.
bool isNumber(const QVariant& v) {
    return v.typeId() == QMetaType::LongLong && v.toLongLong() >= 1;
}

QString pairKey(const QString& code, const QVariant& number) {
    return bank::codeKey(code) + QLatin1Char('\n') + QString::number(number.toLongLong());
}

// A reason may quote a cell: a long one is cut, so that the report stays readable and small.
QString shortReason(const QString& reason) {
    return reason.size() <= kMaxReasonLength ? reason : reason.left(kMaxReasonLength) + QStringLiteral("…");
}

void addProblems(ReadResult* out, const QString& sheet, int row, const QStringList& reasons) {
    for (const QString& r : reasons) {
        if (out->problems.size() < kMaxProblems)
            out->problems << Problem{sheet, row, shortReason(r)};
        else
            ++out->moreProblems;
    }
}

// Scratch name beside the target, so that taking the target's name is a rename.
QString scratchBeside(const QString& path, QString* error) {
    const QFileInfo target(path);
    QTemporaryFile tmp(target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
        *error = QStringLiteral("无法在文件夹 %1 中写入文件：%2")
                     .arg(QDir::toNativeSeparators(target.absolutePath()), tmp.errorString());
        return {};
    }
    return tmp.fileName();
}

// The tables as the import reads an Access file: one source table per bank table.
class TablesSource : public TableSource {
  public:
    explicit TablesSource(const bank::Tables& t) : m_t(t) {}
    QList<SourceColumn> columns(const QString& table) override {
        QList<SourceColumn> out;
        for (const QString& c : schema::columns(table))
            out << SourceColumn{c, ValueKind::Text, QStringLiteral("Text")};
        return out;
    }
    QStringList tables() override { return schema::tables() << kHistory; }
    qint64 rowCount(const QString& table) override {
        return table == kPapers      ? m_t.papers.size()
               : table == kQuestions ? m_t.questions.size()
               : table == kAnswers   ? m_t.answers.size()
                                     : m_t.history.size();
    }
    bool readRows(const QString& table, const QList<int>& wanted, const RowSink& sink, QString*) override {
        auto deliver = [&](const QVariantList& all) {
            QVariantList v;
            v.reserve(wanted.size());
            for (int i : wanted)
                v << all.value(i);
            return sink(v);
        };
        if (table == kPapers) {
            for (const bank::Paper& p : m_t.papers)
                if (!deliver(bank::values(p)))
                    return false;
        } else if (table == kQuestions) {
            for (const bank::Question& q : m_t.questions)
                if (!deliver(bank::values(q)))
                    return false;
        } else if (table == kAnswers) {
            for (const bank::Answer& a : m_t.answers)
                if (!deliver(bank::values(a)))
                    return false;
        } else {
            for (const bank::PracticeRecord& r : m_t.history)
                if (!deliver(bank::values(r)))
                    return false;
        }
        return true;
    }

  private:
    const bank::Tables& m_t;
};

} // namespace

QString Problem::text() const {
    if (row <= 0)
        return QStringLiteral("工作表“%1”：%2").arg(sheet, reason);
    return QStringLiteral("工作表“%1”第 %2 行：%3").arg(sheet).arg(row).arg(reason);
}

QString ReadResult::report(int maxLines) const {
    if (!error.isEmpty())
        return error;
    QStringList lines;
    for (int i = 0; i < problems.size() && i < maxLines; ++i)
        lines << problems[i].text();
    const qint64 all = problems.size() + moreProblems;
    if (all > maxLines)
        lines << QStringLiteral("……另有 %1 处问题。").arg(all - maxLines);
    return lines.join(QLatin1Char('\n'));
}

QStringList missingPictures(const bank::Tables& tables, const QString& bankDir) {
    QStringList out;
    for (const bank::Question& q : tables.questions)
        if (!q.pic.trimmed().isEmpty() && picturePath(bankDir, q.pic).isEmpty())
            out << QStringLiteral("试卷“%1”第 %2 题：%3").arg(q.code).arg(q.tihao.toLongLong()).arg(q.pic);
    return out;
}

QString headingOf(const QString& column) {
    for (const Heading& h : kHeadings)
        if (column == QLatin1String(h.column))
            return QString::fromUtf8(h.chinese);
    return {};
}

ReadResult readTables(const sheets::Workbook& book) {
    ReadResult result;
    if (!book.error.isEmpty()) {
        result.error = book.error;
        return result;
    }
    QList<Problem>& problems = result.problems;
    bank::Tables& t = result.tables;
    const sheets::Sheet* paperSheet = book.sheet(kPapers);
    const sheets::Sheet* questionSheet = book.sheet(kQuestions);
    const sheets::Sheet* answerSheet = book.sheet(kAnswers);
    if (!paperSheet)
        problems << Problem{kPapers, 0, QStringLiteral("找不到这个工作表")};
    if (!questionSheet)
        problems << Problem{kQuestions, 0, QStringLiteral("找不到这个工作表")};
    if (!paperSheet || !questionSheet)
        return result;

    QHash<QString, int> paperRows; // code key → row number
    ColumnMap map;
    if (mapHeadings(*paperSheet, kPapers, &map, &problems)) {
        const int rulesAt = rulesColumn(*paperSheet);
        for (int i = 1; i < paperSheet->rows.size(); ++i) {
            const sheets::Row& row = paperSheet->rows[i];
            QStringList reasons;
            bank::Paper p;
            p.code = bank::cellText(map.cell(row, "code"));
            p.name = bank::cellText(map.cell(row, "name"));
            p.chouti = numberOf(map.cell(row, "chouti"), QStringLiteral("抽题"), &reasons);
            p.kstime = numberOf(map.cell(row, "kstime"), QStringLiteral("考试时间"), &reasons);
            const QVariant order = map.cell(row, "paixu");
            p.paixu = bank::cellOrder(order);
            if (p.paixu.isNull() && !bank::isEmptyCell(order)) {
                reasons << QStringLiteral("排序只能是 1/0、是/否、顺序/随机 或 TRUE/FALSE：“%1”")
                               .arg(bank::cellText(order));
                p.paixu = qint64(0);
            }
            reasons << bank::problems(p);
            if (const int first = paperRows.value(bank::codeKey(p.code));
                first > 0 && !p.code.trimmed().isEmpty())
                reasons << QStringLiteral("试卷编码“%1”与第 %2 行重复").arg(p.code).arg(first);
            else
                paperRows.insert(bank::codeKey(p.code), row.number);
            if (const QString rules = rulesAt < 0 ? QString() : bank::cellText(row.cells.value(rulesAt)).trimmed();
                !rules.isEmpty()) {
                documents::ScoringRules read;
                if (const QString error = documents::rulesFromText(rules, &read); !error.isEmpty())
                    reasons << QStringLiteral("评分规则 %1").arg(error);
                else if (!read.isPlain())
                    t.rules.insert(p.code, read);
            }
            addProblems(&result, kPapers, row.number, reasons);
            t.papers << p;
        }
    }

    map = ColumnMap();
    QHash<QString, int> questionRows;
    if (mapHeadings(*questionSheet, kQuestions, &map, &problems)) {
        t.questions.reserve(questionSheet->rows.size());
        for (int i = 1; i < questionSheet->rows.size(); ++i) {
            const sheets::Row& row = questionSheet->rows[i];
            QStringList reasons;
            bank::Question q;
            q.code = bank::cellText(map.cell(row, "code"));
            q.tihao = numberOf(map.cell(row, "tihao"), QStringLiteral("题号"), &reasons);
            const bool numbered = reasons.isEmpty() && isNumber(q.tihao) && !q.code.trimmed().isEmpty();
            q.question = bank::cellText(map.cell(row, "question"));
            q.pic = bank::cellText(map.cell(row, "pic"));
            if (const QString why = pictureNameProblem(q.pic); !why.isEmpty())
                reasons << why;
            q.authority = bank::standardAnswer(bank::cellText(map.cell(row, "authority")));
            q.practice = bank::cellText(map.cell(row, "practice"));
            q.jiexi = bank::cellText(map.cell(row, "jiexi"));
            q.score = numberOf(map.cell(row, "score"), QStringLiteral("分值"), &reasons);
            q.tixing = bank::cellText(map.cell(row, "tixing")).trimmed();
            reasons << bank::problems(q);
            if (!q.code.trimmed().isEmpty() && !paperRows.contains(bank::codeKey(q.code)))
                reasons << QStringLiteral("试卷编码“%1”在工作表“试卷”中没有").arg(q.code);
            // A number taken twice is named even on a row with other faults.
            if (numbered) {
                const QString key = pairKey(q.code, q.tihao);
                if (const int first = questionRows.value(key); first > 0)
                    reasons << QStringLiteral("试卷“%1”的第 %2 题与第 %3 行重复")
                                   .arg(q.code)
                                   .arg(q.tihao.toLongLong())
                                   .arg(first);
                else
                    questionRows.insert(key, row.number);
            }
            addProblems(&result, kQuestions, row.number, reasons);
            t.questions << q;
        }
    }

    map = ColumnMap();
    if (answerSheet && mapHeadings(*answerSheet, kAnswers, &map, &problems)) {
        QHash<QString, int> answerRows;
        for (int i = 1; i < answerSheet->rows.size(); ++i) {
            const sheets::Row& row = answerSheet->rows[i];
            QStringList reasons;
            bank::Answer a;
            a.code = bank::cellText(map.cell(row, "code"));
            a.tihao = numberOf(map.cell(row, "tihao"), QStringLiteral("题号"), &reasons);
            const bool numbered = reasons.isEmpty() && isNumber(a.tihao) && !a.code.trimmed().isEmpty();
            a.answer = bank::cellText(map.cell(row, "answer"));
            a.student = bank::cellText(map.cell(row, "student"));
            a.xingming = bank::cellText(map.cell(row, "xingming"));
            a.state = bank::cellText(map.cell(row, "state"));
            reasons << bank::problems(a);
            if (!a.code.trimmed().isEmpty() && !paperRows.contains(bank::codeKey(a.code)))
                reasons << QStringLiteral("试卷编码“%1”在工作表“试卷”中没有").arg(a.code);
            if (numbered) {
                // The program keeps one answer per paper, question, candidate and sitting.
                const QString key = pairKey(a.code, a.tihao) + QLatin1Char('\n') + bank::codeKey(a.student) +
                                    QLatin1Char('\n') + bank::codeKey(a.state);
                if (const int first = answerRows.value(key); first > 0)
                    reasons << QStringLiteral("与第 %1 行是同一考生同一场次同一题的答案").arg(first);
                else
                    answerRows.insert(key, row.number);
            }
            addProblems(&result, kAnswers, row.number, reasons);
            t.answers << a;
        }
    }

    // The practice history: every row on a question of the 题库 sheet.
    map = ColumnMap();
    const sheets::Sheet* historySheet = book.sheet(kHistory);
    if (historySheet && mapHeadings(*historySheet, kHistory, &map, &problems)) {
        t.history.reserve(historySheet->rows.size());
        for (int i = 1; i < historySheet->rows.size(); ++i) {
            const sheets::Row& row = historySheet->rows[i];
            QStringList reasons;
            bank::PracticeRecord r;
            r.code = bank::cellText(map.cell(row, "code"));
            r.tihao = numberOf(map.cell(row, "tihao"), QStringLiteral("题号"), &reasons);
            const bool numbered = reasons.isEmpty() && isNumber(r.tihao) && !r.code.trimmed().isEmpty();
            r.answer = bank::cellText(map.cell(row, "answer"));
            const QVariant correct = map.cell(row, "correct");
            r.correct = bank::cellCorrect(correct);
            if (r.correct.isNull() && !bank::isEmptyCell(correct)) {
                reasons << QStringLiteral("对错只能是 1/0、对/错、是/否 或 TRUE/FALSE：“%1”")
                               .arg(bank::cellText(correct));
                r.correct = qint64(0);
            }
            const QVariant time = map.cell(row, "answered");
            r.answered = bank::cellTime(time);
            if (r.answered.isEmpty() && !bank::isEmptyCell(time)) {
                reasons << QStringLiteral("答题时间“%1”不是日期和时间，应写成“2024-05-01 08:30:00”")
                               .arg(bank::cellText(time));
                r.answered = QStringLiteral("2000-01-01 00:00:00");
            }
            reasons << bank::problems(r);
            if (!r.code.trimmed().isEmpty() && !paperRows.contains(bank::codeKey(r.code)))
                reasons << QStringLiteral("试卷编码“%1”在工作表“试卷”中没有").arg(r.code);
            else if (numbered && !questionRows.contains(pairKey(r.code, r.tihao)))
                reasons << QStringLiteral("试卷“%1”的第 %2 题在工作表“题库”中没有")
                               .arg(r.code)
                               .arg(r.tihao.toLongLong());
            addProblems(&result, kHistory, row.number, reasons);
            t.history << r;
        }
    }
    return result;
}

ReadResult readCsvFolder(const QString& path, sheets::Budget& budget) {
    ReadResult r;
    sheets::Workbook book;
    const QDir dir(path);
    QStringList files, names;
    qint64 total = 0;
    const QStringList tables = schema::tables() << kHistory;
    for (const QString& table : tables) {
        const QStringList found = dir.entryList({table + QStringLiteral(".csv")}, QDir::Files);
        if (found.isEmpty())
            continue; // a missing sheet is named by the checks
        files << dir.filePath(found.first());
        names << table;
        total += QFileInfo(files.last()).size();
    }
    budget.expect(total);
    for (int i = 0; i < files.size(); ++i) {
        sheets::Sheet sheet;
        if (!sheets::readCsv(files[i], names[i], budget, &sheet)) {
            r.cancelled = budget.cancelled();
            r.error =
                r.cancelled
                    ? QStringLiteral("已取消读取 %1。").arg(dir.dirName())
                    : QStringLiteral("无法读取 %1：%2。").arg(QFileInfo(files[i]).fileName(), budget.error());
            return r;
        }
        book.sheets << sheet;
    }
    return readTables(book);
}

ReadResult readWorkbookFile(const QString& path, sheets::Budget& budget) {
    const QFileInfo info(path);
    if (!info.exists()) {
        ReadResult r;
        r.error = QStringLiteral("找不到 %1。").arg(info.fileName());
        return r;
    }
    ReadResult r = readTables(sheets::readXlsx(path, budget, schema::tables() << kHistory));
    r.cancelled = budget.cancelled();
    return r;
}

ReadResult readBankFile(const QString& path) {
    sheets::Budget budget;
    return readBankFile(path, budget);
}

ReadResult readBankFile(const QString& path, sheets::Budget& budget) {
    const FileKind* kind = kindOf(path);
    return kind && kind->read ? kind->read(path, budget) : readWorkbookFile(path, budget);
}

QString writeWorkbook(const QString& path, const bank::Tables& tables, bool replace) {
    const QFileInfo target(path);
    if (!replace && (target.exists() || target.isSymLink()))
        return QStringLiteral("%1 已存在，不会覆盖它。").arg(target.fileName());
    for (const bank::Question& q : tables.questions)
        for (const QString* text : {&q.question, &q.jiexi})
            if (text->size() > 32767)
                return QStringLiteral("试卷“%1”第 %2 题的文字超过了电子表格一个单元格能容纳的 32767 个字符。")
                    .arg(q.code)
                    .arg(q.tihao.toLongLong());
    QString error;
    const QString tmp = scratchBeside(path, &error);
    if (tmp.isEmpty())
        return error;

    lxw_workbook* book = workbook_new(QFile::encodeName(tmp).constData());
    bool ok = book != nullptr;
    lxw_format* bold = ok ? workbook_add_format(book) : nullptr;
    if (bold)
        format_set_bold(bold);
    auto writeSheet = [&](const QString& name, const QList<QVariantList>& rows, const QList<double>& widths) {
        lxw_worksheet* sheet = workbook_add_worksheet(book, name.toUtf8().constData());
        if (!sheet)
            return false;
        const QStringList columns =
            schema::columns(name) + (name == kPapers ? QStringList{kRulesHeading} : QStringList());
        // The heading row stays in view.
        worksheet_freeze_panes(sheet, 1, 0);
        for (int c = 0; c < columns.size(); ++c) {
            worksheet_write_string(sheet, 0, lxw_col_t(c), columns[c].toUtf8().constData(), bold);
            worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths.value(c, 10), nullptr);
        }
        lxw_row_t r = 1;
        for (const QVariantList& row : rows) {
            for (int c = 0; c < row.size(); ++c) {
                const QVariant& v = row[c];
                lxw_error e = LXW_NO_ERROR;
                switch (v.typeId()) {
                case QMetaType::LongLong:
                case QMetaType::Int:
                case QMetaType::Double:
                    e = worksheet_write_number(sheet, r, lxw_col_t(c), v.toDouble(), nullptr);
                    break;
                default:
                    if (!v.isNull() && !v.toString().isEmpty())
                        e = worksheet_write_string(sheet, r, lxw_col_t(c), v.toString().toUtf8().constData(),
                                                   nullptr);
                }
                if (e != LXW_NO_ERROR)
                    return false;
            }
            ++r;
        }
        return true;
    };
    QList<QVariantList> papers, questions, answers, history;
    for (const bank::Paper& p : tables.papers)
        papers << (bank::values(p) << documents::rulesText(tables.rules.value(p.code)));
    for (const bank::Question& q : tables.questions)
        questions << bank::values(q);
    for (const bank::Answer& a : tables.answers)
        answers << bank::values(a);
    for (const bank::PracticeRecord& r : tables.history)
        history << bank::values(r);
    ok = ok && writeSheet(kPapers, papers, {10, 30, 8, 8, 10, 40});
    ok = ok && writeSheet(kQuestions, questions, {10, 6, 60, 16, 10, 10, 40, 6, 8});
    ok = ok && writeSheet(kAnswers, answers, {10, 6, 10, 12, 10, 10});
    // The practice history only when there is one: it is the learner's own.
    ok = ok && (history.isEmpty() || writeSheet(kHistory, history, {10, 6, 10, 6, 20}));
    const lxw_error closed = book ? workbook_close(book) : LXW_ERROR_CREATING_XLSX_FILE;
    if (!ok || closed != LXW_NO_ERROR) {
        QFile::remove(tmp);
        return QStringLiteral("无法写入电子表格 %1：%2")
            .arg(target.fileName(), closed != LXW_NO_ERROR ? QString::fromUtf8(lxw_strerror(closed))
                                                           : QStringLiteral("单元格写入失败"));
    }
    // rename(2) replaces the target in one step; without replace, a file that appeared meanwhile
    // is kept.
    if (!replace && (QFileInfo::exists(path) || QFileInfo(path).isSymLink())) {
        QFile::remove(tmp);
        return QStringLiteral("%1 已存在，不会覆盖它。").arg(target.fileName());
    }
    if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(tmp);
        return QStringLiteral("无法写入 %1。").arg(target.fileName());
    }
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return {};
}

bankimport::ImportResult importToNewBank(const QString& source, const QString& dbPath,
                                         const bankimport::Progress& progress) {
    bankimport::ImportResult result;
    int shown = -1;
    auto tell = [&](int permille) {
        if (!progress || permille == shown)
            return true;
        shown = permille;
        return progress(permille, 1000);
    };
    sheets::Budget budget({}, [&](qint64 done, qint64 total) {
        return tell(total > 0 ? int(qMin(done, total) * 500 / total) : 0);
    });
    const ReadResult read = readBankFile(source, budget);
    if (!read.ok()) {
        result.cancelled = read.cancelled;
        result.error = read.report(kReportedProblems);
        return result;
    }
    TablesSource tables(read.tables);
    const QFileInfo info(source);
    result =
        bankimport::importBank(tables, dbPath, info.isDir() ? QDir(source).dirName() : info.fileName(),
                               [&](qint64 done, qint64 total) {
                                   return tell(total > 0 ? 500 + int(qMin(done, total) * 500 / total) : 500);
                               });
    if (!result.ok || read.tables.history.isEmpty())
        return result;
    // The review schedule is worked out from the history that came in; a bank that cannot get it
    // is not left behind.
    QString error;
    {
        Store store;
        if (store.open(dbPath) != Store::OpenResult::Ok)
            error = store.lastError();
        else if (!store.inTransaction([&] {
                     for (const bank::Paper& p : read.tables.papers)
                         if (!review::rebuildCards(store, p.code))
                             return false;
                     return true;
                 }))
            error = store.lastError();
    }
    if (!error.isEmpty()) {
        QFile::remove(dbPath);
        result = bankimport::ImportResult();
        result.error = QStringLiteral("无法为 %1 排出复习计划：%2").arg(QFileInfo(dbPath).fileName(), error);
    }
    return result;
}

QString exportBank(const QString& dbPath, const QString& xlsxPath) {
    Store store;
    if (store.open(dbPath) != Store::OpenResult::Ok)
        return QStringLiteral("无法打开题库 %1：%2").arg(QFileInfo(dbPath).fileName(), store.lastError());
    return writeWorkbook(xlsxPath, bank::readAll(store), false);
}

} // namespace bankbook
