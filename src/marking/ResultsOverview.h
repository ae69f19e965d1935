#pragma once

#include <QList>
#include <QString>

class Grid;
class Store;

// The results of a paper at a glance: one row per candidate and sitting, with the number of
// answers and the marks, marked as the answer card marks them (scoring::mark
// and scoring::Tally under the paper's rules). No widgets here except the
// grid it fills.
struct CandidateResult {
    QString student;
    QString name;
    QString state;
    int answers = 0;
    double marks = 0;
};

struct ResultsOverview {
    QList<CandidateResult> rows;
    bool ok = false;
    QString error; // the store's, when it failed
};

// The sittings of paper `code`: every sitting, or only `state` when it is not empty. Sorted by
// candidate number (its digits read as a number: 2 before 10), then by sitting. Candidate numbers
// and sittings that differ only in letter case are one, as the bank compares them.
ResultsOverview readResults(Store& store, const QString& code, const QString& state);

// The overview's grid: column 0 hidden, then 考号, 姓名, 场次, 答题数, 得分, and a last, grey row
// that counts the rows ("共 2 行").
void fillResultsGrid(Grid& grid, const QList<CandidateResult>& rows);
