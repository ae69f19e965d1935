#include "speech/SpeechText.h"

#include <QRegularExpression>
#include <cmath>

namespace speech {
namespace {

constexpr int kNormalRate = 175; // the voice's own normal rate
constexpr int kSlowest = 80;     // the rates the voice accepts
constexpr int kFastest = 450;

bool hasSomethingToSay(const QString& s) {
    for (const QChar c : s)
        if (c.isLetterOrNumber())
            return true;
    return false;
}

} // namespace

QString spokenForm(const QString& text) {
    static const QRegularExpression optionMark(QStringLiteral("(^|[^A-Za-z])([A-Ha-h])\\s*[.．、:：]\\s*"));
    static const QRegularExpression percent(QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*[%％]"));
    static const QRegularExpression loosePoint(QStringLiteral("(?<!\\d)[.．]|[.．](?!\\d)"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QString s = text;
    s.replace(optionMark, QStringLiteral("\\1\\2，"));
    s.replace(percent, QStringLiteral("百分之\\1"));
    s.replace(loosePoint, QStringLiteral("，"));
    s.replace(blanks, QStringLiteral(" "));
    return s.trimmed();
}

QStringList sentences(const QString& text) {
    // A cut after sentence ends and line breaks, and before an option mark that follows a blank
    // or punctuation (so "ABC公司" stays whole).
    static const QRegularExpression cut(
        QStringLiteral("(?<=[。！？；!?;\\r\\n])|(?<=[\\s，,、）)])(?=[A-H]\\s*[.．、:：])"));
    QStringList out;
    for (const QString& piece : text.split(cut)) {
        const QString spoken = spokenForm(piece);
        if (hasSomethingToSay(spoken))
            out << spoken;
    }
    return out;
}

QString spokenText(const QString& text) {
    return sentences(text).join(QLatin1Char(' '));
}

int wordsPerMinute(int step) {
    const int clamped = qBound(-10, step, 10);
    const int rate = int(std::lround(kNormalRate * std::pow(2.0, clamped / 10.0)));
    return qBound(kSlowest, rate, kFastest);
}

} // namespace speech
