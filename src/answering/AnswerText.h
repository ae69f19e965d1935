#pragma once

#include <QByteArray>
#include <QString>

// Answer texts: option captions ("A" … "G", "对", "错") in the order they were ticked. The rules
// work on GBK bytes, stepping over a double-byte character (lead byte 0x80 or above) as one.
namespace answer {

// Spaces removed (ASCII and full-width), then a–z turned into A–Z.
QByteArray normalise(const QByteArray& text);
// Leading and trailing spaces removed (ASCII and full-width).
QByteArray strip(const QByteArray& text);
// 1-based byte position of the first match at a character start, ASCII letters compared without
// regard to case; -1 when there is none (an empty search never matches).
int find(const QByteArray& text, const QByteArray& what);
// Every non-overlapping match removed, scanning as find() does.
QByteArray removeAll(const QByteArray& text, const QByteArray& what);
// Rule 2 alone: the same length, and every single byte of the standard answer found in the given
// answer at a character start.
bool sameOptions(const QByteArray& given, const QByteArray& standard);
// The answer match rule: byte-equal, or rule 2.
bool matches(const QByteArray& given, const QByteArray& standard);

// The same rules over the program's texts (converted to GBK and back).
QString normalise(const QString& text);
QString strip(const QString& text);
bool matches(const QString& given, const QString& standard);
bool sameOptions(const QString& given, const QString& standard);
// The tick-box toggle: a ticked option is appended unless already there; an unticked one is
// removed wherever it stands.
QString toggle(const QString& text, const QString& option, bool ticked);

} // namespace answer
