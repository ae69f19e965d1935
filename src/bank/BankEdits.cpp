#include "bank/BankEdits.h"

#include "answering/PracticeSchedule.h"
#include "marking/Scoring.h"
#include "store/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>

namespace bank {

namespace {

const QString kListSeparator = QStringLiteral("、");

Paper paperOf(const RecordSet& rs) {
    return {rs.text("code"), rs.text("name"), rs.value("chouti"), rs.value("paixu"), rs.value("kstime")};
}

Question questionOf(const RecordSet& rs) {
    return {rs.text("code"),  rs.value("tihao"),    rs.text("question"),
            rs.text("pic"),   rs.text("authority"), rs.text("practice"),
            rs.text("jiexi"), rs.value("score"),    rs.text("tixing")};
}

// Named after the statements' parameters, in the bank's column order.
Params paramsOf(const QStringList& names, const QVariantList& values) {
    Params out;
    for (int i = 0; i < names.size(); ++i)
        out.append({names[i], values.value(i)});
    return out;
}

Params paperParams(const Paper& p) {
    return paramsOf({"code", "name", "chouti", "paixu", "kstime"}, values(p));
}

Params questionParams(const Question& q) {
    return paramsOf({"code", "n", "question", "pic", "authority", "practice", "jiexi", "score", "tixing"},
                    values(q));
}

bool paperExists(Store& store, const QString& code) {
    return store.query(Sql::PaperByCode, {{"code", code}}).rowCount() > 0;
}

bool questionExists(Store& store, const QString& code, const QVariant& number) {
    return store.query(Sql::QuestionExists, {{"code", code}, {"n", number}}).integer(1) > 0;
}

// The scoring rules follow their paper; a bank without them has nothing to change.
bool rules(Store& store, Sql id, const Params& params) {
    return !store.keepsRules() || store.execute(id, params);
}

// The practice history follows its questions; a bank without it has nothing to change.
bool history(Store& store, Sql id, const Params& params) {
    return !store.keepsHistory() || store.execute(id, params);
}

QString notSaved(Store& store) {
    return QStringLiteral("没有保存，题库没有改动：%1").arg(store.lastError());
}

QString checked(const QStringList& problems) {
    return problems.join(QLatin1Char('\n'));
}

} // namespace

QList<PaperSummary> listPapers(Store& store) {
    QList<PaperSummary> out;
    for (RecordSet rs = store.query(Sql::PaperList); !rs.atEnd(); rs.moveNext())
        out << PaperSummary{paperOf(rs), rs.integer(QStringLiteral("题数"))};
    return out;
}

std::optional<Paper> paperByCode(Store& store, const QString& code) {
    const RecordSet rs = store.query(Sql::PaperByCode, {{"code", code}});
    return rs.atEnd() ? std::nullopt : std::optional<Paper>(paperOf(rs));
}

std::optional<Question> questionByNumber(Store& store, const QString& code, qint64 number) {
    const RecordSet rs = store.query(Sql::Question, {{"code", code}, {"n", number}});
    return rs.atEnd() ? std::nullopt : std::optional<Question>(questionOf(rs));
}

QList<Question> listQuestions(Store& store, const QString& code) {
    QList<Question> out;
    for (RecordSet rs = store.query(Sql::QuestionList, {{"code", code}}); !rs.atEnd(); rs.moveNext())
        out << questionOf(rs);
    return out;
}

PaperContents paperContents(Store& store, const QString& code) {
    return {store.query(Sql::QuestionCount, {{"code", code}}).integer(1),
            store.query(Sql::PaperAnswerCount, {{"code", code}}).integer(1)};
}

qint64 questionAnswerCount(Store& store, const QString& code, qint64 number) {
    return store.query(Sql::QuestionAnswerCount, {{"code", code}, {"n", number}}).integer(1);
}

QString addPaper(Store& store, const Paper& paper) {
    if (const QStringList p = problems(paper); !p.isEmpty())
        return checked(p);
    if (paperExists(store, paper.code))
        return QStringLiteral("试卷编码“%1”已经有了，请换一个编码。").arg(paper.code);
    if (!store.inTransaction([&] { return store.execute(Sql::InsertPaper, paperParams(paper)); }))
        return notSaved(store);
    return {};
}

QString updatePaper(Store& store, const QString& oldCode, const Paper& paper) {
    if (const QStringList p = problems(paper); !p.isEmpty())
        return checked(p);
    const bool codeChanged = paper.code != oldCode;
    if (codeKey(paper.code) != codeKey(oldCode) && paperExists(store, paper.code))
        return QStringLiteral("试卷编码“%1”已经有了，请换一个编码。").arg(paper.code);
    const bool ok = store.inTransaction([&] {
        Params params = paperParams(paper);
        params.append({"old", oldCode});
        if (!store.execute(Sql::UpdatePaper, params))
            return false;
        if (!codeChanged)
            return true;
        return store.execute(Sql::MovePaperQuestions, {{"code", paper.code}, {"old", oldCode}}) &&
               store.execute(Sql::MovePaperAnswers, {{"code", paper.code}, {"old", oldCode}}) &&
               history(store, Sql::MovePaperHistory, {{"code", paper.code}, {"old", oldCode}}) &&
               rules(store, Sql::MovePaperRules, {{"code", paper.code}, {"old", oldCode}}) &&
               history(store, Sql::DeletePaperPlan, {{"code", oldCode}}) &&
               review::rebuildCards(store, paper.code);
    });
    return ok ? QString() : notSaved(store);
}

QString deletePaper(Store& store, const QString& code) {
    const bool ok = store.inTransaction([&] {
        return store.execute(Sql::DeletePaperAnswers, {{"code", code}}) &&
               history(store, Sql::DeletePaperHistory, {{"code", code}}) &&
               history(store, Sql::DeletePaperPlan, {{"code", code}}) &&
               rules(store, Sql::DeletePaperRules, {{"code", code}}) &&
               store.execute(Sql::DeletePaperQuestions, {{"code", code}}) &&
               store.execute(Sql::DeletePaper, {{"code", code}});
    });
    return ok ? QString() : QStringLiteral("没有删除，题库没有改动：%1").arg(store.lastError());
}

QString addQuestion(Store& store, const Question& question) {
    if (const QStringList p = problems(question); !p.isEmpty())
        return checked(p);
    if (!paperExists(store, question.code))
        return QStringLiteral("没有编码为“%1”的试卷。").arg(question.code);
    if (questionExists(store, question.code, question.tihao))
        return QStringLiteral("本试卷已经有第 %1 题，请换一个题号。").arg(question.tihao.toLongLong());
    if (!store.inTransaction([&] { return store.execute(Sql::InsertQuestion, questionParams(question)); }))
        return notSaved(store);
    return {};
}

QString updateQuestion(Store& store, qint64 oldNumber, const Question& question) {
    if (const QStringList p = problems(question); !p.isEmpty())
        return checked(p);
    const qint64 number = question.tihao.toLongLong();
    if (number != oldNumber && questionExists(store, question.code, number))
        return QStringLiteral("本试卷已经有第 %1 题，请换一个题号。").arg(number);
    const bool ok = store.inTransaction([&] {
        Params params = questionParams(question);
        params.removeIf([](const auto& p) { return p.first == QLatin1String("practice"); });
        params.append({"old", oldNumber});
        if (!store.execute(Sql::UpdateQuestion, params))
            return false;
        if (number == oldNumber)
            return true;
        return store.execute(Sql::MoveQuestionAnswers,
                             {{"n", number}, {"code", question.code}, {"old", oldNumber}}) &&
               history(store, Sql::MoveQuestionHistory,
                       {{"n", number}, {"code", question.code}, {"old", oldNumber}}) &&
               review::rebuildCards(store, question.code);
    });
    return ok ? QString() : notSaved(store);
}

QString deleteQuestion(Store& store, const QString& code, qint64 number) {
    const bool ok = store.inTransaction([&] {
        return store.execute(Sql::DeleteQuestionAnswers, {{"code", code}, {"n", number}}) &&
               history(store, Sql::DeleteQuestionHistory, {{"code", code}, {"n", number}}) &&
               review::rebuildCards(store, code) &&
               store.execute(Sql::DeleteQuestion, {{"code", code}, {"n", number}});
    });
    return ok ? QString() : QStringLiteral("没有删除，题库没有改动：%1").arg(store.lastError());
}

QString renumber(Store& store, const QString& code, int* changed) {
    int count = 0;
    const bool ok = store.inTransaction([&] {
        // Row ids, not numbers, name the rows: two questions that share a number still get two.
        QHash<qint64, qint64> newNumber;
        QList<QPair<qint64, qint64>> moves; // row id, new number
        qint64 next = 1;
        for (RecordSet rs = store.query(Sql::QuestionList, {{"code", code}}); !rs.atEnd();
             rs.moveNext(), ++next) {
            const qint64 old = rs.integer("tihao");
            if (!newNumber.contains(old))
                newNumber.insert(old, next);
            if (old != next)
                moves.append({rs.integer(QStringLiteral("行号")), next});
        }
        for (const auto& [id, n] : moves)
            if (!store.execute(Sql::RenumberQuestion, {{"n", n}, {"id", id}}))
                return false;
        // An answer's key is unique: an answer never takes a number another answer of its
        // candidate still has. The numbers keep their order, so answers moving down go lowest
        // first and answers moving up highest first.
        struct Move {
            qint64 id, from, to;
        };
        QList<Move> down, up;
        for (RecordSet rs = store.query(Sql::PaperAnswerRows, {{"code", code}}); !rs.atEnd(); rs.moveNext()) {
            const qint64 old = rs.integer("tihao");
            const qint64 n = newNumber.value(old, old);
            (n < old ? down : up).append({rs.integer(QStringLiteral("行号")), old, n});
        }
        std::sort(down.begin(), down.end(), [](const Move& a, const Move& b) { return a.from < b.from; });
        std::sort(up.begin(), up.end(), [](const Move& a, const Move& b) { return a.from > b.from; });
        for (const QList<Move>* moves : {&down, &up})
            for (const Move& m : *moves)
                if (m.to != m.from && !store.execute(Sql::RenumberAnswer, {{"n", m.to}, {"id", m.id}}))
                    return false;
        // The practice history follows its questions too (it has no unique key); the review
        // schedule is worked out again from it.
        auto followHistory = [&] {
            for (RecordSet rs = store.query(Sql::PaperHistoryRows, {{"code", code}}); !rs.atEnd();
                 rs.moveNext()) {
                const qint64 old = rs.integer("tihao");
                const qint64 n = newNumber.value(old, old);
                if (n != old && !store.execute(Sql::RenumberHistory,
                                               {{"n", n}, {"id", rs.integer(QStringLiteral("行号"))}}))
                    return false;
            }
            return true;
        };
        if ((store.keepsHistory() && !followHistory()) || !review::rebuildCards(store, code))
            return false;
        count = int(moves.size());
        return true;
    });
    if (changed)
        *changed = ok ? count : 0;
    return ok ? QString() : notSaved(store);
}

Tables readAll(Store& store) {
    Tables t;
    for (RecordSet rs = store.query(Sql::AllPapers); !rs.atEnd(); rs.moveNext())
        t.papers << paperOf(rs);
    for (const Paper& p : t.papers)
        if (const documents::ScoringRules r = scoring::readRules(store, p.code); !r.isPlain())
            t.rules.insert(p.code, r);
    for (RecordSet rs = store.query(Sql::AllQuestions); !rs.atEnd(); rs.moveNext())
        t.questions << questionOf(rs);
    for (RecordSet rs = store.query(Sql::AllAnswers); !rs.atEnd(); rs.moveNext())
        t.answers << Answer{rs.text("code"),    rs.value("tihao"),   rs.text("answer"),
                            rs.text("student"), rs.text("xingming"), rs.text("state")};
    if (store.keepsHistory())
        for (RecordSet rs = store.query(Sql::AllHistory); !rs.atEnd(); rs.moveNext())
            t.history << PracticeRecord{rs.text("code"), rs.value("tihao"), rs.text("answer"),
                                        qint64(rs.integer("correct") != 0 ? 1 : 0), rs.text("answered")};
    return t;
}

QString placePicture(const QString& bankDir, const QString& file, QString* copied, QString* error) {
    copied->clear();
    const QFileInfo source(file);
    if (!source.isFile()) {
        *error = QStringLiteral("找不到图片文件 %1。").arg(QDir::toNativeSeparators(file));
        return {};
    }
    const QDir pics(QDir(bankDir).filePath(QStringLiteral("pic")));
    if (source.canonicalPath() == QFileInfo(pics.path()).canonicalFilePath())
        return QStringLiteral("\\pic\\") + source.fileName();
    if (!pics.exists() && !QDir().mkpath(pics.path())) {
        *error = QStringLiteral("无法建立图片文件夹 %1。").arg(QDir::toNativeSeparators(pics.path()));
        return {};
    }
    const QString base = source.completeBaseName();
    const QString suffix = source.suffix().isEmpty() ? QString() : QLatin1Char('.') + source.suffix();
    QString name = source.fileName();
    // Names that differ only in letter case count as taken: pictures are found without regard
    // to case.
    const QStringList taken = pics.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    auto isTaken = [&](const QString& n) {
        for (const QString& t : taken)
            if (t.compare(n, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (int i = 2; isTaken(name); ++i)
        name = QStringLiteral("%1-%2%3").arg(base).arg(i).arg(suffix);
    const QString target = pics.filePath(name);
    if (!QFile::copy(file, target)) {
        *error = QStringLiteral("无法把图片复制到 %1。").arg(QDir::toNativeSeparators(target));
        return {};
    }
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    *copied = target;
    return QStringLiteral("\\pic\\") + name;
}

QStringList existingCodes(Store& store, const Tables& tables) {
    QStringList out;
    for (const Paper& p : tables.papers)
        if (paperExists(store, p.code))
            out << p.code;
    return out;
}

QString addTables(Store& store, const Tables& tables, bool replaceExisting) {
    const QStringList existing = existingCodes(store, tables);
    if (!existing.isEmpty() && !replaceExisting)
        return QStringLiteral("题库中已有这些编码的试卷：%1").arg(existing.join(kListSeparator));
    const bool ok = store.inTransaction([&] {
        for (const QString& code : existing)
            if (!store.execute(Sql::DeletePaperAnswers, {{"code", code}}) ||
                !history(store, Sql::DeletePaperHistory, {{"code", code}}) ||
                !rules(store, Sql::DeletePaperRules, {{"code", code}}) ||
                !store.execute(Sql::DeletePaperQuestions, {{"code", code}}) ||
                !store.execute(Sql::DeletePaper, {{"code", code}}))
                return false;
        for (const Paper& p : tables.papers)
            if (!store.execute(Sql::InsertPaper, paperParams(p)))
                return false;
        for (auto it = tables.rules.begin(); it != tables.rules.end(); ++it)
            if (!scoring::writeRules(store, it.key(), it.value()))
                return false;
        for (const Question& q : tables.questions)
            if (!store.execute(Sql::InsertQuestion, questionParams(q)))
                return false;
        for (const Answer& a : tables.answers)
            if (!store.execute(Sql::AppendExamAnswer,
                               paramsOf({"code", "n", "answer", "student", "name", "state"}, values(a))))
                return false;
        if (store.keepsHistory()) {
            for (const PracticeRecord& r : tables.history)
                if (!store.execute(Sql::AppendPractice,
                                   paramsOf({"code", "n", "answer", "correct", "answered"}, values(r))))
                    return false;
            // The review schedule of every paper that came in (a replaced one's too) from its history.
            for (const Paper& p : tables.papers)
                if (!review::rebuildCards(store, p.code))
                    return false;
        }
        return true;
    });
    return ok ? QString() : QStringLiteral("没有导入，题库没有改动：%1").arg(store.lastError());
}

} // namespace bank
