#include "ui/MessageBox.h"

#include "ui/DialogPlacement.h"
#include "ui/ModalLoops.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QQueue>
#include <QShowEvent>

namespace {
bool g_recording = false;
int g_open = 0;
QList<MessageBox::Shown> g_shown;
QQueue<std::function<bool()>> g_answers;
QQueue<std::function<int()>> g_choices;

struct OpenGuard {
    OpenGuard() { ++g_open; }
    ~OpenGuard() { --g_open; }
    ModalLoops::Guard loop;
};

// Never narrower than this, and wide enough for the title beside the window manager's icon and
// close button, so the title is never cut short.
constexpr int kMinimumWidth = 320;
constexpr int kTitleBarExtras = 140;

// A message box that lies over the middle of its window, with a title bar that holds only a
// close button (it is answered, not put aside).
class Box : public QMessageBox {
  public:
    Box(Icon icon, const QString& title, const QString& text, StandardButtons buttons, QWidget* parent)
        : QMessageBox(icon, title, text, buttons, parent) {
        setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                       Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    }

  protected:
    // The box takes its size as it is shown (its layout is rebuilt until then): widen it for its
    // title, then centre it.
    void showEvent(QShowEvent* event) override {
        if (!m_widened) {
            m_widened = true;
            QFont titleFont = font();
            titleFont.setBold(true);
            const int width = qMax(kMinimumWidth, QFontMetrics(titleFont).horizontalAdvance(windowTitle()) +
                                                      kTitleBarExtras);
            if (auto* grid = qobject_cast<QGridLayout*>(layout()))
                grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                              grid->rowCount(), 0, 1, grid->columnCount());
        }
        QMessageBox::showEvent(event);
        if (parentWidget())
            centreOver(this, parentWidget()->window());
    }

  private:
    bool m_widened = false;
};
} // namespace

bool MessageBox::show(QWidget* parent, const QString& title, const QString& text, Icon icon,
                      Buttons buttons) {
    OpenGuard guard;
    if (g_recording) {
        g_shown.append({title, text, icon, buttons, {}});
        if (g_answers.isEmpty())
            return true;
        return g_answers.dequeue()();
    }
    QMessageBox::Icon qicon = QMessageBox::Information;
    switch (icon) {
    case Icon::Information:
        qicon = QMessageBox::Information;
        break;
    case Icon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        qicon = QMessageBox::Critical;
        break;
    case Icon::Question:
        qicon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel)
        standard = QMessageBox::Ok | QMessageBox::Cancel;
    else if (buttons == Buttons::YesNo)
        standard = QMessageBox::Yes | QMessageBox::No;
    // A box without a window of its own goes over the window the user is working in.
    QPointer<QMessageBox> box =
        new Box(qicon, title, text, standard, parent ? parent : QApplication::activeWindow());
    if (buttons == Buttons::YesNo) {
        box->button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box->button(QMessageBox::No)->setText(QStringLiteral("否"));
        // Enter alone must not throw work away.
        box->setDefaultButton(QMessageBox::No);
    } else {
        box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        if (buttons == Buttons::OkCancel)
            box->button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    }
    const int result = box->exec();
    // The parent may have gone while the box was open; the box went with it then.
    if (box)
        delete box;
    return result == QMessageBox::Ok || result == QMessageBox::Yes;
}

void MessageBox::info(QWidget* parent, const QString& text) {
    show(parent, QStringLiteral("系统消息"), text, Icon::Information, Buttons::Ok);
}

void MessageBox::warn(QWidget* parent, const QString& text) {
    show(parent, QStringLiteral("系统消息"), text, Icon::Warning, Buttons::Ok);
}

bool MessageBox::confirm(QWidget* parent, const QString& text) {
    return show(parent, QStringLiteral("注意"), text, Icon::Question, Buttons::OkCancel);
}

bool MessageBox::ask(QWidget* parent, const QString& text) {
    return show(parent, QStringLiteral("注意"), text, Icon::Question, Buttons::YesNo);
}

int MessageBox::choose(QWidget* parent, const QString& text, const QStringList& captions) {
    OpenGuard guard;
    const QString title = QStringLiteral("注意");
    if (g_recording) {
        g_shown.append({title, text, Icon::Question, Buttons::Choice, captions});
        if (g_choices.isEmpty())
            return 0;
        return g_choices.dequeue()();
    }
    QPointer<QMessageBox> box = new Box(QMessageBox::Question, title, text, QMessageBox::NoButton,
                                        parent ? parent : QApplication::activeWindow());
    QList<QPushButton*> buttons;
    for (int i = 0; i < captions.size(); ++i)
        buttons << box->addButton(captions[i], i + 1 == captions.size() ? QMessageBox::RejectRole
                                                                        : QMessageBox::AcceptRole);
    if (!buttons.isEmpty()) {
        box->setDefaultButton(buttons.first());
        box->setEscapeButton(buttons.last());
    }
    box->exec();
    if (!box)
        return int(captions.size()) - 1;
    const int chosen = int(buttons.indexOf(qobject_cast<QPushButton*>(box->clickedButton())));
    delete box;
    return chosen < 0 ? int(captions.size()) - 1 : chosen;
}

int MessageBox::openCount() {
    return g_open;
}
void MessageBox::setRecording(bool on) {
    g_recording = on;
}
bool MessageBox::recording() {
    return g_recording;
}
QList<MessageBox::Shown>& MessageBox::shown() {
    return g_shown;
}
void MessageBox::clear() {
    g_shown.clear();
    g_answers.clear();
    g_choices.clear();
}
void MessageBox::pushAnswer(bool ok) {
    g_answers.enqueue([ok] { return ok; });
}
void MessageBox::pushAnswer(std::function<bool()> whileOpen) {
    g_answers.enqueue(std::move(whileOpen));
}
void MessageBox::pushChoice(int index) {
    g_choices.enqueue([index] { return index; });
}
void MessageBox::pushChoice(std::function<int()> whileOpen) {
    g_choices.enqueue(std::move(whileOpen));
}
