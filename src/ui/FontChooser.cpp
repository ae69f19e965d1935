#include "ui/FontChooser.h"

#include "ui/DialogPlacement.h"
#include "ui/ModalLoops.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
bool g_hasPreset = false;
std::optional<FontChooser::Choice> g_preset;

void showColour(QLabel* swatch, const QColor& colour) {
    swatch->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #7a8896;").arg(colour.name()));
}

// The font lists are a dialog of their own inside ours: Enter in its boxes accepts ours and Escape
// cancels it (left alone, Enter would do nothing and Escape would only hide the lists).
class AnswerOuterDialog : public QObject {
  public:
    explicit AnswerOuterDialog(QDialog* outer) : QObject(outer), m_outer(outer) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
            if (key->key() == Qt::Key_Escape) {
                m_outer->reject();
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
                m_outer->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QDialog* m_outer;
};
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
    fonts->installEventFilter(new AnswerOuterDialog(&dialog));
    // Its lists answer Enter themselves, by closing the inner dialog: ours follows.
    QObject::connect(fonts, &QDialog::accepted, &dialog, &QDialog::accept);
    QObject::connect(fonts, &QDialog::rejected, &dialog, &QDialog::reject);
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
