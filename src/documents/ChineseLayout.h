#pragma once

#include "documents/Document.h"

// Papers laid out as Chinese exam papers and study books lay them out: a title line, section
// headings ("一、单项选择题（本类题共20小题，每小题1分…）") that give the type and mark of the questions
// below them, numbered questions, lettered options, 【答案】 and 【解析】 lines, shared material
// (【资料】, or a passage before a run of （1）（2）… sub-questions), and answers gathered in a block
// at the end ("参考答案：1.A 2.BC 3.√"). The text and Word readers both turn their files into
// paragraphs and read them here.
namespace documents {

// One paragraph: a line of a text file, or a paragraph of a Word document (a piece of one between
// line breaks).
struct Paragraph {
    int line = 0; // 1-based line (text) or paragraph (Word) number, for the problems found
    QString text; // without the number Word puts in front of it
    // Word numbered it automatically: at this 0-based list level, showing listLabel ("3.", "A．",
    // "（1）", "一、"), or an empty label when the number could not be worked out (bullets).
    bool autoNumbered = false;
    int listLevel = 0;
    QString listLabel;
    QList<Picture> pictures; // pictures anchored in it, in order
};

// The papers the paragraphs hold. A paper with no title line is named fallbackName (a second
// untitled one "fallbackName（2）"). Never stops on a bad question: each fault becomes a problem
// with its line, and checkQuestions() has run on the result. Sections of other kinds (计算分析题,
// 综合题…) are not read and are listed in Document::leftOut.
Document readLayout(const QList<Paragraph>& paragraphs, const QString& fallbackName,
                    const Limits& limits = {});

// Whether a line would be read as plain text, not as a mark of the layout (a heading, a
// question number, an option, 【答案】…). Writers use it to keep names from being misread.
bool readsAsText(const QString& line);

// The Chinese numeral of 1–99 ("一", "十二", "二十"), as section headings number their sections.
QString chineseNumeral(int n);

} // namespace documents
