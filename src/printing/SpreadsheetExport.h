#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Grid;

namespace spreadsheet {

// The most characters a spreadsheet cell holds; longer texts are cut to it.
constexpr int kMaxCellChars = 32767;
// The widest a column is made, in the spreadsheet's character widths; longer texts wrap.
constexpr int kMaxColumnWidth = 60;

// Column letters as a spreadsheet names them, in lower case: 1 "a" … 26 "z", 27 "aa" … 52 "az",
// 53 "ba" …
QString columnName(int column);
// "c4" for column 3, row 4 (both 1-based).
QString cellAddress(int column, int row);

// Whether a data cell's text is written as a number, and which: plain decimal numbers as the grids
// write them ("12", "-0.5"). Texts that a number would change stay texts: leading zeros ("007"),
// a sign or blanks, exponents, and more digits than a spreadsheet keeps.
bool numericCell(const QString& text, double* value = nullptr);

// The file name an export suggests: the non-empty parts joined by "-" (for example 答题卡, the
// paper, the candidate and the sitting), characters a file name cannot hold replaced by "_",
// and ".xlsx".
QString defaultFileName(const QStringList& parts);
// The folder the save dialog starts in: the one last exported to while it exists, otherwise the
// user's documents folder (the home folder when there is none).
QString startFolder();
void rememberFolder(const QString& folder);

struct Result {
    bool written = false;
    QString path;     // the file written
    QString error;    // why it was not written
    int cutCells = 0; // cells cut to kMaxCellChars
};

// Writes the chosen source columns (in the given order, by source column number) of every row of
// the grid into a new workbook at path: the heading row first, bold and frozen; numbers as numbers;
// columns as wide as their texts up to kMaxColumnWidth, longer texts wrapped. A file already at
// path is replaced only by a complete new one.
Result exportGrid(const Grid& source, const QList<int>& columns, const QString& path);

// How handing a file to the desktop's default program went.
struct Opening {
    bool started = false;
    QString error; // why not, when not
};
// Opens a file with the desktop's default program (xdg-open where there is one). The opener's
// verdict is waited for a moment: failing within it is a failure; still running after it (the
// program it started may run in its place) or done without error is a start. A failure told later
// goes to lateFailure, when given.
Opening openWithDefaultProgram(const QString& path,
                               std::function<void(const QString& error)> lateFailure = nullptr);
// Test seam: replaces how files are opened (nullptr restores the desktop's way).
void setOpener(std::function<bool(const QString&)> opener);

} // namespace spreadsheet
