#pragma once

#include "bank/BankRows.h"
#include "bank/SheetFiles.h"
#include "access/AccessImport.h"

#include <QList>
#include <QString>

// A question bank as a workbook: sheets "试卷" and "题库", and optionally "评分" and "练习记录" (the
// practice history), each with the column names of its table in row 1 (or their Chinese
// headings), in any order. The same layout as a folder of CSV files 试卷.csv, 题库.csv, 评分.csv
// and 练习记录.csv. No widgets here.
namespace bankbook {

struct Problem {
    QString sheet;
    int row = 0; // 0: the sheet as a whole
    QString reason;
    QString text() const;
};

struct ReadResult {
    bank::Tables tables;
    QString error;           // the file could not be read at all
    QList<Problem> problems; // bad rows: nothing is to be imported while there is one
    qint64 moreProblems = 0; // bad rows beyond the first kMaxProblems, counted only
    bool cancelled = false;
    bool ok() const { return error.isEmpty() && problems.isEmpty(); }
    // The error, or the bad rows one a line (at most maxLines of them, then how many more).
    QString report(int maxLines = 1000000) const;
};

// The bad rows a read keeps (each reason at most kMaxReasonLength characters); the others are
// counted.
constexpr int kMaxProblems = 10000;
constexpr int kMaxReasonLength = 300;
// The bad rows an import names (then how many more there are): what the import tool's child
// passes on, well within the lines the program takes from it.
constexpr int kReportedProblems = 500;

// A file is read as the kind its name says (ImportFiles.h), a folder as CSV files; any other
// file as a workbook. Everything the read keeps is charged to the budget, which also reports its
// progress and can cancel it.
ReadResult readBankFile(const QString& path);
ReadResult readBankFile(const QString& path, sheets::Budget& budget);
// The readers of the two kinds: a workbook, and a folder of CSV files.
ReadResult readWorkbookFile(const QString& path, sheets::Budget& budget);
ReadResult readCsvFolder(const QString& path, sheets::Budget& budget);
// The rows of the sheets, checked: every value converted as its column wants it, standard
// answers in their stored form, codes and numbers unique, every question and answer on a paper
// of the 试卷 sheet, every history row on a question of the 题库 sheet.
ReadResult readTables(const sheets::Workbook& book);

// The questions whose picture the bank folder does not hold, one line each: the workbook names
// pictures but does not carry them.
QStringList missingPictures(const bank::Tables& tables, const QString& bankDir);

// The column names of a table and the headings accepted for them.
QString headingOf(const QString& column);

// Writes the tables as a workbook. An existing file is replaced only when replace is true; the
// file appears whole or not at all. Returns a Chinese error text, empty on success.
QString writeWorkbook(const QString& path, const bank::Tables& tables, bool replace);

// A new bank from a workbook or CSV folder (any kind of ImportFiles.h): never over an existing
// file, all or nothing. Progress goes in thousandths, the first half reading, the second writing.
// This reads the file in the calling process: the program leaves it to the import tool's child
// (ChildImport.h).
bankimport::ImportResult importToNewBank(const QString& source, const QString& dbPath,
                                         const bankimport::Progress& progress = {});
// The bank file's papers, questions, exam answers and practice history into a new workbook (never
// over a file).
QString exportBank(const QString& dbPath, const QString& xlsxPath);

} // namespace bankbook
