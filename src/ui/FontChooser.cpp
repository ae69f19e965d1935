#include "ui/FontChooser.h"

#include "ui/DialogPlacement.h"
#include "ui/ModalLoops.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
bool g_hasPreset = false;
std::optional<FontChooser::Choice> g_preset;

void showColour(QLabel* swatch, const QColor& colour) {
    swatch->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #7a8896;").arg(colour.name()));
}
} // namespace

// The font dialog with a colour beside it, as one dialog: face, size, style and colour.
std::optional<FontChooser::Choice> FontChooser::choose(QWidget* parent, const QFont& initial,
                                                       const QColor& initialColor) {
    if (g_hasPreset) {
        g_hasPreset = false;
        return g_preset;
    }
    const ModalLoops::Guard loop;
    QDialog dialog; // no parent: the skin leaves Qt's font dialog alone
    dialog.setWindowTitle(QStringLiteral("字体"));
    auto* fonts = new QFontDialog(initial, &dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons);
    QColor colour = initialColor.isValid() ? initialColor : dialog.palette().color(QPalette::Text);
    auto* swatch = new QLabel(&dialog);
    swatch->setFixedSize(40, 20);
    showColour(swatch, colour);
    auto* pick = new QPushButton(QStringLiteral("颜色..."), &dialog);
    QObject::connect(pick, &QPushButton::clicked, &dialog, [&] {
        const QColor c = QColorDialog::getColor(colour, &dialog, QStringLiteral("颜色"));
        if (c.isValid()) {
            colour = c;
            showColour(swatch, colour);
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(new QLabel(QStringLiteral("颜色："), &dialog));
    colourRow->addWidget(swatch);
    colourRow->addWidget(pick);
    colourRow->addStretch();
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
    prepareQtDialog(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Choice{fonts->currentFont(), colour};
}

void FontChooser::preset(std::optional<Choice> next) {
    g_hasPreset = true;
    g_preset = std::move(next);
}
