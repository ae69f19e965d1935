#include "documents/Aiken.h"

#include "documents/LearningFormats.h"

#include <QRegularExpression>

namespace documents {

namespace {

// "A. text", "B) text" (after plainForm): the letter and where the text starts; -1 when the line
// is no option.
qsizetype optionStart(const QString& plain, QChar* letter) {
    static const QRegularExpression re(QStringLiteral("^([A-Z])\\s*[.)]\\s*"));
    const auto m = re.match(plain);
    if (!m.hasMatch())
        return -1;
    *letter = m.captured(1).at(0);
    return m.capturedEnd();
}

// "ANSWER: B" (after plainForm, any case): where the letters start; -1 when the line is none.
qsizetype answerStart(const QString& plain) {
    static const QRegularExpression re(QStringLiteral("^ANSWER\\s*:\\s*"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(plain);
    return m.hasMatch() ? m.capturedEnd() : -1;
}

} // namespace

Document readAiken(const QByteArray& bytes, const QString& paperName, const Limits& limits) {
    Document doc;
    if (const QString tooLarge = learning::fileSizeError(bytes.size(), limits); !tooLarge.isEmpty()) {
        doc.error = tooLarge;
        return doc;
    }
    doc.papers.append(Paper{paperName, {}, {}});
    QList<Question>& questions = doc.papers[0].questions;
    learning::Budget budget(limits);
    std::optional<Question> current;
    QList<Problem> pending; // problems of the current question
    bool answered = false;
    bool stopped = false;

    auto finish = [&]() {
        if (!current)
            return;
        if (questions.size() >= limits.maxQuestions) {
            doc.problems.append({current->line, -1, -1, learning::questionLimitReason(limits)});
            stopped = true;
        } else if (!budget.takeText(*current)) {
            doc.problems.append({current->line, -1, -1, learning::textLimitReason(limits)});
            stopped = true;
        } else {
            if (!answered)
                pending.append({current->line, -1, -1, QStringLiteral("没有“ANSWER:”答案行")});
            for (Problem p : pending) {
                p.paper = 0;
                p.question = int(questions.size());
                doc.problems.append(p);
            }
            questions.append(*current);
        }
        current.reset();
        pending.clear();
        answered = false;
    };

    const QStringList lines = decodeText(bytes).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size() && !stopped; ++i) {
        const int lineNumber = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const QString plain = plainForm(line);
        if (const qsizetype at = answerStart(plain); at >= 0) {
            if (!current || answered) {
                doc.problems.append({lineNumber, -1, -1, QStringLiteral("答案行前面没有题目")});
                continue;
            }
            QString answer = plain.mid(at).toUpper();
            static const QRegularExpression separators(QStringLiteral("[\\s,，、;；]"));
            answer.remove(separators);
            current->answer = answer;
            answered = true;
            finish();
            continue;
        }
        QChar letter;
        const qsizetype text = optionStart(plain, &letter);
        if (text >= 0 && current && !answered) {
            const QChar expected = QChar(char16_t(u'A' + current->options.size()));
            if (letter != expected)
                pending.append({lineNumber, -1, -1,
                                QStringLiteral("选项字母 %1 不对，这里应是 %2").arg(letter).arg(expected)});
            current->options << line.mid(text).trimmed();
            continue;
        }
        if (current && !current->options.isEmpty())
            finish(); // a question whose answer line is missing; this line starts the next one
        if (stopped)
            break;
        if (!current) {
            current = Question();
            current->line = lineNumber;
            current->stem = line;
        } else {
            current->stem += QLatin1Char('\n') + line;
        }
    }
    if (!stopped)
        finish();
    if (questions.isEmpty())
        doc.papers.clear();
    checkQuestions(doc);
    return doc;
}

} // namespace documents
