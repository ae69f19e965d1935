#pragma once

class QDialog;
class QWidget;

// Counts the modal loops the program runs (message boxes, the font dialog, the paper picker, file
// dialogs). A window that is about to go waits until none is running, so no dialog's exec() ever
// returns into a window that has been deleted under it.
class ModalLoops {
  public:
    // Held for the whole of a modal exec().
    class Guard {
      public:
        Guard();
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
    };

    static int depth();
    // Rejects every open dialog that belongs to the widget (its own children and theirs, and the
    // dialogs opened for it or a widget in it without a parent). True when one was open.
    static bool closeDialogsOf(QWidget* owner);
    // Qt's own dialogs open without a parent, so that the skin leaves them alone; this names the
    // widget such a dialog was opened for.
    static void setOwner(QDialog* dialog, QWidget* owner);
};
