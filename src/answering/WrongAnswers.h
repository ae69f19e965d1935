#pragma once

#include <QString>

class Grid;
class Store;

// Lists a paper's wrongly answered practice questions in the grid, below its heading row: the
// questions answered (practice not empty) whose answer differs from the standard answer in the
// bank's comparison and is not the same options in another order. One row per question in the
// bank's order; columns 0 to 3: number, question, standard answer, given answer (followed by
// "（部分正确）" for a partly right answer under 少选得分). Returns how many
// rows were listed.
int buildWrongAnswerList(Store& store, const QString& paperCode, Grid& grid);
