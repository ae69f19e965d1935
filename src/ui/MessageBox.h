#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Every message the program shows goes through here. Tests switch to recording mode: nothing
// blocks, each box is recorded, and its answer comes from a queue of preset answers (OK when the
// queue is empty). A preset answer may run code "while the box is open" before answering.
class MessageBox {
  public:
    enum class Icon { Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, Choice };
    struct Shown {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
        // The captions of a choice's buttons.
        QStringList choices = {};
    };

    // Returns true when the user chose OK (or Yes).
    static bool show(QWidget* parent, const QString& title, const QString& text, Icon icon, Buttons buttons);
    // "系统消息", information icon, OK.
    static void info(QWidget* parent, const QString& text);
    // "系统消息", warning icon, OK.
    static void warn(QWidget* parent, const QString& text);
    // "注意", OK/Cancel; true on OK.
    static bool confirm(QWidget* parent, const QString& text);

    // "注意", a question with Yes and No; true on Yes.
    static bool ask(QWidget* parent, const QString& text);

    // "注意", a question with one button per caption; the index of the button chosen. The first
    // is the default (Enter); Escape or closing the box chooses the last.
    static int choose(QWidget* parent, const QString& text, const QStringList& captions);

    // Boxes open right now (a nested event loop runs under each).
    static int openCount();

    // Test seam.
    static void setRecording(bool on);
    static bool recording();
    static QList<Shown>& shown();
    static void clear();
    static void pushAnswer(bool ok);
    static void pushAnswer(std::function<bool()> whileOpen);
    // The answer of the next choice (the first button when none is preset).
    static void pushChoice(int index);
    static void pushChoice(std::function<int()> whileOpen);
};
