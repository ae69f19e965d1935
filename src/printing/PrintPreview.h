#pragma once

#include <QString>
#include <memory>

class PrintTable;
class QPrintPreviewDialog;
class QWidget;

namespace printpreview {

// The window title of the preview; the print-settings window finds the preview by it.
QString title();

// Opens the preview of a table without blocking: a top-level "打印预览" window over a printer
// with the table's paper, from which the user prints or writes a PDF. The window deletes itself,
// its printer and its copy of the table when closed.
QPrintPreviewDialog* open(const PrintTable& table);

// The first visible top-level "打印预览" window, or nullptr.
QWidget* findOpen();

// Writes the table as a PDF file, as printing it to a file from the preview does.
bool writePdf(const PrintTable& table, const QString& path);

} // namespace printpreview
