#pragma once

#include "documents/ChineseLayout.h"

// Papers in plain-text files laid out as Chinese exam papers are (see ChineseLayout.h): UTF-8 with
// or without a byte order mark, UTF-16 with one, or GB18030/GBK, told apart from the bytes.
namespace documents {

// The papers of a text file's bytes; an untitled paper is named fallbackName.
Document readTextPaper(const QByteArray& bytes, const QString& fallbackName, const Limits& limits = {});

// The same from a file; an untitled paper is named after the file. Document::error is set when
// the file cannot be read or is larger than the limits allow.
Document readTextPaperFile(const QString& path, const Limits& limits = {});

} // namespace documents
