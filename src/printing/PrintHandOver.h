#pragma once

#include "shell/AppState.h"

#include <QString>
#include <QStringList>

class QWidget;
class Grid;

// Hands a grid to the print-settings window: stores the hand-over and opens the window, centred
// over the source window. exportName: what the export's suggested file name is made of; shape: which
// of the grid's columns are offered and whether its last row is a summary.
void openPrintSettings(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile,
                       const QString& caption, const QString& extraText, const QStringList& exportName = {},
                       const PrintShape& shape = {});
// Stores the same source again for the spreadsheet export and brings the window up.
void attachSpreadsheet(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile);
