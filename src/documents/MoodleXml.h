#pragma once

#include "documents/Document.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace documents {

// A question bank as Moodle exports it (XML, root element <quiz>). Multiple-choice questions
// (one or several right answers) and true/false questions are read; each category starts a paper
// named after the category's last part, and questions before any category go to a paper called
// fallbackName. HTML texts become plain text; generalfeedback is the explanation, defaultgrade the
// mark; the answers with a positive fraction are the standard answer (for a single-answer
// question those with the highest fraction). A picture embedded as <file> and shown by an <img
// src="@@PLUGINFILE@@/…"> is kept with its question. Other question types are named in leftOut.
// The shared checks (checkQuestions) have been run on the result.
//
// The file is untrusted: nesting, picture and text sizes and the number of questions are bounded
// by limits, and a document type definition that declares entities is refused (nothing external
// is ever fetched). A file that is not such a bank, or not well-formed XML, gets error.
Document readMoodleXml(const QByteArray& bytes, const QString& fallbackName, const Limits& limits = {});

// The papers as a Moodle XML question bank that Moodle imports: one category per paper
// ("$course$/top/<name>"), multichoice and truefalse questions with HTML texts, fractions that keep
// Moodle's rules (100 for a single right answer; 100/k for each of k right answers of a
// several-answer question and -100/(wrong options) for each wrong one), the mark as defaultgrade,
// the explanation as generalfeedback, answers in their order (shuffleanswers 0), pictures embedded
// as base64 <file>s, and 不定项 kept as a tag. A paper's exam time goes into its category's info.
// A question that cannot be written as either type (no answer, letters without options, a 判断
// answer with options) is left out and named in *skipped (Chinese, one line each).
QByteArray writeMoodleXml(const Document& doc, QStringList* skipped = nullptr);

} // namespace documents
