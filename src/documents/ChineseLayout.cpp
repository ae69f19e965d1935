#include "documents/ChineseLayout.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace documents {

QString chineseNumeral(int n) {
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    if (n <= 0 || n > 99)
        return QString::number(n);
    if (n < 10)
        return digits[n];
    const QString tens = n / 10 == 1 ? QString() : QString(digits[n / 10]);
    return tens + QStringLiteral("十") + (n % 10 ? QString(digits[n % 10]) : QString());
}

namespace {

// What a piece of a paragraph is, told from its own text alone; what it means in its place
// (a question start or more of an explanation) is decided while reading.
enum class Kind {
    Blank,        // a paragraph with pictures and no text
    Text,         // none of the below
    PaperMark,    // 【试卷】name: a new paper
    TimeLine,     // 考试时间：120分钟 (a title line, or a line under it)
    Heading,      // 一、单项选择题（…每小题1分…）
    OtherHeading, // 五、计算分析题: a section of a kind not read
    BlockHeading, // 参考答案 / 答案及解析: the answers of the paper follow
    Pairs,        // 1.A 2.BC 3.√ or 1-5 ABCDA: answers of several questions
    Question,     // 12．… / 第12题 / 10．（1）…
    SubQuestion,  // （1）…
    Option,       // A．… (maybe B．… C．… on the same line)
    Answer,       // 【答案】… / 答案：…
    Explanation,  // 【解析】… / 解析：…
    Material,     // 【资料】… / 资料一：… / （一）…
    AutoItem,     // numbered by Word where the number could not be worked out
};

struct Unit {
    int paragraph = 0;
    int line = 0;
    bool lastOfParagraph = true;
    QString text;  // as the document has it, trimmed
    QString plain; // plainForm of text: the same length, so positions carry over
    Kind kind = Kind::Text;
    int rest = 0;   // where what follows the recognised mark begins
    int number = 0; // Question: its number
    int sub = 0;    // Question ("10．（1）") and SubQuestion: the sub-question number
    QChar letter;   // Option
    Type type = Type::None;
    std::optional<double> mark; // Heading
    QString numeral;            // Heading, OtherHeading: the section's numeral (一, 二…)
    QString name;               // OtherHeading: the kind of section (计算分析题)
    int level = 0;              // AutoItem
    int minutes = 0;            // TimeLine, PaperMark
};

// The answer of a question given in a block of answers.
struct Pair {
    int number = 0; // 0: a sub-question of the number before it
    int sub = 0;
    QString answer;
};

QRegularExpression re(const char* pattern) {
    return QRegularExpression(QString::fromUtf8(pattern));
}

const QString kNumerals = QStringLiteral("一二三四五六七八九十");

int numeralValue(const QString& s) {
    if (s.isEmpty())
        return 0;
    bool ok = false;
    if (const int n = s.toInt(&ok); ok)
        return n;
    int value = 0, digit = 0;
    for (const QChar c : s) {
        const int d = int(kNumerals.indexOf(c)) + 1;
        if (d == 10) {
            value += (digit ? digit : 1) * 10;
            digit = 0;
        } else if (d > 0) {
            digit = d;
        } else {
            return 0;
        }
    }
    return value + digit;
}

std::optional<double> headingMark(const QString& plain) {
    static const QRegularExpression each = re("每\\s*(?:小|道)?\\s*题\\s*(\\d{1,4}(?:\\.\\d{1,6})?)\\s*分");
    static const QRegularExpression total =
        re("共\\s*(\\d{1,4})\\s*(?:小|道)?\\s*题.{0,20}?共\\s*(\\d{1,4}(?:\\.\\d{1,3})?)\\s*分");
    if (const auto m = each.match(plain); m.hasMatch())
        return m.captured(1).toDouble();
    if (const auto m = total.match(plain); m.hasMatch() && m.captured(1).toInt() > 0)
        return m.captured(2).toDouble() / m.captured(1).toInt();
    return std::nullopt;
}

Type headingType(const QString& word) {
    if (word == QStringLiteral("选择题"))
        return Type::None; // the type each answer implies
    if (word.startsWith(QStringLiteral("不定项")))
        return Type::Indefinite;
    if (word.startsWith(QStringLiteral("多")))
        return Type::Multiple;
    if (word.startsWith(QStringLiteral("单")))
        return Type::Single;
    return Type::TrueFalse;
}

// An option letter's mark at position at of the plain text: "A．", "A、", "A.", "A)", "（A）".
// Returns its length with the blanks after it, or 0.
int optionMarkAt(const QString& plain, int at, QChar letter) {
    const int n = int(plain.size());
    if (at > 0) {
        const QChar before = plain[at - 1];
        if (before.unicode() < 0x80 && before.isLetterOrNumber())
            return 0;
    }
    int i = at;
    if (i < n && plain[i] == QLatin1Char('(')) {
        if (i + 2 < n && plain[i + 1] == letter && plain[i + 2] == QLatin1Char(')'))
            i += 3;
        else
            return 0;
    } else if (i + 1 < n && plain[i] == letter) {
        int j = i + 1;
        while (j < n && plain[j] == QLatin1Char(' '))
            ++j;
        if (j < n &&
            (plain[j] == QLatin1Char('.') || plain[j] == QChar(u'、') || plain[j] == QLatin1Char(')')))
            i = j + 1;
        else
            return 0;
    } else {
        return 0;
    }
    while (i < n && plain[i].isSpace())
        ++i;
    return i - at;
}

struct OptionPiece {
    QChar letter;
    int start = 0; // of the mark
    int text = 0;  // of its text
};

// The options written one after another from position from, the first being first.
QList<OptionPiece> optionPieces(const QString& plain, int from, QChar first) {
    QList<OptionPiece> out;
    const int len = optionMarkAt(plain, from, first);
    if (len == 0)
        return out;
    out.append({first, from, from + len});
    QChar next = QChar(char16_t(first.unicode() + 1));
    for (int i = from + len; i < plain.size() && next <= QLatin1Char('G'); ++i) {
        if (plain[i] != next && plain[i] != QLatin1Char('('))
            continue;
        if (const int l = optionMarkAt(plain, i, next)) {
            out.append({next, i, i + l});
            next = QChar(char16_t(next.unicode() + 1));
            i += l - 1;
        }
    }
    return out;
}

// Where options A and B begin inside a stem line ("…（  ）。A.持续经营 B.会计分期"), or -1.
int inlineOptionsAt(const QString& plain, int from) {
    for (int i = std::max(from, 1); i < plain.size(); ++i) {
        if (plain[i] != QLatin1Char('A') && plain[i] != QLatin1Char('('))
            continue;
        const QChar before = plain[i - 1];
        if (!before.isSpace() && before.unicode() < 0x80 && before != QLatin1Char(')') &&
            before != QLatin1Char('.'))
            continue;
        if (optionPieces(plain, i, QLatin1Char('A')).size() >= 2)
            return i;
    }
    return -1;
}

bool isTrueMark(const QString& s) {
    static const QStringList marks{QStringLiteral("√"),    QStringLiteral("✓"),    QStringLiteral("✔"),
                                   QStringLiteral("对"),   QStringLiteral("正确"), QStringLiteral("T"),
                                   QStringLiteral("TRUE"), QStringLiteral("是")};
    return marks.contains(s);
}

bool isFalseMark(const QString& s) {
    static const QStringList marks{QStringLiteral("×"),     QStringLiteral("✗"),  QStringLiteral("✘"),
                                   QStringLiteral("╳"),     QStringLiteral("错"), QStringLiteral("错误"),
                                   QStringLiteral("FALSE"), QStringLiteral("否")};
    return marks.contains(s);
}

// An answer as written ("A C", "abd", "√", "正确", "F") in the form the bank stores: letters in
// order, or 对/错. F and X mean 错 only where the question has no options. Anything else comes back
// compacted, for the checks to name.
QString answerValue(const QString& written, bool hasOptions) {
    QString s = plainForm(written);
    static const QRegularExpression separators = re("[\\s,，;；、/。.]+");
    s.remove(separators);
    const QString upper = s.toUpper();
    if (isTrueMark(upper))
        return QStringLiteral("对");
    if (isFalseMark(upper) || (!hasOptions && (upper == QLatin1String("F") || upper == QLatin1String("X"))))
        return QStringLiteral("错");
    if (!upper.isEmpty() &&
        std::all_of(upper.cbegin(), upper.cend(), [](QChar c) { return c >= 'A' && c <= 'Z'; })) {
        QString sorted = upper;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }
    return s;
}

// Whether a written answer is nothing but an answer (a line under a bare 【答案】).
bool isCleanAnswer(const QString& written) {
    const QString v = answerValue(written, true);
    return v == QStringLiteral("对") || v == QStringLiteral("错") ||
           (!v.isEmpty() && std::all_of(v.cbegin(), v.cend(), [](QChar c) { return c >= 'A' && c <= 'G'; }));
}

bool isAnswerChar(QChar c) {
    return (c >= 'A' && c <= 'G') || (c >= 'a' && c <= 'g') || c == 'T' || c == 't' ||
           QStringLiteral("√×✓✔✗✘╳对错").contains(c);
}

// "1.A 2.BC 3.√", "1-5 ABCDA", "21～23 AB ACD BD", "51(1)A (2)BC": the answers of several
// questions on one line. False (and nothing kept) when the line is anything else.
bool parsePairs(const QString& plain, QList<Pair>* out, bool* sawRange = nullptr) {
    out->clear();
    const int n = int(plain.size());
    int i = 0;
    int lastMain = 0;
    auto skipBlanks = [&] {
        while (i < n && (plain[i].isSpace() || QStringLiteral(",，;；。").contains(plain[i])))
            ++i;
    };
    auto readNumber = [&] {
        int v = 0, digits = 0;
        while (i < n && plain[i].isDigit() && plain[i].unicode() < 0x80 && digits < 6) {
            v = v * 10 + (plain[i].unicode() - '0');
            ++i, ++digits;
        }
        return digits ? v : -1;
    };
    auto readToken = [&]() -> QString {
        if (plain.mid(i, 2) == QStringLiteral("正确") || plain.mid(i, 2) == QStringLiteral("错误")) {
            i += 2;
            return plain.mid(i - 2, 2);
        }
        const int start = i;
        while (i < n && isAnswerChar(plain[i]))
            ++i;
        return plain.mid(start, i - start);
    };
    while (true) {
        skipBlanks();
        if (i >= n)
            break;
        int number = readNumber();
        int last = -1, sub = 0;
        if (number >= 0) {
            while (i < n && plain[i] == ' ')
                ++i;
            if (i < n && QStringLiteral("-~—–至到").contains(plain[i])) {
                ++i;
                while (i < n && plain[i] == ' ')
                    ++i;
                last = readNumber();
                if (last <= number || last - number > 200)
                    return false;
            }
        }
        if (i + 2 < n && plain[i] == '(' && plain[i + 1].isDigit()) {
            ++i;
            sub = readNumber();
            if (i >= n || plain[i] != ')' || last >= 0)
                return false;
            ++i;
            if (number < 0)
                number = lastMain;
        }
        if (number <= 0 && sub == 0)
            return false;
        number = std::max(number, 0); // 0: a sub-question of a run without a number of its own
        lastMain = number;
        while (i < n && plain[i] == ' ')
            ++i;
        if (i < n && (plain[i] == '.' || plain[i] == QChar(u'、') || plain[i] == ':'))
            ++i;
        while (i < n && plain[i] == ' ')
            ++i;
        if (last < 0) {
            const QString token = readToken();
            if (token.isEmpty() ||
                (i < n && !plain[i].isSpace() && !QStringLiteral(",，;；。(").contains(plain[i])))
                return false;
            out->append({number, sub, token});
            continue;
        }
        if (sawRange)
            *sawRange = true;
        QStringList tokens;
        while (i < n && !plain[i].isDigit()) {
            skipBlanks();
            if (i >= n || plain[i].isDigit())
                break;
            const QString token = readToken();
            if (token.isEmpty())
                return false;
            tokens << token;
        }
        const int count = last - number + 1;
        if (tokens.size() == 1 && tokens[0].size() == count && count > 1) {
            const QString t = tokens[0];
            tokens.clear();
            for (const QChar c : t)
                tokens << QString(c);
        }
        if (tokens.size() != count)
            return false;
        for (int k = 0; k < count; ++k)
            out->append({number + k, 0, tokens[k]});
    }
    return !out->isEmpty();
}

// Where the explanation begins inside an answer's text ("A 解析：…"), or -1.
int explanationInside(const QString& plain, int from) {
    static const QRegularExpression mark = re("(?:【\\s*(?:答案)?解析\\s*】|(?:答案)?解析\\s*:)");
    const auto m = mark.match(plain, from);
    return m.hasMatch() ? int(m.capturedStart()) : -1;
}

// A title line's name: what stands before 考试时间, without the separators around it.
QString titleName(const QString& text, const QString& plain) {
    static const QRegularExpression time = re("考试(?:时间|时长)");
    static const QRegularExpression trail = re("[\\s\\-—–:：,，;；(（\\[【]+$");
    const auto m = time.match(plain);
    QString name = m.hasMatch() ? text.left(m.capturedStart()) : text;
    name.remove(trail);
    return name.trimmed();
}

// Splits a paragraph into pieces at 【答案】 and 【解析】 marks inside it and tells what each is.
void classify(Unit& u, const Paragraph& p, bool firstPiece) {
    static const QRegularExpression paperMark = re("^(?:【\\s*试卷\\s*】|\\[试卷\\]|试卷\\s*:)\\s*");
    static const QRegularExpression time = re("考试(?:时间|时长)\\s*[:为]?\\s*(\\d{1,4})\\s*分钟");
    static const QRegularExpression blockHeading = re(
        "^(?:[一二三四五六七八九十]+\\s*[、.]\\s*)?(?:(?:参考|标准)?答案(?:\\s*[及与和]\\s*(?:详细)?解析)?|"
        "[【\\[]\\s*(?:参考|标准)?答案\\s*[及与和]\\s*(?:详细)?解析\\s*[】\\]])\\s*$");
    static const QRegularExpression heading =
        re("^(?:(第\\s*[一二三四五六七八九十\\d]+\\s*(?:部分|大题)\\s*[、.:]?)|([一二三四五六七八九十]+)\\s*["
           "、.]|"
           "\\(([一二三四五六七八九十]+)\\))?\\s*(单项选择题|单选题|单选|多项选择题|多选题|多选|不定项选择题|"
           "不定项选择|不定项|判断题|判断|是非题|选择题)\\s*(.*)$");
    static const QRegularExpression bareHeadingRest = re("^(?:$|[(\\[【:]|共|本|每)");
    static const QRegularExpression otherHeading =
        re("^([一二三四五六七八九十]+)\\s*[、.]\\s*([^\\s(:【\\d]{1,12}?题)\\s*(?:$|[(:【])");
    static const QRegularExpression answer = re("^(?:【\\s*(?:正确|参考|标准)?答案\\s*】|\\[(?:正确|参考|"
                                                "标准)?答案\\]|(?:正确|参考|标准)?答案\\s*:)\\s*");
    static const QRegularExpression explanation =
        re("^(?:【\\s*(?:答案|试题)?(?:解析|详解|分析)\\s*】|\\[(?:答案)?解析\\]|(?:答案)?解析\\s*:)\\s*");
    static const QRegularExpression material =
        re("^(?:【\\s*(?:案例|背景)?资料[^】]{0,8}】|\\[(?:案例|背景)?资料[^\\]]{0,8}\\]|"
           "(?:案例|背景)?资料\\s*(?:[一二三四五六七八九十\\d]+|\\([一二三四五六七八九十\\d]+\\))?\\s*:|"
           "\\([一二三四五六七八九十]+\\))\\s*");
    static const QRegularExpression question =
        re("^(?:第\\s*(\\d{1,6})\\s*题\\s*[.、:]?|(\\d{1,6})\\s*[.、](?!\\d))\\s*(?:\\((\\d{1,3})\\)\\s*)?");
    static const QRegularExpression subQuestion = re("^\\((\\d{1,3})\\)\\s*");
    static const QRegularExpression option = re("^(?:\\(([A-G])\\)|([A-G])\\s*[.、)])");

    const QString& s = u.plain;
    auto at = [&](const QRegularExpressionMatch& m) {
        u.rest = int(m.capturedEnd());
        return true;
    };
    u.kind = Kind::Text;
    if (s.isEmpty()) {
        u.kind = Kind::Blank;
        return;
    }
    if (const auto m = paperMark.match(s); m.hasMatch() && at(m)) {
        u.kind = Kind::PaperMark;
        if (const auto t = time.match(s); t.hasMatch())
            u.minutes = t.captured(1).toInt();
        return;
    }
    if (blockHeading.match(s).hasMatch()) {
        u.kind = Kind::BlockHeading;
        return;
    }
    if (s.size() <= 200) {
        if (const auto m = heading.match(s); m.hasMatch()) {
            const bool numbered = m.capturedLength(1) || m.capturedLength(2) || m.capturedLength(3);
            if (numbered || bareHeadingRest.match(m.captured(5)).hasMatch()) {
                u.kind = Kind::Heading;
                u.type = headingType(m.captured(4));
                u.mark = headingMark(m.captured(5));
                u.numeral = m.captured(2) + m.captured(3);
                if (m.capturedLength(1)) {
                    static const QRegularExpression inner = re("第\\s*([一二三四五六七八九十\\d]+)");
                    u.numeral = inner.match(m.captured(1)).captured(1);
                }
                return;
            }
        }
        if (const auto m = otherHeading.match(s); m.hasMatch()) {
            u.kind = Kind::OtherHeading;
            u.numeral = m.captured(1);
            u.name = m.captured(2);
            return;
        }
    }
    if (const auto m = answer.match(s); m.hasMatch() && at(m)) {
        u.kind = Kind::Answer;
        return;
    }
    if (const auto m = explanation.match(s); m.hasMatch() && at(m)) {
        u.kind = Kind::Explanation;
        return;
    }
    if (const auto m = material.match(s); m.hasMatch() && at(m)) {
        u.kind = Kind::Material;
        return;
    }
    QList<Pair> pairs;
    bool range = false;
    if (parsePairs(s, &pairs, &range) && (pairs.size() >= 2 || range)) {
        u.kind = Kind::Pairs;
        return;
    }
    if (const auto m = question.match(s); m.hasMatch() && at(m)) {
        u.kind = Kind::Question;
        u.number = (m.capturedLength(1) ? m.captured(1) : m.captured(2)).toInt();
        u.sub = m.captured(3).toInt();
        return;
    }
    if (const auto m = subQuestion.match(s); m.hasMatch() && at(m)) {
        u.kind = Kind::SubQuestion;
        u.sub = m.captured(1).toInt();
        return;
    }
    if (const auto m = option.match(s);
        m.hasMatch() && optionMarkAt(s, 0, (m.captured(1) + m.captured(2))[0])) {
        u.kind = Kind::Option;
        u.letter = (m.captured(1) + m.captured(2))[0];
        return;
    }
    if (s.size() <= 100)
        if (const auto m = time.match(s); m.hasMatch()) {
            u.kind = Kind::TimeLine;
            u.minutes = m.captured(1).toInt();
            return;
        }
    if (p.autoNumbered && firstPiece) {
        u.kind = Kind::AutoItem;
        u.level = p.listLevel;
        static const QRegularExpression digits = re("\\d{1,6}");
        u.number = digits.match(plainForm(p.listLabel)).captured().toInt();
        u.rest = int(plainForm(p.listLabel).trimmed().size());
        if (u.rest > s.size())
            u.rest = 0;
    }
}

QList<Unit> unitsOf(const QList<Paragraph>& paragraphs) {
    static const QRegularExpression inlineMark = re("【\\s*(?:(?:正确|参考|标准)?答案|(?:答案)?解析)\\s*】");
    QList<Unit> units;
    units.reserve(paragraphs.size());
    for (int pi = 0; pi < paragraphs.size(); ++pi) {
        const Paragraph& p = paragraphs[pi];
        QString full =
            p.autoNumbered && !p.listLabel.trimmed().isEmpty() ? p.listLabel.trimmed() + p.text : p.text;
        full = full.trimmed();
        QString plain = plainForm(full);
        for (QChar& c : plain)
            if (c.isSpace())
                c = QLatin1Char(' ');
        QList<int> cuts{0};
        for (auto it = inlineMark.globalMatch(plain, 1); it.hasNext();)
            cuts << int(it.next().capturedStart());
        cuts << int(full.size());
        const int first = int(units.size());
        for (int k = 0; k + 1 < cuts.size(); ++k) {
            Unit u;
            u.paragraph = pi;
            u.line = p.line;
            const int from = cuts[k], to = cuts[k + 1];
            u.text = full.mid(from, to - from);
            u.plain = plain.mid(from, to - from);
            // Trimmed the same way on both, so positions still agree.
            while (!u.plain.isEmpty() && u.plain.back() == QLatin1Char(' '))
                u.plain.chop(1), u.text.chop(1);
            while (!u.plain.isEmpty() && u.plain.front() == QLatin1Char(' '))
                u.plain.remove(0, 1), u.text.remove(0, 1);
            if (u.plain.isEmpty() && cuts.size() > 2)
                continue;
            classify(u, p, k == 0);
            u.lastOfParagraph = false;
            units.append(u);
        }
        if (units.size() > first)
            units.last().lastOfParagraph = true;
        else if (!p.pictures.isEmpty()) {
            Unit u;
            u.paragraph = pi;
            u.line = p.line;
            classify(u, p, true);
            units.append(u);
        }
    }
    return units;
}

// Joins a wrapped line to what it continues: Chinese text runs on, other text gets a space.
void continueText(QString& text, const QString& more) {
    if (text.isEmpty()) {
        text = more;
        return;
    }
    if (more.isEmpty())
        return;
    const bool ascii = text.back().unicode() < 0x80 && more.front().unicode() < 0x80;
    text += ascii ? QStringLiteral(" ") : QString();
    text += more;
}

void appendLine(QString& text, const QString& more) {
    if (more.isEmpty())
        return;
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    text += more;
}

class Reader {
  public:
    Reader(const QList<Paragraph>& paragraphs, const QString& fallbackName, const Limits& limits)
        : m_paragraphs(paragraphs), m_fallback(fallbackName), m_limits(limits) {}

