#pragma once

#include <QString>

struct AppState;
class QWidget;
class Grid;

// Hands a grid to the print-settings window: stores the hand-over and opens the window.
void openPrintSettings(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile,
                       const QString& caption, const QString& extraText);
// Stores the same source again for the spreadsheet export and brings the window up.
void attachSpreadsheet(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile);
