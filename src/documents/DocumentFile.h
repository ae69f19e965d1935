#pragma once

#include "documents/Document.h"

#include <QByteArray>
#include <QString>

// A Document as the import tool's child hands it to the program: every paper, question,
// picture and problem in one file, read back whole or refused.
namespace documents {

// The file of any kind detectKind names, read by its reader; an untitled paper is named after
// the file. Document::error is set (Chinese) when the file cannot be read or is of no kind read.
Document readDocumentFile(const QString& path, const Limits& limits = {});

QByteArray encodeDocument(const Document& doc);
// False when the bytes are not a whole encoded document.
bool decodeDocument(const QByteArray& bytes, Document* doc);

} // namespace documents
