#pragma once

#include "documents/Document.h"

// Papers written in the layout the Chinese reader reads (ChineseLayout.h): each paper under its
// title ("名称　考试时间：90分钟"; "【试卷】名称" when there are several), a heading per run of
// questions of one type and mark ("一、单项选择题（本类题共20小题，每小题1分，共20分）"), shared
// material once as "【资料】", then the questions numbered 1, 2, … with their options, 【答案】
// (√/× for 判断) and 【解析】. Reading the result back gives the same questions.
namespace documents {

// As UTF-8 text with a byte order mark, lines ending in CR LF (what Windows editors expect).
// Pictures cannot be carried by text and are left out.
QByteArray writeTextPaper(const Document& doc);

// As a Word document (.docx) with the pictures embedded; empty and *error set (Chinese) when it
// cannot be made.
QByteArray writeDocxPaper(const Document& doc, QString* error = nullptr);

} // namespace documents
