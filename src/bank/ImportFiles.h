#pragma once

#include "bank/BankWorkbook.h"

#include <QList>
#include <QString>
#include <QStringList>

// The kinds of file a bank is imported from besides an Access file, each with its reader. The
// program never reads such a file itself: the import tool reads it in a child process under
// limits (ChildImport.h), as it reads an Access file; a document kind is handed back as its
// papers and problems, for the user to see before anything is stored (DocumentImport.h). A new kind is one reader and one entry of
// fileKinds(); the file dialog, the import tool and its check mode all go by this list.
namespace bankbook {

// Reads the file into checked tables, charging what it keeps to the budget (and giving up with
// the budget's error once it is spent).
using FileReader = ReadResult (*)(const QString& path, sheets::Budget& budget);

struct FileKind {
    QString title;        // as the file dialog names it, e.g. "工作簿"
    QStringList patterns; // e.g. "*.xlsx"; empty for a kind read from a folder
    FileReader read;      // null for a document
    // A document of questions (a Word or text paper, Moodle XML, GIFT, Aiken): read as a
    // documents::Document (DocumentImport.h), not as tables.
    bool document = false;
};

const QList<FileKind>& fileKinds();

// The kind a path is read as: a folder as the folder kind, a file by the ending of its name
// (without regard to case). Null when no kind takes it: an Access file.
const FileKind* kindOf(const QString& path);

// Whether the path is read as a document of questions.
bool isDocument(const QString& path);

// The file kinds as a file dialog's filter, all of them first.
QString fileFilter();

} // namespace bankbook
