#include "documents/Document.h"

#include "ui/Gbk.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

namespace documents {

QString typeText(Type type) {
    switch (type) {
    case Type::Single:
        return QStringLiteral("单选");
    case Type::Multiple:
        return QStringLiteral("多选");
    case Type::TrueFalse:
        return QStringLiteral("判断");
    case Type::Indefinite:
        return QStringLiteral("不定项");
    case Type::None:
        break;
    }
    return {};
}

Type typeFromText(const QString& text) {
    const QString t = text.trimmed();
    for (Type type : {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite})
        if (t == typeText(type))
            return type;
    return Type::None;
}

namespace {

bool isTrueFalse(const QString& answer) {
    return answer == QStringLiteral("对") || answer == QStringLiteral("错");
}

bool isLetters(const QString& answer) {
    if (answer.isEmpty())
        return false;
    for (const QChar c : answer)
        if (c < QLatin1Char('A') || c > QLatin1Char('G'))
            return false;
    return true;
}

QString where(int line) {
    return line > 0 ? QStringLiteral("第 %1 行").arg(line) : QString();
}

// The first character of a text that GBK cannot hold, or an empty text.
QString firstNonGbk(const QString& text) {
    if (gbk::canEncode(text))
        return {};
    for (int i = 0; i < text.size(); ++i) {
        const int width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, width);
        if (!gbk::canEncode(one))
            return one;
        i += width - 1;
    }
    return {};
}

} // namespace

Type typeFromAnswer(const QString& answer) {
    if (isTrueFalse(answer))
        return Type::TrueFalse;
    if (!isLetters(answer))
        return Type::None;
    return answer.size() == 1 ? Type::Single : Type::Multiple;
}

bool Document::isBad(int paper, int question) const {
    for (const Problem& p : problems)
        if (p.paper == paper && p.question == question && question >= 0)
            return true;
    return false;
}

int Document::questionCount() const {
    int n = 0;
    for (const Paper& p : papers)
        n += p.questions.size();
    return n;
}

namespace {
// The questions the problems name, looked up at once: a paper of many bad questions would
// otherwise take time in the square of its size.
QSet<QPair<int, int>> namedQuestions(const QList<Problem>& problems) {
    QSet<QPair<int, int>> out;
    for (const Problem& p : problems)
        if (p.question >= 0)
            out.insert({p.paper, p.question});
    return out;
}
} // namespace

int Document::badCount() const {
    const QSet<QPair<int, int>> named = namedQuestions(problems);
    int n = 0;
    for (int p = 0; p < papers.size(); ++p)
        for (int q = 0; q < papers[p].questions.size(); ++q)
            n += named.contains({p, q}) ? 1 : 0;
    return n;
}

Type effectiveType(const Question& q) {
    return q.type != Type::None ? q.type : typeFromAnswer(q.answer);
}

QString bankText(const Question& q) {
    QString text = q.material.trimmed();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    text += q.stem.trimmed();
    for (int i = 0; i < q.options.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QChar(char16_t(u'A' + i)) + QStringLiteral(".") + q.options[i].trimmed();
    }
    return text;
}

