#pragma once

#include "documents/Document.h"

#include <QByteArray>
#include <QString>

namespace documents {

// Questions in GIFT, the text format Moodle imports (.gift, or .txt with GIFT marks), decoded as
// decodeText does. Questions are separated by blank lines; "//" lines are comments. Read are
// multiple choice with one right answer ({=right ~wrong}) or several ({~%50%a ~%50%b ~%-100%c};
// those with a positive weight are the answer), and true/false ({T} {F} {TRUE} {FALSE}), with an
// optional ::title::, a [html] [plain] [moodle] or [markdown] format, "####" general feedback as the
// explanation (per-answer #feedback is passed over) and the escapes \: \= \~ \# \{ \} \\ \n. Text
// after the answers makes a blank "（  ）" where they stood. "$CATEGORY:" starts a paper named after
// the category's last part; questions before any go to a paper called fallbackName. Short answer,
// matching, numerical, essay and description questions are named in leftOut. The shared checks
// (checkQuestions) have been run on the result.
Document readGift(const QByteArray& bytes, const QString& fallbackName, const Limits& limits = {});

} // namespace documents
