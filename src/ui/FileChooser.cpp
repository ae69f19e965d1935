#include "ui/FileChooser.h"

#include "ui/ModalLoops.h"

#include <QFileDialog>

namespace {
std::optional<QString> g_preset;
std::optional<FileChooser::Offer> g_lastOffer;
} // namespace

QString FileChooser::saveFile(QWidget* parent, const QString& title, const QString& initialPath,
                              const QString& filter, const QString& defaultSuffix) {
    g_lastOffer = Offer{title, initialPath, filter};
    if (g_preset)
        return *std::exchange(g_preset, std::nullopt);
    const ModalLoops::Guard loop;
    QFileDialog dialog(parent, title, initialPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void FileChooser::preset(const QString& next) {
    g_preset = next;
}

std::optional<FileChooser::Offer> FileChooser::lastOffer() {
    return g_lastOffer;
}
