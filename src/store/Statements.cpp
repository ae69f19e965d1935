#include "store/Statements.h"

namespace {
// Text columns compare without regard to letter case, as the question banks always have: in SQLite
// they are declared COLLATE NOCASE, on a PostgreSQL server they are of the type citext (Schema.cpp),
// so `=`, `<>`, `like`, `distinct`, `order by` and the unique indexes read alike on both. The
// search text of the picker is bound with its own wildcards escaped (see Store), so a typed % or _
// matches itself.
//
// A PostgreSQL table has its row id as a column of its own, `rowid`, which `*` would list: there
// the statements name their columns. Where SQLite hands rows over in the order of the index or the
// table it reads without being asked, the PostgreSQL text asks for that order.
#define PAPER_COLUMNS "code, name, chouti, paixu, kstime"
#define UNTYPED_QUESTION_COLUMNS "code, tihao, question, pic, authority, practice, jiexi, score"
#define QUESTION_COLUMNS UNTYPED_QUESTION_COLUMNS ", tixing"
#define ANSWER_COLUMNS "code, tihao, answer, student, xingming, state"
#define HISTORY_COLUMNS "code, tihao, answer, correct, answered"
// Seconds since 1970 by the clock of the store: a claim's age is measured by one clock for every
// program.
#define SQLITE_NOW "cast(strftime('%s','now') as integer)"
#define POSTGRES_NOW "cast(extract(epoch from clock_timestamp()) as bigint)"
#define RESULTS_SELECT(QUESTION_LOOKUP)                                                                      \
    "select a.student, a.xingming, a.state, a.tihao, a.answer, q.authority, q.score "                        \
    "from 评分 a left join 题库 q on q.rowid = (" QUESTION_LOOKUP ") where a.code=:code "
#define TYPED_RESULTS_SELECT(QUESTION_LOOKUP)                                                                \
    "select a.student, a.xingming, a.state, a.tihao, a.answer, q.authority, q.score, q.tixing "              \
    "from 评分 a left join 题库 q on q.rowid = (" QUESTION_LOOKUP ") where a.code=:code "
#define CARD_SELECT "select a.tihao, a.answer, a.student, a.xingming, a.state, q.question, q.authority, q.score"
#define CARD_FROM                                                                                            \
    " from 评分 a left join 题库 q on q.rowid = (select rowid from 题库 where "
#define RULE_COLUMNS "code, tixing, guize, fenzhi, anbili, baodi"
#define SQLITE_LOOKUP                                                                                        \
    "select rowid from 题库 where tihao=coalesce(cast(a.tihao as integer), 0) and code=:code limit 1"
#define POSTGRES_LOOKUP                                                                                        \
    "select rowid from 题库 where tihao=coalesce(cast(a.tihao as bigint), 0) and code=:code order by rowid " \
    "limit 1"

const StatementInfo kStatements[] = {
    {Sql::PaperByCode, "select * from 试卷 where code=:code",
     "select " PAPER_COLUMNS " from 试卷 where code=:code order by rowid"},
    {Sql::QuestionCount, "select count(*) from 题库 where code=:code", nullptr},
    {Sql::QuestionsOfPaper, "select * from 题库 where code=:code",
     "select " QUESTION_COLUMNS " from 题库 where code=:code order by tihao, rowid"},
    {Sql::Question, "select * from 题库 where code=:code and tihao=:n",
     "select " QUESTION_COLUMNS " from 题库 where code=:code and tihao=:n order by rowid"},
    {Sql::QuestionExists, "select count(*) from 题库 where code=:code and tihao=:n", nullptr},
    {Sql::LastQuestion, "select max(tihao) AS 最大值 from 题库 where code=:code", nullptr},
    {Sql::SavePractice, "update 题库 set practice=:answer where code=:code and tihao=:n", nullptr},
    {Sql::ClearPractice, "update 题库 set practice='' where code=:code", nullptr},
    {Sql::WrongPractice,
     "select tihao, question, authority, practice from 题库 where code=:code and practice<>'' and "
     "practice<>authority order by rowid",
     nullptr},
    {Sql::ExamAnswer,
     "select * from 评分 where code=:code and tihao=:n and student=:student and state=:state",
     "select " ANSWER_COLUMNS
     " from 评分 where code=:code and tihao=:n and student=:student and state=:state order by rowid"},
    {Sql::ExamAnswerCount,
     "select count(*) from 评分 where code=:code and tihao=:n and student=:student and state=:state",
     nullptr},
    {Sql::UpdateExamAnswer,
     "update 评分 set answer=:answer where code=:code and tihao=:n and student=:student and state=:state",
     nullptr},
    {Sql::AppendExamAnswer,
     "insert into 评分 (tihao, code, answer, student, xingming, state) "
     "values (:n, :code, :answer, :student, :name, :state)",
     nullptr},
    {Sql::SittingAnswerCount,
     "select count(*) from 评分 where code=:code and student=:student and state=:state", nullptr},
    {Sql::Candidates, "select distinct(student) as student from 评分 where code=:code",
     "select distinct(student) as student from 评分 where code=:code order by student"},
    {Sql::Sittings, "select distinct(state) as state from 评分 where code=:code and student=:student",
     "select distinct(state) as state from 评分 where code=:code and student=:student order by state"},
    {Sql::AnswerCard,
     "select * from 评分 where code=:code and student=:student and state=:state order by tihao",
     "select " ANSWER_COLUMNS
     " from 评分 where code=:code and student=:student and state=:state order by tihao, rowid"},
    {Sql::CardQuestion, "select * from 题库 where tihao=:n and code=:code",
     "select " QUESTION_COLUMNS " from 题库 where tihao=:n and code=:code order by rowid"},
    {Sql::ClearSitting, "delete from 评分 where code=:code and student=:student and state=:state", nullptr},
    {Sql::DeleteAnswer,
     "delete from 评分 where tihao=:n and code=:code and student=:student and state=:state", nullptr},
    {Sql::AllPapers, "select * from 试卷 order by code",
     "select " PAPER_COLUMNS " from 试卷 order by code, rowid"},
    {Sql::SearchPapers,
     "select * from 试卷 where code like :pattern escape '\\' or name like :pattern escape '\\'",
     "select " PAPER_COLUMNS
     " from 试卷 where code like :pattern escape '\\' or name like :pattern escape '\\' order by rowid"},
    {Sql::AnswerCardWithQuestions,
     "select a.tihao, a.answer, a.student, a.xingming, a.state, q.question, q.authority, q.score "
     "from 评分 a left join 题库 q on q.rowid = (select rowid from 题库 where "
     "tihao=coalesce(cast(a.tihao as integer), 0) and code=:paper limit 1) "
     "where a.code=:code and a.student=:student and a.state=:state order by a.tihao, a.rowid",
     "select a.tihao, a.answer, a.student, a.xingming, a.state, q.question, q.authority, q.score "
     "from 评分 a left join 题库 q on q.rowid = (select rowid from 题库 where "
     "tihao=coalesce(cast(a.tihao as bigint), 0) and code=:paper order by rowid limit 1) "
     "where a.code=:code and a.student=:student and a.state=:state order by a.tihao, a.rowid"},

    {Sql::PaperList,
     "select 试卷.*, (select count(*) from 题库 where 题库.code=试卷.code) as 题数 "
     "from 试卷 order by code, rowid",
     "select " PAPER_COLUMNS ", (select count(*) from 题库 where 题库.code=试卷.code) as 题数 "
     "from 试卷 order by code, rowid"},
    {Sql::InsertPaper,
     "insert into 试卷 (code, name, chouti, paixu, kstime) "
     "values (:code, :name, :chouti, :paixu, :kstime)",
     nullptr},
    {Sql::UpdatePaper,
     "update 试卷 set code=:code, name=:name, chouti=:chouti, paixu=:paixu, kstime=:kstime "
     "where code=:old",
     nullptr},
    {Sql::MovePaperQuestions, "update 题库 set code=:code where code=:old", nullptr},
    {Sql::MovePaperAnswers, "update 评分 set code=:code where code=:old", nullptr},
    {Sql::DeletePaper, "delete from 试卷 where code=:code", nullptr},
    {Sql::DeletePaperQuestions, "delete from 题库 where code=:code", nullptr},
    {Sql::DeletePaperAnswers, "delete from 评分 where code=:code", nullptr},
    {Sql::PaperAnswerCount, "select count(*) from 评分 where code=:code", nullptr},
    {Sql::QuestionList, "select rowid as 行号, * from 题库 where code=:code order by tihao, rowid",
     "select rowid as 行号, " QUESTION_COLUMNS " from 题库 where code=:code order by tihao, rowid"},
    {Sql::InsertQuestion,
     "insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score, tixing) "
     "values (:code, :n, :question, :pic, :authority, :practice, :jiexi, :score, :tixing)",
     nullptr},
    {Sql::UpdateQuestion,
     "update 题库 set tihao=:n, question=:question, pic=:pic, authority=:authority, "
     "jiexi=:jiexi, score=:score, tixing=:tixing where code=:code and tihao=:old",
     nullptr},
    {Sql::MoveQuestionAnswers, "update 评分 set tihao=:n where code=:code and tihao=:old", nullptr},
    {Sql::DeleteQuestion, "delete from 题库 where code=:code and tihao=:n", nullptr},
    {Sql::DeleteQuestionAnswers, "delete from 评分 where code=:code and tihao=:n", nullptr},
    {Sql::QuestionAnswerCount, "select count(*) from 评分 where code=:code and tihao=:n", nullptr},
    {Sql::RenumberQuestion, "update 题库 set tihao=:n where rowid=:id", nullptr},
    {Sql::PaperAnswerRows, "select rowid as 行号, tihao from 评分 where code=:code", nullptr},
    {Sql::RenumberAnswer, "update 评分 set tihao=:n where rowid=:id", nullptr},
    {Sql::AllQuestions, "select * from 题库 order by code, tihao, rowid",
     "select " QUESTION_COLUMNS " from 题库 order by code, tihao, rowid"},
    {Sql::AllAnswers, "select * from 评分 order by code, student, state, tihao, rowid",
     "select " ANSWER_COLUMNS " from 评分 order by code, student, state, tihao, rowid"},

    {Sql::SaveExamAnswer,
     "insert into 评分 (tihao, code, answer, student, xingming, state) "
     "values (:n, :code, :answer, :student, :name, :state) "
     "on conflict (code, student, state, tihao) do update set answer=excluded.answer",
     nullptr},
    {Sql::PaperResults, RESULTS_SELECT(SQLITE_LOOKUP) "order by a.student, a.state, a.tihao, a.rowid",
     RESULTS_SELECT(POSTGRES_LOOKUP) "order by a.student, a.state, a.tihao, a.rowid"},
    {Sql::SittingResults,
     RESULTS_SELECT(SQLITE_LOOKUP) "and a.state=:state order by a.student, a.state, a.tihao, a.rowid",
     RESULTS_SELECT(POSTGRES_LOOKUP) "and a.state=:state order by a.student, a.state, a.tihao, a.rowid"},
    {Sql::FreeStaleClaims,
     "delete from 在考 where code=:code and student=:student and state=:state and "
     "heartbeat < " SQLITE_NOW " - :seconds",
     "delete from 在考 where code=:code and student=:student and state=:state and "
     "heartbeat < " POSTGRES_NOW " - :seconds"},
    {Sql::ClaimSitting,
     "insert into 在考 (code, student, state, owner, host, started, heartbeat) "
     "values (:code, :student, :state, :owner, :host, " SQLITE_NOW ", " SQLITE_NOW ") "
     "on conflict (code, student, state) do nothing",
     "insert into 在考 (code, student, state, owner, host, started, heartbeat) "
     "values (:code, :student, :state, :owner, :host, " POSTGRES_NOW ", " POSTGRES_NOW ") "
     "on conflict (code, student, state) do nothing"},
    {Sql::SittingClaim,
     "select owner, host, " SQLITE_NOW " - heartbeat as 静默秒数 from 在考 "
     "where code=:code and student=:student and state=:state",
     "select owner, host, " POSTGRES_NOW " - heartbeat as 静默秒数 from 在考 "
     "where code=:code and student=:student and state=:state"},
    {Sql::RenewClaim,
     "update 在考 set heartbeat=" SQLITE_NOW
     " where code=:code and student=:student and state=:state and owner=:owner",
     "update 在考 set heartbeat=" POSTGRES_NOW
     " where code=:code and student=:student and state=:state and owner=:owner"},
    {Sql::ReleaseClaim,
     "delete from 在考 where code=:code and student=:student and state=:state and owner=:owner", nullptr},

    {Sql::PaperList,
     "select 试卷.*, (select count(*) from 题库 where 题库.code=试卷.code) as 题数 "
     "from 试卷 order by code, rowid",
     nullptr},
    {Sql::InsertPaper,
     "insert into 试卷 (code, name, chouti, paixu, kstime) "
     "values (:code, :name, :chouti, :paixu, :kstime)",
     nullptr},
    {Sql::UpdatePaper,
     "update 试卷 set code=:code, name=:name, chouti=:chouti, paixu=:paixu, kstime=:kstime "
     "where code=:old",
     nullptr},
    {Sql::MovePaperQuestions, "update 题库 set code=:code where code=:old", nullptr},
    {Sql::MovePaperAnswers, "update 评分 set code=:code where code=:old", nullptr},
    {Sql::DeletePaper, "delete from 试卷 where code=:code", nullptr},
    {Sql::DeletePaperQuestions, "delete from 题库 where code=:code", nullptr},
    {Sql::DeletePaperAnswers, "delete from 评分 where code=:code", nullptr},
    {Sql::PaperAnswerCount, "select count(*) from 评分 where code=:code", nullptr},
    {Sql::QuestionList, "select rowid as 行号, * from 题库 where code=:code order by tihao, rowid", nullptr},
    {Sql::InsertQuestion,
     "insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score, tixing) "
     "values (:code, :n, :question, :pic, :authority, :practice, :jiexi, :score, :tixing)",
     nullptr},
    {Sql::UpdateQuestion,
     "update 题库 set tihao=:n, question=:question, pic=:pic, authority=:authority, "
     "jiexi=:jiexi, score=:score, tixing=:tixing where code=:code and tihao=:old",
     nullptr},
    {Sql::MoveQuestionAnswers, "update 评分 set tihao=:n where code=:code and tihao=:old", nullptr},
    {Sql::DeleteQuestion, "delete from 题库 where code=:code and tihao=:n", nullptr},
    {Sql::DeleteQuestionAnswers, "delete from 评分 where code=:code and tihao=:n", nullptr},
    {Sql::QuestionAnswerCount, "select count(*) from 评分 where code=:code and tihao=:n", nullptr},
    {Sql::RenumberQuestion, "update 题库 set tihao=:n where rowid=:id", nullptr},
    {Sql::PaperAnswerRows, "select rowid as 行号, tihao from 评分 where code=:code", nullptr},
    {Sql::RenumberAnswer, "update 评分 set tihao=:n where rowid=:id", nullptr},
    {Sql::AllQuestions, "select * from 题库 order by code, tihao, rowid", nullptr},
    {Sql::AllAnswers, "select * from 评分 order by code, student, state, tihao, rowid", nullptr},

    {Sql::AppendPractice,
     "insert into 练习记录 (code, tihao, answer, correct, answered) "
     "values (:code, :n, :answer, :correct, :answered)",
     nullptr},
    {Sql::PaperHistory,
     "select tihao, correct, answered from 练习记录 where code=:code order by tihao, answered, rowid",
     nullptr},
    {Sql::QuestionNumbers, "select tihao from 题库 where code=:code", nullptr},
    {Sql::DailyPractice,
     "select substr(answered, 1, 10) as 日期, count(*) as 题数, sum(correct) as 答对 "
     "from 练习记录 where code=:code and answered>=:from group by 日期 order by 日期",
     nullptr},
    {Sql::MovePaperHistory, "update 练习记录 set code=:code where code=:old", nullptr},
    {Sql::DeletePaperHistory, "delete from 练习记录 where code=:code", nullptr},
    {Sql::MoveQuestionHistory, "update 练习记录 set tihao=:n where code=:code and tihao=:old", nullptr},
    {Sql::DeleteQuestionHistory, "delete from 练习记录 where code=:code and tihao=:n", nullptr},
    {Sql::PaperHistoryRows, "select rowid as 行号, tihao from 练习记录 where code=:code", nullptr},
    {Sql::RenumberHistory, "update 练习记录 set tihao=:n where rowid=:id", nullptr},
    {Sql::AllHistory, "select * from 练习记录 order by code, answered, rowid",
     "select " HISTORY_COLUMNS " from 练习记录 order by code, answered, rowid"},

    {Sql::PlanOfQuestion, "select box, due, answers, wrong from 复习计划 where code=:code and tihao=:n",
     nullptr},
    {Sql::InsertPlan,
     "insert into 复习计划 (code, tihao, box, due, answers, wrong) "
     "values (:code, :n, :box, :due, :answers, :wrong)",
     nullptr},
    {Sql::UpdatePlan,
     "update 复习计划 set box=:box, due=:due, answers=:answers, wrong=:wrong where code=:code and tihao=:n",
     nullptr},
    {Sql::DueQuestions,
     "select tihao from 复习计划 where code=:code and due<=:today order by due, box, tihao", nullptr},
    {Sql::DueCount, "select count(*) from 复习计划 where code=:code and due<=:today", nullptr},
    {Sql::NextDue,
     "select tihao, due from 复习计划 where code=:code and due>:today order by due, tihao limit 1", nullptr},
    {Sql::PaperPlan, "select tihao, box, due, answers, wrong from 复习计划 where code=:code", nullptr},
    {Sql::DeletePaperPlan, "delete from 复习计划 where code=:code", nullptr},
    {Sql::PaperPractice, "select practice, authority from 题库 where code=:code", nullptr},

    {Sql::InsertQuestionWithoutType,
     "insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
     "values (:code, :n, :question, :pic, :authority, :practice, :jiexi, :score)",
     nullptr},
    {Sql::UpdateQuestionWithoutType,
     "update 题库 set tihao=:n, question=:question, pic=:pic, authority=:authority, "
     "jiexi=:jiexi, score=:score where code=:code and tihao=:old",
     nullptr},
    {Sql::QuestionsOfPaperWithoutType, "select * from 题库 where code=:code",
     "select " UNTYPED_QUESTION_COLUMNS " from 题库 where code=:code order by tihao, rowid"},
    {Sql::QuestionWithoutType, "select * from 题库 where code=:code and tihao=:n",
     "select " UNTYPED_QUESTION_COLUMNS " from 题库 where code=:code and tihao=:n order by rowid"},
    {Sql::CardQuestionWithoutType, "select * from 题库 where tihao=:n and code=:code",
     "select " UNTYPED_QUESTION_COLUMNS " from 题库 where tihao=:n and code=:code order by rowid"},
    {Sql::QuestionListWithoutType, "select rowid as 行号, * from 题库 where code=:code order by tihao, rowid",
     "select rowid as 行号, " UNTYPED_QUESTION_COLUMNS " from 题库 where code=:code order by tihao, rowid"},
    {Sql::AllQuestionsWithoutType, "select * from 题库 order by code, tihao, rowid",
     "select " UNTYPED_QUESTION_COLUMNS " from 题库 order by code, tihao, rowid"},

    {Sql::PaperRules, "select tixing, guize, fenzhi, anbili, baodi from 评分规则 where code=:code", nullptr},
    {Sql::DeletePaperRules, "delete from 评分规则 where code=:code", nullptr},
    {Sql::InsertPaperRule,
     "insert into 评分规则 (" RULE_COLUMNS ") values (:code, :tixing, :rule, :amount, :proportional, :floor)",
     nullptr},
    {Sql::MovePaperRules, "update 评分规则 set code=:code where code=:old", nullptr},
    {Sql::AllRules, "select " RULE_COLUMNS " from 评分规则 order by code, tixing", nullptr},
    {Sql::AnswerCardWithTypes,
     CARD_SELECT ", q.tixing" CARD_FROM "tihao=coalesce(cast(a.tihao as integer), 0) and code=:paper limit 1) "
                 "where a.code=:code and a.student=:student and a.state=:state order by a.tihao, a.rowid",
     CARD_SELECT ", q.tixing" CARD_FROM
                 "tihao=coalesce(cast(a.tihao as bigint), 0) and code=:paper order by rowid limit 1) "
                 "where a.code=:code and a.student=:student and a.state=:state order by a.tihao, a.rowid"},
    {Sql::PaperResultsWithTypes,
     TYPED_RESULTS_SELECT(SQLITE_LOOKUP) "order by a.student, a.state, a.tihao, a.rowid",
     TYPED_RESULTS_SELECT(POSTGRES_LOOKUP) "order by a.student, a.state, a.tihao, a.rowid"},
    {Sql::SittingResultsWithTypes,
     TYPED_RESULTS_SELECT(SQLITE_LOOKUP) "and a.state=:state order by a.student, a.state, a.tihao, a.rowid",
     TYPED_RESULTS_SELECT(POSTGRES_LOOKUP) "and a.state=:state order by a.student, a.state, a.tihao, a.rowid"},
    {Sql::WrongPracticeWithTypes,
     "select tihao, question, authority, practice, tixing from 题库 where code=:code and practice<>'' and "
     "practice<>authority order by rowid",
     nullptr},
    {Sql::PaperPracticeWithTypes, "select practice, authority, tixing from 题库 where code=:code", nullptr},
};
} // namespace

