#pragma once

#include <QString>

struct AppState;
class Grid;

// Builds the answer card of the current SQL (a sitting's answers by question number) into the
// grid: one marked row per answer and the total row "总分". Returns the total, also kept in
// AppState::lastTotal.
double buildAnswerCard(AppState& app, Grid& grid, const QString& paperCode);

// The progress characters after record i of count, given the ticks shown so far.
int progressTicksAfter(int i, int count, int ticks);
