#pragma once

class QDialog;
class QWidget;

// Moves a window so that it is centred over the caller's visible area, kept on the caller's
// screen; without a caller (or a hidden one) it is centred on the primary screen.
void centreOver(QWidget* window, const QWidget* caller);

// Dialogs that Qt draws itself (file, font, colour) are opened without a widget parent, so that the
// program's skin, which styles what lies inside the program's windows, leaves their layout alone.
// This keeps such a dialog modal to the program, above the caller's window, centred over it, and
// closed with the caller.
void prepareQtDialog(QDialog* dialog, QWidget* caller);
