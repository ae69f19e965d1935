#include "documents/Aiken.h"
#include "documents/DocumentKind.h"
#include "documents/Gift.h"
#include "documents/LearningFormats.h"
#include "documents/MoodleXml.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>

using namespace documents;

namespace {

QByteArray dataFile(const QString& name) {
    QFile f(QStringLiteral(VELTARO_TEST_DATA "/documents/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray quiz(const QString& questions) {
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n") + questions +
            QStringLiteral("\n</quiz>\n"))
        .toUtf8();
}

QString answerXml(const QString& fraction, const QString& text) {
    return QStringLiteral("<answer fraction=\"%1\" format=\"html\"><text><![CDATA[%2]]></text>"
                          "<feedback format=\"html\"><text>反馈</text></feedback></answer>")
        .arg(fraction, text);
}

QString multichoice(const QString& text, const QString& single, const QString& answers,
                    const QString& more = QString()) {
    return QStringLiteral("<question type=\"multichoice\"><name><text>题</text></name>"
                          "<questiontext format=\"html\"><text><![CDATA[%1]]></text></questiontext>"
                          "<single>%2</single>%3%4</question>")
        .arg(text, single, answers, more);
}

// What a test compares of a question: its bank text, answer, type and mark, on one line.
QString summary(const Question& q) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(bankText(q), q.answer, typeText(effectiveType(q)),
             q.mark ? QString::number(*q.mark) : QString());
}

QStringList reasons(const Document& doc) {
    QStringList out;
    for (const Problem& p : doc.problems)
        out << QStringLiteral("%1:%2").arg(p.line).arg(p.reason);
    return out;
}

} // namespace

class DocumentsLmsTest : public QObject {
    Q_OBJECT
  private slots:
    void htmlAsText_data();
    void htmlAsText();
    void moodleExport();
    void moodleQuestions_data();
    void moodleQuestions();
    void moodleBadFiles_data();
    void moodleBadFiles();
    void moodleFaultsAndLimits();
    void moodleRoundTrip();
    void gift_data();
    void gift();
    void giftPapersAndLeftOut();
    void aiken();
    void detect_data();
    void detect();
};

void DocumentsLmsTest::htmlAsText_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("paragraphs and breaks") << "<p>第一段<br/>第二行</p>\n<p>  第二   段 </p><div>三</div>"
                                           << "第一段\n第二行\n第二 段\n三";
    QTest::newRow("empty lines of breaks kept") << "<p>甲<br><br>乙</p><p><br></p>"
                                                << "甲\n\n乙";
    QTest::newRow("entities")
        << "A&amp;B &lt;x&gt; &quot;q&quot; &#26376;&#x6708; &ldquo;对&rdquo; &unknown; & x"
        << "A&B <x> \"q\" 月月 “对” &unknown; & x";
    QTest::newRow("no-break spaces survive") << "（&nbsp;&nbsp;）"
                                             << "（  ）";
    QTest::newRow("lists") << "<ol><li>甲</li><li>乙<ul><li>丙</li></ul></li></ol>"
                           << "1. 甲\n2. 乙\n· 丙";
    QTest::newRow("scripts, styles, comments dropped")
        << "<style>p{color:red}</style>题<!-- 注释 --><script>alert('<p>')</script>干"
        << "题干";
    QTest::newRow("not tags") << "1 < 2 且 3<4，x<中"
                              << "1 < 2 且 3<4，x<中";
    QTest::newRow("a tag that never ends") << "题干<span class=\"a"
                                           << "题干";
    QTest::newRow("table cells") << "<table><tr><td>借</td><td>贷</td></tr></table>"
                                 << "借 贷";
}

void DocumentsLmsTest::htmlAsText() {
    QFETCH(QString, html);
    QFETCH(QString, text);
    QCOMPARE(learning::htmlToText(html), text);
    // The writer's HTML of a text reads back as that text.
    QCOMPARE(learning::htmlToText(learning::textToHtml(text)), text);
}

