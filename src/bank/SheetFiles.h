#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

// Reading the sheets of a workbook (.xlsx) and of CSV files into rows of cells. A cell is text
// (QString), a number (double) or a truth value (bool); an empty cell is null. No widgets here.
namespace sheets {

struct Row {
    int number = 0;     // 1-based, as the sheet numbers it
    QVariantList cells; // column A first; a short row simply ends early
};

struct Sheet {
    QString name;
    QList<Row> rows; // rows that hold at least one cell, in order
};

struct Workbook {
    QList<Sheet> sheets;
    QString error; // Chinese; set when the file could not be read
    const Sheet* sheet(const QString& name) const;
};

// Limits that keep a hostile file from taking the program's memory.
constexpr qint64 kMaxPartBytes = 256LL * 1024 * 1024; // one unpacked part of the workbook
constexpr qint64 kMaxCells = 5'000'000;               // cells over all sheets
constexpr int kMaxColumn = 16384;                     // column XFD
constexpr int kMaxRow = 1048576;                      // the last row a sheet has

// The sheets of an .xlsx file: shared and inline strings, numbers (dates are numbers there),
// truth values and formula results; cells left out of the XML are empty.
Workbook readXlsx(const QString& path);

// RFC 4180 records from a CSV file's bytes: UTF-8 with or without a byte order mark, else GBK.
// Every field is text.
Sheet parseCsv(const QByteArray& bytes, const QString& name);
// Whether the bytes are UTF-8 (a byte order mark, or a clean decode); GBK is assumed otherwise.
bool looksUtf8(const QByteArray& bytes);

} // namespace sheets
