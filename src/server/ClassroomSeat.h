#pragma once

#include <QString>
#include <optional>

class Store;

// The program's side of a classroom: who is logged in to a server bank, and what a candidate asks
// of the server's own functions (see ClassroomSql.cpp).
namespace seat {

enum class Kind {
    None,      // a bank file, or a server bank that is not a classroom
    Owner,     // the database's owner, or another login that is neither teacher nor candidate
    Teacher,
    Candidate,
};

struct Login {
    Kind kind = Kind::None;
    QString login; // the server's name for the login: a candidate's is the candidate number
    QString name;  // a candidate's name on the candidate list
    bool candidate() const { return kind == Kind::Candidate; }
};

// Asks the store once after it opened; None for a bank file.
Login whoIsLoggedIn(Store& store);

// Hands the sitting in on the server (no answer can be changed afterwards) and returns its
// total; nothing when the server refused or cannot be reached (*error says why).
std::optional<double> handIn(Store& store, const QString& code, const QString& state, QString* error);
// The candidate's own total of a sitting handed in.
std::optional<double> ownTotal(Store& store, const QString& code, const QString& state, QString* error);

// Papers marked for exams (试卷.exam_only, kept on a classroom server): candidates read their
// answers only once the teacher has released them.
bool keepsExamPapers(Store& store);
bool examOnly(Store& store, const QString& code);
// An error text, empty on success.
QString setExamOnly(Store& store, const QString& code, bool examOnly);

} // namespace seat
