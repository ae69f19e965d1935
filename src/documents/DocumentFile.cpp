#include "documents/DocumentFile.h"

#include "documents/Aiken.h"
#include "documents/DocumentKind.h"
#include "documents/Gift.h"
#include "documents/MoodleXml.h"
#include "documents/TextPaper.h"
#include "documents/WordPaper.h"

#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>

namespace documents {

namespace {

constexpr quint32 kMagic = 0x56444f43; // "VDOC"
constexpr quint32 kVersion = 2;

QDataStream& operator<<(QDataStream& s, const std::optional<double>& v) {
    return s << bool(v) << (v ? *v : 0.0);
}

QDataStream& operator>>(QDataStream& s, std::optional<double>& v) {
    bool has = false;
    double d = 0;
    s >> has >> d;
    v = has ? std::optional<double>(d) : std::nullopt;
    return s;
}

// Counts first, so a damaged file cannot make the reader allocate for what is not there.
template <typename T, typename Read>
bool readList(QDataStream& s, QList<T>* out, Read read) {
    qint32 n = -1;
    s >> n;
    if (n < 0 || n > 10000000 || s.status() != QDataStream::Ok)
        return false;
    for (qint32 i = 0; i < n; ++i) {
        T item;
        if (!read(item) || s.status() != QDataStream::Ok)
            return false;
        out->append(std::move(item));
    }
    return true;
}

} // namespace

Document readDocumentFile(const QString& path, const Limits& limits) {
    Document doc;
    const QFileInfo info(path);
    const QByteArray bytes = readFileWithin(path, limits, &doc.error);
    if (!doc.error.isEmpty())
        return doc;
    const QString name = info.completeBaseName();
    switch (detectKind(info.fileName(), bytes.left(64 * 1024))) {
    case Kind::Layout:
        return readTextPaper(bytes, name, limits);
    case Kind::Word:
        return readDocxPaper(bytes, name, limits);
    case Kind::MoodleXml:
        return readMoodleXml(bytes, name, limits);
    case Kind::Gift:
        return readGift(bytes, name, limits);
    case Kind::Aiken:
        return readAiken(bytes, name, limits);
    case Kind::Unknown:
        break;
    }
    doc.error = QStringLiteral("无法识别 %1：它不是文本试卷、Word 文档（.docx）、Moodle XML、GIFT 或 Aiken 文件"
                               "（旧的 .doc 文件请先在 Word 或 LibreOffice 中另存为 .docx）")
                    .arg(info.fileName());
    return doc;
}

QByteArray encodeDocument(const Document& doc) {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    s << kMagic << kVersion << doc.error << doc.leftOut << qint32(doc.papers.size());
    for (const Paper& p : doc.papers) {
        s << p.name << bool(p.minutes) << qint32(p.minutes.value_or(0));
        for (const TypeRule& r : p.rules.types)
            s << qint32(r.rule) << r.amount << r.proportional << r.floorAtZero;
        s << qint32(p.questions.size());
        for (const Question& q : p.questions) {
            s << qint32(q.line) << q.number << q.material << q.stem << q.options << q.answer
              << q.explanation << qint32(q.type) << q.mark << qint32(q.pictures.size());
            for (const Picture& pic : q.pictures)
                s << pic.name << pic.bytes;
        }
    }
    s << qint32(doc.problems.size());
    for (const Problem& p : doc.problems)
        s << qint32(p.line) << qint32(p.paper) << qint32(p.question) << p.reason;
    s << kMagic;
    return out;
}

bool decodeDocument(const QByteArray& bytes, Document* doc) {
    *doc = {};
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    s >> magic >> version;
    if (magic != kMagic || version != kVersion)
        return false;
    s >> doc->error >> doc->leftOut;
    const bool ok =
        readList(s, &doc->papers,
                 [&](Paper& p) {
                     bool hasMinutes = false;
                     qint32 minutes = 0;
                     s >> p.name >> hasMinutes >> minutes;
                     if (hasMinutes)
                         p.minutes = minutes;
                     for (TypeRule& r : p.rules.types) {
                         qint32 rule = -1;
                         s >> rule >> r.amount >> r.proportional >> r.floorAtZero;
                         if (rule < int(Rule::Whole) || rule > int(Rule::Deduction) || !(r.amount >= 0) ||
                             r.amount > 1e6)
                             return false;
                         r.rule = Rule(rule);
                     }
                     return readList(s, &p.questions, [&](Question& q) {
                         qint32 line = 0, type = 0;
                         s >> line >> q.number >> q.material >> q.stem >> q.options >> q.answer >>
                             q.explanation >> type >> q.mark;
                         if (type < int(Type::None) || type > int(Type::Indefinite))
                             return false;
                         q.line = line;
                         q.type = Type(type);
                         return readList(s, &q.pictures, [&](Picture& pic) {
                             s >> pic.name >> pic.bytes;
                             return true;
                         });
                     });
                 }) &&
        readList(s, &doc->problems, [&](Problem& p) {
            qint32 line = 0, paper = 0, question = 0;
            s >> line >> paper >> question >> p.reason;
            p.line = line;
            p.paper = paper;
            p.question = question;
            return true;
        });
    magic = 0;
    s >> magic;
    bool inRange = true;
    for (const Problem& p : doc->problems)
        inRange = inRange && p.paper >= -1 && p.paper < doc->papers.size() && p.question >= -1 &&
                  (p.question == -1 || (p.paper >= 0 && p.question < doc->papers[p.paper].questions.size()));
    if (!ok || !inRange || magic != kMagic || s.status() != QDataStream::Ok || !s.atEnd()) {
        *doc = {};
        return false;
    }
    return true;
}

} // namespace documents
