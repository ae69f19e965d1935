#pragma once

#include "documents/Document.h"

#include <QByteArray>
#include <QString>

namespace documents {

// Questions in the Aiken layout (.txt), decoded as decodeText does: the question's line(s), then
// its options each on a line as "A." or "A)" (full-width forms too), then "ANSWER: X". Blank lines
// between questions are optional. All questions go to one paper called paperName. A question whose
// answer line is missing is kept and named by a problem; the shared checks (checkQuestions) have
// been run on the result.
Document readAiken(const QByteArray& bytes, const QString& paperName, const Limits& limits = {});

} // namespace documents
