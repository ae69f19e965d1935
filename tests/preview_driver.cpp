// Opens the preview of a document import over the bank window, as a user meets it after choosing
// the document with "导入…", for screenshots and hand checks (never part of the test run):
//   preview_driver BANKDIR DOCUMENT [OUT.png]
// With OUT.png the whole screen is saved there once the preview is up, and the driver ends.
// The document is read in this process (the program has its import tool's child read it).
#include "app/MainWindow.h"
#include "app/Skin.h"
#include "bank/BankWindow.h"
#include "bank/ImportPreview.h"
#include "documents/DocumentFile.h"
#include "shell/AppState.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QAction>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: preview_driver BANKDIR DOCUMENT\n");
        return 2;
    }
    applySkin();
    MainWindow w(QString::fromLocal8Bit(argv[1]));
    w.show();
    for (QAction* a : w.startToolbar()->actions())
        if (a->text() == QStringLiteral("题库"))
            a->trigger();
    const QString file = QString::fromLocal8Bit(argv[2]);
    const documents::Document doc = documents::readDocumentFile(file);
    if (!doc.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(doc.error));
        return 1;
    }
    QTimer::singleShot(300, &w, [&] {
        auto* preview = new ImportPreview(&w, QFileInfo(file).fileName(), doc);
        preview->setAttribute(Qt::WA_DeleteOnClose);
        preview->show();
        if (argc > 3)
            QTimer::singleShot(1500, &w, [&] {
                const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[3]));
                QApplication::exit(saved ? 0 : 1);
            });
    });
    return app.exec();
}
