#pragma once

#include "documents/ScoringRules.h"

#include <QHash>

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The rows of a question bank as the bank window edits them and a workbook carries them, and the
// checks a row passes before it is saved. No widgets here.
namespace bank {

// Numbers keep their kind: a whole number is a qint64, a fraction a double.
struct Paper {
    QString code;
    QString name;
    QVariant chouti;
    QVariant paixu; // 1 顺序, 0 随机; -1 (Yes as Access banks store it) is kept
    QVariant kstime;
};

struct Question {
    QString code;
    QVariant tihao;
    QString question;
    QString pic;
    QString authority;
    QString practice;
    QString jiexi;
    QVariant score;
    // "单选", "多选", "判断", "不定项", or empty: the type its standard answer implies.
    QString tixing;
};

struct Answer {
    QString code;
    QVariant tihao;
    QString answer;
    QString student;
    QString xingming;
    QString state;
};

// One practice save of the history (练习记录).
struct PracticeRecord {
    QString code;
    QVariant tihao;
    QString answer;
    QVariant correct; // 1 right, 0 wrong
    QString answered; // local time, "yyyy-MM-dd HH:mm:ss"
};

struct Tables {
    QList<Paper> papers;
    QList<Question> questions;
    QList<Answer> answers;
    QList<PracticeRecord> history;
    // The scoring rules by paper code; a paper without an entry is marked 全对得分.
    QHash<QString, documents::ScoringRules> rules;
};

// A text as a column stores it: never NULL, an empty text instead, as the rest of the bank has it.
QVariant stored(const QString& text);

// The values of one row in the bank's column order (schema::columns).
QVariantList values(const Paper& p);
QVariantList values(const Question& q);
QVariantList values(const Answer& a);
QVariantList values(const PracticeRecord& r);

// Why a row cannot be saved as it stands, one Chinese reason per fault; empty when it can.
// Uniqueness needs the other rows and is checked by the caller.
QStringList problems(const Paper& p);
QStringList problems(const Question& q);
QStringList problems(const Answer& a);
QStringList problems(const PracticeRecord& r);

// The standard answer as it is stored: the answer rules' normal form (spaces out, letters upper
// case).
QString standardAnswer(const QString& typed);

// The four question types, as 题库.tixing holds them.
QStringList questionTypes();
// The type a question is marked and shown as: its own, else the one its standard answer implies
// (对/错 判断, one letter 单选, several 多选); empty when neither says.
QString typeOf(const Question& q);

// "顺序" for a paper in number order, "随机" for a random draw.
QString orderText(const QVariant& paixu);

// Codes are compared as the bank compares them: ASCII letters without regard to case.
QString codeKey(const QString& code);

// Reading a cell (text, number or truth value) as a column wants it. A cell is "empty" when it is
// null or blank text.
bool isEmptyCell(const QVariant& cell);
QString cellText(const QVariant& cell);
// A number: a number cell, or text that is a number (blanks around it allowed). Whole numbers
// come back as qint64. Null when the cell is not a number.
QVariant cellNumber(const QVariant& cell);
// The order of a paper: 1/0, -1, 是/否, 顺序/随机, TRUE/FALSE (any case), a truth value. Null
// when the cell is none of these.
QVariant cellOrder(const QVariant& cell);
// Right or wrong: 1/0, 对/错, 是/否, TRUE/FALSE (any case), a truth value. Null when the cell is none
// of these.
QVariant cellCorrect(const QVariant& cell);
// A time of the history: "yyyy-MM-dd HH:mm:ss" (also with "T", without seconds, or with "/"), or a
// spreadsheet's date number (days since 1899-12-30, the time as its fraction). The text as the
// history keeps it; empty when the cell is neither.
QString cellTime(const QVariant& cell);

} // namespace bank
