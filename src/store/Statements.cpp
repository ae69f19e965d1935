#include "store/Statements.h"

namespace {
// Text columns are declared COLLATE NOCASE, so `=`, `<>` and `like` compare as the question
// banks always have: without regard to letter case. The search text of the picker is bound with
// its own wildcards escaped (see Store), so a typed % or _ matches itself.
const StatementInfo kStatements[] = {
    {Sql::PaperByCode, "select * from 试卷 where code=:code"},
    {Sql::QuestionCount, "select count(*) from 题库 where code=:code"},
    {Sql::QuestionsOfPaper, "select * from 题库 where code=:code"},
    {Sql::Question, "select * from 题库 where code=:code and tihao=:n"},
    {Sql::QuestionExists, "select count(*) from 题库 where code=:code and tihao=:n"},
    {Sql::LastQuestion, "select max(tihao) AS 最大值 from 题库 where code=:code"},
    {Sql::SavePractice, "update 题库 set practice=:answer where code=:code and tihao=:n"},
    {Sql::ClearPractice, "update 题库 set practice='' where code=:code"},
    {Sql::WrongPractice,
     "select tihao, question, authority, practice from 题库 where code=:code and practice<>'' and "
     "practice<>authority order by rowid"},
    {Sql::ExamAnswer,
     "select * from 评分 where code=:code and tihao=:n and student=:student and state=:state"},
    {Sql::ExamAnswerCount,
     "select count(*) from 评分 where code=:code and tihao=:n and student=:student and state=:state"},
    {Sql::UpdateExamAnswer,
     "update 评分 set answer=:answer where code=:code and tihao=:n and student=:student and state=:state"},
    {Sql::AppendExamAnswer, "insert into 评分 (tihao, code, answer, student, xingming, state) "
                            "values (:n, :code, :answer, :student, :name, :state)"},
    {Sql::SittingAnswerCount,
     "select count(*) from 评分 where code=:code and student=:student and state=:state"},
    {Sql::Candidates, "select distinct(student) as student from 评分 where code=:code"},
    {Sql::Sittings, "select distinct(state) as state from 评分 where code=:code and student=:student"},
    {Sql::AnswerCard,
     "select * from 评分 where code=:code and student=:student and state=:state order by tihao"},
    {Sql::CardQuestion, "select * from 题库 where tihao=:n and code=:code"},
    {Sql::ClearSitting, "delete from 评分 where code=:code and student=:student and state=:state"},
    {Sql::DeleteAnswer,
     "delete from 评分 where tihao=:n and code=:code and student=:student and state=:state"},
    {Sql::AllPapers, "select * from 试卷 order by code"},
    {Sql::SearchPapers,
     "select * from 试卷 where code like :pattern escape '\\' or name like :pattern escape '\\'"},
    {Sql::AnswerCardWithQuestions,
     "select a.tihao, a.answer, a.student, a.xingming, a.state, q.question, q.authority, q.score "
     "from 评分 a left join 题库 q on q.rowid = (select rowid from 题库 where "
     "tihao=coalesce(cast(a.tihao as integer), 0) and code=:paper limit 1) "
     "where a.code=:code and a.student=:student and a.state=:state order by a.tihao, a.rowid"},

    {Sql::PaperList, "select 试卷.*, (select count(*) from 题库 where 题库.code=试卷.code) as 题数 "
                     "from 试卷 order by code, rowid"},
    {Sql::InsertPaper, "insert into 试卷 (code, name, chouti, paixu, kstime) "
                       "values (:code, :name, :chouti, :paixu, :kstime)"},
    {Sql::UpdatePaper, "update 试卷 set code=:code, name=:name, chouti=:chouti, paixu=:paixu, kstime=:kstime "
                       "where code=:old"},
    {Sql::MovePaperQuestions, "update 题库 set code=:code where code=:old"},
    {Sql::MovePaperAnswers, "update 评分 set code=:code where code=:old"},
    {Sql::DeletePaper, "delete from 试卷 where code=:code"},
    {Sql::DeletePaperQuestions, "delete from 题库 where code=:code"},
    {Sql::DeletePaperAnswers, "delete from 评分 where code=:code"},
    {Sql::PaperAnswerCount, "select count(*) from 评分 where code=:code"},
    {Sql::QuestionList, "select rowid as 行号, * from 题库 where code=:code order by tihao, rowid"},
    {Sql::InsertQuestion, "insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
                          "values (:code, :n, :question, :pic, :authority, :practice, :jiexi, :score)"},
    {Sql::UpdateQuestion, "update 题库 set tihao=:n, question=:question, pic=:pic, authority=:authority, "
                          "jiexi=:jiexi, score=:score where code=:code and tihao=:old"},
    {Sql::MoveQuestionAnswers, "update 评分 set tihao=:n where code=:code and tihao=:old"},
    {Sql::DeleteQuestion, "delete from 题库 where code=:code and tihao=:n"},
    {Sql::DeleteQuestionAnswers, "delete from 评分 where code=:code and tihao=:n"},
    {Sql::QuestionAnswerCount, "select count(*) from 评分 where code=:code and tihao=:n"},
    {Sql::RenumberQuestion, "update 题库 set tihao=:n where rowid=:id"},
    {Sql::PaperAnswerRows, "select rowid as 行号, tihao from 评分 where code=:code"},
    {Sql::RenumberAnswer, "update 评分 set tihao=:n where rowid=:id"},
    {Sql::AllQuestions, "select * from 题库 order by code, tihao, rowid"},
    {Sql::AllAnswers, "select * from 评分 order by code, student, state, tihao, rowid"},

    {Sql::AppendPractice, "insert into 练习记录 (code, tihao, answer, correct, answered) "
                          "values (:code, :n, :answer, :correct, :answered)"},
    {Sql::PaperHistory,
     "select tihao, correct, answered from 练习记录 where code=:code order by tihao, answered, rowid"},
    {Sql::QuestionNumbers, "select tihao from 题库 where code=:code"},
    {Sql::DailyPractice, "select substr(answered, 1, 10) as 日期, count(*) as 题数, sum(correct) as 答对 "
                         "from 练习记录 where code=:code and answered>=:from group by 日期 order by 日期"},
    {Sql::MovePaperHistory, "update 练习记录 set code=:code where code=:old"},
    {Sql::DeletePaperHistory, "delete from 练习记录 where code=:code"},
    {Sql::MoveQuestionHistory, "update 练习记录 set tihao=:n where code=:code and tihao=:old"},
    {Sql::DeleteQuestionHistory, "delete from 练习记录 where code=:code and tihao=:n"},
    {Sql::PaperHistoryRows, "select rowid as 行号, tihao from 练习记录 where code=:code"},
    {Sql::RenumberHistory, "update 练习记录 set tihao=:n where rowid=:id"},
    {Sql::AllHistory, "select * from 练习记录 order by code, answered, rowid"},

    {Sql::PlanOfQuestion, "select box, due, answers, wrong from 复习计划 where code=:code and tihao=:n"},
    {Sql::InsertPlan, "insert into 复习计划 (code, tihao, box, due, answers, wrong) "
                      "values (:code, :n, :box, :due, :answers, :wrong)"},
    {Sql::UpdatePlan,
     "update 复习计划 set box=:box, due=:due, answers=:answers, wrong=:wrong where code=:code and tihao=:n"},
    {Sql::DueQuestions,
     "select tihao from 复习计划 where code=:code and due<=:today order by due, box, tihao"},
    {Sql::DueCount, "select count(*) from 复习计划 where code=:code and due<=:today"},
    {Sql::NextDue,
     "select tihao, due from 复习计划 where code=:code and due>:today order by due, tihao limit 1"},
    {Sql::PaperPlan, "select tihao, box, due, answers, wrong from 复习计划 where code=:code"},
    {Sql::DeletePaperPlan, "delete from 复习计划 where code=:code"},
};
} // namespace

QString statementText(Sql id) {
    for (const auto& s : kStatements)
        if (s.id == id)
            return QString::fromUtf8(s.text);
    return {};
}

int statementCount() {
    return int(std::size(kStatements));
}

const StatementInfo& statementAt(int index) {
    return kStatements[index];
}
