#include "bank/DocumentImport.h"

#include "bank/BankEdits.h"
#include "documents/DocumentFile.h"
#include "documents/MoodleXml.h"
#include "documents/PaperWriter.h"
#include "marking/Scoring.h"
#include "questions/QuestionText.h"
#include "store/Store.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace docimport {

using documents::Document;
using documents::Problem;

namespace {

// What the program takes back from the child at most: the text and pictures a reader keeps, and room.
constexpr qint64 kMaxHandedBytes = qint64(768) << 20;
// A question's picture exported into a document, at most.
constexpr qint64 kMaxExportedPicture = qint64(32) << 20;
// Several pictures of one question become one, below each other, within these bounds.
constexpr int kMaxJoinedWidth = 4000;
constexpr int kMaxJoinedHeight = 16000;

// The bank shows one picture per question: the pictures of a question with several are put one
// below the other in one PNG. Done in the child, where an image decoder fed a hostile file can
// do no harm. When they cannot be decoded or would be too large, the first is kept and the rest named.
void joinPictures(Document& doc) {
    for (documents::Paper& paper : doc.papers)
        for (documents::Question& q : paper.questions) {
            if (q.pictures.size() < 2)
                continue;
            QList<QImage> images;
            int width = 0, height = 0;
            for (const documents::Picture& pic : q.pictures) {
                const QImage image = QImage::fromData(pic.bytes);
                if (image.isNull())
                    break;
                images << image;
                width = std::max(width, image.width());
                height += image.height() + (images.size() > 1 ? 8 : 0);
            }
            if (images.size() == q.pictures.size() && width <= kMaxJoinedWidth && height <= kMaxJoinedHeight) {
                QImage joined(width, height, QImage::Format_RGB32);
                joined.fill(Qt::white);
                QPainter painter(&joined);
                int y = 0;
                for (const QImage& image : images) {
                    painter.drawImage(0, y, image);
                    y += image.height() + 8;
                }
                painter.end();
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                if (joined.save(&buffer, "PNG")) {
                    q.pictures = {{QStringLiteral("joined.png"), png}};
                    continue;
                }
            }
            doc.leftOut << QStringLiteral("第 %1 行（段）的题目有 %2 张图片，题库每题只显示一张：只保留了第一张")
                               .arg(q.line)
                               .arg(q.pictures.size());
            q.pictures = q.pictures.mid(0, 1);
        }
}

void say(const char* kind, const QString& text) {
    for (const QString& line : text.split(QLatin1Char('\n')))
        std::printf("%s %s\n", kind, line.toUtf8().constData());
    std::fflush(stdout);
}

QString damaged(const QString& source) {
    return QStringLiteral("%1 已损坏或无法读取：读取它的程序意外终止了（可能用了太多内存或时间）。").arg(source);
}

QVariant markValue(const std::optional<double>& mark) {
    if (!mark)
        return qint64(1);
    if (*mark == double(qint64(*mark)))
        return qint64(*mark);
    return *mark;
}

bank::Question rowOf(const documents::Question& q) {
    bank::Question row;
    row.code = QStringLiteral("1");
    row.tihao = qint64(1);
    row.question = documents::bankText(q);
    row.authority = bank::standardAnswer(q.answer);
    row.jiexi = q.explanation.trimmed();
    row.score = markValue(q.mark);
    row.tixing = documents::typeText(q.type);
    return row;
}

// The row of a question the bank can hold: its own type, else (when the type and the answer
// disagree) the type its answer implies. Otherwise why not.
QStringList fit(bank::Question& row) {
    QStringList p = bank::problems(row);
    if (!p.isEmpty() && !row.tixing.isEmpty()) {
        bank::Question untyped = row;
        untyped.tixing.clear();
        if (bank::problems(untyped).isEmpty()) {
            row = untyped;
            return {};
        }
    }
    return p;
}

QString extensionOf(const documents::Picture& pic) {
    const QByteArray& b = pic.bytes;
    if (b.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (b.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpg");
    if (b.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (b.startsWith("BM"))
        return QStringLiteral("bmp");
    if (b.startsWith("RIFF") && b.mid(8, 4) == "WEBP")
        return QStringLiteral("webp");
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{1,5}$"));
    const QString suffix = QFileInfo(pic.name).suffix().toLower();
    return plain.match(suffix).hasMatch() ? suffix : QStringLiteral("bin");
}

bool isOptionMark(QChar c) {
    return c == QLatin1Char('.') || c == QChar(0xFF0E) || c == QChar(0x3001);
}

bool isAsciiWord(QChar c) {
    return c.unicode() < 128 && c.isLetterOrNumber();
}

QList<int> letterPositions(const QString& text, QChar letter, bool first) {
    QList<int> out;
    for (int i = text.indexOf(letter); i >= 0 && i + 1 < text.size(); i = text.indexOf(letter, i + 1)) {
        if (!isOptionMark(text[i + 1]))
            continue;
        const bool startsHere = i == 0 || (first ? !isAsciiWord(text[i - 1]) : text[i - 1].isSpace());
        if (startsHere)
            out << i;
    }
    return out;
}

} // namespace

// ---- reading ----

int childRead(const QString& in, const QString& out) {
    bankimport::childprotocol::progress(0, -1);
    Document doc = documents::readDocumentFile(in);
    if (!doc.error.isEmpty()) {
        say("error", doc.error);
        return 1;
    }
    joinPictures(doc);
    bankimport::childprotocol::progress(1, 2);
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(documents::encodeDocument(doc)) < 0 || !file.commit()) {
        say("error", QStringLiteral("无法写出读到的内容"));
        return 1;
    }
    std::printf("ok\n");
    std::fflush(stdout);
    return 0;
}

ReadDocument readInChild(const QString& tool, const QString& path, const bankimport::Progress& progress,
                         const bankimport::ChildLimits& limits) {
    ReadDocument result;
    const QString source = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile()) {
        result.error = QStringLiteral("找不到文件 %1。").arg(path);
        return result;
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        result.error = QStringLiteral("无法建立临时文件夹，没有读取 %1。").arg(source);
        return result;
    }
    const QString out = work.filePath(QStringLiteral("document"));
    const bankimport::ChildRun run = bankimport::runChild(tool, {QStringLiteral("--child"), path, out}, progress, limits);
    if (run.end == bankimport::ChildRun::End::Cancelled) {
        result.cancelled = true;
        result.error = QStringLiteral("已取消读取 %1。").arg(source);
        return result;
    }
    if (const QString failed = bankimport::failure(run, tool, source, limits); !failed.isEmpty()) {
        result.error = failed;
        return result;
    }
    const QStringList errors = run.saidErrors();
    const bool ok = run.saidOk();
    if (!errors.isEmpty()) {
        result.error = QStringLiteral("无法读取 %1：%2。").arg(source, errors.join(QLatin1Char('\n')));
        return result;
    }
    QFile file(out);
    if (run.exitCode != 0 || !ok || !file.open(QIODevice::ReadOnly) || file.size() > kMaxHandedBytes ||
        !documents::decodeDocument(file.readAll(), &result.doc)) {
        result.doc = {};
        result.error = damaged(source);
    }
    return result;
}

// ---- what was found ----

QString placeText(const QString& fileName, int line) {
    const bool word = fileName.endsWith(QLatin1String(".docx"), Qt::CaseInsensitive);
    return QStringLiteral("第 %1 %2").arg(line).arg(word ? QStringLiteral("段") : QStringLiteral("行"));
}

QString problemText(const QString& fileName, const Document& doc, const Problem& p) {
    QString where = p.line > 0 ? placeText(fileName, p.line) : QStringLiteral("整个文件");
    if (p.paper >= 0 && p.question >= 0) {
        const documents::Question& q = doc.papers[p.paper].questions[p.question];
        where += q.number.isEmpty() ? QStringLiteral("（第 %1 道题）").arg(p.question + 1)
                                    : QStringLiteral("（第 %1 题）").arg(q.number);
    }
    return where + QStringLiteral("：") + p.reason;
}

// ---- storing ----

qint64 nextFreeCode(Store& store) {
    qint64 highest = 0;
    for (const bank::PaperSummary& s : bank::listPapers(store)) {
        bool number = false;
        const qint64 n = s.paper.code.trimmed().toLongLong(&number);
        if (number)
            highest = std::max(highest, n);
    }
    return highest + 1;
}

bool storable(const documents::Question& q) {
    bank::Question row = rowOf(q);
    return fit(row).isEmpty();
}

static documents::ScoringRules fittingRules(const documents::ScoringRules& rules) {
    documents::ScoringRules out = rules;
    for (int t = 0; t < int(out.types.size()); ++t) {
        documents::TypeRule& r = out.types[std::size_t(t)];
        if (!documents::ruleFits(r.rule, documents::Type(t)))
            r = documents::TypeRule{documents::Rule::Whole, 0.5, false, r.floorAtZero && t != 0};
    }
    return out;
}

Plan plan(Store& store, const QString& fileName, const Document& doc, const Choice& choice) {
    Plan out;
    QSet<QString> taken;
    for (const bank::PaperSummary& s : bank::listPapers(store))
        taken.insert(bank::codeKey(s.paper.code));
    qint64 next = choice.firstCode ? *choice.firstCode : nextFreeCode(store);
    for (int pi = 0; pi < doc.papers.size(); ++pi) {
        const documents::Paper& paper = doc.papers[pi];
        QList<bank::Question> rows;
        QList<const documents::Question*> sources;
        for (int qi = 0; qi < paper.questions.size(); ++qi) {
            if (choice.goodOnly && doc.isBad(pi, qi))
                continue;
            const documents::Question& q = paper.questions[qi];
            bank::Question row = rowOf(q);
            if (const QStringList why = fit(row); !why.isEmpty()) {
                out.unstorable << placeText(fileName, q.line) + QStringLiteral("：") + why.join(QStringLiteral("；"));
                continue;
            }
            rows << row;
            sources << &q;
        }
        if (rows.isEmpty()) {
            out.notes << QStringLiteral("试卷“%1”中没有要导入的题目，没有导入它。").arg(paper.name);
            continue;
        }
        if (next <= 0) {
            out.error = QStringLiteral("试卷编码要用正整数。");
            return out;
        }
        QString code = QString::number(next);
        while (taken.contains(bank::codeKey(code))) {
            if (choice.firstCode) {
                out.error = QStringLiteral("题库中已有编码为 %1 的试卷，没有导入任何内容（可以不加 --code，"
                                           "或者换一个编码）。")
                                .arg(code);
                return out;
            }
            code = QString::number(++next);
        }
        ++next;
        taken.insert(bank::codeKey(code));
        bank::Paper row;
        row.code = code;
        row.name = paper.name.trimmed().isEmpty() ? QFileInfo(fileName).completeBaseName() : paper.name.trimmed();
        row.chouti = qint64(rows.size());
        row.paixu = qint64(1);
        row.kstime = qint64(paper.minutes && *paper.minutes > 0 ? *paper.minutes : 60);
        if (const QStringList why = bank::problems(row); !why.isEmpty()) {
            out.error = QStringLiteral("试卷“%1”无法保存：%2").arg(row.name, why.join(QStringLiteral("；")));
            return out;
        }
        out.tables.papers << row;
        if (!paper.rules.isPlain())
            out.tables.rules.insert(code, fittingRules(paper.rules));
        for (int i = 0; i < rows.size(); ++i) {
            rows[i].code = code;
            rows[i].tihao = qint64(i + 1);
            if (!sources[i]->pictures.isEmpty()) {
                const documents::Picture& pic = sources[i]->pictures.first();
                out.pictures << Plan::Picture{int(out.tables.questions.size()), extensionOf(pic), pic.bytes};
            }
            out.tables.questions << rows[i];
        }
    }
    return out;
}

Stored store(Store& store, const QString& bankDir, const QString& fileName, const Document& doc,
             const Choice& choice) {
    Stored result;
    Plan p = plan(store, fileName, doc, choice);
    result.notes = p.notes;
    if (!p.error.isEmpty()) {
        result.error = p.error;
        return result;
    }
    if (!p.unstorable.isEmpty() && !choice.goodOnly) {
        result.error = QStringLiteral("有 %1 道题题库无法保存，没有导入任何内容：\n%2")
                           .arg(p.unstorable.size())
                           .arg(p.unstorable.mid(0, 20).join(QLatin1Char('\n')));
        return result;
    }
    if (p.tables.papers.isEmpty()) {
        result.error = QStringLiteral("%1 中没有可以导入的题目，题库没有改动。").arg(fileName);
        return result;
    }
    if (store.isReadOnly()) {
        result.error = QStringLiteral("没有导入：%1").arg(store.readOnlyReason());
        return result;
    }
    QStringList made;
    auto removeMade = [&] {
        for (const QString& f : made)
            QFile::remove(f);
    };
    if (!p.pictures.isEmpty()) {
        const QDir pics(QDir(bankDir).filePath(QStringLiteral("pic")));
        if (!pics.exists() && !QDir().mkpath(pics.path())) {
            result.error = QStringLiteral("无法建立图片文件夹 %1，没有导入任何内容。").arg(QDir::toNativeSeparators(pics.path()));
            return result;
        }
        QSet<QString> names;
        for (const QString& n : pics.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
            names.insert(n.toLower());
        for (const Plan::Picture& pic : p.pictures) {
            bank::Question& row = p.tables.questions[pic.question];
            const QString base = QStringLiteral("%1-%2").arg(row.code).arg(row.tihao.toLongLong());
            QString name = base + QLatin1Char('.') + pic.extension;
            for (int i = 2; names.contains(name.toLower()); ++i)
                name = QStringLiteral("%1-%2.%3").arg(base).arg(i).arg(pic.extension);
            QFile file(pics.filePath(name));
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(pic.bytes) != pic.bytes.size()) {
                file.remove();
                removeMade();
                result.error = QStringLiteral("无法把图片写入 %1，没有导入任何内容。").arg(QDir::toNativeSeparators(file.fileName()));
                return result;
            }
            file.close();
            made << file.fileName();
            names.insert(name.toLower());
            row.pic = QStringLiteral("\\pic\\") + name;
        }
    }
    if (const QString error = bank::addTables(store, p.tables, false); !error.isEmpty()) {
        removeMade();
        result.error = error;
        return result;
    }
    for (const bank::Paper& paper : p.tables.papers)
        result.codes << paper.code;
    result.questions = int(p.tables.questions.size());
    result.pictures = int(made.size());
    return result;
}

// ---- writing ----

bool isDocumentFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("txt") || suffix == QLatin1String("docx") || suffix == QLatin1String("xml");
}

