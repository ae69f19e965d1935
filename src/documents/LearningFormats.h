#pragma once

#include "documents/Document.h"

#include <QMap>
#include <QString>
#include <QStringList>

// Pieces the exchange formats of learning platforms share (Moodle XML, GIFT): their HTML texts,
// their category paths and the tally of question kinds a reader leaves out.
namespace documents::learning {

// An HTML fragment as plain text: tags dropped, entities decoded, white space collapsed as a
// browser does; <br> and block ends (<p>, <div>, <li>, headings, table rows) start a new line, list
// items get "1. " (ordered) or "· "; no empty lines. *images (if given) receives the src of each
// <img>, in order; the pictures themselves leave no text.
QString htmlToText(QStringView html, QStringList* images = nullptr);

// Named (&amp; &nbsp; &ldquo; …) and numeric (&#26376; &#x6708;) character references decoded;
// unknown names stay as they are. A no-break space becomes a plain space.
QString decodeEntities(QStringView text);

// A plain text as HTML that shows the same: & < > " escaped, a line break as <br>, each space
// after the first of a run as &nbsp; (so runs of spaces such as "（  ）" survive), characters XML
// cannot hold dropped.
QString textToHtml(const QString& text);

// Characters an XML document cannot hold (controls other than tab and line breaks, lone
// surrogates, U+FFFE/U+FFFF) removed.
QString xmlSafe(const QString& text);

// The last part of a category path as Moodle writes it ("$course$/top/Default for 会计/第一章" →
// "第一章"; "//" is a slash inside a name); empty when the path names only the top, the context
// ($course$, $system$…) or nothing.
QString categoryName(const QString& path);

// A category path for a paper's name, as Moodle writes one: "$course$/top/" and the name with
// each slash doubled.
QString categoryPath(const QString& paperName);

// The question types a reader passes over, counted by kind with the lines where they stand.
class LeftOutTally {
  public:
    // kind: the type's name in the file ("essay", "shortanswer", "matching"…).
    void add(const QString& kind, int line);
    // One Chinese line per kind, in the order first seen: "简答题（essay）2 道：第 12、40 行".
    QStringList lines() const;

  private:
    QStringList m_order;
    QMap<QString, QList<int>> m_lines;
};

// The Chinese name of a Moodle question type ("essay" → "简答题"); "其他题型" for unknown ones.
QString typeName(const QString& kind);

// Counts what a reader keeps against the limits: characters of text and bytes of pictures.
class Budget {
  public:
    explicit Budget(const Limits& limits) : m_limits(limits) {}
    // Whether the question's texts still fit; they are counted when they do.
    bool takeText(const Question& q);
    // Whether a picture of this many bytes still fits; counted when it does.
    bool takePicture(qint64 bytes);
    qint64 pictureBytesLeft() const { return m_limits.maxPictureBytes - m_pictureBytes; }
    qint64 textCharsLeft() const { return m_limits.maxTextChars - m_textChars; }

  private:
    Limits m_limits;
    qint64 m_textChars = 0;
    qint64 m_pictureBytes = 0;
};

// The Chinese error for a file larger than the limits allow; empty when it is not.
QString fileSizeError(qint64 bytes, const Limits& limits);

// The Chinese problem for a file cut short by a limit.
QString textLimitReason(const Limits& limits);
QString questionLimitReason(const Limits& limits);

} // namespace documents::learning
