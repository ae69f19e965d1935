// Papers in the common Chinese layout: read from text and Word documents, written back out.
#include "documents/ChineseLayout.h"
#include "documents/PaperWriter.h"
#include "documents/TextPaper.h"
#include "documents/WordPaper.h"
#include "documents/ZipPackage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QStringEncoder>
#include <QTest>

using namespace documents;

namespace {

// One line per question: number|type|mark|answer|options, and "material:" / "why:" after it
// when there is one.
QString summary(const Document& doc) {
    QStringList out;
    for (const Paper& p : doc.papers) {
        out << QStringLiteral("[%1%2]").arg(p.name, p.minutes ? QStringLiteral(" %1分钟").arg(*p.minutes)
                                                              : QString());
        for (const Question& q : p.questions) {
            out << QStringLiteral("%1|%2|%3|%4|%5")
                       .arg(q.number, typeText(q.type),
                            q.mark ? QString::number(*q.mark) : QStringLiteral("-"), q.answer,
                            q.options.join(QLatin1Char('/')));
        }
    }
    return out.join(QLatin1Char('\n'));
}

QString problems(const Document& doc) {
    QStringList out;
    for (const Problem& p : doc.problems)
        out << QStringLiteral("%1:%2").arg(p.line).arg(p.reason);
    return out.join(QLatin1Char('\n'));
}

Document readLines(const QString& text) {
    return readTextPaper(text.toUtf8(), QStringLiteral("卷"));
}

QByteArray png(int seed) {
    QImage image(10 + seed, 8, QImage::Format_RGB32);
    image.fill(QColor(40 * seed, 80, 120));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const char* const kDocumentXmlHead =
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>";

QByteArray package(const QByteArray& body, const QByteArray& numbering = {}, const QByteArray& styles = {},
                   const QList<QPair<QString, QByteArray>>& more = {}) {
    QByteArray rels = "<Relationships>";
    if (!numbering.isEmpty())
        rels += "<Relationship Id=\"n\" Type=\"x/numbering\" Target=\"numbering.xml\"/>";
    if (!styles.isEmpty())
        rels += "<Relationship Id=\"s\" Type=\"x/styles\" Target=\"styles.xml\"/>";
    rels += "<Relationship Id=\"img\" Type=\"x/image\" Target=\"media/a.png\"/></Relationships>";
    QList<QPair<QString, QByteArray>> parts{
        {QStringLiteral("word/document.xml"), kDocumentXmlHead + body + "</w:body></w:document>"},
        {QStringLiteral("word/_rels/document.xml.rels"), rels}};
    if (!numbering.isEmpty())
        parts.append({QStringLiteral("word/numbering.xml"), numbering});
    if (!styles.isEmpty())
        parts.append({QStringLiteral("word/styles.xml"), styles});
    return zipParts(parts + more);
}

QByteArray wp(const QByteArray& inner, const QByteArray& properties = {}) {
    return "<w:p>" + (properties.isEmpty() ? QByteArray() : "<w:pPr>" + properties + "</w:pPr>") + "<w:r>" +
           inner + "</w:r></w:p>";
}

QByteArray wt(const QString& text) {
    return "<w:t xml:space=\"preserve\">" + text.toUtf8() + "</w:t>";
}

QByteArray numbered(int numId, int ilvl, const QString& text) {
    return wp(wt(text), QStringLiteral("<w:numPr><w:ilvl w:val=\"%1\"/><w:numId w:val=\"%2\"/></w:numPr>")
                            .arg(ilvl)
                            .arg(numId)
                            .toUtf8());
}

} // namespace

class ChineseDocsTest : public QObject {
    Q_OBJECT
  private slots:
    void layouts_data();
    void layouts();
    void faultsNamedWithTheirLines();
    void materialAndSubQuestions();
    void answerBlocks();
    void severalPapersAndLeftOutSections();
    void textEncodingsAndLineEnds();
    void wordNumberingWorkedOut();
    void wordTextPicturesAndLimits();
    void wordFilesThatCannotBeRead();
    void roundTrips();
    void writtenTextsStayReadable();
    void documentFromLibreOffice();
};

void ChineseDocsTest::layouts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("numbers and option marks")
        << "一、单项选择题（本类题共3小题，每小题1.5分）\n"
           "1．甲（  ）。\nA．一\nB．二\n【答案】B\n"
           "2、乙（  ）。\nA、一\nB)二\n答案：A\n答案解析：乙是一。\n"
           "3. 丙（  ）。\n（A）一\n（B）二\n(C) 三\n正确答案：C"
        << "[卷]\n1|单选|1.5|B|一/二\n2|单选|1.5|A|一/二\n3|单选|1.5|C|一/二/三";
    QTest::newRow("options on one line and after the stem")
        << "二、多选题\n1．下列属于资产的有（  ）。\nA．存货　　B．应收账款　　C．预收账款\n参考答案：A B\n"
           "2．下列属于负债的有（  ）。A.应付账款 B.实收资本 C.预收账款\n【答案】a "
           "c【解析】实收资本是所有者权益。"
        << "[卷]\n1|多选|-|AB|存货/应收账款/预收账款\n2|多选|-|AC|应付账款/实收资本/预收账款";
    QTest::newRow("full-width marks") << "１０．会计主体是（　　）。\nＡ．空间范围\nＢ．时间范围\n答案：Ａ"
                                      << "[卷]\n10||-|A|空间范围/时间范围";
    QTest::newRow("true-or-false marks")
        << "三、判断题（每小题1分）\n1．甲。（ "
           "）\n【答案】√\n2．乙。\n【答案】×\n3．丙。\n答案：对\n4．丁。\n答案：错误\n"
           "5．戊。\n答案：T\n6．己。\n答案：F\n7．庚。\n答案：正确\n8．辛。\nA．正确\nB．错误\n答案：B"
        << "[卷]\n1|判断|1|对|\n2|判断|1|错|\n3|判断|1|对|\n4|判断|1|错|\n5|判断|1|对|\n6|判断|1|错|\n7|判断|"
           "1|对|\n"
           "8|判断|1|错|";
    QTest::newRow("title, time and marks of a heading")
        << "2024年初级会计实务模拟卷\n考试时间：120分钟\n注意事项：\n1．本试卷共两大题。\n2．请用黑色笔作答。"
           "\n"
           "一、单项选择题\n（本类题共2小题，共3分）\n1．甲（  ）。\nA．一\nB．二\n【答案】A\n"
           "四、不定项选择题（本类题共1小题，每小题2分）\n2．乙（  ）。\nA．一\nB．二\n【答案】AB"
        << "[2024年初级会计实务模拟卷 120分钟]\n1|单选|1.5|A|一/二\n2|不定项|2|AB|一/二";
    QTest::newRow("explanations running over several lines")
        << "1．甲（  ）。\nA．一\nB．二\n【答案】A\n【解析】分录如下：\n1.借：银行存款 100\n2.贷：实收资本 "
           "100\n"
           "2．乙（  ）。\nA．一\nB．二\n【答案】B"
        << "[卷]\n1||-|A|一/二\n2||-|B|一/二";
}

