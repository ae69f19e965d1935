#pragma once

#include "bank/BankRows.h"

#include <QList>
#include <QString>
#include <optional>

class Store;

// Changes to the papers and questions of an open bank. Each change is one transaction: all of it
// is saved, or none of it. Every function that changes something returns an empty text on
// success, otherwise one Chinese message (the row checks, a code or number already taken, or the
// store's failure). No widgets here.
namespace bank {

struct PaperSummary {
    Paper paper;
    qint64 questions = 0;
};

QList<PaperSummary> listPapers(Store& store);
// One paper or question as stored; nothing when there is none.
std::optional<Paper> paperByCode(Store& store, const QString& code);
std::optional<Question> questionByNumber(Store& store, const QString& code, qint64 number);
QList<Question> listQuestions(Store& store, const QString& code);

// What deleting a paper takes with it.
struct PaperContents {
    qint64 questions = 0;
    qint64 answers = 0;
};
PaperContents paperContents(Store& store, const QString& code);
qint64 questionAnswerCount(Store& store, const QString& code, qint64 number);

QString addPaper(Store& store, const Paper& paper);
// A changed code takes the paper's questions, exam answers and practice history along.
QString updatePaper(Store& store, const QString& oldCode, const Paper& paper);
// The paper, its questions, its exam answers and its practice history.
QString deletePaper(Store& store, const QString& code);

QString addQuestion(Store& store, const Question& question);
// The question found by its paper and former number; a changed number takes its exam answers
// and practice history along. The practice answer stays as it is.
QString updateQuestion(Store& store, qint64 oldNumber, const Question& question);
// The question, its exam answers and its practice history.
QString deleteQuestion(Store& store, const QString& code, qint64 number);
// Numbers the paper's questions 1, 2, 3 … in their present order; exam answers and the practice
// history follow their questions. *changed gets the number of questions whose number changed.
QString renumber(Store& store, const QString& code, int* changed = nullptr);

// The whole bank: papers by code, questions by paper and number, answers by paper, candidate,
// sitting and number, the practice history by paper and time.
Tables readAll(Store& store);

// Copies a picture file into pic/ under the bank folder and gives the value a question stores for
// it: "\pic\<name>". A name already taken there gets a number ("图-2.png"); a file that lies in
// pic/ already is used where it is. *copied is the new file (empty when none was made), for the
// caller to remove when the question is not saved after all. On failure returns an empty text
// and sets *error.
QString placePicture(const QString& bankDir, const QString& file, QString* copied, QString* error);

// Codes of the given papers that the bank holds already.
QStringList existingCodes(Store& store, const Tables& tables);
// Adds the papers with their questions, answers and practice history in one transaction. A paper
// whose code the bank holds already replaces the bank's paper (its questions, exam answers and
// history go) only when replaceExisting is true; otherwise nothing is written and the existing
// codes are named.
QString addTables(Store& store, const Tables& tables, bool replaceExisting);

} // namespace bank
