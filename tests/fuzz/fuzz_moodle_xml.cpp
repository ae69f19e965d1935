// The Moodle XML reader over arbitrary bytes: nothing crashes, the reader keeps its promises, and
// what it read, written out again, is XML the reader takes back with every question that could
// be written.
#include "DocumentCheck.h"

#include "documents/DocumentKind.h"
#include "documents/MoodleXml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace documents;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    detectKind(QStringLiteral("bank.xml"), bytes);
    Limits limits;
    limits.maxPictureBytes = 4096; // small enough for the fuzzer to reach
    limits.maxDepth = 32;
    const Document doc = readMoodleXml(bytes, QStringLiteral("题库"), limits);
    checkDocument(doc, limits);
    if (!doc.error.isEmpty())
        return 0;
    QStringList skipped;
    const QByteArray written = writeMoodleXml(doc, &skipped);
    const Document back = readMoodleXml(written, QStringLiteral("题库"));
    FUZZ_CHECK(back.error.isEmpty());
    FUZZ_CHECK(back.questionCount() + skipped.size() == doc.questionCount());
    return 0;
}
