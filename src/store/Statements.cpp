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
