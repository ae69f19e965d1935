// The text reader of papers over arbitrary bytes (any encoding it may take them for), then the
// text writer and the reader again on what it wrote: nothing crashes and every document keeps the
// readers' promises. (Texts made of arbitrary bytes may hold marks of the layout inside a stem or an
// option, so what is read back need not be what was written; the round-trip tests cover real texts.)
#include "FuzzDocuments.h"

#include "documents/PaperWriter.h"
#include "documents/TextPaper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    documents::Limits limits;
    limits.maxQuestions = 500;
    limits.maxTextChars = 200000;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const documents::Document doc = documents::readTextPaper(bytes, QStringLiteral("卷"), limits);
    checkDocument(doc, limits);
    const QByteArray written = documents::writeTextPaper(doc);
    const documents::Document back = documents::readTextPaper(written, QStringLiteral("卷"), limits);
    checkDocument(back, limits);
    return 0;
}
