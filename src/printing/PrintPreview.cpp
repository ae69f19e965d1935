#include "printing/PrintPreview.h"

#include "printing/PrintTable.h"

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

// Keeps the printer and the table alive for exactly as long as the preview window.
class PreviewHolder : public QObject {
  public:
    explicit PreviewHolder(const PrintTable& table) : table(table), printer(QPrinter::HighResolution) {}
    PrintTable table;
    QPrinter printer;
};

} // namespace

namespace printpreview {

QString title() {
    return QStringLiteral("打印预览");
}

QPrintPreviewDialog* open(const PrintTable& table) {
    auto* holder = new PreviewHolder(table);
    holder->table.applyPageLayout(holder->printer);
    auto* dialog = new QPrintPreviewDialog(&holder->printer);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title());
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, holder,
                     [holder](QPrinter* printer) { holder->table.paint(printer); });
    // The dialog may still use the printer while it is being torn down: the holder goes one turn
    // of the event loop later.
    QObject::connect(dialog, &QObject::destroyed, holder, &QObject::deleteLater);
    dialog->resize(900, 700);
    dialog->show();
    return dialog;
}

QWidget* findOpen() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title())
            return w;
    return nullptr;
}

bool writePdf(const PrintTable& table, const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setCreator(QStringLiteral("Veltaro"));
    table.applyPageLayout(printer);
    return table.paint(&printer);
}

} // namespace printpreview