void splitQuestionText(const QString& text, QString* stem, QStringList* options) {
    options->clear();
    for (const int a : letterPositions(text, QLatin1Char('A'), true)) {
        QList<int> starts{a};
        for (char16_t letter = u'B'; letter <= u'G'; ++letter) {
            const QList<int> at = letterPositions(text, QChar(letter), false);
            const auto after = std::find_if(at.begin(), at.end(), [&](int i) { return i > starts.last() + 1; });
            if (after == at.end())
                break;
            starts << *after;
        }
        if (starts.size() < 2)
            continue;
        *stem = text.left(a).trimmed();
        for (int i = 0; i < starts.size(); ++i) {
            const int from = starts[i] + 2;
            const int to = i + 1 < starts.size() ? starts[i + 1] : text.size();
            *options << text.mid(from, to - from).trimmed();
        }
        return;
    }
    *stem = text.trimmed();
}

Document bankDocument(Store& store, const QString& bankDir, const QString& code) {
    Document doc;
    for (const bank::PaperSummary& s : bank::listPapers(store)) {
        if (!code.isEmpty() && bank::codeKey(s.paper.code) != bank::codeKey(code))
            continue;
        documents::Paper paper;
        paper.name = s.paper.name.trimmed().isEmpty() ? s.paper.code : s.paper.name;
        const qint64 minutes = valueread::integer(s.paper.kstime);
        if (minutes > 0)
            paper.minutes = int(std::min<qint64>(minutes, 100000));
        paper.rules = scoring::readRules(store, s.paper.code);
        QList<bank::Question> rows = bank::listQuestions(store, s.paper.code);
        std::stable_sort(rows.begin(), rows.end(), [](const bank::Question& a, const bank::Question& b) {
            return valueread::integer(a.tihao) < valueread::integer(b.tihao);
        });
        for (const bank::Question& row : rows) {
            documents::Question q;
            q.number = QString::number(valueread::integer(row.tihao));
            splitQuestionText(row.question, &q.stem, &q.options);
            // Lines before the question's own line are its material (shared material is kept
            // at the start of each of its questions): the writers keep them as lines.
            if (const int nl = q.stem.lastIndexOf(QLatin1Char('\n')); nl > 0) {
                q.material = q.stem.left(nl).trimmed();
                q.stem = q.stem.mid(nl + 1).trimmed();
            }
            q.answer = bank::standardAnswer(row.authority);
            q.explanation = row.jiexi;
            q.type = documents::typeFromText(row.tixing);
            if (!bank::isEmptyCell(row.score))
                q.mark = valueread::number(row.score);
            if (const QString file = picturePath(bankDir, row.pic); !file.isEmpty()) {
                QFile f(file);
                if (f.open(QIODevice::ReadOnly) && f.size() <= kMaxExportedPicture)
                    q.pictures << documents::Picture{QFileInfo(file).fileName(), f.readAll()};
            }
            paper.questions << q;
        }
        doc.papers << paper;
    }
    return doc;
}

