#include "documents/MoodleXml.h"

#include "documents/LearningFormats.h"

#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>

namespace documents {

namespace {

using namespace learning;

// A text of the file with the format it is written in.
struct Area {
    QString text;
    QString format;
};

struct EmbeddedFile {
    QString name;
    QByteArray bytes;
    bool tooLarge = false;
};

struct Answer {
    int line = 0;
    QString fractionText;
    Area area;
};

// One <question> as the file has it.
struct Raw {
    QString type;
    int line = 0;
    QString category;
    QString info;
    Area text;
    Area feedback;
    QString grade;
    QString single;
    QList<Answer> answers;
    QStringList tags;
    QList<EmbeddedFile> files;
};

bool isTrue(const QString& value) {
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("true") || v == QLatin1String("1");
}

// The plain text of an area; *images receives the pictures an HTML text shows.
QString plainText(const Area& a, QStringList* images) {
    const QString format = a.format.trimmed().toLower();
    const bool html = format == QLatin1String("html") || format.isEmpty() ||
                      (format == QLatin1String("moodle_auto_format") && a.text.contains(QLatin1Char('<')));
    if (html)
        return htmlToText(a.text, images);
    QStringList lines = a.text.split(QLatin1Char('\n'));
    for (QString& l : lines)
        l = l.trimmed();
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

// The exam time a category's description gives ("考试时间：120分钟").
std::optional<int> minutesOf(const QString& info) {
    static const QRegularExpression re(QStringLiteral("考试时间\\s*[:：]\\s*(\\d{1,4})\\s*分钟"));
    const auto m = re.match(info);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

// The scoring rules a category's description gives ("评分规则：多选=少选得分:0.5；判断=答错扣分:0.5"),
// as this program writes them; a description without them, or with rules that do not read, gives
// 全对得分 throughout.
ScoringRules rulesOf(const QString& info) {
    static const QRegularExpression re(QStringLiteral("评分规则\\s*[:：]\\s*([^<\\n]*)"));
    ScoringRules rules;
    if (const auto m = re.match(info); m.hasMatch())
        rulesFromText(m.captured(1), &rules);
    return rules;
}

class MoodleReader {
  public:
    MoodleReader(const QByteArray& bytes, const QString& fallbackName, const Limits& limits)
        : m_r(bytes), m_fallback(fallbackName), m_limits(limits), m_budget(limits) {
        m_r.setEntityExpansionLimit(1024);
    }

    Document read() {
        if (!readRoot())
            return failed();
        while (next()) {
            if (m_r.isEndElement() && m_depth == 0)
                break;
            if (!m_r.isStartElement())
                continue;
            if (m_r.name() != QLatin1String("question")) {
                skip();
                continue;
            }
            Raw raw;
            if (!readQuestion(&raw))
                break;
            if (!take(raw))
                break;
        }
        if (m_r.hasError() || m_error)
            return failed();
        m_doc.leftOut = m_tally.lines();
        checkQuestions(m_doc);
        return std::move(m_doc);
    }

  private:
    // The next token, keeping count of the nesting; false at the end, on an error or too deep.
    bool next() {
        if (m_error || m_r.atEnd())
            return false;
        m_r.readNext();
        if (m_r.hasError())
            return false;
        if (m_r.isStartElement() && ++m_depth > m_limits.maxDepth) {
            m_error = true;
            m_reason = QStringLiteral("文件第 %1 行的 XML 嵌套超过 %2 层，无法读取")
                           .arg(m_r.lineNumber())
                           .arg(m_limits.maxDepth);
            return false;
        }
        if (m_r.isEndElement())
            --m_depth;
        if (m_r.tokenType() == QXmlStreamReader::DTD && !m_r.entityDeclarations().isEmpty()) {
            m_error = true;
            m_reason = QStringLiteral("文件中有实体定义（DTD），这不是导出的题库，不予读取");
            return false;
        }
        return !m_r.atEnd();
    }

    bool readRoot() {
        while (next()) {
            if (!m_r.isStartElement())
                continue;
            if (m_r.name() != QLatin1String("quiz")) {
                m_error = true;
                m_reason = QStringLiteral("这不是 Moodle XML 题库文件：根元素是 <%1>，不是 <quiz>")
                               .arg(m_r.name().toString().left(40));
                return false;
            }
            return true;
        }
        if (!m_error && !m_r.hasError()) {
            m_error = true;
            m_reason = QStringLiteral("这不是 Moodle XML 题库文件：文件中没有 <quiz> 元素");
        }
        return false;
    }

    // Skips the element just started.
    void skip() {
        const int depth = m_depth;
        while (m_depth >= depth && next()) {
        }
    }

    // The characters inside the element just started, its children's included; at most cap of
    // them are kept (*cut tells whether there were more).
    QString readText(qint64 cap, bool* cut = nullptr) {
        const int depth = m_depth;
        QString text;
        while (next()) {
            if (m_r.isEndElement() && m_depth < depth)
                break;
            if (m_r.isCharacters()) {
                const QStringView piece = m_r.text();
                if (text.size() + piece.size() > cap) {
                    text += piece.left(qMax<qint64>(0, cap - text.size()));
                    if (cut)
                        *cut = true;
                } else {
                    text += piece;
                }
            }
        }
        return text;
    }

    QString readSmallText() { return readText(qMin<qint64>(m_budget.textCharsLeft() + 1, 1 << 20)); }

    // A text element with its <text> and <file>s; other children (an answer's feedback) skipped.
    Area readArea(QList<EmbeddedFile>* files) {
        Area area;
        area.format = m_r.attributes().value(QLatin1String("format")).toString();
        const int depth = m_depth;
        while (next()) {
            if (m_r.isEndElement() && m_depth < depth)
                break;
            if (!m_r.isStartElement())
                continue;
            if (m_r.name() == QLatin1String("text") && m_depth == depth + 1) {
                area.text += readText(m_budget.textCharsLeft() + 1);
            } else if (m_r.name() == QLatin1String("file") && files) {
                EmbeddedFile f;
                f.name = m_r.attributes().value(QLatin1String("name")).toString();
                // Base64 is four characters for three bytes, with some room for line breaks.
                const qint64 left = m_budget.pictureBytesLeft();
                const qint64 cap = left / 3 * 4 + left / 16 + 64;
                bool cut = false;
                const QString data = readText(cap, &cut);
                f.tooLarge = cut;
                if (!cut)
                    f.bytes = QByteArray::fromBase64(data.toLatin1());
                files->append(f);
            } else {
                skip();
            }
        }
        return area;
    }

    bool readQuestion(Raw* raw) {
        raw->type = m_r.attributes().value(QLatin1String("type")).toString().trimmed();
        raw->line = int(m_r.lineNumber());
        const int depth = m_depth;
        while (next()) {
            if (m_r.isEndElement() && m_depth < depth)
                return true;
            if (!m_r.isStartElement())
                continue;
            const QStringView name = m_r.name();
            if (name == QLatin1String("category")) {
                raw->category = readArea(nullptr).text;
            } else if (name == QLatin1String("info")) {
                raw->info = plainText(readArea(nullptr), nullptr);
            } else if (name == QLatin1String("questiontext")) {
                raw->text = readArea(&raw->files);
            } else if (name == QLatin1String("generalfeedback")) {
                raw->feedback = readArea(&raw->files);
            } else if (name == QLatin1String("defaultgrade")) {
                raw->grade = readSmallText().trimmed();
            } else if (name == QLatin1String("single")) {
                raw->single = readSmallText().trimmed();
            } else if (name == QLatin1String("answer")) {
                Answer a;
                a.line = int(m_r.lineNumber());
                a.fractionText = m_r.attributes().value(QLatin1String("fraction")).toString().trimmed();
                a.area = readArea(&raw->files);
                raw->answers.append(a);
            } else if (name == QLatin1String("tags")) {
                const int tagsDepth = m_depth;
                while (next()) {
                    if (m_r.isEndElement() && m_depth < tagsDepth)
                        break;
                    if (m_r.isStartElement() && m_r.name() == QLatin1String("tag"))
                        raw->tags << readArea(nullptr).text.trimmed();
                }
            } else {
                skip();
            }
        }
        return false;
    }

    // Turns a read question into the document's; false when a limit ends the reading.
    bool take(const Raw& raw) {
        if (raw.type == QLatin1String("category")) {
            m_category = raw.category.trimmed();
            m_categoryInfo = raw.info;
            return true;
        }
        if (raw.type != QLatin1String("multichoice") && raw.type != QLatin1String("truefalse")) {
            m_tally.add(raw.type.isEmpty() ? QStringLiteral("?") : raw.type.left(40), raw.line);
            return true;
        }
        if (m_doc.questionCount() >= m_limits.maxQuestions) {
            m_doc.problems.append({raw.line, -1, -1, questionLimitReason(m_limits)});
            return false;
        }
        QList<Problem> problems;
        Question q = question(raw, &problems);
        if (!m_budget.takeText(q)) {
            m_doc.problems.append({raw.line, -1, -1, textLimitReason(m_limits)});
            return false;
        }
        const int p = currentPaper();
        Paper& paper = m_doc.papers[p];
        for (Problem& problem : problems) {
            problem.paper = p;
            problem.question = int(paper.questions.size());
            m_doc.problems.append(problem);
        }
        paper.questions.append(std::move(q));
        return true;
    }

    // The index of the paper of the current category, made when its first question comes.
    int currentPaper() {
        const auto found = m_paperOf.constFind(m_category);
        if (found != m_paperOf.cend())
            return found.value();
        Paper paper;
        paper.name = categoryName(m_category);
        if (paper.name.isEmpty())
            paper.name = m_fallback;
        paper.minutes = minutesOf(m_categoryInfo);
        paper.rules = rulesOf(m_categoryInfo);
        m_paperOf.insert(m_category, int(m_doc.papers.size()));
        m_doc.papers.append(paper);
        return int(m_doc.papers.size()) - 1;
    }

    Question question(const Raw& raw, QList<Problem>* problems) {
        Question q;
        q.line = raw.line;
        QStringList images;
        q.stem = plainText(raw.text, &images);
        q.explanation = plainText(raw.feedback, &images);
        if (!raw.grade.isEmpty()) {
            bool ok = false;
            const double mark = raw.grade.toDouble(&ok);
            if (ok && std::isfinite(mark))
                q.mark = mark;
            else
                problems->append(
                    {raw.line, -1, -1, QStringLiteral("分值“%1”不是数字").arg(raw.grade.left(40))});
        }
        QList<double> fractions;
        for (const Answer& a : raw.answers) {
            bool ok = false;
            double f = a.fractionText.isEmpty() ? 0 : a.fractionText.toDouble(&ok);
            if (!a.fractionText.isEmpty() && (!ok || !std::isfinite(f))) {
                problems->append(
                    {a.line, -1, -1, QStringLiteral("答案的分数“%1”不是数字").arg(a.fractionText.left(40))});
                f = 0;
            }
            fractions << f;
        }
        const bool trueFalse = raw.type == QLatin1String("truefalse");
        if (trueFalse) {
            q.type = Type::TrueFalse;
            for (int i = 0; i < raw.answers.size(); ++i) {
                if (fractions[i] <= 0)
                    continue;
                const QString text = plainText(raw.answers[i].area, nullptr).toLower();
                const bool yes = text == QLatin1String("true") || (text != QLatin1String("false") && i == 0);
                q.answer = yes ? QStringLiteral("对") : QStringLiteral("错");
                break;
            }
        } else {
            const bool single = raw.single.isEmpty() || isTrue(raw.single);
            q.type = single ? Type::Single : Type::Multiple;
            for (const QString& tag : raw.tags)
                if (typeFromText(tag) == Type::Indefinite)
                    q.type = Type::Indefinite;
            double best = 0;
            for (double f : fractions)
                best = qMax(best, f);
            for (int i = 0; i < raw.answers.size(); ++i) {
                QStringList optionImages;
                QString option = plainText(raw.answers[i].area, &optionImages);
                if (option.isEmpty() && !optionImages.isEmpty())
                    option = QStringLiteral("（见图）");
                images += optionImages;
                q.options << option;
                const bool right =
                    single ? (best > 0 && std::abs(fractions[i] - best) < 1e-6) : fractions[i] > 0;
                if (right)
                    q.answer += QChar(char16_t(u'A' + qMin(i, 25)));
            }
        }
        addPictures(raw, images, &q, problems);
        return q;
    }

    void addPictures(const Raw& raw, const QStringList& images, Question* q, QList<Problem>* problems) {
        static const QString plugin = QStringLiteral("@@PLUGINFILE@@/");
        QStringList seen;
        for (const QString& src : images) {
            if (!src.startsWith(plugin)) {
                problems->append(
                    {raw.line, -1, -1, QStringLiteral("图片“%1”不在文件中，没有读入").arg(src.left(80))});
                continue;
            }
            QString name = src.mid(plugin.size());
            name = name.left(name.indexOf(QLatin1Char('?')));
            name = QUrl::fromPercentEncoding(name.toUtf8());
            if (seen.contains(name))
                continue;
            seen << name;
            const EmbeddedFile* file = nullptr;
            for (const EmbeddedFile& f : raw.files)
                if (f.name == name && (!file || file->bytes.isEmpty()))
                    file = &f;
            if (!file || (file->bytes.isEmpty() && !file->tooLarge)) {
                problems->append(
                    {raw.line, -1, -1, QStringLiteral("图片“%1”不在文件中，没有读入").arg(name.left(80))});
                continue;
            }
            if (file->tooLarge || !m_budget.takePicture(file->bytes.size())) {
                problems->append({raw.line, -1, -1,
                                  QStringLiteral("图片“%1”超出可读入的大小，没有读入").arg(name.left(80))});
                continue;
            }
            q->pictures.append({name, file->bytes});
        }
    }

    Document failed() {
        Document doc;
        if (!m_reason.isEmpty()) {
            doc.error = m_reason;
        } else if (m_r.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            doc.error = QStringLiteral("文件在第 %1 行意外结束（不完整），无法读取").arg(m_r.lineNumber());
        } else {
            doc.error = QStringLiteral("文件第 %1 行第 %2 列的 XML 格式有误，无法读取")
                            .arg(m_r.lineNumber())
                            .arg(m_r.columnNumber());
        }
        return doc;
    }

    QXmlStreamReader m_r;
    QString m_fallback;
    Limits m_limits;
    Budget m_budget;
    int m_depth = 0;
    bool m_error = false;
    QString m_reason;
    Document m_doc;
    LeftOutTally m_tally;
    QString m_category;
    QString m_categoryInfo;
    QHash<QString, int> m_paperOf;
};

// ---- writing ----

QString fraction(double percent) {
    return QString::number(percent, 'g', 7);
}

QString extensionOf(const QByteArray& bytes) {
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("jpg");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (bytes.startsWith("BM"))
        return QStringLiteral("bmp");
    return QStringLiteral("png");
}

// A file name for a picture that needs no escaping in a URL, different from those in *used.
QString pictureName(const Picture& picture, int index, QStringList* used) {
    QString name = picture.name.mid(
        qMax(picture.name.lastIndexOf(QLatin1Char('/')), picture.name.lastIndexOf(QLatin1Char('\\'))) + 1);
    for (QChar& c : name)
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') ||
                                    c == QLatin1Char('_'))))
            c = QLatin1Char('_');
    if (name.isEmpty() || !name.contains(QLatin1Char('.')) || name.startsWith(QLatin1Char('.')))
        name = QStringLiteral("picture%1.%2").arg(index + 1).arg(extensionOf(picture.bytes));
    const QString base = name.left(name.lastIndexOf(QLatin1Char('.')));
    const QString ext = name.mid(name.lastIndexOf(QLatin1Char('.')));
    for (int n = 2; used->contains(name, Qt::CaseInsensitive); ++n)
        name = QStringLiteral("%1_%2%3").arg(base).arg(n).arg(ext);
    *used << name;
    return name;
}

void writeArea(QXmlStreamWriter& w, const char* element, const QString& html,
               const QList<QPair<QString, QByteArray>>& files = {}) {
    w.writeStartElement(QLatin1String(element));
    w.writeAttribute(QStringLiteral("format"), QStringLiteral("html"));
    w.writeStartElement(QStringLiteral("text"));
    if (!html.isEmpty())
        w.writeCDATA(html);
    w.writeEndElement();
    for (const auto& [name, bytes] : files) {
        w.writeStartElement(QStringLiteral("file"));
        w.writeAttribute(QStringLiteral("name"), name);
        w.writeAttribute(QStringLiteral("path"), QStringLiteral("/"));
        w.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
        w.writeCharacters(QString::fromLatin1(bytes.toBase64()));
        w.writeEndElement();
    }
    w.writeEndElement();
}

QString paragraphs(const QString& text) {
    return text.trimmed().isEmpty()
               ? QString()
               : QStringLiteral("<p>") + textToHtml(text.trimmed()) + QStringLiteral("</p>");
}

void writeText(QXmlStreamWriter& w, const char* element, const QString& text) {
    w.writeStartElement(QLatin1String(element));
    w.writeTextElement(QStringLiteral("text"), xmlSafe(text));
    w.writeEndElement();
}

// Why the question cannot be written, or an empty text.
QString unwritable(const Question& q) {
    const QString& a = q.answer;
    if (a.isEmpty())
        return QStringLiteral("没有答案");
    if (a == QStringLiteral("对") || a == QStringLiteral("错"))
        return q.options.isEmpty() ? QString() : QStringLiteral("判断题的答案配有选项");
    if (q.options.isEmpty())
        return QStringLiteral("没有选项");
    for (const QChar c : a)
        if (c < QLatin1Char('A') || c.unicode() >= u'A' + q.options.size() || a.count(c) > 1)
            return QStringLiteral("答案“%1”与选项不符").arg(a);
    return {};
}

void writeQuestion(QXmlStreamWriter& w, const Question& q, int index) {
    const bool trueFalse = q.options.isEmpty();
    w.writeStartElement(QStringLiteral("question"));
    w.writeAttribute(QStringLiteral("type"),
                     trueFalse ? QStringLiteral("truefalse") : QStringLiteral("multichoice"));

    QString title = q.stem.simplified().left(40);
    title = (q.number.isEmpty() ? QString::number(index + 1) : q.number.simplified()) +
            (title.isEmpty() ? QString() : QStringLiteral(" ") + title);
    writeText(w, "name", title);

    QString html = paragraphs(q.material) + paragraphs(q.stem);
    QList<QPair<QString, QByteArray>> files;
    QStringList used;
    for (int i = 0; i < q.pictures.size(); ++i) {
        const QString name = pictureName(q.pictures[i], i, &used);
        html += QStringLiteral("<p><img src=\"@@PLUGINFILE@@/%1\" alt=\"\"></p>").arg(name);
        files.append({name, q.pictures[i].bytes});
    }
    writeArea(w, "questiontext", html, files);
    writeArea(w, "generalfeedback", paragraphs(q.explanation));
    if (q.mark)
        w.writeTextElement(QStringLiteral("defaultgrade"), QString::number(*q.mark, 'g', 12));
    w.writeTextElement(QStringLiteral("penalty"),
                       trueFalse ? QStringLiteral("1") : QStringLiteral("0.3333333"));
    w.writeTextElement(QStringLiteral("hidden"), QStringLiteral("0"));

    auto answer = [&](const QString& percent, const QString& html, const QString& format) {
        w.writeStartElement(QStringLiteral("answer"));
        w.writeAttribute(QStringLiteral("fraction"), percent);
        w.writeAttribute(QStringLiteral("format"), format);
        w.writeStartElement(QStringLiteral("text"));
        if (format == QLatin1String("html"))
            w.writeCDATA(html);
        else
            w.writeCharacters(html);
        w.writeEndElement();
        writeArea(w, "feedback", QString());
        w.writeEndElement();
    };
    if (trueFalse) {
        const bool yes = q.answer == QStringLiteral("对");
        answer(yes ? QStringLiteral("100") : QStringLiteral("0"), QStringLiteral("true"),
               QStringLiteral("moodle_auto_format"));
        answer(yes ? QStringLiteral("0") : QStringLiteral("100"), QStringLiteral("false"),
               QStringLiteral("moodle_auto_format"));
    } else {
        const Type type = effectiveType(q);
        const bool single = type == Type::Single;
        const int right = int(q.answer.size());
        const int wrong = int(q.options.size()) - right;
        w.writeTextElement(QStringLiteral("single"),
                           single ? QStringLiteral("true") : QStringLiteral("false"));
        w.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("0"));
        w.writeTextElement(QStringLiteral("answernumbering"), QStringLiteral("ABCD"));
        for (int i = 0; i < q.options.size(); ++i) {
            const bool isRight = q.answer.contains(QChar(char16_t(u'A' + i)));
            const QString percent = isRight                ? fraction(single ? 100.0 : 100.0 / right)
                                    : single || wrong == 0 ? QStringLiteral("0")
                                                           : fraction(-100.0 / wrong);
            answer(percent, textToHtml(q.options[i].trimmed()), QStringLiteral("html"));
        }
        if (type == Type::Indefinite) {
            w.writeStartElement(QStringLiteral("tags"));
            writeText(w, "tag", typeText(Type::Indefinite));
            w.writeEndElement();
        }
    }
    w.writeEndElement();
}

} // namespace