void DocumentsLmsTest::moodleExport() {
    const Document doc = readMoodleXml(dataFile(QStringLiteral("moodle-bank.xml")), QStringLiteral("题库"));
    QVERIFY2(doc.error.isEmpty(), qPrintable(doc.error));
    QCOMPARE(doc.papers.size(), 2); // the top category holds no questions and makes no paper
    QCOMPARE(doc.papers[0].name, QStringLiteral("第一章 会计概述"));
    QCOMPARE(doc.papers[0].minutes, std::optional<int>(90));
    QCOMPARE(doc.papers[1].name, QStringLiteral("第二章 资产"));
    QCOMPARE(doc.papers[1].minutes, std::nullopt);
    QCOMPARE(doc.papers[0].questions.size(), 3);
    QCOMPARE(doc.papers[1].questions.size(), 1);

    const Question& single = doc.papers[0].questions[0];
    QCOMPARE(single.line, 26);
    QCOMPARE(summary(single), QStringLiteral("下列各项中，属于会计基本假设的是（  ）。A.历史成本 B.会计分期 "
                                             "C.权责发生制 D.实质重于形式|B|单选|1"));
    QCOMPARE(single.explanation, QStringLiteral("会计基本假设包括会计主体、持续经营、会计分期和货币计量。"));

    const Question& several = doc.papers[0].questions[1];
    QCOMPARE(summary(several), QStringLiteral("下列各项中，属于会计信息质量要求的有（  ）。\n· 见下表"
                                              "A.可靠性 B.收付实现制 C.谨慎性|AC|多选|2"));
    QCOMPARE(several.explanation, QStringLiteral("1. 可靠性\n2. 谨慎性"));
    QCOMPARE(several.pictures.size(), 1);
    QCOMPARE(several.pictures[0].name, QStringLiteral("表 1.png"));
    QCOMPARE(several.pictures[0].bytes, dataFile(QStringLiteral("moodle-bank-picture1.png")));

    const Question& tf = doc.papers[0].questions[2];
    QCOMPARE(summary(tf), QStringLiteral("法律主体必然是会计主体，会计主体也必然是法律主体。|错|判断|1"));
    QVERIFY(tf.options.isEmpty());

    const Question& pictured = doc.papers[1].questions[0];
    QCOMPARE(pictured.stem, QStringLiteral("甲公司期末存货如图所示，下列说法正确的是（  ）。"));
    QCOMPARE(pictured.mark, std::optional<double>(1.5));
    QCOMPARE(pictured.pictures.size(), 1);
    QCOMPARE(pictured.pictures[0].bytes, dataFile(QStringLiteral("moodle-bank-picture2.png")));

    QCOMPARE(doc.leftOut, QStringList({QStringLiteral("简答题（essay）1 道：第 150 行"),
                                       QStringLiteral("填空题（shortanswer）1 道：第 226 行")}));
    QVERIFY2(doc.problems.isEmpty(), qPrintable(reasons(doc).join('\n')));
}

