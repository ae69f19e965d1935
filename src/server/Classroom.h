#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A server bank made a classroom: a login per candidate, teachers, and rules the server keeps
// (ClassroomSql.cpp). What the import tool's classroom commands do, without the command line.
namespace classroom {

struct Outcome {
    bool ok = false;
    QString error;     // Chinese, when not ok
    QStringList lines; // what was done, one Chinese line each
};

// Sets the bank at uri (the URI of the database's owner, who may create roles) up for a
// classroom, in one transaction. A database that is not a bank is refused.
Outcome setUp(const QString& uri);

struct Candidate {
    QString number;
    QString name;
    QString password; // empty: one is generated for a new login
};
// The rows of a candidate list (考号,姓名[,密码]; UTF-8, or GBK when the bytes are not UTF-8; a
// first row of headings is skipped; quotes as in CSV). *error names the first row that cannot be
// used, and nothing is returned then.
QList<Candidate> readCandidates(const QByteArray& bytes, QString* error);

// Makes a login for each candidate of the list that has none, and updates the names on the
// candidate list of those that have one (their passwords stay unless the list gives one). The
// passwords generated are written to passwordFile, which must not exist yet (readable by its owner
// only); no file is written when none was generated. One transaction.
Outcome addCandidates(const QString& uri, const QList<Candidate>& candidates, const QString& passwordFile);
// A teacher's login; a password is generated and given in the outcome's lines when it is new.
Outcome addTeacher(const QString& uri, const QString& name);
// Removes a candidate's login and the candidate list's row; their answers stay.
Outcome removeCandidate(const QString& uri, const QString& number);
// Lets candidates read the standard answers and explanations of an exam paper, or hides them again.
Outcome releaseAnswers(const QString& uri, const QString& code, bool release);

QString generatePassword();

} // namespace classroom
