#pragma once

#include "access/ChildImport.h"
#include "bank/BankRows.h"
#include "documents/Document.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Store;

// Questions brought in from documents (Word and text papers, Moodle XML, GIFT, Aiken) and
// written out to them again. The document is read by the import tool's child under limits and
// handed back whole, with every problem found; nothing is stored until the user has seen it, and
// then all of it in one transaction. No widgets here.
namespace docimport {

// ---- reading, in the import tool's child ----

// What the child mode of the import tool does for a document: reads IN, writes the document
// into OUT for the program, and reports "ok" (or "error …") on its standard output. The exit
// status is 0 when OUT was written.
int childRead(const QString& in, const QString& out);

struct ReadDocument {
    documents::Document doc;
    QString error; // the file could not be read at all (doc.error included), Chinese
    bool cancelled = false;
};

// The document at path, read by tool in a child process under limits (progress as for any import).
ReadDocument readInChild(const QString& tool, const QString& path, const bankimport::Progress& progress = {},
                         const bankimport::ChildLimits& limits = {});

// ---- what was found, as the user reads it ----

// "第 12 行" for text, XML and GIFT; "第 12 段" for a Word document (the file's name says which).
QString placeText(const QString& fileName, int line);
// "第 12 行（第 3 题）：没有答案"; the file as a whole when the problem has no line.
QString problemText(const QString& fileName, const documents::Document& doc, const documents::Problem& p);

// ---- storing ----

struct Choice {
    // The code of the first paper (the next ones count on from it); none: the next free number.
    std::optional<qint64> firstCode;
    // Only the questions no problem names.
    bool goodOnly = false;
};

// The rows a document becomes: each paper with a question to store gets the next code, its
// questions numbered 1, 2, … in the document's order, 抽题 their number, in number order, the
// exam time the document gives or 60 minutes. The pictures are named here but not yet written.
struct Plan {
    bank::Tables tables;
    // One per question with a picture, in the order of tables.questions' pictures: the name in
    // pic/ still to be made unique, and the bytes.
    struct Picture {
        int question = -1; // index into tables.questions
        QString extension;
        QByteArray bytes;
    };
    QList<Picture> pictures;
    // Questions the bank cannot hold even when all are imported (no answer, a text GBK cannot
    // hold…): "第 12 行：…", one each. Storing is refused while there is one, unless goodOnly.
    QStringList unstorable;
    QStringList notes; // what the import changes on the way (papers without questions left out…)
    QString error;     // e.g. a code that is taken
};

// The lowest number above every number the bank's paper codes are (1 for a bank without one).
qint64 nextFreeCode(Store& store);
// The plan of a document; the store is only read (for the codes).
Plan plan(Store& store, const QString& fileName, const documents::Document& doc, const Choice& choice);
// Whether a question could be stored as it is when all are imported (no row check fails).
bool storable(const documents::Question& q);

struct Stored {
    QString error; // nothing was stored (no picture left behind either)
    QStringList codes;
    int questions = 0;
    int pictures = 0;
    QStringList notes;
};

// Stores the plan of the document: the pictures into bankDir's pic/ under new names ("<code>-<n>"
// and their kind), then the papers and questions in one transaction. On failure nothing stays.
Stored store(Store& store, const QString& bankDir, const QString& fileName, const documents::Document& doc,
             const Choice& choice);

// ---- writing ----

// The formats a bank is written to, by the ending of the file's name: .txt (UTF-8 text in the
// common layout), .docx, .xml (Moodle XML). False for any other name.
bool isDocumentFormat(const QString& path);
// The paper with the code (or, when code is empty, the whole bank) as a document: the stored
// question text split into its stem and options again, the mark, type and explanation, the
// exam time, and each question's picture from pic/.
documents::Document bankDocument(Store& store, const QString& bankDir, const QString& code = QString());

struct Written {
    QString error;       // nothing was written
    QStringList skipped; // questions the format cannot carry, one Chinese line each
    int papers = 0;
    int questions = 0;
};
// Writes the document to path in the format its name gives, whole or not at all; an existing
// file is replaced only when replace is true.
Written writeDocument(const documents::Document& doc, const QString& path, bool replace);

// The stem and the options of a stored question text ("…（  ）。A.持续经营 B.会计分期"), as the
// bank window and imports write it; no options when the text has no run A., B., … in it.
void splitQuestionText(const QString& text, QString* stem, QStringList* options);

} // namespace docimport
