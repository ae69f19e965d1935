#pragma once

#include <QByteArray>
#include <QString>

namespace documents {

// Which reader a file needs.
enum class Kind {
    Layout,    // a text paper in the common Chinese layout (.txt)
    Word,      // a Word document (.docx)
    MoodleXml, // a Moodle XML question bank
    Gift,      // GIFT
    Aiken,     // Aiken
    Unknown,   // none of them can read it (an old binary .doc, a PDF, another zip or binary file)
};

// The kind of a file from its name and its first bytes (a few kilobytes are enough; the whole file
// does too): a zip is a Word document, XML whose root element is <quiz> (or any .xml) Moodle XML,
// a .gift file or text with GIFT marks ({=…}, {~…}, {T}, ::title::, $CATEGORY:) GIFT, text with
// "ANSWER: X" lines after "A." / "A)" options Aiken, and other text the common layout.
Kind detectKind(const QString& fileName, const QByteArray& head);

// A short name of the kind for the user: "文本试卷", "Word 文档", "Moodle XML", "GIFT", "Aiken",
// "无法识别的文件".
QString kindText(Kind kind);

} // namespace documents
