#pragma once

#include <QString>

// Every statement the program issues, numbered as the program has always numbered them.
// Values are never spliced into the text: each piece of a statement that varies is a named
// parameter bound by the store.
enum class Sql {
    PaperByCode = 1,         // paper row: chouti, paixu, kstime, name
    QuestionCount = 2,       // count(*) of a paper's questions
    QuestionsOfPaper = 3,    // all question rows of a paper (rowCount)
    Question = 4,            // one question by paper and number
    QuestionExists = 5,      // count(*) of one question
    LastQuestion = 6,        // max(tihao) AS 最大值
    SavePractice = 7,        // store a practice answer
    ClearPractice = 8,       // clear a paper's practice answers
    WrongPractice = 9,       // answered and differing from the standard answer
    ExamAnswer = 10,         // one exam answer row
    ExamAnswerCount = 11,    // count(*) of one exam answer key
    UpdateExamAnswer = 12,   // replace a stored exam answer
    AppendExamAnswer = 13,   // add an exam answer (appendRow)
    SittingAnswerCount = 14, // count(*) of a sitting's answers
    Candidates = 15,         // distinct(student)
    Sittings = 16,           // distinct(state)
    AnswerCard = 17,         // a sitting's answers by tihao
    CardQuestion = 18,       // question lookup for the answer card
    ClearSitting = 19,       // delete a sitting's answers
    DeleteAnswer = 20,       // delete one answer row
    AllPapers = 21,          // picker list
    SearchPapers = 22,       // picker search
    // A sitting's answers by tihao, each beside the question CardQuestion finds for it (the first
    // row of that paper and number; none when there is no such question): the answer card in one read.
    AnswerCardWithQuestions = 23,

    // Editing the bank (the bank window, the workbook import) and reading it whole (the export).
    PaperList = 24,             // every paper with its question count (题数), by code
    InsertPaper = 25,           // add a paper
    UpdatePaper = 26,           // a paper's fields, found by its code before the edit (:old)
    MovePaperQuestions = 27,    // the questions follow a changed paper code
    MovePaperAnswers = 28,      // the exam answers follow a changed paper code
    DeletePaper = 29,           // a paper row
    DeletePaperQuestions = 30,  // all questions of a paper
    DeletePaperAnswers = 31,    // all exam answers of a paper
    PaperAnswerCount = 32,      // count(*) of a paper's exam answers
    QuestionList = 33,          // a paper's questions with their row ids (行号), by number
    InsertQuestion = 34,        // add a question
    UpdateQuestion = 35,        // a question's fields, found by paper and number before the edit (:old)
    MoveQuestionAnswers = 36,   // the exam answers follow a changed question number
    DeleteQuestion = 37,        // one question
    DeleteQuestionAnswers = 38, // the exam answers of one question
    QuestionAnswerCount = 39,   // count(*) of the exam answers of one question
    RenumberQuestion = 40,      // one question row, by row id, gets a new number
    PaperAnswerRows = 41,       // row ids (行号) and numbers of a paper's exam answers
    RenumberAnswer = 42,        // one exam answer row, by row id, gets a new number
    AllQuestions = 43,          // every question, by paper and number
    AllAnswers = 44,            // every exam answer, by paper, candidate, sitting and number

    // The practice history (练习记录): one row per practice save, kept in step with the questions.
    AppendPractice = 45,        // one practice save: answer, right or wrong, time
    PaperHistory = 46,          // a paper's history by number and time: tihao, correct, answered
    QuestionNumbers = 47,       // the numbers of a paper's questions
    DailyPractice = 48,         // answers (题数) and right ones (答对) per day (日期) from :from on
    MovePaperHistory = 49,      // the history follows a changed paper code
    DeletePaperHistory = 50,    // all history of a paper
    MoveQuestionHistory = 51,   // the history follows a changed question number
    DeleteQuestionHistory = 52, // the history of one question
    PaperHistoryRows = 53,      // row ids (行号) and numbers of a paper's history
    RenumberHistory = 54,       // one history row, by row id, gets a new number
    AllHistory = 55,            // the whole history, by paper and time

    // The review schedule (复习计划) worked out from the history: one row per answered question.
    PlanOfQuestion = 56,  // box, due, answers, wrong of one question
    InsertPlan = 57,      // a question's first row
    UpdatePlan = 58,      // a question's row after another answer
    DueQuestions = 59,    // numbers due on :today, most overdue first
    DueCount = 60,        // count(*) of them
    NextDue = 61,         // the first question due after :today: tihao, due
    PaperPlan = 62,       // every row of a paper: tihao, box, due, answers, wrong
    DeletePaperPlan = 63, // all rows of a paper
};

struct StatementInfo {
    Sql id;
    const char* text; // SQLite text with named parameters
};

// The statement table. `statementText(id)` returns the SQL text for an id.
QString statementText(Sql id);
int statementCount();
const StatementInfo& statementAt(int index);
