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

    // Many programs writing one bank.
    SaveExamAnswer = 45,  // stores an exam answer: adds its row, or replaces the answer of the row
                          // with its key (needs the unique index on the key)
    PaperResults = 46,    // every answer of a paper beside its question, by candidate and sitting
    SittingResults = 47,  // the same for one sitting
    FreeStaleClaims = 48, // a sitting claim whose program stopped sending signs of life (:seconds)
    ClaimSitting = 49,    // claims a sitting for one program; nothing when it is claimed already
    SittingClaim = 50,    // who holds a sitting (owner, host) and for how long it has been silent
    RenewClaim = 51,      // a sign of life of the program holding a sitting
    ReleaseClaim = 52,    // a program lets go of its sitting

    // The practice history (练习记录): one row per practice save, kept in step with the questions.
    AppendPractice = 53,        // one practice save: answer, right or wrong, time
    PaperHistory = 54,          // a paper's history by number and time: tihao, correct, answered
    QuestionNumbers = 55,       // the numbers of a paper's questions
    DailyPractice = 56,         // answers (题数) and right ones (答对) per day (日期) from :from on
    MovePaperHistory = 57,      // the history follows a changed paper code
    DeletePaperHistory = 58,    // all history of a paper
    MoveQuestionHistory = 59,   // the history follows a changed question number
    DeleteQuestionHistory = 60, // the history of one question
    PaperHistoryRows = 61,      // row ids (行号) and numbers of a paper's history
    RenumberHistory = 62,       // one history row, by row id, gets a new number
    AllHistory = 63,            // the whole history, by paper and time

    // The review schedule (复习计划) worked out from the history: one row per answered question.
    PlanOfQuestion = 64,  // box, due, answers, wrong of one question
    InsertPlan = 65,      // a question's first row
    UpdatePlan = 66,      // a question's row after another answer
    DueQuestions = 67,    // numbers due on :today, most overdue first
    DueCount = 68,        // count(*) of them
    NextDue = 69,         // the first question due after :today: tihao, due
    PaperPlan = 70,       // every row of a paper: tihao, box, due, answers, wrong
    DeletePaperPlan = 71, // all rows of a paper

    // The practice progress counted after every save: practice, authority of a paper's questions.
    PaperPractice = 72,

    // The statements that name the question type (题库.tixing), as a bank runs them whose type
    // column could not be added: the questions are read and written without their types.
    InsertQuestionWithoutType = 73,
    UpdateQuestionWithoutType = 74,
    QuestionsOfPaperWithoutType = 75,
    QuestionWithoutType = 76,
    CardQuestionWithoutType = 77,
    QuestionListWithoutType = 78,
    AllQuestionsWithoutType = 79,

    // The scoring rules (评分规则), and the reads that mark under them: each question's type beside
    // its answer. A bank without the type column runs the reads without it (withoutType), and its
    // questions are marked as the type their answers imply.
    PaperRules = 80,              // a paper's rules: tixing, guize, fenzhi, anbili, baodi
    DeletePaperRules = 81,        // all rules of a paper
    InsertPaperRule = 82,         // one type's rule of a paper
    MovePaperRules = 83,          // the rules follow a changed paper code
    AllRules = 84,                // every rule, by paper and type
    AnswerCardWithTypes = 85,     // AnswerCardWithQuestions with q.tixing
    PaperResultsWithTypes = 86,   // PaperResults with q.tixing
    SittingResultsWithTypes = 87, // SittingResults with q.tixing
    WrongPracticeWithTypes = 88,  // WrongPractice with tixing
    PaperPracticeWithTypes = 89,  // PaperPractice with tixing
};

// The two kinds of store the statements run on.
enum class Dialect { Sqlite, Postgres };

struct StatementInfo {
    Sql id;
    const char* text;         // SQLite text with named parameters
    const char* postgresText; // PostgreSQL text with the same parameters and meaning; null: the same
};

// The statement table. `statementText(id)` returns the SQL text for an id, as the given store
// reads it.
QString statementText(Sql id, Dialect dialect = Dialect::Sqlite);
// The statement a bank without the question type column runs instead of id (id itself when it names
// no type), and whether it takes the parameter :tixing.
Sql withoutType(Sql id);
int statementCount();
const StatementInfo& statementAt(int index);