    Document run() {
        m_units = unitsOf(m_paragraphs);
        startPaper();
        qint64 chars = 0;
        for (m_at = 0; m_at < m_units.size() && !m_stopped; ++m_at) {
            const Unit& u = m_units[m_at];
            chars += u.text.size();
            if (chars > m_limits.maxTextChars) {
                problem(u.line, QStringLiteral("文字超过 %1 个字符的上限，从这里起的内容没有读入")
                                    .arg(m_limits.maxTextChars));
                break;
            }
            if (m_skipping && !endsSkip(u.kind)) {
                if (u.kind == Kind::Question || u.kind == Kind::AutoItem)
                    m_skipLines << u.line;
            } else if (m_block && u.kind != Kind::PaperMark && u.kind != Kind::TimeLine) {
                blockUnit(u);
            } else {
                unit(u);
            }
            if (u.lastOfParagraph)
                attachPictures(u);
        }
        finishPaper();
        if (m_doc.papers.isEmpty() && m_doc.problems.isEmpty())
            m_doc.problems.append(
                {0, -1, -1,
                 QStringLiteral("没有找到题目：题目要以“1．”这样的题号开头，选项以“A．”开头，"
                                "答案写在“【答案】”或“答案：”后面")});
        checkQuestions(m_doc);
        return m_doc;
    }

