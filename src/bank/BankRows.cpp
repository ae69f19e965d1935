#include "bank/BankRows.h"

#include "answering/AnswerText.h"
#include "documents/Document.h"
#include "ui/Gbk.h"

#include <QDateTime>
#include <cmath>

namespace bank {

namespace {

bool isWholeNumber(const QVariant& v) {
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
}

// A number column: present, a number, and not below zero.
void checkNumber(const QVariant& v, const QString& what, bool whole, qint64 least, QStringList* out) {
    if (v.isNull() || !v.isValid()) {
        *out << QStringLiteral("%1不能为空").arg(what);
        return;
    }
    if (whole && !isWholeNumber(v)) {
        *out << QStringLiteral("%1必须是整数").arg(what);
        return;
    }
    if (v.toDouble() < double(least))
        *out << QStringLiteral("%1不能小于 %2").arg(what).arg(least);
}

void checkGbk(const QString& text, const QString& what, QStringList* out) {
    if (!gbk::canEncode(text))
        *out << QStringLiteral("%1中有 GBK 编码之外的字符").arg(what);
}

void checkFilled(const QString& text, const QString& what, QStringList* out) {
    if (text.trimmed().isEmpty())
        *out << QStringLiteral("%1不能为空").arg(what);
}

} // namespace

QVariant stored(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QVariantList values(const Paper& p) {
    return {stored(p.code), stored(p.name), p.chouti, p.paixu, p.kstime};
}
QVariantList values(const Question& q) {
    return {
        stored(q.code),  q.tihao, stored(q.question), stored(q.pic), stored(q.authority), stored(q.practice),
        stored(q.jiexi), q.score, stored(q.tixing)};
}
QVariantList values(const Answer& a) {
    return {stored(a.code),     a.tihao,        stored(a.answer), stored(a.student),
            stored(a.xingming), stored(a.state)};
}

QVariantList values(const PracticeRecord& r) {
    return {stored(r.code), r.tihao, stored(r.answer), r.correct, stored(r.answered)};
}

QStringList problems(const Paper& p) {
    QStringList out;
    checkFilled(p.code, QStringLiteral("试卷编码"), &out);
    checkFilled(p.name, QStringLiteral("试卷名称"), &out);
    checkNumber(p.chouti, QStringLiteral("抽题"), false, 0, &out);
    if (p.paixu.isNull() || !p.paixu.isValid())
        out << QStringLiteral("排序只能是 1/0、是/否、顺序/随机 或 TRUE/FALSE");
    checkNumber(p.kstime, QStringLiteral("考试时间"), false, 0, &out);
    checkGbk(p.code, QStringLiteral("试卷编码"), &out);
    checkGbk(p.name, QStringLiteral("试卷名称"), &out);
    return out;
}

QStringList problems(const Question& q) {
    QStringList out;
    checkFilled(q.code, QStringLiteral("试卷编码"), &out);
    checkNumber(q.tihao, QStringLiteral("题号"), true, 1, &out);
    checkFilled(q.question, QStringLiteral("题目"), &out);
    const QString a = q.authority;
    if (a.isEmpty()) {
        out << QStringLiteral("标准答案不能为空");
    } else if (a != QStringLiteral("对") && a != QStringLiteral("错")) {
        bool letters = true;
        for (const QChar c : a)
            letters = letters && c >= QLatin1Char('A') && c <= QLatin1Char('G');
        if (!letters)
            out << QStringLiteral("标准答案只能由 A–G 组成，或者是“对”或“错”");
        else
            for (int i = 0; i < a.size(); ++i)
                if (a.indexOf(a[i], i + 1) > 0) {
                    out << QStringLiteral("标准答案中的 %1 重复了").arg(a[i]);
                    break;
                }
    }
    if (a != standardAnswer(a))
        out << QStringLiteral("标准答案要写成去掉空格的大写形式：%1").arg(standardAnswer(a));
    checkNumber(q.score, QStringLiteral("分值"), false, 0, &out);
    if (!q.tixing.isEmpty() && !questionTypes().contains(q.tixing)) {
        out << QStringLiteral("题型只能是 %1，或者空着（按标准答案判断）")
                   .arg(questionTypes().join(QStringLiteral("、")));
    } else if (!a.isEmpty() && !q.tixing.isEmpty()) {
        const bool trueFalse = a == QStringLiteral("对") || a == QStringLiteral("错");
        if (q.tixing == QStringLiteral("判断") && !trueFalse)
            out << QStringLiteral("判断题的标准答案只能是“对”或“错”");
        else if (q.tixing != QStringLiteral("判断") && trueFalse)
            out << QStringLiteral("%1题的标准答案要用字母，不能是“%2”").arg(q.tixing, a);
        else if (q.tixing == QStringLiteral("单选") && a.size() > 1)
            out << QStringLiteral("单选题只能有一个标准答案，这里是 %1").arg(a);
    }
    checkGbk(q.code, QStringLiteral("试卷编码"), &out);
    checkGbk(q.question, QStringLiteral("题目"), &out);
    checkGbk(q.pic, QStringLiteral("图片"), &out);
    checkGbk(q.practice, QStringLiteral("练习答案"), &out);
    checkGbk(q.jiexi, QStringLiteral("解析"), &out);
    return out;
}

QStringList problems(const Answer& a) {
    QStringList out;
    checkFilled(a.code, QStringLiteral("试卷编码"), &out);
    checkNumber(a.tihao, QStringLiteral("题号"), true, 1, &out);
    checkFilled(a.student, QStringLiteral("考号"), &out);
    checkFilled(a.state, QStringLiteral("场次"), &out);
    for (const auto& [text, what] :
         {std::pair{&a.code, "试卷编码"}, std::pair{&a.answer, "答案"}, std::pair{&a.student, "考号"},
          std::pair{&a.xingming, "姓名"}, std::pair{&a.state, "场次"}})
        checkGbk(*text, QString::fromUtf8(what), &out);
    return out;
}

QStringList problems(const PracticeRecord& r) {
    QStringList out;
    checkFilled(r.code, QStringLiteral("试卷编码"), &out);
    checkNumber(r.tihao, QStringLiteral("题号"), true, 1, &out);
    if (r.correct.isNull() || !r.correct.isValid())
        out << QStringLiteral("对错只能是 1/0、对/错、是/否 或 TRUE/FALSE");
    if (cellTime(r.answered).isEmpty())
        out << QStringLiteral("答题时间应写成“2024-05-01 08:30:00”这样的日期和时间");
    checkGbk(r.code, QStringLiteral("试卷编码"), &out);
    checkGbk(r.answer, QStringLiteral("答案"), &out);
    return out;
}

QString standardAnswer(const QString& typed) {
    return answer::normalise(typed);
}

QStringList questionTypes() {
    using documents::Type;
    QStringList out;
    for (Type t : {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite})
        out << documents::typeText(t);
    return out;
}

QString typeOf(const Question& q) {
    if (!q.tixing.trimmed().isEmpty())
        return q.tixing.trimmed();
    return documents::typeText(documents::typeFromAnswer(standardAnswer(q.authority)));
}

QString orderText(const QVariant& paixu) {
    const double v = paixu.toDouble();
    return std::fabs(v) > 1e-7 ? QStringLiteral("顺序") : QStringLiteral("随机");
}

QString codeKey(const QString& code) {
    QString key = code;
    for (QChar& c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return key;
}

bool isEmptyCell(const QVariant& cell) {
    if (cell.isNull() || !cell.isValid())
        return true;
    return cell.typeId() == QMetaType::QString && cell.toString().trimmed().isEmpty();
}

QString cellText(const QVariant& cell) {
    if (cell.isNull() || !cell.isValid())
        return {};
    switch (cell.typeId()) {
    case QMetaType::Double: {
        const double d = cell.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    case QMetaType::Bool:
        return cell.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    default:
        return cell.toString();
    }
}

QVariant cellNumber(const QVariant& cell) {
    double d = 0;
    if (cell.typeId() == QMetaType::Double || cell.typeId() == QMetaType::LongLong ||
        cell.typeId() == QMetaType::Int) {
        d = cell.toDouble();
    } else if (cell.typeId() == QMetaType::QString) {
        const QString t = cell.toString().trimmed();
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (ok)
            return n;
        d = t.toDouble(&ok);
        if (!ok || t.isEmpty())
            return {};
    } else {
        return {};
    }
    if (!std::isfinite(d))
        return {};
    if (d == std::trunc(d) && std::fabs(d) < 9e15)
        return qint64(d);
    return d;
}

QVariant cellOrder(const QVariant& cell) {
    if (cell.typeId() == QMetaType::Bool)
        return qint64(cell.toBool() ? 1 : 0);
    const QString t = cellText(cell).trimmed();
    if (t == QStringLiteral("1") || t == QStringLiteral("是") || t == QStringLiteral("顺序") ||
        t.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0)
        return qint64(1);
    if (t == QStringLiteral("0") || t == QStringLiteral("否") || t == QStringLiteral("随机") ||
        t.compare(QStringLiteral("FALSE"), Qt::CaseInsensitive) == 0)
        return qint64(0);
    if (t == QStringLiteral("-1"))
        return qint64(-1);
    return {};
}

QVariant cellCorrect(const QVariant& cell) {
    if (cell.typeId() == QMetaType::Bool)
        return qint64(cell.toBool() ? 1 : 0);
    const QString t = cellText(cell).trimmed();
    if (t == QStringLiteral("1") || t == QStringLiteral("对") || t == QStringLiteral("是") ||
        t.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0)
        return qint64(1);
    if (t == QStringLiteral("0") || t == QStringLiteral("错") || t == QStringLiteral("否") ||
        t.compare(QStringLiteral("FALSE"), Qt::CaseInsensitive) == 0)
        return qint64(0);
    return {};
}

QString cellTime(const QVariant& cell) {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    if (cell.typeId() == QMetaType::Double || cell.typeId() == QMetaType::LongLong ||
        cell.typeId() == QMetaType::Int) {
        const double serial = cell.toDouble();
        // Spreadsheet days from 1900 to 9999.
        if (!std::isfinite(serial) || serial < 1 || serial > 2958465)
            return {};
        const qint64 seconds = qint64(std::llround(serial * 86400.0));
        const QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
        return base.addSecs(seconds).toString(format);
    }
    if (cell.typeId() != QMetaType::QString)
        return {};
    QString t = cell.toString().trimmed();
    t.replace(QLatin1Char('T'), QLatin1Char(' '));
    for (const QString& f : {format, QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("yyyy/M/d H:mm:ss"),
                             QStringLiteral("yyyy/M/d H:mm"), QStringLiteral("yyyy-M-d H:mm:ss")}) {
        const QDateTime dt = QDateTime::fromString(t, f);
        if (dt.isValid())
            return dt.toString(format);
    }
    return {};
}

} // namespace bank
