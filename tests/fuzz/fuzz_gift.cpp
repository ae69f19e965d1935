// The GIFT reader over arbitrary bytes: nothing crashes, the reader keeps its promises, and
// true/false and multiple-choice answers never mix.
#include "DocumentCheck.h"

#include "documents/DocumentKind.h"
#include "documents/Gift.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace documents;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    detectKind(QStringLiteral("questions.txt"), bytes);
    Limits limits;
    limits.maxQuestions = 50;
    limits.maxTextChars = 4096;
    const Document doc = readGift(bytes, QStringLiteral("题库"), limits);
    checkDocument(doc, limits);
    // A true/false question has no options and 对 or 错; a multiple-choice one only letters.
    for (const Paper& paper : doc.papers)
        for (const Question& q : paper.questions) {
            if (q.type == Type::TrueFalse)
                FUZZ_CHECK(q.options.isEmpty() &&
                           (q.answer == QStringLiteral("对") || q.answer == QStringLiteral("错")));
            else
                FUZZ_CHECK(q.answer != QStringLiteral("对") && q.answer != QStringLiteral("错"));
        }
    return 0;
}