  private:
    enum class State { None, Stem, Options, Answer, Explanation };
    enum class Scope { None, Explicit, Run };

    struct Info {
        QString key; // its number without a section's prefix
        Type sectionType = Type::None;
        bool fromBlock = false;
    };

    static bool endsSkip(Kind k) {
        return k == Kind::Heading || k == Kind::OtherHeading || k == Kind::PaperMark || k == Kind::TimeLine ||
               k == Kind::BlockHeading || k == Kind::Material;
    }

    Question* open() { return m_open >= 0 ? &m_paper.questions[m_open] : nullptr; }
    const Question* open() const { return m_open >= 0 ? &m_paper.questions[m_open] : nullptr; }

    void problem(int line, const QString& reason, int question = -1) {
        m_paperProblems.append({line, -1, question, reason});
    }

    // ---- papers ----

    void startPaper(const QString& name = QString(), int minutes = 0) {
        m_paper = Paper();
        m_paper.name = name;
        if (minutes > 0)
            m_paper.minutes = minutes;
        m_named = !name.isEmpty();
        m_info.clear();
        m_byKey.clear();
        m_paperProblems.clear();
        m_section = {};
        m_sectionSeen = false;
        m_newPaperAtQuestion = false;
        m_highest = 0;
        m_prefix.clear();
        m_sectionCount = 0;
        m_block = false;
        clearMaterial();
    }