void ChineseDocsTest::layouts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const Document doc = readLines(text);
    QCOMPARE(summary(doc), expected);
    QCOMPARE(problems(doc), QString());
}

void ChineseDocsTest::faultsNamedWithTheirLines() {
    const Document doc = readLines(QStringLiteral("一、单项选择题\n"
                                                  "1．甲（  ）。\nA．一\nB．二\n答案：E\n"        // 2–5
                                                  "2．乙（  ）。\nA．一\nB．二\n"                 // 6–8
                                                  "2．丙（  ）。\nA．一\nC．三\n答案：A\n"        // 9–12
                                                  "4．丁。\n答案：√\n"                            // 13–14
                                                  "5．戊（  ）。\nA．一\nB．二\n答案：AB\n"       // 15–18
                                                  "6．己（  ）。😀\nA．一\nB．二\n答案：见解析")); // 19–22
    QCOMPARE(doc.questionCount(), 6);
    const QString found = problems(doc);
    QVERIFY2(found.contains(QStringLiteral("2:答案中的 E 没有对应的选项（只有 A–B）")), qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("6:没有答案")), qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("11:选项 C 的前面缺少选项 B")), qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("9:题号 2 重复了（第 6 行已有这个题号）")), qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("13:单选题的答案不能是“对”")), qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("15:单选题只能有一个答案")), qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("19:答案“见解析”无法识别")), qPrintable(found));
    QCOMPARE(doc.badCount(), 6);

    QVERIFY(problems(readLines(QStringLiteral("这里没有题目。"))).contains(QStringLiteral("没有找到题目")));
    Limits few;
    few.maxQuestions = 2;
    const Document cut =
        readTextPaper(QStringLiteral("1．甲\n答案：对\n2．乙\n答案：错\n3．丙\n答案：对").toUtf8(),
                      QStringLiteral("卷"), few);
    QCOMPARE(cut.questionCount(), 2);
    QVERIFY(problems(cut).contains(QStringLiteral("5:题目超过 2 道的上限")));
}