Document readMoodleXml(const QByteArray& bytes, const QString& fallbackName, const Limits& limits) {
    if (const QString tooLarge = learning::fileSizeError(bytes.size(), limits); !tooLarge.isEmpty()) {
        Document doc;
        doc.error = tooLarge;
        return doc;
    }
    if (bytes.trimmed().isEmpty()) {
        Document doc;
        doc.error = QStringLiteral("文件是空的");
        return doc;
    }
    return MoodleReader(bytes, fallbackName, limits).read();
}

QByteArray writeMoodleXml(const Document& doc, QStringList* skipped) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("quiz"));
    for (const Paper& paper : doc.papers) {
        w.writeStartElement(QStringLiteral("question"));
        w.writeAttribute(QStringLiteral("type"), QStringLiteral("category"));
        writeText(w, "category", categoryPath(paper.name));
        QString info = paper.minutes ? QStringLiteral("<p>考试时间：%1分钟</p>").arg(*paper.minutes) : QString();
        if (!paper.rules.isPlain())
            info += QStringLiteral("<p>评分规则：%1</p>").arg(rulesText(paper.rules));
        writeArea(w, "info", info);
        w.writeEndElement();
        for (int i = 0; i < paper.questions.size(); ++i) {
            const Question& q = paper.questions[i];
            const QString why = unwritable(q);
            if (!why.isEmpty()) {
                if (skipped)
                    *skipped << QStringLiteral("试卷“%1”第 %2 题：%3，没有导出")
                                    .arg(paper.name, q.number.isEmpty() ? QString::number(i + 1) : q.number,
                                         why);
                continue;
            }
            writeQuestion(w, q, i);
        }
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

} // namespace documents