void DocumentsLmsTest::moodleQuestions_data() {
    QTest::addColumn<QString>("questions");
    QTest::addColumn<QString>("expected"); // paper name, then summary() of its first question
    const QString abc = answerXml("100", "甲") + answerXml("0", "乙") + answerXml("0", "丙");
    QTest::newRow("before any category: the fallback paper")
        << multichoice("<p>题干</p>", "true", abc) << "导入的题|题干A.甲 B.乙 C.丙|A|单选|";
    QTest::newRow("category path's last part")
        << "<question type=\"category\"><category><text>$course$/top/会计//审计/第三章</text></category>"
           "</question>" +
               multichoice("题干", "1", abc, "<defaultgrade>2.5000000</defaultgrade>")
        << "第三章|题干A.甲 B.乙 C.丙|A|单选|2.5";
    QTest::newRow("several right answers, single false")
        << multichoice("题干", "false",
                       answerXml("33.33333", "甲") + answerXml("33.33333", "乙") + answerXml("-100", "丙") +
                           answerXml("33.33333", "丁"))
        << "导入的题|题干A.甲 B.乙 C.丙 D.丁|ABD|多选|";
    QTest::newRow("a several-answer question with one right answer stays 多选")
        << multichoice("题干", "false",
                       answerXml("100", "甲") + answerXml("-50", "乙") + answerXml("-50", "丙"))
        << "导入的题|题干A.甲 B.乙 C.丙|A|多选|";
    QTest::newRow("single answer with partial credit: the best answer")
        << multichoice("题干", "true", answerXml("50", "甲") + answerXml("100", "乙") + answerXml("0", "丙"))
        << "导入的题|题干A.甲 B.乙 C.丙|B|单选|";
    QTest::newRow("no single element: single answer")
        << "<question type=\"multichoice\"><questiontext format=\"html\"><text>题</text></questiontext>" +
               abc + "</question>"
        << "导入的题|题A.甲 B.乙 C.丙|A|单选|";
    QTest::newRow("不定项 from a tag")
        << multichoice("题干", "false", answerXml("100", "甲") + answerXml("0", "乙"),
                       "<tags><tag><text>不定项</text></tag></tags>")
        << "导入的题|题干A.甲 B.乙|A|不定项|";
    QTest::newRow("escaped HTML, entities and a list")
        << "<question type=\"multichoice\"><questiontext format=\"html\"><text>&lt;p&gt;A&amp;amp;B "
           "&amp;lt;1&amp;gt;&lt;/p&gt;&lt;ul&gt;&lt;li&gt;一&lt;/li&gt;&lt;/ul&gt;</text></questiontext>" +
               abc + "</question>"
        << "导入的题|A&B <1>\n· 一A.甲 B.乙 C.丙|A|单选|";
    QTest::newRow("plain text format keeps its lines")
        << "<question type=\"multichoice\"><questiontext format=\"plain_text\"><text>第一行\n  "
           "&lt;b&gt;第二行"
           "</text></questiontext>" +
               abc + "</question>"
        << "导入的题|第一行\n<b>第二行A.甲 B.乙 C.丙|A|单选|";
    QTest::newRow("true/false true")
        << "<question type=\"truefalse\"><questiontext format=\"html\"><text>对吗</text></questiontext>"
           "<defaultgrade>1</defaultgrade><answer fraction=\"100\"><text>true</text></answer>"
           "<answer fraction=\"0\"><text>false</text></answer></question>"
        << "导入的题|对吗|对|判断|1";
    QTest::newRow("an option that is only a picture")
        << multichoice("题干", "true",
                       answerXml("100", "<img src=\"@@PLUGINFILE@@/a.png\">")
                               .replace("</text>",
                                        "</text><file name=\"a.png\" encoding=\"base64\">iVBORw==</file>") +
                           answerXml("0", "乙"))
        << "导入的题|题干A.（见图） B.乙|A|单选|";
}

void DocumentsLmsTest::moodleQuestions() {
    QFETCH(QString, questions);
    QFETCH(QString, expected);
    const Document doc = readMoodleXml(quiz(questions), QStringLiteral("导入的题"));
    QVERIFY2(doc.error.isEmpty(), qPrintable(doc.error));
    QCOMPARE(doc.papers.size(), 1);
    QVERIFY(!doc.papers[0].questions.isEmpty());
    QCOMPARE(doc.papers[0].name + "|" + summary(doc.papers[0].questions[0]), expected);
    QVERIFY2(doc.problems.isEmpty(), qPrintable(reasons(doc).join('\n')));
}

void DocumentsLmsTest::moodleBadFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("not XML") << QByteArray("一、单项选择题\n1．题") << "XML 格式有误";
    QTest::newRow("another XML file")
        << QByteArray("<?xml version=\"1.0\"?><workbook/>") << "根元素是 <workbook>，不是 <quiz>";
    QTest::newRow("empty") << QByteArray(" \n") << "文件是空的";
    QTest::newRow("no root") << QByteArray("<?xml version=\"1.0\"?>\n<!-- 只有注释 -->\n") << "意外结束";
    QTest::newRow("cut short") << quiz(multichoice("题", "true", answerXml("100", "甲"))).left(120)
                               << "意外结束";
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [\n<!ENTITY a \"哈哈哈哈哈哈哈哈\">\n";
    for (char c = 'b'; c <= 'k'; ++c)
        laughs += QByteArray("<!ENTITY ") + c + " \"" + QByteArray("&") + char(c - 1) + ";" +
                  QByteArray("&") + char(c - 1) + ";&" + char(c - 1) + ";&" + char(c - 1) + ";\">\n";
    laughs += "]>\n<quiz><question type=\"multichoice\"><questiontext><text>&k;</text></questiontext>"
              "</question></quiz>";
    QTest::newRow("entities that multiply") << laughs << "实体定义";
    QTest::newRow("an external entity")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                      "<quiz><question type=\"truefalse\"><questiontext><text>&x;</text></questiontext>"
                      "</question></quiz>")
        << "实体定义";
    QByteArray deep = "<quiz><question type=\"multichoice\"><questiontext><text>";
    for (int i = 0; i < 300; ++i)
        deep += "<b>";
    QTest::newRow("nested too deep") << deep << "嵌套超过 256 层";
}