void ChineseDocsTest::materialAndSubQuestions() {
    const Document doc = readLines(QStringLiteral(
        "四、不定项选择题（每小题2分）\n"
        "【资料一】甲公司为增值税一般纳税人。\n（1）购入材料100万元。\n（2）销售商品200万元。\n要求：回答下列"
        "小题。\n"
        "1．根据资料（1），正确的是（  ）。\nA．甲\nB．乙\n【答案】A\n"
        "2．根据资料（2），正确的是（  ）。\nA．甲\nB．乙\n【答案】B\n"
        "资料二：乙公司2024年发生下列业务。\n"
        "3．下列正确的是（  ）。\nA．甲\nB．乙\n【答案】AB\n"
        "五、单选题\n"
        "4．丙公司发生下列业务：\n收到投资500万元。\n（1）属于资产的是（  ）。\nA．甲\nB．乙\n【答案】A\n"
        "（2）属于负债的是（  ）。\nA．甲\nB．乙\n【答案】B\n"
        "5．无资料的题（  ）。\nA．甲\nB．乙\n【答案】A\n"
        "【解析】下面是丁公司的资料。\n丁公司是小规模纳税人。\n（1）丁的问题一（  "
        "）。\nA．甲\nB．乙\n【答案】B\n"
        "（2）丁的问题二（  ）。\nA．甲\nB．乙\n【答案】A\n"
        "6．戊（  ）。\nA．甲\nB．乙\n【答案】A"));
    QCOMPARE(problems(doc), QString());
    QCOMPARE(summary(doc),
             QStringLiteral("[卷]\n1|不定项|2|A|甲/乙\n2|不定项|2|B|甲/乙\n3|不定项|2|AB|甲/乙\n"
                            "4（1）|单选|-|A|甲/乙\n4（2）|单选|-|B|甲/乙\n5|单选|-|A|甲/乙\n"
                            "|单选|-|B|甲/乙\n|单选|-|A|甲/乙\n6|单选|-|A|甲/乙"));
    const QList<Question>& q = doc.papers[0].questions;
    const QString first =
        QStringLiteral("甲公司为增值税一般纳税人。\n（1）购入材料100万元。\n（2）销售商品200万元。\n"
                       "要求：回答下列小题。");
    QCOMPARE(q[0].material, first);
    QCOMPARE(q[1].material, first);
    QCOMPARE(q[2].material, QStringLiteral("乙公司2024年发生下列业务。"));
    QCOMPARE(q[3].material, QStringLiteral("丙公司发生下列业务：\n收到投资500万元。"));
    QCOMPARE(q[4].material, q[3].material);
    QCOMPARE(q[5].material, QString());
    // A passage after an explanation becomes the material of the （1）（2） run it leads into.
    QCOMPARE(q[5].explanation, QStringLiteral("下面是丁公司的资料。"));
    QCOMPARE(q[6].material, QStringLiteral("丁公司是小规模纳税人。"));
    QCOMPARE(q[7].material, q[6].material);
    QCOMPARE(q[8].material, QString());
    QVERIFY(
        bankText(q[3]).startsWith(QStringLiteral("丙公司发生下列业务：\n收到投资500万元。\n属于资产的是")));

    // "10．（1）" after a passage: the passage is the material of that run only.
    const Document run = readLines(QStringLiteral("9．甲（  ）。\nA．一\nB．二\n【答案】A\n乙公司的资料。\n"
                                                  "10．（1）问一（  ）。\nA．一\nB．二\n【答案】B\n"
                                                  "（2）问二（  ）。\nA．一\nB．二\n【答案】A\n"
                                                  "11．丙（  ）。\nA．一\nB．二\n【答案】B"));
    QCOMPARE(summary(run),
             QStringLiteral("[卷]\n9||-|A|一/二\n10（1）||-|B|一/二\n10（2）||-|A|一/二\n11||-|B|一/二"));
    QCOMPARE(run.papers[0].questions[1].material, QStringLiteral("乙公司的资料。"));
    QCOMPARE(run.papers[0].questions[2].material, QStringLiteral("乙公司的资料。"));
    QCOMPARE(run.papers[0].questions[3].material, QString());
    QCOMPARE(run.papers[0].questions[0].explanation, QString());

    // A stem with its blank keeps （1）（2） lines as its own text.
    const Document listed = readLines(QStringLiteral(
        "1．属于会计要素的有（  ）。\n（1）资产\n（2）费用\nA．（1）\nB．（1）（2）\n【答案】B"));
    QCOMPARE(summary(listed), QStringLiteral("[卷]\n1||-|B|（1）/（1）（2）"));
    QCOMPARE(listed.papers[0].questions[0].stem,
             QStringLiteral("属于会计要素的有（  ）。\n（1）资产\n（2）费用"));
}

