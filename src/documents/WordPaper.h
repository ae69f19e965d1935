#pragma once

#include "documents/ChineseLayout.h"

// Papers in Word documents (.docx) laid out as Chinese exam papers are (see ChineseLayout.h).
// The file is untrusted: its size, the bytes unpacked from it, XML nesting, paragraphs, text and
// picture bytes are all bounded by Limits, and a file that cannot be read gives Document::error.
namespace documents {

// The paragraphs of a .docx file's body in order (those of table cells too), split at line
// breaks, with Word's automatic numbers worked out from word/numbering.xml and the pictures
// anchored in each. Empty and *error set (Chinese) when the file cannot be read; *problems gets
// what was left out on the way (a picture over the limits).
QList<Paragraph> docxParagraphs(const QByteArray& bytes, const Limits& limits, QString* error,
                                QList<Problem>* problems);

// The papers of a .docx file's bytes; an untitled paper is named fallbackName.
Document readDocxPaper(const QByteArray& bytes, const QString& fallbackName, const Limits& limits = {});

// The same from a file; an untitled paper is named after the file.
Document readDocxPaperFile(const QString& path, const Limits& limits = {});

} // namespace documents