void DocumentsLmsTest::moodleBadFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const Document doc = readMoodleXml(bytes, QStringLiteral("卷"));
    QVERIFY2(doc.error.contains(error), qPrintable(doc.error));
    QVERIFY(doc.papers.isEmpty());
    QVERIFY(doc.problems.isEmpty());
}

void DocumentsLmsTest::moodleFaultsAndLimits() {
    QString eight;
    for (int i = 0; i < 8; ++i)
        eight += answerXml(i == 7 ? "100" : "0", QString::number(i));
    const QString twoPictures = multichoice(
        "<img src=\"@@PLUGINFILE@@/big.png\"><img src=\"@@PLUGINFILE@@/gone.png\"><img "
        "src=\"http://x/y.png\">",
        "true",
        answerXml("100", "甲")
            .replace("]]></text>", "]]></text><file name=\"big.png\" encoding=\"base64\">" +
                                       QString::fromLatin1(QByteArray(600, 'A').toBase64()) + "</file>"));
    const QString questions =
        multichoice("八个选项", "true", eight) + "\n" +
        multichoice("分数", "true", answerXml("100", "甲") + "\n" + answerXml("很多", "乙"),
                    "<defaultgrade>x</defaultgrade>") +
        "\n" + twoPictures + "\n" + multichoice("好题", "true", answerXml("100", "甲")) + "\n" +
        multichoice("没有对的", "true", answerXml("0", "甲") + answerXml("0", "乙"));
    Limits limits;
    limits.maxPictureBytes = 500;
    Document doc = readMoodleXml(quiz(questions), QStringLiteral("卷"), limits);
    QVERIFY2(doc.error.isEmpty(), qPrintable(doc.error));
    QCOMPARE(doc.questionCount(), 5);
    // The reader's own problems come first, then those of the shared checks.
    QCOMPARE(reasons(doc),
             QStringList({"4:分值“x”不是数字", "5:答案的分数“很多”不是数字",
                          "6:图片“big.png”超出可读入的大小，没有读入", "6:图片“gone.png”不在文件中，没有读入",
                          "6:图片“http://x/y.png”不在文件中，没有读入",
                          "3:有 8 个选项，最多只能有 7 个（A–G）", "8:没有答案"}));
    QCOMPARE(doc.badCount(), 4);
    QVERIFY(!doc.isBad(0, 3));

    // The limits on questions and text end the reading with a problem for the file; what came
    // before is kept.
    limits = Limits();
    limits.maxQuestions = 2;
    doc = readMoodleXml(quiz(questions), QStringLiteral("卷"), limits);
    auto fileProblem = [](const Document& d) {
        for (const Problem& p : d.problems)
            if (p.paper < 0 && p.question < 0)
                return p.reason;
        return QString();
    };
    QCOMPARE(doc.questionCount(), 2);
    QVERIFY2(fileProblem(doc).contains("超过 2 道"), qPrintable(fileProblem(doc)));
    limits = Limits();
    limits.maxTextChars = 14;
    doc = readMoodleXml(quiz(questions), QStringLiteral("卷"), limits);
    QCOMPARE(doc.questionCount(), 1);
    QVERIFY2(fileProblem(doc).contains("超过 14 个字符"), qPrintable(fileProblem(doc)));
    limits.maxFileBytes = 10;
    QVERIFY(readMoodleXml(quiz(questions), "卷", limits).error.contains("超过可读入的"));
}