Written writeDocument(const Document& doc, const QString& path, bool replace) {
    Written out;
    const QFileInfo target(path);
    if (!replace && (target.exists() || target.isSymLink())) {
        out.error = QStringLiteral("%1 已存在，不会覆盖它。").arg(target.fileName());
        return out;
    }
    const QString suffix = target.suffix().toLower();
    QByteArray bytes;
    if (suffix == QLatin1String("txt")) {
        bytes = documents::writeTextPaper(doc);
        int pictures = 0;
        for (const documents::Paper& p : doc.papers)
            for (const documents::Question& q : p.questions)
                pictures += q.pictures.isEmpty() ? 0 : 1;
        if (pictures > 0)
            out.skipped << QStringLiteral("文本文件不能带图片：%1 道题的图片没有写入（导出为 Word 文档可以带上）。").arg(pictures);
    } else if (suffix == QLatin1String("docx")) {
        bytes = documents::writeDocxPaper(doc, &out.error);
        if (bytes.isEmpty() && out.error.isEmpty())
            out.error = QStringLiteral("无法生成 Word 文档。");
    } else if (suffix == QLatin1String("xml")) {
        bytes = documents::writeMoodleXml(doc, &out.skipped);
    } else {
        out.error = QStringLiteral("不知道怎样写 %1：文件名要以 .txt、.docx 或 .xml 结尾。").arg(target.fileName());
    }
    if (!out.error.isEmpty())
        return out;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        out.error = QStringLiteral("无法写入 %1。").arg(QDir::toNativeSeparators(path));
        return out;
    }
    out.papers = int(doc.papers.size());
    out.questions = doc.questionCount() - (suffix == QLatin1String("xml") ? int(out.skipped.size()) : 0);
    return out;
}

} // namespace docimport
