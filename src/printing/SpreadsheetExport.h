#pragma once

#include <QList>
#include <QString>
#include <functional>

class Grid;

namespace spreadsheet {

// The most characters a spreadsheet cell holds; longer texts are cut to it.
constexpr int kMaxCellChars = 32767;

// Column letters as a spreadsheet names them, in lower case: 1 "a" … 26 "z", 27 "aa" … 52 "az",
// 53 "ba" …
QString columnName(int column);
// "c4" for column 3, row 4 (both 1-based).
QString cellAddress(int column, int row);

struct Result {
    bool written = false;
    QString path;     // the file written
    QString error;    // why it was not written
    int cutCells = 0; // cells cut to kMaxCellChars
};

// Writes the chosen source columns (in the given order, by source column number) of every row of
// the grid, the heading row first, into a new .xlsx in a fresh folder of its own under the temporary
// folder.
Result exportGrid(const Grid& source, const QList<int>& columns);

// Opens a file with the desktop's default program; false when that failed.
bool openWithDefaultProgram(const QString& path);
// Test seam: replaces how files are opened (nullptr restores the desktop's way).
void setOpener(std::function<bool(const QString&)> opener);

} // namespace spreadsheet
