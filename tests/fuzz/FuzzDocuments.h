#pragma once

#include "FuzzCheck.h"

#include "documents/Document.h"

// What every reader of papers promises, whatever the file: an error and papers never together,
// no empty paper, problems that point at papers and questions that exist, no more questions than
// the limits let through.
inline void checkDocument(const documents::Document& doc, const documents::Limits& limits) {
    if (!doc.error.isEmpty())
        FUZZ_CHECK(doc.papers.isEmpty());
    FUZZ_CHECK(doc.questionCount() <= limits.maxQuestions);
    for (const documents::Paper& p : doc.papers) {
        FUZZ_CHECK(!p.questions.isEmpty());
        FUZZ_CHECK(!p.name.isEmpty());
    }
    for (const documents::Problem& p : doc.problems) {
        FUZZ_CHECK(!p.reason.isEmpty());
        FUZZ_CHECK(p.paper >= -1 && p.paper < doc.papers.size());
        FUZZ_CHECK(p.question >= -1);
        if (p.question >= 0)
            FUZZ_CHECK(p.paper >= 0 && p.question < doc.papers[p.paper].questions.size());
    }
    for (const QString& line : doc.leftOut)
        FUZZ_CHECK(!line.isEmpty());
}