    void finishPaper() {
        finishQuestion();
        endSkip();
        const int index = int(m_doc.papers.size());
        const bool kept = !m_paper.questions.isEmpty();
        if (kept) {
            for (int i = 0; i < m_paper.questions.size(); ++i)
                trueFalseOptions(m_paper.questions[i], m_info[i].sectionType);
            if (m_paper.name.isEmpty())
                m_paper.name =
                    index == 0 ? m_fallback : QStringLiteral("%1（%2）").arg(m_fallback).arg(index + 1);
            m_doc.papers.append(m_paper);
            m_keptQuestions += m_paper.questions.size();
        }
        for (Problem p : m_paperProblems) {
            p.paper = kept ? index : -1;
            if (!kept)
                p.question = -1;
            m_doc.problems.append(p);
        }
        m_paperProblems.clear();
    }

    void newPaper(const QString& name, int minutes) {
        if (m_paper.questions.isEmpty() && !m_block) {
            finishQuestion();
            if (!name.isEmpty())
                m_paper.name = name, m_named = true;
            if (minutes > 0)
                m_paper.minutes = minutes;
            m_section = {};
            m_newPaperAtQuestion = false;
            clearMaterial();
            return;
        }
        finishPaper();
        startPaper(name, minutes);
    }

    // In a 判断 section, options 正确/错误 (or √/×, 对/错) with a letter answer are a 判断 question.
    static void trueFalseOptions(Question& q, Type section) {
        if (section != Type::TrueFalse || q.options.size() != 2 || q.answer.size() != 1)
            return;
        const QString a = answerValue(q.options[0], false), b = answerValue(q.options[1], false);
        if (a != QStringLiteral("对") && a != QStringLiteral("错"))
            return;
        if ((b != QStringLiteral("对") && b != QStringLiteral("错")) || a == b)
            return;
        if (q.answer == QLatin1String("A") || q.answer == QLatin1String("B")) {
            q.answer = q.answer == QLatin1String("A") ? a : b;
            q.options.clear();
        }
    }

    // Numbered lines before the first heading that have neither options nor an answer are the
    // paper's instructions ("1．本试卷共四大题…"), not questions.
    void dropInstructions() {
        if (m_paper.questions.isEmpty())
            return;
        for (const Question& q : std::as_const(m_paper.questions))
            if (!q.options.isEmpty() || !q.answer.isEmpty() || !q.explanation.isEmpty() || hasBlank(q.stem))
                return;
        static const QRegularExpression time = re("考试(?:时间|时长)\\s*[:为]?\\s*(\\d{1,4})\\s*分钟");
        for (const Question& q : std::as_const(m_paper.questions))
            if (const auto m = time.match(plainForm(q.stem)); m.hasMatch() && !m_paper.minutes)
                m_paper.minutes = m.captured(1).toInt();
        m_paper.questions.clear();
        m_info.clear();
        m_byKey.clear();
        m_highest = 0;
        m_number = 0;
        m_paperProblems.erase(std::remove_if(m_paperProblems.begin(), m_paperProblems.end(),
                                             [](const Problem& p) { return p.question >= 0; }),
                              m_paperProblems.end());
    }

    // ---- material ----

