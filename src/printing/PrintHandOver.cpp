#include "printing/PrintHandOver.h"

#include "shell/AppState.h"
#include "printing/PrintSettingsWindow.h"
#include "ui/DialogPlacement.h"
#include "ui/Grid.h"

void openPrintSettings(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile,
                       const QString& caption, const QString& extraText, const QStringList& exportName,
                       const PrintShape& shape) {
    app.print.sourceWindow = sourceWindow;
    app.print.sourceGrid = sourceGrid;
    app.print.settingsFile = settingsFile;
    app.print.caption = caption;
    app.print.extraText = extraText;
    app.print.exportName = exportName;
    app.print.shape = shape;
    // One window at a time: an open one gives way to the new hand-over.
    if (app.print.settingsWindow)
        app.print.settingsWindow->close();
    // A window of its own above the source window, and gone with it.
    auto* window = new PrintSettingsWindow(app, sourceWindow);
    app.print.settingsWindow = window;
    centreOver(window, sourceWindow);
    window->show();
}

void attachSpreadsheet(AppState& app, QWidget* sourceWindow, Grid* sourceGrid, const QString& settingsFile) {
    app.print.sourceWindow = sourceWindow;
    app.print.sourceGrid = sourceGrid;
    app.print.settingsFile = settingsFile;
    if (QWidget* window = app.print.settingsWindow) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}
