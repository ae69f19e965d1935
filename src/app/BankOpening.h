#pragma once

struct AppState;
class QWidget;

// Opens ks.db in the program directory. When it is missing or unusable the user is told once,
// naming the folder, and the program goes on with empty lists; the file is never overwritten.
void openQuestionBank(AppState& app, QWidget* parent);