    void clearMaterial() {
        m_loose.clear();
        m_loosePictures.clear();
        m_material.clear();
        m_materialPictures.clear();
        m_scope = Scope::None;
        m_collecting = false;
        m_parent.clear();
        m_lastSub = 0;
        m_subsSeen.clear();
    }

    // ---- the unsupported sections ----

    void endSkip() {
        if (!m_skipping)
            return;
        m_skipping = false;
        QStringList lines;
        for (int i = 0; i < m_skipLines.size() && i < 20; ++i)
            lines << QString::number(m_skipLines[i]);
        if (m_skipLines.size() > 20)
            lines << QStringLiteral("…");
        m_doc.leftOut << (m_skipLines.isEmpty()
                              ? QStringLiteral("%1：第 %2 行起的内容").arg(m_skipName).arg(m_skipStart)
                              : QStringLiteral("%1 %2 道：第 %3 行")
                                    .arg(m_skipName)
                                    .arg(m_skipLines.size())
                                    .arg(lines.join(QStringLiteral("、"))));
        m_skipLines.clear();
    }

    // ---- questions ----

    void finishQuestion() {
        flushPending();
        m_open = -1;
        m_state = State::None;
        m_awaitingAnswer = false;
    }

    // Lines after options, an answer or an explanation wait here: they continue what stands
    // before them, unless a （1） follows, which makes them the material of its run.
    void flushPending() {
        Question* q = open();
        if (q && !m_pending.isEmpty()) {
            for (const QString& line : std::as_const(m_pending)) {
                if (m_state == State::Options && !q->options.isEmpty())
                    continueOption(*q, line);
                else if (m_state == State::Stem)
                    appendLine(q->stem, line);
                else
                    appendLine(q->explanation, line);
            }
        }
        if (q)
            q->pictures += m_pendingPictures;
        m_pending.clear();
        m_pendingPictures.clear();
    }

    // A line that goes on with the last option, and may hold the next ones ("售价\tC．…").
    static void continueOption(Question& q, const QString& line) {
        QString plain = plainForm(line);
        for (QChar& c : plain)
            if (c.isSpace())
                c = QLatin1Char(' ');
        const QChar next = QChar(char16_t(u'A' + q.options.size()));
        for (int i = 0; i < plain.size(); ++i) {
            if ((plain[i] != next && plain[i] != QLatin1Char('(')) || optionMarkAt(plain, i, next) == 0)
                continue;
            const QList<OptionPiece> pieces = optionPieces(plain, i, next);
            continueText(q.options.last(), line.left(i).trimmed());
            for (int k = 0; k < pieces.size(); ++k) {
                const int end = k + 1 < pieces.size() ? pieces[k + 1].start : int(line.size());
                q.options << line.mid(pieces[k].text, end - pieces[k].text).trimmed();
            }
            return;
        }
        continueText(q.options.last(), line);
    }

    bool canAddQuestion(int line) {
        if (m_keptQuestions + m_paper.questions.size() < m_limits.maxQuestions)
            return true;
        problem(line,
                QStringLiteral("题目超过 %1 道的上限，从这里起的题目没有读入").arg(m_limits.maxQuestions));
        m_stopped = true;
        return false;
    }

    // Whether an option or an answer comes before the next thing that starts something.
    bool questionAhead() const {
        for (int j = m_at + 1; j < m_units.size() && j < m_at + 400; ++j) {
            switch (m_units[j].kind) {
            case Kind::Option:
            case Kind::Answer:
            case Kind::AutoItem:
                return true;
            case Kind::Text:
            case Kind::Blank:
            case Kind::Explanation:
                continue;
            default:
                return false;
            }
        }
        return false;
    }

    static bool hasBlank(const QString& stem) {
        static const QRegularExpression blank = re("\\(\\s*\\)");
        return blank.match(plainForm(stem)).hasMatch();
    }

    bool acceptQuestion(const Unit& u) const {
        if (m_open < 0)
            return true;
        const bool near = m_number > 0 && u.number > m_number && u.number <= m_number + 5;
        switch (m_state) {
        case State::Stem:
            return near || (m_number > 0 && u.number == m_number && open()->stem.isEmpty());
        case State::Options:
            return true;
        case State::Answer:
            return near || questionAhead();
        case State::Explanation:
            return questionAhead();
        case State::None:
            break;
        }
        return true;
    }

    bool acceptSubQuestion(const Unit& u) const {
        if (m_collecting ||
            (m_open < 0 && !m_loose.isEmpty())) // material often lists its facts as （1）（2）…
            return questionAhead();
        if (m_open < 0)
            return true;
        switch (m_state) {
        case State::Stem:
            if (hasBlank(open()->stem) || !open()->options.isEmpty())
                return false;
            return m_lastSub > 0 ? u.sub == m_lastSub + 1 : u.sub == 1;
        case State::Options:
            return true;
        case State::Answer:
            return (m_lastSub > 0 && u.sub == m_lastSub + 1 && m_pending.isEmpty()) || questionAhead();
        case State::Explanation:
            return questionAhead();
        case State::None:
            break;
        }
        return true;
    }

    QString numberText(int number) const {
        return m_prefix.isEmpty() ? QString::number(number)
                                  : m_prefix + QStringLiteral("、") + QString::number(number);
    }

    // A section numbered 一 after questions began a new paper with no title of its own.
    void maybeNewPaper() {
        if (!m_newPaperAtQuestion)
            return;
        const Section section = m_section;
        newPaper(QString(), 0);
        m_section = section;
        m_sectionSeen = true;
        m_sectionFirst = true;
        m_sectionCount = 1;
        m_newPaperAtQuestion = false;
    }

    // A line between a heading and its first question that says how its type is marked: the rule
    // is taken (as from the heading itself) and true returned. A line that only says "不得分" sets
    // nothing a heading had not, so it is left to be what it is.
    bool sectionRuleLine(const QString& text) {
        if (!m_sectionSeen || m_section.type == Type::None || text.size() > 300)
            return false;
        const HeadingRule r = ruleFromHeading(text);
        if (!r.found || (r.rule.rule == Rule::Whole && !r.rule.floorAtZero) || !ruleFits(r.rule.rule, m_section.type))
            return false;
        TypeRule& kept = m_paper.rules.of(m_section.type);
        if (r.rule.rule != Rule::Whole)
            kept = TypeRule{r.rule.rule, r.rule.amount, r.rule.proportional, kept.floorAtZero || r.rule.floorAtZero};
        else
            kept.floorAtZero = true;
        return true;
    }

    void addQuestion(const Unit& u, const QString& number, const QString& key) {
        Question q;
        q.line = u.line;
        q.number = number;
        q.type = m_section.type;
        q.mark = m_section.mark;
        q.material = m_material;
        q.pictures = m_materialPictures;
        m_paper.questions.append(q);
        m_info.append({key, m_section.type, false});
        if (!key.isEmpty())
            m_byKey[key].append(int(m_paper.questions.size() - 1));
        m_open = int(m_paper.questions.size() - 1);
        m_state = State::Stem;
        m_loose.clear();
        m_loosePictures.clear();
        m_collecting = false;
        m_sectionFirst = false;
    }

