#include "documents/Gift.h"

#include "documents/LearningFormats.h"

#include <QHash>
#include <cmath>

namespace documents {

namespace {

using namespace learning;

// The first c at or after from that no backslash escapes; -1 when there is none.
qsizetype findMark(QStringView s, QChar c, qsizetype from) {
    for (qsizetype i = qMax<qsizetype>(0, from); i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\'))
            ++i;
        else if (s[i] == c)
            return i;
    }
    return -1;
}

// The first run of count unescaped c at or after from; -1 when there is none.
qsizetype findRun(QStringView s, QChar c, int count, qsizetype from) {
    for (qsizetype i = findMark(s, c, from); i >= 0; i = findMark(s, c, i + 1)) {
        int n = 1;
        while (n < count && i + n < s.size() && s[i + n] == c)
            ++n;
        if (n == count)
            return i;
    }
    return -1;
}

// The text with GIFT's escapes resolved.
QString unescape(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            const QChar next = s[i + 1];
            if (QStringView(u":=~#{}\\").contains(next)) {
                out += next;
                ++i;
                continue;
            }
            if (next == QLatin1Char('n')) {
                out += QLatin1Char('\n');
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

enum class Format { Moodle, Html, Plain, Markdown };

// *images (if given) receives the pictures an HTML text shows: a GIFT file cannot carry them.
QString textOf(QStringView raw, Format format, QStringList* images = nullptr) {
    const QString s = unescape(raw);
    if (format == Format::Html)
        return htmlToText(s, images);
    QStringList lines = s.split(QLatin1Char('\n'));
    for (QString& l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

// One block of lines between blank lines, joined by '\n', with where each line starts.
struct Block {
    QString text;
    QList<qsizetype> starts;
    QList<int> lines;

    int lineAt(qsizetype offset) const {
        int found = lines.value(0);
        for (int i = 0; i < starts.size() && starts[i] <= offset; ++i)
            found = lines[i];
        return found;
    }
};

class GiftReader {
  public:
    GiftReader(const QString& fallbackName, const Limits& limits)
        : m_fallback(fallbackName), m_limits(limits), m_budget(limits) {}

    Document read(const QString& text) {
        Block block;
        int lineNumber = 0;
        qsizetype at = 0;
        bool stopped = false;
        while (at <= text.size() && !stopped) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), at);
            if (end < 0)
                end = text.size();
            QStringView line = QStringView(text).mid(at, end - at);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            ++lineNumber;
            at = end + 1;
            const QStringView trimmed = line.trimmed();
            if (trimmed.startsWith(QLatin1String("//")))
                continue;
            if (trimmed.isEmpty()) {
                stopped = !takeBlock(block);
                block = Block();
                continue;
            }
            if (!block.text.isEmpty())
                block.text += QLatin1Char('\n');
            block.starts << block.text.size();
            block.lines << lineNumber;
            block.text += line;
        }
        if (!stopped)
            takeBlock(block);
        m_doc.leftOut = m_tally.lines();
        checkQuestions(m_doc);
        return std::move(m_doc);
    }

  private:
    // False when a limit ends the reading.
    bool takeBlock(Block& block) {
        if (block.text.isEmpty())
            return true;
        QStringView text = block.text;
        qsizetype offset = 0;
        if (text.trimmed().startsWith(QLatin1String("$CATEGORY:"))) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'));
            const QStringView first = end < 0 ? text : text.left(end);
            m_category = unescape(first.trimmed().mid(10).trimmed());
            if (end < 0)
                return true;
            offset = end + 1; // the rest of the block is read as a question
        }
        return takeQuestion(block, offset);
    }

    bool takeQuestion(const Block& block, qsizetype from) {
        const QStringView text = QStringView(block.text);
        qsizetype pos = from;
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
        const int line = block.lineAt(pos);
        if (text.mid(pos, 2) == QLatin1String("::")) {
            const qsizetype end = findRun(text, QLatin1Char(':'), 2, pos + 2);
            if (end >= 0)
                pos = end + 2;
        }
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
        Format format = Format::Moodle;
        static const QList<QPair<QString, Format>> formats{{"[html]", Format::Html},
                                                           {"[plain]", Format::Plain},
                                                           {"[moodle]", Format::Moodle},
                                                           {"[markdown]", Format::Markdown}};
        for (const auto& [mark, f] : formats)
            if (text.mid(pos).startsWith(mark, Qt::CaseInsensitive)) {
                format = f;
                pos += mark.size();
                break;
            }
        const qsizetype open = findMark(text, QLatin1Char('{'), pos);
        if (open < 0) {
            m_tally.add(QStringLiteral("description"), line);
            return true;
        }
        const qsizetype close = findMark(text, QLatin1Char('}'), open + 1);
        Question q;
        q.line = line;
        QList<Problem> problems;
        if (close < 0) {
            q.stem = textOf(text.mid(pos, open - pos), format);
            problems.append({block.lineAt(open), -1, -1, QStringLiteral("答案部分缺少结尾的“}”")});
            return add(std::move(q), problems);
        }
        // Text after the answers: they stood in a blank of the sentence.
        const QStringView after = text.mid(close + 1);
        QString stem = text.mid(pos, open - pos).toString();
        if (!after.trimmed().isEmpty())
            stem += QStringLiteral("（  ）") + after.toString();
        QStringList images;
        q.stem = textOf(stem, format, &images);
        for (const QString& src : images)
            problems.append({line, -1, -1, QStringLiteral("图片“%1”不在文件中，没有读入").arg(src.left(80))});

        QStringView inside = text.mid(open + 1, close - open - 1);
        const qsizetype general = findRun(inside, QLatin1Char('#'), 4, 0);
        if (general >= 0) {
            q.explanation = textOf(inside.mid(general + 4), format);
            inside = inside.left(general);
        }
        const QStringView answers = inside.trimmed();
        const qsizetype feedback = findMark(answers, QLatin1Char('#'), 0);
        const QString trueFalse =
            unescape(answers.left(feedback < 0 ? answers.size() : feedback)).trimmed().toUpper();
        if (answers.isEmpty()) {
            m_tally.add(QStringLiteral("essay"), line);
            return true;
        }
        if (answers.startsWith(QLatin1Char('#'))) {
            m_tally.add(QStringLiteral("numerical"), line);
            return true;
        }
        if (findMark(answers, QLatin1Char('~'), 0) < 0) {
            if (findMark(answers, QLatin1Char('='), 0) >= 0 && answers.contains(QLatin1String("->"))) {
                m_tally.add(QStringLiteral("matching"), line);
                return true;
            }
            if (trueFalse == QLatin1String("T") || trueFalse == QLatin1String("TRUE") ||
                trueFalse == QLatin1String("F") || trueFalse == QLatin1String("FALSE")) {
                q.type = Type::TrueFalse;
                q.answer =
                    trueFalse.startsWith(QLatin1Char('T')) ? QStringLiteral("对") : QStringLiteral("错");
                return add(std::move(q), problems);
            }
            m_tally.add(QStringLiteral("shortanswer"), line);
            return true;
        }
        readChoices(block, open + 1 + (answers.data() - inside.data()), answers, format, &q, &problems);
        return add(std::move(q), problems);
    }

    // The options of a multiple-choice question; base: where answers starts in the block.
    void readChoices(const Block& block, qsizetype base, QStringView answers, Format format, Question* q,
                     QList<Problem>* problems) {
        QList<qsizetype> marks;
        for (qsizetype i = 0; i < answers.size(); ++i) {
            if (answers[i] == QLatin1Char('\\'))
                ++i;
            else if (answers[i] == QLatin1Char('=') || answers[i] == QLatin1Char('~'))
                marks << i;
        }
        bool single = false;
        QList<double> fractions;
        for (int k = 0; k < marks.size(); ++k) {
            const qsizetype start = marks[k];
            const qsizetype end = k + 1 < marks.size() ? marks[k + 1] : answers.size();
            QStringView part = answers.mid(start + 1, end - start - 1);
            const bool right = answers[start] == QLatin1Char('=');
            single = single || right;
            double fraction = right ? 100 : 0;
            const QStringView trimmed = part.trimmed();
            if (trimmed.startsWith(QLatin1Char('%'))) {
                const qsizetype close = trimmed.indexOf(QLatin1Char('%'), 1);
                bool ok = false;
                const double weight = close < 0 ? 0 : trimmed.mid(1, close - 1).toDouble(&ok);
                if (ok && std::isfinite(weight)) {
                    fraction = weight;
                    part = trimmed.mid(close + 1);
                } else {
                    problems->append({block.lineAt(base + start), -1, -1,
                                      QStringLiteral("答案的权重“%1”无法识别")
                                          .arg(trimmed.left(close < 0 ? 12 : close + 1).toString())});
                    part = close < 0 ? trimmed.mid(1) : trimmed.mid(close + 1);
                }
            }
            const qsizetype feedback = findMark(part, QLatin1Char('#'), 0);
            q->options << textOf(part.left(feedback < 0 ? part.size() : feedback), format);
            fractions << fraction;
        }
        q->type = single ? Type::Single : Type::Multiple;
        double best = 0;
        for (double f : fractions)
            best = qMax(best, f);
        for (int i = 0; i < fractions.size(); ++i)
            if (single ? best > 0 && std::abs(fractions[i] - best) < 1e-6 : fractions[i] > 0)
                q->answer += QChar(char16_t(u'A' + qMin(i, 25)));
    }

    bool add(Question q, const QList<Problem>& problems) {
        if (m_doc.questionCount() >= m_limits.maxQuestions) {
            m_doc.problems.append({q.line, -1, -1, questionLimitReason(m_limits)});
            return false;
        }
        if (!m_budget.takeText(q)) {
            m_doc.problems.append({q.line, -1, -1, textLimitReason(m_limits)});
            return false;
        }
        int p = m_paperOf.value(m_category, -1);
        if (p < 0) {
            Paper paper;
            paper.name = categoryName(m_category);
            if (paper.name.isEmpty())
                paper.name = m_fallback;
            p = int(m_doc.papers.size());
            m_paperOf.insert(m_category, p);
            m_doc.papers.append(paper);
        }
        QList<Question>& questions = m_doc.papers[p].questions;
        for (Problem problem : problems) {
            problem.paper = p;
            problem.question = int(questions.size());
            m_doc.problems.append(problem);
        }
        questions.append(std::move(q));
        return true;
    }

    QString m_fallback;
    Limits m_limits;
    Budget m_budget;
    Document m_doc;
    LeftOutTally m_tally;
    QString m_category;
    QHash<QString, int> m_paperOf;
};

} // namespace

Document readGift(const QByteArray& bytes, const QString& fallbackName, const Limits& limits) {
    if (const QString tooLarge = learning::fileSizeError(bytes.size(), limits); !tooLarge.isEmpty()) {
        Document doc;
        doc.error = tooLarge;
        return doc;
    }
    return GiftReader(fallbackName, limits).read(decodeText(bytes));
}

} // namespace documents
