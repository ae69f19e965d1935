#pragma once

#include <QList>
#include <QString>
#include <optional>

// The question text as shown: the stem, CR LF, then the options from the first capital "A" on.
QString formatQuestionText(const QString& question);

// The number typed in a window's question box: a whole number, or nothing when the text is
// not one.
std::optional<qint64> parseDisplayNumber(const QString& text);

// Q(n): the question number shown at display position n. In number order it is n itself; in
// random order it is element n − 1 of the order list, and nothing when n is outside the list.
std::optional<qint64> questionAt(qint64 n, bool randomOrder, const QList<int>& order);

// A picture path of the bank (Windows separators, a leading backslash) resolved in the program
// directory; when the exact name is missing, a name that differs only in letter case is used.
QString resolveBankPath(const QString& programDir, const QString& bankPath);

// Why a question's picture name cannot be kept: a name is kept only when it names a file inside
// the bank folder's pic/ ("\\pic\\1.png", also with "/" or without the leading separator),
// never an absolute path, a drive, a network share, an address, or a way out through "..".
// Empty when the name is empty or can be kept.
QString pictureNameProblem(const QString& pic);

// The file of a question's picture in the bank folder, found as resolveBankPath finds it; empty
// when the name is not one pictureNameProblem keeps or the file (links followed) does not lie
// inside the bank folder's pic/, whatever the bank holds. Every picture is opened through this.
QString picturePath(const QString& bankDir, const QString& pic);