    // The rest of a question's first line: its stem, and options when they follow on it.
    void stemText(const Unit& u, int from) {
        Question* q = open();
        const int at = inlineOptionsAt(u.plain, from);
        if (at < 0) {
            appendLine(q->stem, u.text.mid(from).trimmed());
            return;
        }
        appendLine(q->stem, u.text.mid(from, at - from).trimmed());
        options(u, at, QLatin1Char('A'));
    }

    void options(const Unit& u, int from, QChar first) {
        Question* q = open();
        const QList<OptionPiece> pieces = optionPieces(u.plain, from, first);
        for (int k = 0; k < pieces.size(); ++k) {
            const int end = k + 1 < pieces.size() ? pieces[k + 1].start : int(u.text.size());
            const QString text = u.text.mid(pieces[k].text, end - pieces[k].text).trimmed();
            const QChar expected = QChar(char16_t(u'A' + q->options.size()));
            if (pieces[k].letter == expected) {
                q->options << text;
                continue;
            }
            problem(u.line,
                    pieces[k].letter > expected
                        ? QStringLiteral("选项 %1 的前面缺少选项 %2").arg(pieces[k].letter).arg(expected)
                        : QStringLiteral("选项 %1 重复了").arg(pieces[k].letter),
                    m_open);
            if (q->options.isEmpty())
                appendLine(q->stem, u.text.mid(pieces[k].start, end - pieces[k].start).trimmed());
            else
                continueText(q->options.last(), u.text.mid(pieces[k].start, end - pieces[k].start).trimmed());
        }
        m_state = State::Options;
    }

    void setAnswer(const Unit& u, const QString& written) {
        Question* q = open();
        const QString value = answerValue(written, !q->options.isEmpty());
        if (value.isEmpty())
            return;
        if (!q->answer.isEmpty() && q->answer != value)
            problem(u.line, QStringLiteral("答案写了两次：%1 和 %2").arg(q->answer, value), m_open);
        q->answer = value;
    }

    void answerLine(const Unit& u) {
        Question* q = open();
        const int inside = explanationInside(u.plain, u.rest);
        const QString written = u.text.mid(u.rest, inside < 0 ? -1 : inside - u.rest).trimmed();
        QList<Pair> pairs;
        if (parsePairs(plainForm(written), &pairs) && (!q || !isCleanAnswer(written))) {
            finishQuestion();
            m_block = true;
            m_blockType = Type::None;
            blockPairs(u, pairs);
            return;
        }
        if (!q) {
            problem(u.line, QStringLiteral("这一行的答案不属于任何题目"));
            return;
        }
        flushPending();
        m_state = State::Answer;
        if (written.isEmpty()) {
            m_awaitingAnswer = true;
        } else {
            setAnswer(u, written);
        }
        if (inside >= 0) {
            static const QRegularExpression mark =
                re("^(?:【\\s*(?:答案)?解析\\s*】|(?:答案)?解析\\s*:)\\s*");
            const auto m = mark.match(u.plain.mid(inside));
            appendLine(q->explanation, u.text.mid(inside + m.capturedLength()).trimmed());
            m_state = State::Explanation;
        }
    }

    void unit(const Unit& u) {
        switch (u.kind) {
        case Kind::Blank:
            return;
        case Kind::PaperMark:
            endSkip();
            newPaper(titleName(u.text.mid(u.rest), u.plain.mid(u.rest)), u.minutes);
            m_block = false;
            return;
        case Kind::TimeLine:
            endSkip();
            if (!m_paper.questions.isEmpty() || m_block) {
                newPaper(titleName(u.text, u.plain), u.minutes);
                m_block = false;
                return;
            }
            m_paper.minutes = u.minutes;
            if (!m_named && !titleName(u.text, u.plain).isEmpty())
                m_paper.name = titleName(u.text, u.plain), m_named = true;
            return;
        case Kind::BlockHeading:
            endSkip();
            finishQuestion();
            m_block = true;
            m_blockType = Type::None;
            m_blockTarget = -1;
            return;
        case Kind::Heading:
            endSkip();
            finishQuestion();
            clearMaterial();
            if (!m_sectionSeen)
                dropInstructions();
            if (numeralValue(u.numeral) == 1 && !m_paper.questions.isEmpty())
                m_newPaperAtQuestion = true;
            m_section = {u.type, u.mark, u.numeral};
            // The heading's own words on marking ("少选得相应分值", "答错扣0.5分", "本类题最低得分为零分").
            if (const HeadingRule r = ruleFromHeading(u.text);
                r.found && u.type != Type::None && ruleFits(r.rule.rule, u.type))
                m_paper.rules.of(u.type) = r.rule;
            ++m_sectionCount;
            m_sectionSeen = true;
            m_sectionFirst = true;
            m_prefix.clear();
            return;
        case Kind::OtherHeading:
            endSkip();
            finishQuestion();
            clearMaterial();
            m_sectionSeen = true;
            m_skipping = true;
            m_skipName = u.name;
            m_skipStart = u.line;
            return;
        case Kind::Material:
            if (m_state == State::Explanation && u.plain.startsWith(QLatin1Char('(')))
                break;
            finishQuestion();
            clearMaterial();
            m_material = u.text.mid(u.rest).trimmed();
            m_scope = Scope::Explicit;
            m_collecting = true;
            return;
        case Kind::Answer:
            answerLine(u);
            return;
        case Kind::Explanation:
            if (!open())
                break;
            flushPending();
            m_awaitingAnswer = false;
            appendLine(open()->explanation, u.text.mid(u.rest).trimmed());
            m_state = State::Explanation;
            return;
        case Kind::Pairs: {
            finishQuestion();
            m_block = true;
            m_blockType = Type::None;
            blockUnit(u);
            return;
        }
        case Kind::Question:
            if (!acceptQuestion(u))
                break;
            if (!canAddQuestion(u.line))
                return;
            {
                QStringList passage;
                QList<Picture> passagePictures;
                if (u.sub == 1 && !m_pending.isEmpty() &&
                    (m_state == State::Answer || m_state == State::Explanation)) {
                    // "10．（1）…" after a passage: the passage is the material of the run.
                    passage = m_pending;
                    passagePictures = m_pendingPictures;
                    m_pending.clear();
                    m_pendingPictures.clear();
                }
                finishQuestion();
                if (m_scope == Scope::Run)
                    clearMaterial();
                if (!passage.isEmpty()) {
                    clearMaterial();
                    m_material = passage.join(QLatin1Char('\n'));
                    m_materialPictures = passagePictures;
                    m_scope = Scope::Run;
                }
                maybeNewPaper();
                if (m_sectionFirst && u.number <= m_highest)
                    m_prefix = m_section.numeral.isEmpty() ? QStringLiteral("第%1部分").arg(m_sectionCount)
                                                           : m_section.numeral;
                m_highest = std::max(m_highest, u.number);
                m_number = u.number;
                if (u.sub > 0) {
                    m_parent = numberText(u.number);
                    m_lastSub = u.sub;
                    m_subsSeen = {u.sub};
                    addQuestion(u, m_parent + QStringLiteral("（%1）").arg(u.sub),
                                QStringLiteral("%1（%2）").arg(u.number).arg(u.sub));
                } else {
                    m_parent.clear();
                    m_lastSub = 0;
                    addQuestion(u, numberText(u.number), QString::number(u.number));
                }
                stemText(u, u.rest);
                return;
            }
        case Kind::SubQuestion:
            if (!acceptSubQuestion(u))
                break;
            if (!canAddQuestion(u.line))
                return;
            maybeNewPaper();
            subQuestion(u);
            return;
        case Kind::Option:
            if (!open() || (m_state != State::Stem && m_state != State::Options))
                break;
            if (m_state == State::Stem && u.letter != QLatin1Char('A'))
                break;
            flushPending();
            options(u, 0, u.letter);
            return;
        case Kind::AutoItem:
            if (open() && u.level > m_autoLevel && (m_state == State::Stem || m_state == State::Options)) {
                flushPending();
                const QChar letter = QChar(char16_t(u'A' + open()->options.size()));
                if (letter > QLatin1Char('G'))
                    problem(u.line, QStringLiteral("选项超过 7 个"), m_open);
                open()->options << u.text.mid(u.rest).trimmed();
                m_state = State::Options;
                return;
            }
            if (!canAddQuestion(u.line))
                return;
            finishQuestion();
            if (m_scope == Scope::Run)
                clearMaterial();
            maybeNewPaper();
            m_autoLevel = u.level;
            m_number = u.number;
            m_highest = std::max(m_highest, u.number);
            addQuestion(u, u.number > 0 ? numberText(u.number) : QString(),
                        u.number > 0 ? QString::number(u.number) : QString());
            stemText(u, u.rest);
            return;
        case Kind::Text:
            break;
        }
        text(u);
    }

