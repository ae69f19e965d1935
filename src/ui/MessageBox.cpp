#include "ui/MessageBox.h"

#include "ui/ModalLoops.h"

#include <QMessageBox>
#include <QPointer>
#include <QQueue>

namespace {
bool g_recording = false;
int g_open = 0;
QList<MessageBox::Shown> g_shown;
QQueue<std::function<bool()>> g_answers;

struct OpenGuard {
    OpenGuard() { ++g_open; }
    ~OpenGuard() { --g_open; }
    ModalLoops::Guard loop;
};
} // namespace

bool MessageBox::show(QWidget* parent, const QString& title, const QString& text, Icon icon,
                      Buttons buttons) {
    OpenGuard guard;
    if (g_recording) {
        g_shown.append({title, text, icon, buttons});
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
    QPointer<QMessageBox> box = new QMessageBox(qicon, title, text, standard, parent);
    if (buttons == Buttons::YesNo) {
        box->setButtonText(QMessageBox::Yes, QStringLiteral("是"));
        box->setButtonText(QMessageBox::No, QStringLiteral("否"));
        // Enter alone must not throw work away.
        box->setDefaultButton(QMessageBox::No);
    } else {
        box->setButtonText(QMessageBox::Ok, QStringLiteral("确定"));
        if (buttons == Buttons::OkCancel)
            box->setButtonText(QMessageBox::Cancel, QStringLiteral("取消"));
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
}
void MessageBox::pushAnswer(bool ok) {
    g_answers.enqueue([ok] { return ok; });
}
void MessageBox::pushAnswer(std::function<bool()> whileOpen) {
    g_answers.enqueue(std::move(whileOpen));
}
