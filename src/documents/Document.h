#pragma once

#include "documents/ScoringRules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Papers as documents carry them (Word and text papers, Moodle XML, GIFT, Aiken), read before
// anything is stored, with every problem found on the way. No widgets and no store here: readers
// fill a Document, the checks below name its faults, and the import decides what is stored.
namespace documents {

// The four kinds of question; their texts are what the bank keeps in 题库.tixing.
enum class Type { None, Single, Multiple, TrueFalse, Indefinite };

// "单选", "多选", "判断", "不定项"; empty for None.
QString typeText(Type type);
// The four texts above (blanks around them allowed); None for anything else.
Type typeFromText(const QString& text);
// The type a standard answer implies: 对/错 → 判断, one letter → 单选, several → 多选; None for an
// empty answer or one that is none of these.
Type typeFromAnswer(const QString& answer);

// A picture that comes with a question, as the document holds it.
struct Picture {
    QString name; // its name in the document (word/media/image1.png, a Moodle file name); a hint only
    QByteArray bytes;
};

struct Question {
    int line = 0;        // 1-based line (text, XML, GIFT) or paragraph (Word) where the question starts
    QString number;      // as the document numbers it ("3", "10（1）"); empty when numbered automatically
    QString material;    // shared material of a run of questions, kept at the start of the text
    QString stem;        // the question without its options
    QStringList options; // the texts of A, B, C… in order, without their letters
    QString answer;      // as the bank stores it: letters A–G, or 对/错 (upper case, no blanks)
    QString explanation;
    Type type = Type::None; // None: the type its answer implies
    std::optional<double> mark;
    QList<Picture> pictures;
};

struct Paper {
    QString name;
    std::optional<int> minutes; // the exam time the document gives
    QList<Question> questions;
    // How the paper marks each question type, as its section headings say (all 全对得分 when they
    // say nothing); the bank keeps it in 评分规则 (scoring::writeRules).
    ScoringRules rules;
};

// A fault of the document; a question named by one is bad, the others can be stored.
struct Problem {
    int line = 0;      // where it is; 0: the file as a whole
    int paper = -1;    // index into Document::papers; -1: none
    int question = -1; // index into that paper's questions; -1: the paper or the file
    QString reason;    // Chinese, one sentence
};

struct Document {
    QList<Paper> papers;
    QList<Problem> problems;
    // What was not read, one Chinese line per kind ("简答题（essay）2 道：第 12、40 行").
    QStringList leftOut;
    // Set (Chinese) when the file could not be read at all; papers are then empty.
    QString error;

    bool isBad(int paper, int question) const;
    int questionCount() const;
    int badCount() const;
};

// Bounds on what a reader keeps, whatever the file claims.
struct Limits {
    qint64 maxFileBytes = 64LL * 1024 * 1024;      // the file as given
    qint64 maxUnpackedBytes = 256LL * 1024 * 1024; // all parts of a zip together, unpacked
    qint64 maxTextChars = 32LL * 1024 * 1024;      // characters of text kept over all questions
    qint64 maxPictureBytes = 128LL * 1024 * 1024;  // picture bytes kept over all questions
    int maxQuestions = 100000;
    int maxDepth = 256; // XML nesting
    // Paragraphs (Word) or non-blank lines (text) read; a 2,000-question paper has some 20,000.
    int maxParagraphs = 1000000;
};

// The bytes of a document file, read whole; empty with *error set (Chinese) when the file cannot
// be opened or read, or is larger than limits.maxFileBytes.
QByteArray readFileWithin(const QString& path, const Limits& limits, QString* error);

// The question's type as it will be stored: its own, else the one its answer implies.
Type effectiveType(const Question& q);

// The question text the bank stores: the material, the stem, then each option as "A.…" after a
// space, as the bank window writes questions ("…（  ）。A.持续经营 B.会计分期").
QString bankText(const Question& q);

// Adds the faults every reader shares, for each question not yet named by a problem: no answer;
// an answer letter with no such option; a 判断 answer on a question with options (or letters on one
// without); more than seven options; a repeated number within a paper; a text GBK cannot hold.
void checkQuestions(Document& doc);

// The text of a file's bytes: UTF-8 with or without a byte order mark, UTF-16 (LE or BE) with
// one, else GB18030 (which GBK files are). *encoding (if given) names what was found: "UTF-8",
// "UTF-16LE", "UTF-16BE" or "GB18030".
QString decodeText(const QByteArray& bytes, QString* encoding = nullptr);

// A full-width character (digits, letters, punctuation, the ideographic space) as its plain form;
// other characters unchanged. For recognising structure only: question texts keep their own.
QString plainForm(const QString& text);

} // namespace documents
