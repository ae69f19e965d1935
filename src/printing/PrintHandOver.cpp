#include "printing/PrintHandOver.h"

#include "app/AppState.h"
#include "ui/Grid.h"

void openPrintSettings(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile,
                       const QString& caption, const QString& extraText) {
    app.print.sourceWindow = sourceWindow;
    app.print.sourceGrid = sourceGrid;
    app.print.settingsFile = settingsFile;
    app.print.caption = caption;
    app.print.extraText = extraText;
}

void attachSpreadsheet(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile) {
    app.print.sourceWindow = sourceWindow;
    app.print.sourceGrid = sourceGrid;
    app.print.settingsFile = settingsFile;
}