    void subQuestion(const Unit& u) {
        Question* q = open();
        if (q && m_state == State::Stem && q->options.isEmpty() && q->answer.isEmpty() && m_lastSub == 0) {
            // The question before was the passage of this run: "10．甲公司…" then "（1）…".
            QString material = m_material;
            appendLine(material, q->stem);
            const QList<Picture> pictures = m_materialPictures + q->pictures;
            const QString parent = q->number;
            m_paper.questions.removeLast();
            m_byKey[m_info.last().key].removeAll(int(m_paper.questions.size()));
            m_info.removeLast();
            m_open = -1;
            m_state = State::None;
            m_material = material;
            m_materialPictures = pictures;
            m_scope = Scope::Run;
            m_parent = parent;
            m_subsSeen.clear();
        } else if (!q && !m_loose.isEmpty()) {
            // A passage under the heading: the material of the run that starts here.
            const QString passage = m_loose.join(QLatin1Char('\n'));
            const QList<Picture> pictures = m_loosePictures;
            clearMaterial();
            m_material = passage;
            m_materialPictures = pictures;
            m_scope = Scope::Run;
        } else if (q && u.sub == 1 && !m_pending.isEmpty() &&
                   (m_state == State::Answer || m_state == State::Explanation || m_state == State::Options)) {
            // A passage after the question before: the material of the run that starts here.
            const QStringList passage = m_pending;
            const QList<Picture> pictures = m_pendingPictures;
            m_pending.clear();
            m_pendingPictures.clear();
            finishQuestion();
            clearMaterial();
            m_material = passage.join(QLatin1Char('\n'));
            m_materialPictures = pictures;
            m_scope = Scope::Run;
        } else {
            finishQuestion();
            if (u.sub == 1 && m_scope != Scope::Explicit && m_lastSub > 0) {
                // A new run with no passage of its own.
                m_parent.clear();
                m_subsSeen.clear();
            }
        }
        if (m_subsSeen.contains(u.sub) && m_parent.isEmpty())
            problem(u.line, QStringLiteral("小题号（%1）重复了").arg(u.sub), int(m_paper.questions.size()));
        m_subsSeen.insert(u.sub);
        m_lastSub = u.sub;
        const QString number =
            m_parent.isEmpty() ? QString() : m_parent + QStringLiteral("（%1）").arg(u.sub);
        // Sub-questions of a run without a number of its own are found in a block of answers as "（2）".
        const QString key = m_parent.isEmpty() ? QStringLiteral("（%1）").arg(u.sub)
                                               : QStringLiteral("%1（%2）").arg(m_number).arg(u.sub);
        addQuestion(u, number, key);
        stemText(u, u.rest);
    }

    void text(const Unit& u) {
        Question* q = open();
        if (q && m_awaitingAnswer) {
            m_awaitingAnswer = false;
            if (isCleanAnswer(u.text)) {
                setAnswer(u, u.text);
                return;
            }
            QList<Pair> pairs;
            if (parsePairs(u.plain, &pairs)) {
                finishQuestion();
                m_block = true;
                m_blockType = Type::None;
                blockPairs(u, pairs);
                return;
            }
        }
        if (m_collecting) {
            appendLine(m_material, u.text);
            return;
        }
        if (!q) {
            if (m_paper.questions.isEmpty() && !m_sectionSeen && !m_named && u.kind == Kind::Text) {
                m_paper.name = titleName(u.text, u.plain);
                m_named = !m_paper.name.isEmpty();
            } else if (const auto mark = headingMark(u.plain); m_sectionFirst && (sectionRuleLine(u.text) || mark)) {
                // The heading's marks or marking on a line of their own: "（本类题共20小题，每小题1分…）",
                // "每小题全部选对得满分，少选得相应分值…".
                if (!m_section.mark)
                    m_section.mark = mark;
            } else if (m_sectionSeen) {
                m_loose << u.text; // perhaps the passage of a run of （1）（2）…
            }
            return;
        }
        if (m_state == State::Stem) {
            stemText(u, 0);
            return;
        }
        m_pending << u.text;
    }

    void attachPictures(const Unit& u) {
        const QList<Picture>& pictures = m_paragraphs[u.paragraph].pictures;
        if (pictures.isEmpty())
            return;
        if (m_collecting)
            m_materialPictures += pictures;
        else if (!m_pending.isEmpty())
            m_pendingPictures += pictures;
        else if (!open() && !m_loose.isEmpty())
            m_loosePictures += pictures;
        else if (Question* q = open())
            q->pictures += pictures;
        else
            problem(u.line, QStringLiteral("这里的图片不属于任何题目，没有读入"));
    }

    // ---- the block of answers at the end ----

    int blockQuestion(int number, int sub, int line) {
        const QString key = sub <= 0     ? QString::number(number)
                            : number > 0 ? QStringLiteral("%1（%2）").arg(number).arg(sub)
                                         : QStringLiteral("（%1）").arg(sub);
        const QList<int> candidates = m_byKey.value(key);
        int found = -1;
        for (const int i : candidates)
            if (m_blockType != Type::None && m_info[i].sectionType == m_blockType) {
                found = i;
                break;
            }
        if (found < 0)
            for (const int i : candidates)
                if (!m_info[i].fromBlock) {
                    found = i;
                    break;
                }
        if (found < 0 && !candidates.isEmpty())
            found = candidates.first();
        if (found < 0) {
            problem(line, QStringLiteral("答案区给出了第 %1 题的答案，但试卷中没有这道题").arg(key));
            return -1;
        }
        m_info[found].fromBlock = true;
        return found;
    }

