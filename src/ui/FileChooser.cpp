#include "ui/FileChooser.h"

#include "ui/DialogPlacement.h"
#include "ui/ModalLoops.h"

#include <QFileDialog>

namespace {
bool g_hasPreset = false;
std::optional<QString> g_preset;
std::optional<FileChooser::Offer> g_lastOffer;
} // namespace

std::optional<QString> FileChooser::saveFile(QWidget* caller, const QString& title, const QString& suggestion,
                                             const QString& filter, const QString& defaultSuffix) {
    g_lastOffer = Offer{title, suggestion, filter};
    if (g_hasPreset) {
        g_hasPreset = false;
        return g_preset;
    }
    const ModalLoops::Guard loop;
    QFileDialog dialog(nullptr, title, suggestion, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    prepareQtDialog(&dialog, caller);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void FileChooser::preset(std::optional<QString> next) {
    g_hasPreset = true;
    g_preset = std::move(next);
}

std::optional<FileChooser::Offer> FileChooser::lastOffer() {
    return g_lastOffer;
}