QString statementText(Sql id, Dialect dialect) {
    for (const auto& s : kStatements)
        if (s.id == id)
            return QString::fromUtf8(dialect == Dialect::Postgres && s.postgresText ? s.postgresText
                                                                                    : s.text);
    return {};
}

Sql withoutType(Sql id) {
    switch (id) {
    case Sql::InsertQuestion:
        return Sql::InsertQuestionWithoutType;
    case Sql::UpdateQuestion:
        return Sql::UpdateQuestionWithoutType;
    case Sql::QuestionsOfPaper:
        return Sql::QuestionsOfPaperWithoutType;
    case Sql::Question:
        return Sql::QuestionWithoutType;
    case Sql::CardQuestion:
        return Sql::CardQuestionWithoutType;
    case Sql::QuestionList:
        return Sql::QuestionListWithoutType;
    case Sql::AllQuestions:
        return Sql::AllQuestionsWithoutType;
    case Sql::AnswerCardWithTypes:
        return Sql::AnswerCardWithQuestions;
    case Sql::PaperResultsWithTypes:
        return Sql::PaperResults;
    case Sql::SittingResultsWithTypes:
        return Sql::SittingResults;
    case Sql::WrongPracticeWithTypes:
        return Sql::WrongPractice;
    case Sql::PaperPracticeWithTypes:
        return Sql::PaperPractice;
    default:
        return id;
    }
}

int statementCount() {
    return int(std::size(kStatements));
}

const StatementInfo& statementAt(int index) {
    return kStatements[index];
}