    void blockAnswer(int index, const QString& written, int line) {
        if (index < 0)
            return;
        Question& q = m_paper.questions[index];
        const QString value = answerValue(written, !q.options.isEmpty());
        if (value.isEmpty())
            return;
        if (!q.answer.isEmpty() && q.answer != value)
            problem(line, QStringLiteral("答案区的答案 %1 与题目下的答案 %2 不同").arg(value, q.answer),
                    index);
        else
            q.answer = value;
    }

    // Whether a numbered line in the block gives an answer ("3．【答案】B", "3．B"), rather than
    // going on with an explanation ("1.借：银行存款…").
    bool answerFollows(const Unit& u) const {
        static const QRegularExpression answer =
            re("^\\s*(?:【\\s*(?:正确|参考|标准)?答案|(?:正确|参考|标准)?答案\\s*:|"
               "(?:[A-Ga-g√×✓✔✗✘对错TF]+|正确|错误)(?:\\s|$))");
        if (answer.match(u.plain.mid(u.rest)).hasMatch())
            return true;
        return m_at + 1 < m_units.size() && m_units[m_at + 1].kind == Kind::Answer &&
               m_units[m_at + 1].paragraph == u.paragraph;
    }

    void blockPairs(const Unit& u, const QList<Pair>& pairs) {
        int main = 0;
        for (const Pair& p : pairs) {
            if (p.number > 0 && p.sub == 0)
                main = p.number;
            const int number = p.number > 0 ? p.number : main;
            m_blockTarget = blockQuestion(number, p.sub, u.line);
            blockAnswer(m_blockTarget, p.answer, u.line);
        }
        m_blockExplaining = false;
    }

    void blockUnit(const Unit& u) {
        QList<Pair> pairs;
        if (u.kind == Kind::Heading) {
            m_blockType = u.type;
            m_blockSkipping = false;
            m_blockTarget = -1;
            return;
        }
        if (u.kind == Kind::OtherHeading) {
            m_blockSkipping = true;
            return;
        }
        if (m_blockSkipping || u.kind == Kind::Blank || u.kind == Kind::BlockHeading)
            return;
        if (parsePairs(u.plain, &pairs)) {
            blockPairs(u, pairs);
            return;
        }
        int from = 0;
        if ((u.kind == Kind::Question || u.kind == Kind::SubQuestion) &&
            (!m_blockExplaining || answerFollows(u))) {
            if (u.kind == Kind::Question)
                m_blockMain = u.number;
            m_blockTarget = blockQuestion(m_blockMain, u.sub, u.line);
            m_blockExplaining = false;
            from = u.rest;
        }
        static const QRegularExpression answer = re("^(?:【\\s*(?:正确|参考|标准)?答案\\s*】|\\[(?:正确|参考|"
                                                    "标准)?答案\\]|(?:正确|参考|标准)?答案\\s*:)\\s*");
        static const QRegularExpression explanation = re(
            "^(?:【\\s*(?:答案|试题)?(?:解析|详解|分析)\\s*】|\\[(?:答案)?解析\\]|(?:答案)?解析\\s*:)\\s*");
        const QString plain = u.plain.mid(from);
        const QString text = u.text.mid(from);
        if (m_blockTarget < 0)
            return;
        Question& q = m_paper.questions[m_blockTarget];
        if (const auto m = answer.match(plain); m.hasMatch()) {
            const int inside = explanationInside(plain, int(m.capturedEnd()));
            blockAnswer(m_blockTarget,
                        text.mid(m.capturedEnd(), inside < 0 ? -1 : inside - int(m.capturedEnd())), u.line);
            if (inside >= 0) {
                const auto e = explanation.match(plain.mid(inside));
                appendLine(q.explanation, text.mid(inside + e.capturedLength()).trimmed());
                m_blockExplaining = true;
            }
            return;
        }
        if (const auto m = explanation.match(plain); m.hasMatch()) {
            appendLine(q.explanation, text.mid(m.capturedEnd()).trimmed());
            m_blockExplaining = true;
            return;
        }
        if (from > 0) {
            // "3．BD　选项A…": an answer, and perhaps an explanation after it.
            const int inside = explanationInside(plain, 0);
            const QString head = inside < 0 ? plain : plain.left(inside);
            static const QRegularExpression token = re("^\\s*([A-Ga-g√×✓✔✗✘对错TF]+|正确|错误)(?=\\s|$)");
            if (const auto t = token.match(head); t.hasMatch()) {
                blockAnswer(m_blockTarget, t.captured(1), u.line);
                const QString after =
                    inside < 0 ? text.mid(t.capturedEnd()).trimmed()
                               : text.mid(inside + explanation.match(plain.mid(inside)).capturedLength());
                appendLine(q.explanation, after.trimmed());
                m_blockExplaining = !after.trimmed().isEmpty() || inside >= 0;
                return;
            }
        }
        if (m_blockExplaining)
            appendLine(q.explanation, text.trimmed());
    }

    struct Section {
        Type type = Type::None;
        std::optional<double> mark;
        QString numeral;
    };

    const QList<Paragraph>& m_paragraphs;
    QString m_fallback;
    Limits m_limits;
    QList<Unit> m_units;
    int m_at = 0;
    bool m_stopped = false;
    Document m_doc;
    qsizetype m_keptQuestions = 0; // in m_doc

    Paper m_paper;
    bool m_named = false;
    QList<Info> m_info;
    QHash<QString, QList<int>> m_byKey;
    QList<Problem> m_paperProblems;

    Section m_section;
    bool m_sectionSeen = false;
    bool m_sectionFirst = false;
    int m_sectionCount = 0;
    bool m_newPaperAtQuestion = false;
    QString m_prefix;
    int m_highest = 0;

    int m_open = -1;
    State m_state = State::None;
    int m_number = 0;
    int m_autoLevel = 0;
    bool m_awaitingAnswer = false;
    QStringList m_pending;
    QList<Picture> m_pendingPictures;
    QStringList m_loose; // lines under a heading before any question
    QList<Picture> m_loosePictures;

    QString m_material;
    QList<Picture> m_materialPictures;
    Scope m_scope = Scope::None;
    bool m_collecting = false;
    QString m_parent;
    int m_lastSub = 0;
    QSet<int> m_subsSeen;

    bool m_skipping = false;
    QString m_skipName;
    int m_skipStart = 0;
    QList<int> m_skipLines;

    bool m_block = false;
    bool m_blockSkipping = false;
    bool m_blockExplaining = false;
    Type m_blockType = Type::None;
    int m_blockTarget = -1;
    int m_blockMain = 0;
};

} // namespace

bool readsAsText(const QString& line) {
    Unit u;
    u.text = line.trimmed();
    u.plain = plainForm(u.text);
    for (QChar& c : u.plain)
        if (c.isSpace())
            c = QLatin1Char(' ');
    classify(u, Paragraph(), true);
    return u.kind == Kind::Text;
}

Document readLayout(const QList<Paragraph>& paragraphs, const QString& fallbackName, const Limits& limits) {
    Reader reader(paragraphs, fallbackName, limits);
    return reader.run();
}

} // namespace documents
