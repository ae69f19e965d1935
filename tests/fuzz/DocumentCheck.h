#pragma once

#include "FuzzCheck.h"

#include "documents/Document.h"

// What every document reader promises, whatever the file: an error leaves nothing else; every
// problem names a real paper and question (or none) and gives a reason; an answer that is not in
// its stored form (letters, or 对/错) is on a question named by a problem; the limits hold.
inline void checkDocument(const documents::Document& doc, const documents::Limits& limits = {}) {
    using namespace documents;
    if (!doc.error.isEmpty()) {
        FUZZ_CHECK(doc.papers.isEmpty() && doc.problems.isEmpty() && doc.leftOut.isEmpty());
        return;
    }
    for (const Problem& p : doc.problems) {
        FUZZ_CHECK(!p.reason.isEmpty());
        FUZZ_CHECK(p.paper >= -1 && p.paper < doc.papers.size());
        FUZZ_CHECK(p.question == -1 ||
                   (p.paper >= 0 && p.question >= 0 && p.question < doc.papers[p.paper].questions.size()));
    }
    qint64 pictureBytes = 0;
    for (int p = 0; p < doc.papers.size(); ++p) {
        const Paper& paper = doc.papers[p];
        FUZZ_CHECK(!paper.questions.isEmpty());
        for (int i = 0; i < paper.questions.size(); ++i) {
            const Question& q = paper.questions[i];
            FUZZ_CHECK(q.line >= 1);
            bool stored = !q.answer.isEmpty();
            for (const QChar c : q.answer)
                stored = stored && c >= u'A' && c <= u'Z';
            stored = stored || q.answer == QStringLiteral("对") || q.answer == QStringLiteral("错");
            FUZZ_CHECK(stored || doc.isBad(p, i));
            for (const Picture& picture : q.pictures)
                pictureBytes += picture.bytes.size();
        }
    }
    FUZZ_CHECK(doc.questionCount() <= limits.maxQuestions);
    FUZZ_CHECK(pictureBytes <= limits.maxPictureBytes);
}