void ChineseDocsTest::answerBlocks() {
    const Document doc = readLines(QStringLiteral(
        "一、单项选择题\n1．甲（  ）。\nA．一\nB．二\n2．乙（  ）。\nA．一\nB．二\n3．丙（  "
        "）。\nA．一\nB．二\nC．三\n"
        "二、判断题\n1．丁。（  ）\n2．戊。（  ）\n"
        "三、不定项选择题\n甲公司发生下列业务。\n（1）己（  ）。\nA．一\nB．二\n（2）庚（  "
        "）。\nA．一\nB．二\n"
        "参考答案\n一、单项选择题\n1-2 AB　3.C\n二、判断题\n1.× 2.√\n三、不定项选择题\n（1）A （2）AB\n7.A"));
    QCOMPARE(summary(doc),
             QStringLiteral("[卷]\n1|单选|-|A|一/二\n2|单选|-|B|一/二\n3|单选|-|C|一/二/三\n"
                            "二、1|判断|-|错|\n二、2|判断|-|对|\n|不定项|-|A|一/二\n|不定项|-|AB|一/二"));
    QCOMPARE(problems(doc), QStringLiteral("30:答案区给出了第 7 题的答案，但试卷中没有这道题"));

    // 答案及解析 with each answer and explanation under its number, also on the answer line.
    const Document explained = readLines(QStringLiteral(
        "1．甲（  ）。\nA．一\nB．二\n2．乙（  ）。\nA．一\nB．二\n3．丙（  ）。\nA．一\nB．二\n"
        "参考答案及解析\n1．【答案】B\n【解析】理由一。\n1.第一点\n2."
        "第二点\n2．【答案】A【解析】理由二。\n3．A　理由三。"));
    QCOMPARE(summary(explained), QStringLiteral("[卷]\n1||-|B|一/二\n2||-|A|一/二\n3||-|A|一/二"));
    const QList<Question>& q = explained.papers[0].questions;
    QCOMPARE(q[0].explanation, QStringLiteral("理由一。\n1.第一点\n2.第二点"));
    QCOMPARE(q[1].explanation, QStringLiteral("理由二。"));
    QCOMPARE(q[2].explanation, QStringLiteral("理由三。"));

    // "参考答案：1.A 2.B" on one line, and a block answer against the one under the question.
    const Document oneLine = readLines(QStringLiteral(
        "1．甲（  ）。\nA．一\nB．二\n答案：A\n2．乙（  ）。\nA．一\nB．二\n参考答案：1.B 2.B"));
    QCOMPARE(summary(oneLine), QStringLiteral("[卷]\n1||-|A|一/二\n2||-|B|一/二"));
    QCOMPARE(problems(oneLine), QStringLiteral("8:答案区的答案 B 与题目下的答案 A 不同"));
}

void ChineseDocsTest::severalPapersAndLeftOutSections() {
    const Document doc = readLines(QStringLiteral(
        "【试卷】模拟卷一　考试时间：90分钟\n一、单选题\n1．甲（  ）。\nA．一\nB．二\n【答案】A\n"
        "五、计算分析题（本类题共2小题）\n1．甲公司……要求计算。\n2．乙公司……要求计算。\n"
        "模拟卷二　考试时间：60分钟\n一、判断题\n1．乙。\n【答案】对\n"
        "一、单选题\n1．丙（  ）。\nA．一\nB．二\n【答案】B"));
    QCOMPARE(summary(doc),
             QStringLiteral("[模拟卷一 90分钟]\n1|单选|-|A|一/二\n[模拟卷二 60分钟]\n1|判断|-|对|\n"
                            "[卷（3）]\n1|单选|-|B|一/二"));
    QCOMPARE(doc.leftOut, QStringList{QStringLiteral("计算分析题 2 道：第 8、9 行")});
    QCOMPARE(problems(doc), QString());
}