void DocumentsLmsTest::moodleRoundTrip() {
    Document doc;
    Question single;
    single.number = "1";
    single.material = "甲公司 2025 年发生下列业务：";
    single.stem = "应计入“管理费用”的是（  ）。\n（金额 < 1 万元 & 不含税）";
    single.options = {"工资", "  折旧", "A&B <c>"};
    single.answer = "B";
    single.type = Type::Single;
    single.mark = 1.5;
    single.explanation = "管理部门的折旧。\n\n见准则第 4 条。";
    single.pictures = {{"word/media/image1.png", dataFile("moodle-bank-picture1.png")},
                       {"image1.png", dataFile("moodle-bank-picture2.png")}};
    Question several = single;
    several.material.clear();
    several.pictures.clear();
    several.stem = "属于资产的有（  ）。";
    several.options = {"存货", "预收账款", "应收账款", "实收资本", "固定资产"};
    several.answer = "ACE";
    several.type = Type::Multiple;
    several.mark = 2;
    Question indefinite = several;
    indefinite.answer = "C";
    indefinite.type = Type::Indefinite;
    indefinite.mark.reset();
    indefinite.explanation.clear();
    Question tf;
    tf.stem = "会计主体一定是法律主体。";
    tf.answer = "错";
    tf.mark = 1;
    Question none = tf;
    none.answer.clear();
    doc.papers.append({"初级会计实务/第一章", 120, {single, several}});
    doc.papers.append({"判断题", {}, {indefinite, tf, none}});

    QStringList skipped;
    const QByteArray xml = writeMoodleXml(doc, &skipped);
    QCOMPARE(skipped, QStringList({"试卷“判断题”第 3 题：没有答案，没有导出"}));
    // Fractions keep Moodle's rules: right answers share 100, wrong ones of a several-answer
    // question share -100.
    const QString text = QString::fromUtf8(xml);
    QCOMPARE(text.count("fraction=\"33.33333\""), 3);
    QCOMPARE(text.count("fraction=\"-50\""), 2);
    QCOMPARE(text.count("fraction=\"-25\""), 4);
    QVERIFY(text.contains("<text>$course$/top/初级会计实务//第一章</text>"));
    QVERIFY(text.contains("<shuffleanswers>0</shuffleanswers>"));

    const Document back = readMoodleXml(xml, "别的名字");
    QVERIFY2(back.error.isEmpty(), qPrintable(back.error));
    QVERIFY2(back.problems.isEmpty(), qPrintable(reasons(back).join('\n')));
    QCOMPARE(back.papers.size(), 2);
    for (int p = 0; p < 2; ++p) {
        QCOMPARE(back.papers[p].name, doc.papers[p].name);
        QCOMPARE(back.papers[p].minutes, doc.papers[p].minutes);
        QCOMPARE(back.papers[p].questions.size(), 2);
        for (int i = 0; i < back.papers[p].questions.size(); ++i) {
            const Question& a = doc.papers[p].questions[i];
            const Question& b = back.papers[p].questions[i];
            QCOMPARE(summary(b), summary(a));
            QCOMPARE(b.explanation, a.explanation);
            QCOMPARE(b.pictures.size(), a.pictures.size());
            for (int k = 0; k < a.pictures.size(); ++k)
                QCOMPARE(b.pictures[k].bytes, a.pictures[k].bytes);
        }
    }
    QCOMPARE(back.papers[0].questions[0].pictures[1].name, "image1_2.png");
}

void DocumentsLmsTest::gift_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // summary() and the explanation
    QTest::newRow("one right answer") << "下列属于资产的是（  ）。{=应收账款 ~预收账款 ~实收资本}"
                                      << "下列属于资产的是（  ）。A.应收账款 B.预收账款 C.实收资本|A|单选||";
    QTest::newRow("several answers by weight, answers on their own lines")
        << "::资产::属于资产的有（  ）。{\n~%50%存货\n~%-100%预收账款\n~%50%应收账款 #对\n}"
        << "属于资产的有（  ）。A.存货 B.预收账款 C.应收账款|AC|多选||";
    QTest::newRow("true") << "会计主体可以是法律主体。{T}"
                          << "会计主体可以是法律主体。|对|判断||";
    QTest::newRow("FALSE with feedback and general feedback")
        << "会计主体一定是法律主体。{FALSE#错了#对了####会计主体不一定是法律主体。}"
        << "会计主体一定是法律主体。|错|判断||会计主体不一定是法律主体。";
    QTest::newRow("false in lower case") << "题{f}"
                                         << "题|错|判断||";
    QTest::newRow("escapes") << "比例 1\\:2 与 a\\=b\\~c\\#d \\{e\\} 的题\\n第二行 {=x\\=1#反馈 ~y\\~2 ~\\#3}"
                             << "比例 1:2 与 a=b~c#d {e} 的题\n第二行A.x=1 B.y~2 C.#3|A|单选||";
    QTest::newRow("per-answer feedback passed over, general feedback kept")
        << "题 {~甲#不对 =乙#对 ####因为乙。}"
        << "题A.甲 B.乙|B|单选||因为乙。";
    QTest::newRow("html format") << "[html]<p>题&amp;干</p><p>第二段</p>{=<b>甲</b> ~乙}"
                                 << "题&干\n第二段A.甲 B.乙|A|单选||";
    QTest::newRow("plain format after a title") << "::t::[plain]<p>题</p>{=甲 ~乙}"
                                                << "<p>题</p>A.甲 B.乙|A|单选||";
    QTest::newRow("a blank where the answers stand")
        << "会计要素包括 {=资产 ~费用化} 等六项。"
        << "会计要素包括 （  ） 等六项。A.资产 B.费用化|A|单选||";
    QTest::newRow("comments") << "// 第一题\n题干\n// 选项\n{=甲 ~乙}"
                              << "题干A.甲 B.乙|A|单选||";
    QTest::newRow("weighted single answer: the best") << "题{~%50%甲 =乙 ~丙}"
                                                      << "题A.甲 B.乙 C.丙|B|单选||";
}

