// The answer rules over arbitrary bytes: the first byte says where the rest splits into a text and
// a search text. Besides not crashing, the rules must keep what the program builds on them.
#include "FuzzCheck.h"

#include "answering/AnswerText.h"
#include "ui/Gbk.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Character starts as the rules see them: a byte of 0x80 or above leads a two-byte character
// unless it is the last byte.
std::vector<bool> characterStarts(const QByteArray& s) {
    std::vector<bool> starts(size_t(s.size()) + 1, false);
    for (int i = 0; i < s.size();) {
        starts[size_t(i)] = true;
        i += quint8(s[i]) >= 0x80 && i + 1 < s.size() ? 2 : 1;
    }
    return starts;
}

bool hasSingleHighByte(const QString& text) {
    for (const QChar c : text) {
        const QByteArray b = gbk::encode(QString(c));
        if (b.size() == 1 && quint8(b[0]) >= 0x80)
            return true;
    }
    return false;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool matchesAt(const QByteArray& text, int at, const QByteArray& what) {
    if (at < 0 || at + what.size() > text.size())
        return false;
    for (int k = 0; k < what.size(); ++k)
        if (upper(text[at + k]) != upper(what[k]))
            return false;
    return true;
}

void checkBytes(const QByteArray& text, const QByteArray& what) {
    const QByteArray normal = answer::normalise(text);
    FUZZ_CHECK(answer::normalise(normal) == normal);
    FUZZ_CHECK(normal.size() <= text.size());
    {
        const std::vector<bool> starts = characterStarts(normal);
        for (int i = 0; i < normal.size(); ++i)
            if (starts[size_t(i)])
                FUZZ_CHECK(normal[i] != ' ' && !(normal[i] >= 'a' && normal[i] <= 'z'));
    }

    const QByteArray stripped = answer::strip(text);
    FUZZ_CHECK(answer::strip(stripped) == stripped);
    FUZZ_CHECK(stripped.isEmpty() || text.contains(stripped));

    const int found = answer::find(text, what);
    if (found != -1) {
        FUZZ_CHECK(!what.isEmpty());
        FUZZ_CHECK(found >= 1 && found <= text.size() - what.size() + 1);
        FUZZ_CHECK(characterStarts(text)[size_t(found - 1)]);
        FUZZ_CHECK(matchesAt(text, found - 1, what));
    }
    // The first match: no character start before it matches (checked where it is cheap).
    if (!what.isEmpty() && qint64(text.size()) * what.size() <= 65536) {
        const std::vector<bool> starts = characterStarts(text);
        const int end = found == -1 ? int(text.size()) : found - 1;
        for (int i = 0; i < end; ++i)
            if (starts[size_t(i)])
                FUZZ_CHECK(!matchesAt(text, i, what));
    }

    const QByteArray removed = answer::removeAll(text, what);
    FUZZ_CHECK(removed.size() <= text.size());
    if (what.isEmpty() || found == -1)
        FUZZ_CHECK(removed == text);
    else
        FUZZ_CHECK(removed.size() < text.size());

    FUZZ_CHECK(answer::matches(text, text));
    FUZZ_CHECK(answer::matches(what, what));
    if (answer::sameOptions(text, what))
        FUZZ_CHECK(text.size() == what.size() && answer::matches(text, what));
}

// What the windows do: the texts come from the answer box as Unicode, go through GBK and back.
void checkTexts(const QString& text, const QString& option) {
    const QString normal = answer::normalise(text);
    FUZZ_CHECK(answer::normalise(normal) == normal);
    FUZZ_CHECK(answer::matches(text, text));
    answer::strip(text);
    answer::matches(text, option);

    // A few characters (the euro sign, code page 936's 0xFF) are kept in a single byte of 0x80 or
    // above; the rules take such a byte as the lead of a two-byte character, so an option right
    // after one is not found. The tick-box checks hold for every other text.
    if (hasSingleHighByte(text) || hasSingleHighByte(option))
        return;
    const QString ticked = answer::toggle(text, QStringLiteral("A"), true);
    FUZZ_CHECK(ticked.contains(QLatin1Char('A'), Qt::CaseInsensitive));
    const QString unticked = answer::toggle(text, QStringLiteral("A"), false);
    FUZZ_CHECK(!unticked.contains(QLatin1Char('A'), Qt::CaseInsensitive));
    if (!option.isEmpty()) {
        const QString withOption = answer::toggle(text, option, true);
        FUZZ_CHECK(answer::find(gbk::encode(withOption), gbk::encode(option)) != -1 ||
                   gbk::encode(option).isEmpty());
        answer::toggle(withOption, option, false);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        checkBytes({}, {});
        return 0;
    }
    const size_t rest = size - 1;
    const size_t split = size_t(data[0]) * rest / 256;
    const QByteArray text(reinterpret_cast<const char*>(data + 1), qsizetype(split));
    const QByteArray what(reinterpret_cast<const char*>(data + 1 + split), qsizetype(rest - split));
    checkBytes(text, what);
    checkBytes(what, text);
    checkTexts(QString::fromUtf8(text), QString::fromUtf8(what));
    checkTexts(gbk::decode(text), gbk::decode(what).left(2));
    // Raw UTF-16 units, lone surrogates included.
    checkTexts(QString(reinterpret_cast<const QChar*>(text.constData()), text.size() / 2),
               QStringLiteral("对"));
    return 0;
}