namespace {

// The first fault of one question, or an empty text.
QString questionFault(const Question& q) {
    const QString& a = q.answer;
    const Type type = effectiveType(q);
    if (a.isEmpty())
        return QStringLiteral("没有答案");
    if (q.options.size() > 7)
        return QStringLiteral("有 %1 个选项，最多只能有 7 个（A–G）").arg(q.options.size());
    if (isTrueFalse(a)) {
        if (!q.options.isEmpty())
            return QStringLiteral("答案“%1”是判断题的答案，但这道题有选项").arg(a);
        if (type != Type::TrueFalse)
            return QStringLiteral("%1题的答案不能是“%2”").arg(typeText(type), a);
    } else if (!isLetters(a)) {
        return QStringLiteral("答案“%1”无法识别：只能是 A–G 的字母，或对、错").arg(a);
    } else {
        for (int i = 0; i < a.size(); ++i)
            if (a.indexOf(a[i], i + 1) > 0)
                return QStringLiteral("答案中的 %1 重复了").arg(a[i]);
        if (q.options.isEmpty())
            return QStringLiteral("答案是 %1，但这道题没有选项").arg(a);
        const QChar lastOption = QChar(char16_t(u'A' + q.options.size() - 1));
        for (const QChar c : a)
            if (c > lastOption)
                return QStringLiteral("答案中的 %1 没有对应的选项（只有 A–%2）").arg(c).arg(lastOption);
        if (type == Type::TrueFalse)
            return QStringLiteral("判断题的答案只能是对或错");
        if (type == Type::Single && a.size() > 1)
            return QStringLiteral("单选题只能有一个答案，这里是 %1").arg(a);
    }
    if (q.mark && *q.mark < 0)
        return QStringLiteral("分值不能小于 0");
    for (const QString& text : QStringList{q.material, q.stem, q.explanation} + q.options)
        if (const QString c = firstNonGbk(text); !c.isEmpty())
            return QStringLiteral("有 GBK 编码之外的字符“%1”").arg(c);
    if (q.stem.trimmed().isEmpty() && q.material.trimmed().isEmpty())
        return QStringLiteral("没有题目文字");
    return {};
}

} // namespace

void checkQuestions(Document& doc) {
    const QSet<QPair<int, int>> named = namedQuestions(doc.problems);
    for (int p = 0; p < doc.papers.size(); ++p) {
        QHash<QString, int> lineOfNumber;
        const QList<Question>& questions = doc.papers[p].questions;
        for (int i = 0; i < questions.size(); ++i) {
            const Question& q = questions[i];
            QString fault;
            if (!q.number.isEmpty()) {
                const QString key = plainForm(q.number).remove(QLatin1Char(' '));
                if (const auto seen = lineOfNumber.constFind(key); seen != lineOfNumber.cend())
                    fault =
                        seen.value() > 0
                            ? QStringLiteral("题号 %1 重复了（%2已有这个题号）").arg(q.number, where(*seen))
                            : QStringLiteral("题号 %1 重复了").arg(q.number);
                else
                    lineOfNumber.insert(key, q.line);
            }
            if (fault.isEmpty() && named.contains({p, i}))
                continue;
            if (fault.isEmpty())
                fault = questionFault(q);
            if (!fault.isEmpty())
                doc.problems.append({q.line, p, i, fault});
        }
    }
}

QString decodeText(const QByteArray& bytes, QString* encoding) {
    auto named = [&](const char* name) {
        if (encoding)
            *encoding = QString::fromLatin1(name);
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        named("UTF-8");
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        named("UTF-16LE");
        QStringDecoder d(QStringDecoder::Utf16LE);
        return d(bytes.mid(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        named("UTF-16BE");
        QStringDecoder d(QStringDecoder::Utf16BE);
        return d(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) {
        named("UTF-8");
        return text;
    }
    named("GB18030");
    QStringDecoder gb("GB18030");
    if (gb.isValid())
        return gb(bytes);
    return gbk::decode(bytes);
}

QString plainForm(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QLatin1Char(' ');
    }
    return out;
}

QByteArray readFileWithin(const QString& path, const Limits& limits, QString* error) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法打开文件 %1").arg(info.fileName());
        return {};
    }
    if (file.size() > limits.maxFileBytes) {
        *error = QStringLiteral("文件过大（%1 MB），最多只能读 %2 MB")
                     .arg(file.size() / (1024 * 1024))
                     .arg(limits.maxFileBytes / (1024 * 1024));
        return {};
    }
    QByteArray bytes = file.read(limits.maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("无法读取文件 %1").arg(info.fileName());
        return {};
    }
    error->clear();
    return bytes;
}

} // namespace documents