void DocumentsLmsTest::gift() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QByteArray gb = QStringEncoder("GB18030")(text);
    for (const QByteArray& bytes : {text.toUtf8(), gb}) {
        const Document doc = readGift(bytes, "卷");
        QVERIFY2(doc.error.isEmpty(), qPrintable(doc.error));
        QCOMPARE(doc.questionCount(), 1);
        const Question& q = doc.papers[0].questions[0];
        QCOMPARE(summary(q) + "|" + q.explanation, expected);
        QVERIFY2(doc.problems.isEmpty(), qPrintable(reasons(doc).join('\n')));
    }
}

void DocumentsLmsTest::giftPapersAndLeftOut() {
    const QString text = "开头的题 {T}\n"
                         "\n"
                         "$CATEGORY: $course$/top/初级会计/第一章\n"
                         "\n"
                         "谁是 {=甲 =乙}\n" // 5: short answer
                         "\n"
                         "配对 {=a -> 1 =b -> 2}\n" // 7: matching
                         "\n"
                         "数值 {#3:1}\n" // 9: numerical
                         "\n"
                         "论述 {}\n" // 11: essay
                         "\n"
                         "只是说明文字\n" // 13: description
                         "\n"
                         "好题 {=甲 ~乙}\n" // 15
                         "\n"
                         "权重错 {\n~%50%甲\n~%x%乙\n}\n" // 17, its bad weight on 19
                         "\n"
                         "没有结尾 {=甲 ~乙\n" // 22
                         "\n"
                         "$CATEGORY: $course$/top/第二章\n"
                         "多选无对 {~甲 ~%0%乙}\n" // 25: the category line starts its block
                         "\n"
                         "谁是 {=丙}\n" // 27: short answer
                         "\n"
                         "[html]<p>看图</p><img src=\"a.png\">{T}\n"; // 29: a picture GIFT cannot carry
    const Document doc = readGift(text.toUtf8(), "开头");
    QVERIFY2(doc.error.isEmpty(), qPrintable(doc.error));
    QCOMPARE(doc.papers.size(), 3);
    QCOMPARE(doc.papers[0].name, "开头");
    QCOMPARE(doc.papers[1].name, "第一章");
    QCOMPARE(doc.papers[2].name, "第二章");
    QCOMPARE(doc.papers[1].questions.size(), 3);
    QCOMPARE(doc.papers[1].questions[1].line, 17);
    QCOMPARE(doc.papers[2].questions[0].line, 25);
    QCOMPARE(reasons(doc), QStringList({"19:答案的权重“%x%”无法识别", "22:答案部分缺少结尾的“}”",
                                        "29:图片“a.png”不在文件中，没有读入", "25:没有答案"}));
    QCOMPARE(doc.leftOut,
             QStringList({"填空题（shortanswer）2 道：第 5、27 行", "匹配题（matching）1 道：第 7 行",
                          "数值题（numerical）1 道：第 9 行", "简答题（essay）1 道：第 11 行",
                          "说明文字（description）1 道：第 13 行"}));
}

