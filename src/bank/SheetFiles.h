#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

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
constexpr qint64 kMaxPartBytes = 256LL * 1024 * 1024; // one unpacked part of the workbook, one CSV file
constexpr qint64 kMaxCells = 5'000'000;               // cells over all sheets
constexpr int kMaxColumn = 16384;                     // column XFD
constexpr int kMaxRow = 1048576;                      // the last row a sheet has

// What reading one file may keep and unpack, whatever the file says of itself: the memory of
// what is kept (every cell slot, text and row), the bytes unpacked over all its parts, and how
// deep its XML may nest.
struct ReadLimits {
    qint64 keptBytes = 256LL * 1024 * 1024;
    qint64 unpackedBytes = 512LL * 1024 * 1024;
    qint64 partBytes = kMaxPartBytes;
    qint64 cells = kMaxCells;
    int depth = 64;
    // Markup read without the XML reader giving back a piece of it: one element or text longer
    // than this is refused (a cell holds at most 32767 characters).
    qint64 pieceBytes = 16LL * 1024 * 1024;
};

// Called as the file is read, with the bytes read so far and the bytes expected (-1 when not
// known). Returning false cancels the read.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

// The account of one read: what it kept and unpacked against its limits, and its progress. The
// first limit passed (or a cancel) stops the read, and error() says why, in Chinese.
class Budget {
  public:
    explicit Budget(const ReadLimits& limits = {}, ReadProgress progress = {});

    const ReadLimits& limits() const { return m_limits; }
    // Charges bytes kept in memory; false once over the limit.
    bool keep(qint64 bytes);
    // A cell kept: its slot and, for text, the text's own memory.
    bool keepCell(const QVariant& cell);
    // Empty slots before a cell further right in a row.
    bool keepSlots(qint64 count);
    bool keepRow();
    // Counts a cell that holds a value; false once there are too many.
    bool countCell();
    // Counts bytes unpacked or read from the file and reports progress; false when over the
    // limit or cancelled.
    bool read(qint64 bytes);
    // The bytes the whole read expects, for progress.
    void expect(qint64 total) { m_expected = total; }
    bool fail(const QString& why);

    qint64 kept() const { return m_kept; }
    qint64 unpacked() const { return m_read; }
    bool failed() const { return !m_error.isEmpty(); }
    bool cancelled() const { return m_cancelled; }
    QString error() const { return m_error; }

  private:
    ReadLimits m_limits;
    ReadProgress m_progress;
    qint64 m_kept = 0;
    qint64 m_read = 0;
    qint64 m_cells = 0;
    qint64 m_expected = -1;
    bool m_cancelled = false;
    QString m_error;
};

// The sheets of an .xlsx file: shared and inline strings, numbers (dates are numbers there),
// truth values and formula results; cells left out of the XML are empty. Only the sheets named
// in wanted are read (the first of each name, blanks around it ignored), every sheet when it is
// empty. The parts are read as they are unpacked, never whole.
Workbook readXlsx(const QString& path, Budget& budget, const QStringList& wanted = {});
Workbook readXlsx(const QString& path);

// RFC 4180 records from a CSV file's bytes: UTF-8 with or without a byte order mark, else GBK.
// Every field is text.
Sheet parseCsv(const QByteArray& bytes, const QString& name);
// The same from a file, read a piece at a time under the budget. False (with budget.error()
// set) when the file cannot be read or passes a limit.
bool readCsv(const QString& path, const QString& name, Budget& budget, Sheet* out);
// Whether the bytes are UTF-8 (a byte order mark, or a clean decode); GBK is assumed otherwise.
bool looksUtf8(const QByteArray& bytes);

} // namespace sheets
