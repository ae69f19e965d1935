// The Aiken reader over arbitrary bytes: nothing crashes, the reader keeps its promises, and a
// question without its answer line is always named by a problem.
#include "DocumentCheck.h"

#include "documents/Aiken.h"
#include "documents/DocumentKind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace documents;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    detectKind(QStringLiteral("questions.txt"), bytes);
    Limits limits;
    limits.maxQuestions = 50;
    limits.maxTextChars = 4096;
    const Document doc = readAiken(bytes, QStringLiteral("题库"), limits);
    checkDocument(doc, limits);
    FUZZ_CHECK(doc.papers.size() <= 1);
    for (const Paper& paper : doc.papers)
        for (int i = 0; i < paper.questions.size(); ++i)
            FUZZ_CHECK(!paper.questions[i].answer.isEmpty() || doc.isBad(0, i));
    return 0;
}