void DocumentsLmsTest::aiken() {
    const QString text = "\xEF\xBB\xBF"
                         "下列属于资产的是？\n"
                         "A. 应收账款\n"
                         "B. 预收账款\n"
                         "ANSWER: A\n"
                         "会计要素\n" // 5: two lines of question
                         "共有几项？\n"
                         "A) 五项\n"
                         "Ｂ）六项\n" // full-width letter and bracket
                         "ANSWER：b\n"
                         "\n"
                         "没有答案的题\n" // 11
                         "A. 甲\n"
                         "B. 乙\n"
                         "答案不对的题\n" // 14
                         "A. 甲\n"
                         "C. 乙\n" // 16: a letter out of order
                         "ANSWER: C\n"
                         "ANSWER: A\n"; // 18: no question before it
    const Document doc = readAiken(text.toUtf8(), "Aiken 卷");
    QCOMPARE(doc.papers.size(), 1);
    QCOMPARE(doc.papers[0].name, "Aiken 卷");
    const QList<Question>& qs = doc.papers[0].questions;
    QCOMPARE(qs.size(), 4);
    QCOMPARE(summary(qs[0]), "下列属于资产的是？A.应收账款 B.预收账款|A|单选|");
    QCOMPARE(summary(qs[1]), "会计要素\n共有几项？A.五项 B.六项|B|单选|");
    QCOMPARE(qs[2].line, 11);
    QCOMPARE(reasons(doc), QStringList({"11:没有“ANSWER:”答案行", "16:选项字母 C 不对，这里应是 B",
                                        "18:答案行前面没有题目"}));
    QCOMPARE(doc.badCount(), 2);
    QVERIFY(readAiken("", "卷").papers.isEmpty());
}

void DocumentsLmsTest::detect_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("kind");
    QTest::newRow("Moodle XML") << "bank.xml" << dataFile("moodle-bank.xml").left(200)
                                << int(Kind::MoodleXml);
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    QTest::newRow("Moodle XML in UTF-16 named .txt")
        << "bank.txt"
        << QByteArray(
               utf16(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<!-- x -->\n<quiz>")))
        << int(Kind::MoodleXml);
    QTest::newRow("another .xml") << "a.xml" << QByteArray("<workbook/>") << int(Kind::MoodleXml);
    QTest::newRow(".gift") << "a.gift" << QByteArray("题目") << int(Kind::Gift);
    QTest::newRow("GIFT marks in .txt")
        << "a.txt" << QString("// 注释\n题 {\n=甲\n~乙\n}").toUtf8() << int(Kind::Gift);
    QTest::newRow("GIFT true/false") << "a.txt" << QByteArray("Sky is blue {T}") << int(Kind::Gift);
    QTest::newRow("GIFT category") << "a.txt" << QByteArray("$CATEGORY: tom\n") << int(Kind::Gift);
    QTest::newRow("Aiken") << "a.txt" << QString("题？\nA. 甲\nB) 乙\nANSWER: B\n").toUtf8()
                           << int(Kind::Aiken);
    QTest::newRow("Chinese layout in GBK") << "卷.txt"
                                           << QByteArray(QStringEncoder("GB18030")(QStringLiteral(
                                                  "一、单项选择题\n1．题（  ）\nA．甲 B．乙\n【答案】A")))
                                           << int(Kind::Layout);
    QTest::newRow("escaped braces are no marks")
        << "a.txt" << QByteArray("1. a \\{=b} c\n") << int(Kind::Layout);
    QTest::newRow("Word") << "卷.docx" << QByteArray("PK\x03\x04rest", 8) << int(Kind::Word);
    QTest::newRow("not a zip named .docx") << "卷.docx" << QByteArray("hello") << int(Kind::Word);
    QTest::newRow("a workbook") << "a.xlsx" << QByteArray("PK\x03\x04rest", 8) << int(Kind::Unknown);
    QTest::newRow("old Word") << "a.doc" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")
                              << int(Kind::Unknown);
    QTest::newRow("binary") << "a.txt" << QByteArray("ab\0cd", 5) << int(Kind::Unknown);
}

void DocumentsLmsTest::detect() {
    QFETCH(QString, name);
    QFETCH(QByteArray, head);
    QFETCH(int, kind);
    QCOMPARE(int(detectKind(name, head)), kind);
}

QTEST_GUILESS_MAIN(DocumentsLmsTest)
#include "test_documents_lms.moc"
