// The Word reader of papers over arbitrary bytes. The first byte chooses: even, the rest is the
// file itself (a damaged or hostile zip); odd, the rest holds word/document.xml, then after a 0x01
// byte word/numbering.xml and after another word/styles.xml, inside a real package with a picture.
// Tight limits make the bounds on nesting, unpacked bytes, text and pictures part of every run.
#include "FuzzDocuments.h"

#include "documents/WordPaper.h"
#include "documents/ZipPackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    documents::Limits limits;
    limits.maxUnpackedBytes = 4 * 1024 * 1024;
    limits.maxPictureBytes = 64;
    limits.maxTextChars = 100000;
    limits.maxQuestions = 300;
    limits.maxParagraphs = 5000;
    limits.maxDepth = 64;
    QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] % 2 == 1) {
        const QList<QByteArray> parts = rest.split('\x01');
        const QByteArray rels =
            "<Relationships><Relationship Id=\"n\" Type=\"x/numbering\" Target=\"numbering.xml\"/>"
            "<Relationship Id=\"s\" Type=\"x/styles\" Target=\"/word/styles.xml\"/>"
            "<Relationship Id=\"rId1\" Type=\"x/image\" Target=\"media/image1.png\"/>"
            "<Relationship Id=\"rId2\" Type=\"x/image\" Target=\"../word/media/big.png\"/>"
            "</Relationships>";
        rest = documents::zipParts(
            {{QStringLiteral("word/document.xml"), parts.value(0)},
             {QStringLiteral("word/numbering.xml"), parts.value(1)},
             {QStringLiteral("word/styles.xml"), parts.value(2)},
             {QStringLiteral("word/_rels/document.xml.rels"), rels},
             {QStringLiteral("word/media/image1.png"), QByteArray("\x89PNG\r\n\x1a\n", 8)},
             {QStringLiteral("word/media/big.png"), QByteArray(100, 'p')}});
    }
    const documents::Document doc = documents::readDocxPaper(rest, QStringLiteral("卷"), limits);
    checkDocument(doc, limits);
    qint64 pictureBytes = 0;
    for (const documents::Paper& p : doc.papers)
        for (const documents::Question& q : p.questions)
            for (const documents::Picture& pic : q.pictures)
                pictureBytes = std::max(pictureBytes, qint64(pic.bytes.size()));
    FUZZ_CHECK(pictureBytes <= limits.maxPictureBytes);
    return 0;
}