void ChineseDocsTest::textEncodingsAndLineEnds() {
    const QString text = QStringLiteral("会计基础\n一、判断题\n1．会计主体一定是法律主体。（  ）\n【答案】×\n"
                                        "2．企业应当以权责发生制为基础进行会计确认。\n【答案】√");
    const QString expected = QStringLiteral("[会计基础]\n1|判断|-|错|\n2|判断|-|对|");
    QStringEncoder gbk("GBK"), le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom),
        be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    const QList<QPair<const char*, QByteArray>> files{
        {"GBK", gbk(text)},
        {"UTF-16LE", le(text)},
        {"UTF-16BE", be(QString(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n")))},
        {"UTF-8 BOM, CR LF",
         "\xEF\xBB\xBF" + QString(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toUtf8()},
        {"old Mac CR", QString(text).replace(QLatin1Char('\n'), QLatin1Char('\r')).toUtf8()}};
    for (const auto& [name, bytes] : files) {
        const Document doc = readTextPaper(bytes, QStringLiteral("卷"));
        QVERIFY2(summary(doc) == expected, name);
        QCOMPARE(doc.papers[0].questions[1].line, 5);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("真题.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(gbk(QStringLiteral("1．甲。\n答案：对")));
    f.close();
    QCOMPARE(readTextPaperFile(path).papers.value(0).name, QStringLiteral("真题"));
    QVERIFY(!readTextPaperFile(dir.filePath(QStringLiteral("没有.txt"))).error.isEmpty());
    Limits small;
    small.maxFileBytes = 4;
    QVERIFY(readTextPaperFile(path, small).error.contains(QStringLiteral("文件过大")));
}

void ChineseDocsTest::wordNumberingWorkedOut() {
    const QByteArray numbering =
        "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:abstractNum w:abstractNumId=\"0\">"
        "<w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"chineseCounting\"/><w:lvlText "
        "w:val=\"%1、\"/></w:lvl>"
        "<w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText "
        "w:val=\"%2．\"/></w:lvl>"
        "<w:lvl w:ilvl=\"2\"><w:start w:val=\"1\"/><w:numFmt w:val=\"upperLetter\"/><w:lvlText "
        "w:val=\"%3．\"/></w:lvl>"
        "</w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/><w:lvlText "
        "w:val=\"●\"/>"
        "</w:lvl><w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"bullet\"/></w:lvl></w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"2\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"decimalEnclosedParen\"/>"
        "<w:lvlText w:val=\"%1\"/></w:lvl></w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
        "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>"
        "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"1\">"
        "<w:startOverride w:val=\"10\"/></w:lvlOverride></w:num>"
        "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"2\"/></w:num></w:numbering>";
    const QByteArray styles =
        "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:style w:type=\"paragraph\" w:styleId=\"Q\"><w:pPr><w:numPr><w:ilvl w:val=\"1\"/><w:numId "
        "w:val=\"1\"/>"
        "</w:numPr></w:pPr></w:style><w:style w:type=\"paragraph\" w:styleId=\"Q2\"><w:basedOn "
        "w:val=\"Q\"/></w:style>"
        "</w:styles>";
    const QByteArray body =
        numbered(1, 0, QStringLiteral("单项选择题（每小题2分）")) +
        numbered(1, 1, QStringLiteral("甲（  ）。")) + numbered(1, 2, QStringLiteral("一")) +
        numbered(1, 2, QStringLiteral("二")) + wp(wt(QStringLiteral("【答案】B"))) +
        wp(wt(QStringLiteral("乙（  ）。")), "<w:pStyle w:val=\"Q2\"/>") +
        numbered(1, 2, QStringLiteral("一")) + numbered(1, 2, QStringLiteral("二")) +
        wp(wt(QStringLiteral("答案：A"))) + numbered(1, 0, QStringLiteral("判断题")) +
        numbered(3, 1, QStringLiteral("丙。")) + wp(wt(QStringLiteral("答案：√"))) +
        numbered(2, 0, QStringLiteral("丁（  ）。")) + numbered(2, 1, QStringLiteral("一")) +
        numbered(2, 1, QStringLiteral("二")) + wp(wt(QStringLiteral("答案：B"))) +
        numbered(4, 0, QStringLiteral("戊。")) + wp(wt(QStringLiteral("答案：错")));
    QString error;
    QList<Problem> found;
    const QList<Paragraph> paragraphs = docxParagraphs(package(body, numbering, styles), {}, &error, &found);
    QCOMPARE(error, QString());
    QStringList labels;
    for (const Paragraph& p : paragraphs)
        if (p.autoNumbered)
            labels << p.listLabel;
    QCOMPARE(labels, (QStringList{"一、", "1．", "A．", "B．", "2．", "A．", "B．", "二、", "10．", "", "",
                                  "", "(1)"}));
    const Document doc = readDocxPaper(package(body, numbering, styles), QStringLiteral("卷"));
    QCOMPARE(summary(doc),
             QStringLiteral("[卷]\n1|单选|2|B|一/二\n2|单选|2|A|一/二\n10|判断|-|对|\n|判断|-|B|一/二\n"
                            "|判断|-|错|"));
}

void ChineseDocsTest::wordTextPicturesAndLimits() {
    const QByteArray drawing =
        "<w:drawing><wp:inline xmlns:wp=\"wp\"><a:graphic xmlns:a=\"a\"><a:graphicData><pic:pic "
        "xmlns:pic=\"p\">"
        "<pic:blipFill><a:blip "
        "r:embed=\"img\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
        "</w:drawing>";
    const QByteArray body = wp(wt(QStringLiteral("1．如图，下列说法正确的是")) + "<w:tab/>" +
                               wt(QStringLiteral("（  ）。")) + drawing) +
                            "<w:p><w:r>" + wt(QStringLiteral("A．一")) + "<w:br/>" +
                            wt(QStringLiteral("B．二")) +
                            "</w:r><w:r><w:rPr>"
                            "<w:vanish/></w:rPr>" +
                            wt(QStringLiteral("隐藏的字")) +
                            "</w:r><w:del><w:r><w:delText>删掉的</w:delText>"
                            "</w:r></w:del></w:p>" +
                            "<w:tbl><w:tr><w:tc>" + wp(wt(QStringLiteral("【答案】"))) + "</w:tc><w:tc>" +
                            wp("<w:sym w:font=\"Wingdings\" w:char=\"F0FC\"/>") + "</w:tc></w:tr></w:tbl>" +
                            wp(wt(QStringLiteral("2．乙（  ）。")) + drawing) +
                            wp(wt(QStringLiteral("A．一 B．二"))) + wp(wt(QStringLiteral("答案：A")));
    const QByteArray image = png(7);
    const QByteArray file = package(body, {}, {}, {{QStringLiteral("word/media/a.png"), image}});
    Document doc = readDocxPaper(file, QStringLiteral("卷"));
    QCOMPARE(summary(doc), QStringLiteral("[卷]\n1||-|对|一/二\n2||-|A|一/二"));
    // The answer cell's tick makes an answer of 对 on a question with options: named, not lost.
    QVERIFY(problems(doc).contains(QStringLiteral("有选项")));
    const Question& q = doc.papers[0].questions[0];
    QCOMPARE(q.stem, QStringLiteral("如图，下列说法正确的是\t（  ）。"));
    QCOMPARE(q.options.last(), QStringLiteral("二"));
    QCOMPARE(q.pictures.size(), 1);
    QCOMPARE(q.pictures[0].bytes, image);
    QCOMPARE(q.pictures[0].name, QStringLiteral("word/media/a.png"));

    // Picture bytes over the limit are left out with a problem; the questions stay.
    Limits few;
    few.maxPictureBytes = 10;
    doc = readDocxPaper(file, QStringLiteral("卷"), few);
    QCOMPARE(doc.questionCount(), 2);
    QVERIFY(doc.papers[0].questions[0].pictures.isEmpty());
    QVERIFY(problems(doc).contains(QStringLiteral("1:图片 word/media/a.png 超过了图片总量的上限")));

    // Markup Word writes around text and pictures: a shape with its fallback (one picture, not
    // two), an older VML picture, hyperlinks and fields (their results, not their codes).
    const QByteArray vml = "<w:pict><v:shape xmlns:v=\"v\"><v:imagedata r:id=\"img\"/></v:shape></w:pict>";
    const QByteArray alternate = "<mc:AlternateContent xmlns:mc=\"mc\"><mc:Choice Requires=\"wps\">" +
                                 drawing + "</mc:Choice><mc:Fallback>" + vml +
                                 "</mc:Fallback></mc:AlternateContent>";
    const QByteArray word =
        "<w:p><w:hyperlink r:id=\"x\"><w:r>" + wt(QStringLiteral("1．甲")) + "</w:r></w:hyperlink><w:r>" +
        alternate +
        "</w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText>" +
        "</w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r>" + wt(QStringLiteral("乙")) +
        "</w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>" + wp(wt(QStringLiteral("【答案】√"))) +
        wp(wt(QStringLiteral("2．丙")) + vml) + wp(wt(QStringLiteral("【答案】×")));
    doc = readDocxPaper(package(word, {}, {}, {{QStringLiteral("word/media/a.png"), image}}),
                        QStringLiteral("卷"));
    QCOMPARE(summary(doc), QStringLiteral("[卷]\n1||-|对|\n2||-|错|"));
    QCOMPARE(doc.papers[0].questions[0].stem, QStringLiteral("甲乙"));
    QCOMPARE(doc.papers[0].questions[0].pictures.size(), 1);
    QCOMPARE(doc.papers[0].questions[1].pictures.size(), 1);
    QCOMPARE(doc.papers[0].questions[1].pictures[0].bytes, image);

    few = {};
    few.maxParagraphs = 2;
    doc = readDocxPaper(file, QStringLiteral("卷"), few);
    QVERIFY(problems(doc).contains(QStringLiteral("文档超过 2 段的上限")));
    QCOMPARE(doc.questionCount(), 1);
}

void ChineseDocsTest::wordFilesThatCannotBeRead() {
    auto errorOf = [](const QByteArray& bytes, const Limits& limits = {}) {
        const Document doc = readDocxPaper(bytes, QStringLiteral("卷"), limits);
        return doc.error.isEmpty() || doc.papers.isEmpty() ? doc.error : QStringLiteral("有错误却留下了试卷");
    };
    QVERIFY(errorOf("plain text").contains(QStringLiteral("不是 Word 文档")));
    QVERIFY(errorOf(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'))
                .contains(QStringLiteral("旧版 Word 文档（.doc）")));
    const QByteArray good = package(wp(wt(QStringLiteral("1．甲。"))) + wp(wt(QStringLiteral("答案：对"))));
    QCOMPARE(errorOf(good), QString());
    QVERIFY(errorOf(good.left(good.size() / 2)).contains(QStringLiteral("不是 Word 文档")));
    QVERIFY(
        errorOf(zipParts({{QStringLiteral("x.xml"), "<x/>"}})).contains(QStringLiteral("word/document.xml")));
    QVERIFY(errorOf(package("<w:p><w:r><w:t>甲</w:r></w:p>")).contains(QStringLiteral("已损坏")));
    const QByteArray deep = package(QByteArray("<w:p>") + QByteArray(300 * 5, 'x').replace("xxxxx", "<w:r>"));
    QVERIFY(errorOf(deep).contains(QStringLiteral("嵌套超过 256 层")));
    const QByteArray entity = zipParts(
        {{QStringLiteral("word/document.xml"),
          "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" +
              QByteArray(kDocumentXmlHead) + "<w:p><w:r><w:t>&b;</w:t></w:r></w:p></w:body></w:document>"}});
    QVERIFY(errorOf(entity).contains(QStringLiteral("DTD")));
    // A part that unpacks far beyond what the file could need: refused, not read into memory.
    Limits small;
    small.maxUnpackedBytes = 1024 * 1024;
    const QByteArray bomb = package(wp(wt(QString(3 * 1024 * 1024, QLatin1Char('a')))));
    QVERIFY(bomb.size() < 64 * 1024);
    QVERIFY(errorOf(bomb, small).contains(QStringLiteral("上限")));
    small = {};
    small.maxFileBytes = 100;
    QVERIFY(errorOf(good, small).contains(QStringLiteral("文件过大")));
    small = {};
    small.maxTextChars = 3;
    QVERIFY(problems(readDocxPaper(good, QStringLiteral("卷"), small)).contains(QStringLiteral("上限")));
}

void ChineseDocsTest::roundTrips() {
    Document doc;
    Paper one{QStringLiteral("会计基础 模拟卷一"), 90, {}};
    Question q;
    q.stem = QStringLiteral("下列各项中，属于流动资产的是（  ）。\n请选择一项。");
    q.options = {QStringLiteral("存货"), QStringLiteral("固定资产"), QStringLiteral("无形资产")};
    q.answer = QStringLiteral("A");
    q.type = Type::Single;
    q.mark = 1.5;
    q.explanation = QStringLiteral("存货属于流动资产。\n1.固定资产是非流动资产\n2.无形资产是非流动资产");
    q.pictures = {{QStringLiteral("p1.png"), png(1)}};
    one.questions << q;
    q.pictures.clear();
    q.mark = 2; // another mark: a section of its own
    q.explanation.clear();
    one.questions << q;
    Question tf;
    tf.stem = QStringLiteral("会计主体一定是法律主体。（  ）");
    tf.answer = QStringLiteral("错");
    tf.mark = 0.5;
    one.questions << tf;
    Question m;
    m.material = QStringLiteral("甲公司2024年发生下列业务：\n（1）购入材料。");
    m.stem = QStringLiteral("下列说法正确的有（  ）。");
    m.options = {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"), QStringLiteral("丁")};
    m.answer = QStringLiteral("ABD");
    m.type = Type::Indefinite;
    m.mark = 2;
    m.pictures = {{QStringLiteral("p2.png"), png(2)}, {QStringLiteral("p1.png"), png(1)}};
    one.questions << m;
    m.stem = QStringLiteral("下列说法错误的是（  ）。");
    m.answer = QStringLiteral("C");
    m.pictures.clear();
    one.questions << m;
    m.material.clear();
    m.stem = QStringLiteral("没有资料的不定项（  ）。");
    one.questions << m;
    Question untyped; // no type, no mark, no answer: written as it is and read back so
    untyped.stem = QStringLiteral("答案未定的题（  ）。");
    untyped.options = {QStringLiteral("一"), QStringLiteral("二")};
    one.questions << untyped;
    doc.papers << one;
    Paper two{QStringLiteral("2024年真题"), std::nullopt, {}};
    tf.mark.reset();
    tf.answer = QStringLiteral("对");
    two.questions << tf;
    doc.papers << two;

    auto same = [](const Document& back, const Document& original, bool pictures) {
        QCOMPARE(back.papers.size(), original.papers.size());
        for (int p = 0; p < original.papers.size(); ++p) {
            const Paper &a = back.papers[p], &b = original.papers[p];
            QCOMPARE(a.name, b.name);
            QCOMPARE(a.minutes, b.minutes);
            QCOMPARE(a.questions.size(), b.questions.size());
            for (int i = 0; i < b.questions.size(); ++i) {
                const Question &x = a.questions[i], &y = b.questions[i];
                QCOMPARE(x.number, QString::number(i + 1));
                QCOMPARE(x.material, y.material);
                QCOMPARE(x.stem, y.stem);
                QCOMPARE(x.options, y.options);
                QCOMPARE(x.answer, y.answer);
                QCOMPARE(x.explanation, y.explanation);
                QCOMPARE(effectiveType(x), effectiveType(y));
                QCOMPARE(x.mark, y.mark);
                if (pictures) {
                    QCOMPARE(x.pictures.size(), y.pictures.size());
                    for (int k = 0; k < y.pictures.size(); ++k)
                        QCOMPARE(x.pictures[k].bytes, y.pictures[k].bytes);
                }
            }
        }
    };
    const QByteArray text = writeTextPaper(doc);
    QVERIFY(text.startsWith("\xEF\xBB\xBF"));
    QVERIFY(
        text.contains(QStringLiteral("一、单项选择题（本类题共1小题，每小题1.5分，共1.5分）\r\n").toUtf8()));
    QVERIFY(text.contains(QStringLiteral("【答案】×").toUtf8()));
    const Document fromText = readTextPaper(text, QStringLiteral("卷"));
    same(fromText, doc, false);
    QCOMPARE(fromText.problems.size(), 1);
    QCOMPARE(fromText.problems[0].question, 6);
    QCOMPARE(fromText.problems[0].reason, QStringLiteral("没有答案"));
    QCOMPARE(fromText.problems[0].line, fromText.papers[0].questions[6].line);
    QCOMPARE(writeTextPaper(fromText), text);

    QString error;
    const QByteArray docx = writeDocxPaper(doc, &error);
    QCOMPARE(error, QString());
    const Document fromDocx = readDocxPaper(docx, QStringLiteral("卷"));
    QCOMPARE(fromDocx.error, QString());
    same(fromDocx, doc, true);
    // One copy of a picture that two questions show.
    QString why;
    QList<Problem> none;
    ZipReader zip(docx, 1 << 24);
    QVERIFY(zip.open(&why));
    QVERIFY(zip.has(QStringLiteral("word/media/image2.png")) &&
            !zip.has(QStringLiteral("word/media/image3.png")));
    QVERIFY(zip.has(QStringLiteral("[Content_Types].xml")) && zip.has(QStringLiteral("_rels/.rels")));
    QByteArray body;
    QVERIFY(zip.read(QStringLiteral("word/document.xml"), 1 << 24, &body, &why));
    QVERIFY(body.contains("<wp:extent cx=\"104775\" cy=\"76200\"/>")); // 11 × 8 pixels at 96 dpi

    // A single paper keeps a plain title line; one that reads like a question gets the paper mark.
    Document single;
    single.papers << Paper{QStringLiteral("1. 基础练习"), std::nullopt, {tf}};
    QVERIFY(writeTextPaper(single).startsWith(QStringLiteral("\xFEFF【试卷】1. 基础练习\r\n").toUtf8()));
    QCOMPARE(readTextPaper(writeTextPaper(single), QStringLiteral("卷")).papers[0].name,
             QStringLiteral("1. 基础练习"));
}

void ChineseDocsTest::writtenTextsStayReadable() {
    // Lines of a stem or an explanation that would be read as a question or an option of their
    // own are written on one line with the text before them, so the question comes back whole.
    Question q;
    q.stem = QStringLiteral("下列说法正确的是（  ）。\n2．这一行像下一题");
    q.options = {QStringLiteral("甲"), QStringLiteral("乙")};
    q.answer = QStringLiteral("A");
    q.explanation = QStringLiteral("理由如下：\nB．这一行像选项\n答案：这一行像答案");
    Question plain = q;
    plain.stem = QStringLiteral("第二题（  ）。\n第二行");
    plain.explanation = QStringLiteral("解释\n1.借：银行存款");
    Document doc;
    doc.papers << Paper{QStringLiteral("卷"), std::nullopt, {q, plain}};
    for (const bool word : {false, true}) {
        const Document back = word ? readDocxPaper(writeDocxPaper(doc), QStringLiteral("卷"))
                                   : readTextPaper(writeTextPaper(doc), QStringLiteral("卷"));
        QCOMPARE(problems(back), QString());
        QCOMPARE(back.questionCount(), 2);
        const Question& a = back.papers[0].questions[0];
        QCOMPARE(a.stem, QStringLiteral("下列说法正确的是（  ）。 2．这一行像下一题"));
        QCOMPARE(a.options.size(), 2);
        QCOMPARE(a.answer, QStringLiteral("A"));
        QCOMPARE(a.explanation, QStringLiteral("理由如下： B．这一行像选项 答案：这一行像答案"));
        // Texts that read back as they are keep their lines.
        QCOMPARE(back.papers[0].questions[1].stem, plain.stem);
        QCOMPARE(back.papers[0].questions[1].explanation, plain.explanation);
    }

    // The answer on the line under a bare 【答案】, and numbers of five digits.
    const Document next = readLines(QStringLiteral("10000．甲（  ）。\nA．一\nB．二\n【答案】\nB\n"
                                                   "10001．乙（  ）。\nA．一\nB．二\n参考答案：\nA"));
    QCOMPARE(summary(next), QStringLiteral("[卷]\n10000||-|B|一/二\n10001||-|A|一/二"));
}

void ChineseDocsTest::documentFromLibreOffice() {
    // LibreOffice's .docx of tests/data/documents/numbered-pictures.fodt: automatic numbering for
    // questions and options, pictures in a question line and in a paragraph of their own.
    const Document doc =
        readDocxPaperFile(QStringLiteral(VELTARO_TEST_DATA "/documents/numbered-pictures.docx"));
    QCOMPARE(doc.error, QString());
    QCOMPARE(
        summary(doc),
        QStringLiteral("[会计基础自动编号练习 45分钟]\n1|单选|2|A|存货/固定资产/无形资产/商誉\n"
                       "2|单选|2|B|自制原始凭证/外来原始凭证/记账凭证\n3|单选|2|A|核算和监督/预测和决策\n"
                       "4|多选|2|AB|销售费用/管理费用/制造费用\n5|判断|1|错|\n6|判断|1|对|\n"
                       "7|不定项|2|A|应付账款增加100万元/银行存款减少100万元\n8|不定项|2|AB|资产/负债/收入"));
    QCOMPARE(problems(doc), QString());
    const QList<Question>& q = doc.papers[0].questions;
    QCOMPARE(q[1].pictures.size(), 1);
    QVERIFY(q[1].pictures[0].bytes.startsWith("\x89PNG"));
    QCOMPARE(q[5].pictures.size(), 1);
    QVERIFY(q[5].pictures[0].bytes != q[1].pictures[0].bytes);
    QVERIFY(
        q[6].material.startsWith(QStringLiteral("甲公司2024年3月发生如下业务：\n（1）购入原材料100万元")));
    QCOMPARE(q[7].explanation, QStringLiteral("原材料是资产，应付账款是负债。"));
}

QTEST_GUILESS_MAIN(ChineseDocsTest)
#include "test_chinesedocs.moc"
