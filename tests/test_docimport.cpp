#include "TestSupport.h"

#include "app/MainWindow.h"
#include "bank/BankEdits.h"
#include "bank/BankWindow.h"
#include "bank/DocumentImport.h"
#include "bank/ImportPreview.h"
#include "access/ChildImport.h"
#include "documents/DocumentFile.h"
#include "documents/TextPaper.h"
#include "marking/Scoring.h"
#include "marking/AnswerCard.h"
#include "marking/InfoWindow.h"
#include "marking/ResultsOverview.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "ui/Grid.h"
#include "ui/RichBox.h"
#include "ui/RefillCombo.h"
#include <QLineEdit>
#include <QComboBox>
#include "store/Schema.h"
#include "ui/MessageBox.h"

#include <QProcess>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTreeWidget>

using namespace documents;

namespace {

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun tool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELTARO_IMPORT_TOOL), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kPaper = QStringLiteral(
    "2024年会计基础练习　考试时间：90分钟\n"
    "一、单项选择题（本类题共2小题，每小题2分，共4分）\n"
    "1．会计的基本职能是（  ）。\n"
    "A．核算和监督　B．预测和决策\n"
    "【答案】A\n"
    "【解析】会计的基本职能是核算和监督。\n"
    "2、下列属于资产的是（  ）。\n"
    "A.存货\nB.应付账款\nC.实收资本\n"
    "答案：a\n"
    "二、多项选择题（每小题3分）\n"
    "3．下列属于期间费用的有（  ）。\n"
    "（A）销售费用（B）管理费用（C）制造费用\n"
    "正确答案：A B\n"
    "三、判断题（每小题1分）\n"
    "4．会计分期是会计核算的基本前提之一。（  ）\n"
    "参考答案：√\n");

// The rows of a bank's questions a round trip must keep, one line each.
QString questionRows(Store& store) {
    QStringList out;
    for (const bank::PaperSummary& p : bank::listPapers(store)) {
        out << QStringLiteral("[%1 %2 %3 %4]")
                   .arg(p.paper.name)
                   .arg(p.paper.chouti.toLongLong())
                   .arg(p.paper.paixu.toLongLong())
                   .arg(p.paper.kstime.toLongLong());
        for (const bank::Question& q : bank::listQuestions(store, p.paper.code))
            out << QStringLiteral("%1|%2|%3|%4|%5|%6")
                       .arg(q.tihao.toLongLong())
                       .arg(q.question, q.authority, bank::typeOf(q))
                       .arg(q.score.toDouble())
                       .arg(q.jiexi);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

class DocImportTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        useRecordingDialogs();
        bankimport::setImportTool(QStringLiteral(VELTARO_IMPORT_TOOL));
    }
    void cleanup() {
        ImportPreview::setTestDriver({});
        BankWindow::setWorkbookChooser({});
    }
    void gbkPaperThroughTheTool();
    void badQuestionsAreNamedAndNothingIsStored();
    void allOrOnlyTheGoodQuestions();
    void picturesGoIntoPicNamedByQuestion();
    void roundTripsThroughTheTool();
    void giftAndAikenThroughTheTool();
    void questionTextsSplitIntoOptions();
    void theHandedDocumentIsWholeOrRefused();
    void previewInTheBankWindow();
    void headingRulesReachTheBank();
    void importedPaperSatAsTheExamMarksIt();
};

void DocImportTest::gbkPaperThroughTheTool() {
    QTemporaryDir dir;
    QStringEncoder gbk("GBK");
    write(dir.filePath("试卷.txt"), gbk(kPaper));
    const QString db = dir.filePath("ks.db");

    ToolRun r = tool({dir.filePath("试卷.txt"), db});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("试卷“2024年会计基础练习”：4 道题（单选 2、多选 1、判断 1），考试时间 90 分钟")),
             qPrintable(r.out));
    Store store;
    QCOMPARE(store.open(db), Store::OpenResult::Ok);
    QCOMPARE(questionRows(store),
             QStringLiteral("[2024年会计基础练习 4 1 90]\n"
                            "1|会计的基本职能是（  ）。A.核算和监督 B.预测和决策|A|单选|2|会计的基本职能是核算和监督。\n"
                            "2|下列属于资产的是（  ）。A.存货 B.应付账款 C.实收资本|A|单选|2|\n"
                            "3|下列属于期间费用的有（  ）。A.销售费用 B.管理费用 C.制造费用|AB|多选|3|\n"
                            "4|会计分期是会计核算的基本前提之一。（  ）|对|判断|1|"));

    // Again: the next free number; --code gives one, and a taken one is refused without a change.
    QCOMPARE(tool({dir.filePath("试卷.txt"), db}).code, 0);
    QCOMPARE(tool({dir.filePath("试卷.txt"), db, "--code", "7"}).code, 0);
    r = tool({dir.filePath("试卷.txt"), db, "--code", "7"});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("已有编码为 7 的试卷")), qPrintable(r.err));
    QCOMPARE(tool({dir.filePath("试卷.txt"), db, "--code", "x"}).code, 2);
    // An option after the document is refused, and no bank named after it appears.
    QCOMPARE(tool({dir.filePath("试卷.txt"), "--check"}).code, 2);
    QVERIFY(!QFile::exists("--check") && !QFile::exists(dir.filePath("--check")));
    QStringList codes;
    for (const bank::PaperSummary& p : bank::listPapers(store))
        codes << p.paper.code + ":" + QString::number(p.questions);
    QCOMPARE(codes.join(' '), QStringLiteral("1:4 2:4 7:4"));
}

void DocImportTest::badQuestionsAreNamedAndNothingIsStored() {
    QTemporaryDir dir;
    write(dir.filePath("bad.txt"), QStringLiteral("练习\n1．甲（  ）。\nA．一\nB．二\n"
                                                 "2．乙（  ）。\nA．一\nB．二\n答案：D\n"
                                                 "3．丙（  ）。\nA．一\nB．二\n答案：B\n").toUtf8());
    const QString db = dir.filePath("ks.db");
    ToolRun r = tool({"--check", dir.filePath("bad.txt")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.contains(QStringLiteral("问题：第 2 行（第 1 题）：没有答案")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("问题：第 5 行（第 2 题）：")) && r.out.contains("D"), qPrintable(r.out));
    r = tool({dir.filePath("bad.txt"), db});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("2 道题有问题")), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(db));
    // A file the readers do not know, and a missing one: a message, no bank.
    write(dir.filePath("old.docx"), QByteArray("\xD0\xCF\x11\xE0" " not a zip"));
    r = tool({dir.filePath("old.docx"), db});
    QCOMPARE(r.code, 1);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(!QFileInfo::exists(db));
    QCOMPARE(tool({"--check", dir.filePath("missing.txt")}).code, 1);
    // A good file checks through.
    write(dir.filePath("good.txt"), kPaper.toUtf8());
    r = tool({"--check", dir.filePath("good.txt")});
    QVERIFY2(r.code == 0 && r.err.contains(QStringLiteral("1 套试卷，共 4 道题")), qPrintable(r.err));
}

void DocImportTest::allOrOnlyTheGoodQuestions() {
    TestBank tb;
    Store store;
    QCOMPARE(tb.openStore(store), Store::OpenResult::Ok);
    tb.addPaper("5", "原有", 1, true, 30);
    // A repeated number and a letter without its option can be stored; a question without an
    // answer cannot.
    const QString text = QStringLiteral("卷\n1．甲（  ）。\nA．一\nB．二\n答案：A\n"
                                        "1．乙（  ）。\nA．一\nB．二\n答案：B\n"
                                        "2．丙（  ）。\nA．一\nB．二\n答案：C\n"
                                        "3．丁（  ）。\nA．一\nB．二\n答案：B\n");
    const Document doc = readTextPaper(text.toUtf8(), "卷");
    QCOMPARE(doc.badCount(), 2);
    docimport::Stored s = docimport::store(store, tb.dir(), "卷.txt", doc, {std::nullopt, false});
    QCOMPARE(s.error, QString());
    QCOMPARE(s.codes, QStringList{"6"});
    QCOMPARE(bank::listQuestions(store, "6").size(), 4);
    s = docimport::store(store, tb.dir(), "卷.txt", doc, {std::nullopt, true});
    QCOMPARE(s.codes, QStringList{"7"});
    QStringList kept;
    for (const bank::Question& q : bank::listQuestions(store, "7"))
        kept << QString::number(q.tihao.toLongLong()) + q.question.left(1);
    QCOMPARE(kept.join(' '), QStringLiteral("1甲 2丁"));
    QCOMPARE(bank::paperByCode(store, "7")->chouti.toLongLong(), 2);

    const Document noAnswer = readTextPaper(QStringLiteral("卷\n1．甲（  ）。\nA．一\nB．二\n"
                                                           "2．丁（  ）。\nA．一\nB．二\n答案：B\n").toUtf8(), "卷");
    QVERIFY(!docimport::storable(noAnswer.papers[0].questions[0]));
    s = docimport::store(store, tb.dir(), "卷.txt", noAnswer, {std::nullopt, false});
    QVERIFY2(s.error.contains(QStringLiteral("第 2 行")), qPrintable(s.error));
    QCOMPARE(bank::listPapers(store).size(), 3);
    // Only bad questions: nothing to store.
    const Document allBad = readTextPaper(QStringLiteral("卷\n1．甲（  ）。\nA．一\n").toUtf8(), "卷");
    s = docimport::store(store, tb.dir(), "卷.txt", allBad, {std::nullopt, true});
    QVERIFY(!s.error.isEmpty());
    QCOMPARE(bank::listPapers(store).size(), 3);
}

void DocImportTest::picturesGoIntoPicNamedByQuestion() {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks.db");
    QVERIFY(QDir().mkpath(dir.filePath("pic")));
    write(dir.filePath("pic/1-2.png"), "taken");
    const QString docx = QStringLiteral(VELTARO_TEST_DATA "/documents/numbered-pictures.docx");
    ToolRun r = tool({docx, db});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("2 道题有图片")), qPrintable(r.out));
    Store store;
    QCOMPARE(store.open(db), Store::OpenResult::Ok);
    const Document original = readDocumentFile(docx);
    const auto second = bank::questionByNumber(store, "1", 2);
    QCOMPARE(second->pic, QStringLiteral("\\pic\\1-2-2.png"));
    QCOMPARE(read(dir.filePath("pic/1-2-2.png")), original.papers[0].questions[1].pictures[0].bytes);
    QCOMPARE(read(dir.filePath("pic/1-2.png")), QByteArray("taken"));
    QCOMPARE(bank::questionByNumber(store, "1", 6)->pic, QStringLiteral("\\pic\\1-6.png"));
    QCOMPARE(bank::questionByNumber(store, "1", 1)->pic, QString());

    // Moodle's pictures, a paper per category.
    r = tool({QStringLiteral(VELTARO_TEST_DATA "/documents/moodle-bank.xml"), db});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("没有读入")), qPrintable(r.out));
    int withPicture = 0;
    for (const bank::PaperSummary& p : bank::listPapers(store))
        for (const bank::Question& q : bank::listQuestions(store, p.paper.code))
            if (p.paper.code != "1" && !q.pic.isEmpty()) {
                ++withPicture;
                QVERIFY(q.pic.startsWith(QStringLiteral("\\pic\\%1-%2.").arg(p.paper.code).arg(q.tihao.toLongLong())));
                QVERIFY(read(dir.filePath("pic/" + q.pic.mid(5))).startsWith("\x89PNG"));
            }
    QVERIFY(withPicture >= 1);
}

void DocImportTest::roundTripsThroughTheTool() {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks.db");
    write(dir.filePath("a.txt"), kPaper.toUtf8());
    QCOMPARE(tool({dir.filePath("a.txt"), db}).code, 0);
    QCOMPARE(tool({QStringLiteral(VELTARO_TEST_DATA "/documents/numbered-pictures.docx"), db}).code, 0);
    Store store;
    QCOMPARE(store.open(db), Store::OpenResult::Ok);
    const QString rows = questionRows(store);

    for (const QString& format : {QStringLiteral("txt"), QStringLiteral("docx"), QStringLiteral("xml")}) {
        const QString out = dir.filePath("out." + format);
        ToolRun r = tool({"--export", db, out});
        QVERIFY2(r.code == 0, qPrintable(format + r.err));
        QCOMPARE(tool({"--export", db, out}).code, 1); // never over a file
        QTemporaryDir again;
        r = tool({out, again.filePath("ks.db")});
        QVERIFY2(r.code == 0, qPrintable(format + r.out + r.err));
        Store copy;
        QCOMPARE(copy.open(again.filePath("ks.db")), Store::OpenResult::Ok);
        const QString back = questionRows(copy);
        if (back != rows) {
            const QStringList a = back.split('\n'), b = rows.split('\n');
            for (int i = 0; i < qMax(a.size(), b.size()); ++i)
                if (a.value(i) != b.value(i))
                    qWarning().noquote() << format << "\n got " << a.value(i) << "\n want" << b.value(i);
        }
        QCOMPARE(back, rows);
        // Pictures travel in Word and Moodle XML.
        const auto second = bank::questionByNumber(copy, "2", 2);
        QCOMPARE(second->pic.isEmpty(), format == "txt");
        if (format != "txt")
            QCOMPARE(read(again.filePath("pic/" + second->pic.mid(5))),
                     read(dir.filePath("pic/" + bank::questionByNumber(store, "2", 2)->pic.mid(5))));
    }
    // One paper.
    ToolRun r = tool({"--export", db, dir.filePath("one.txt"), "--paper", "1"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const Document one = readDocumentFile(dir.filePath("one.txt"));
    QCOMPARE(one.papers.size(), 1);
    QCOMPARE(one.papers[0].name, QStringLiteral("2024年会计基础练习"));
    QCOMPARE(one.papers[0].minutes, 90);
    QCOMPARE(tool({"--export", db, dir.filePath("none.txt"), "--paper", "99"}).code, 1);
    QVERIFY(!QFileInfo::exists(dir.filePath("none.txt")));
}

void DocImportTest::giftAndAikenThroughTheTool() {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks.db");
    write(dir.filePath("q.gift"), QStringLiteral("$CATEGORY: $course$/top/会计/第一章\n\n"
                                                "::一::会计的基本职能是 {=核算和监督 ~预测和决策 ####核算和监督。}\n\n"
                                                "期间费用有 {~%50%销售费用 ~%50%管理费用 ~%-100%制造费用}\n\n"
                                                "会计分期是基本前提 {T}\n").toUtf8());
    ToolRun r = tool({dir.filePath("q.gift"), db});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    write(dir.filePath("aiken.txt"), QByteArray("Which is an asset?\nA. Cash\nB. Loans\nANSWER: A\n\n"
                                                "Which is a liability?\nA) Cash\nB) Loans\nANSWER: B\n"));
    r = tool({dir.filePath("aiken.txt"), db});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    Store store;
    QCOMPARE(store.open(db), Store::OpenResult::Ok);
    const QString rows = questionRows(store);
    QVERIFY2(rows.startsWith(QStringLiteral("[第一章 3 1 60]\n1|会计的基本职能是A.核算和监督 B.预测和决策|A|单选|1|核算和监督。\n"
                                            "2|期间费用有A.销售费用 B.管理费用 C.制造费用|AB|多选|1|\n"
                                            "3|会计分期是基本前提|对|判断|1|\n[aiken 2 1 60]")),
             qPrintable(rows));
}

void DocImportTest::questionTextsSplitIntoOptions() {
    struct Case {
        QString text, stem, options;
    };
    const QList<Case> cases = {
        {"甲（  ）。A.持续经营 B.会计分期", "甲（  ）。", "持续经营/会计分期"},
        {"题干\nA.甲\nB.乙 C.丙", "题干", "甲/乙/丙"},
        {"Which is an ASSET? A.Cash B.Loans", "Which is an ASSET?", "Cash/Loans"},
        {"会计分期是基本前提。（  ）", "会计分期是基本前提。（  ）", ""},
        // A lone "A." is no run of options; letters inside words are not options.
        {"甲公司的A.股份", "甲公司的A.股份", ""},
        {"选DATA.B.x A.一 B.二", "选DATA.B.x", "一/二"},
        {"题 A、一 B、二 D、四", "题", "一/二 D、四"},
    };
    for (const Case& c : cases) {
        QString stem;
        QStringList options;
        docimport::splitQuestionText(c.text, &stem, &options);
        QCOMPARE(stem, c.stem);
        QCOMPARE(options.join('/'), c.options);
    }
}

void DocImportTest::theHandedDocumentIsWholeOrRefused() {
    Document doc = readTextPaper(kPaper.toUtf8(), "卷");
    doc.papers[0].questions[0].pictures << Picture{"x.png", QByteArray(1000, 'p')};
    doc.problems << Problem{3, 0, 1, "原因"};
    doc.papers[0].rules.of(Type::Multiple) = TypeRule{Rule::PerOption, 0.25, true, true};
    doc.papers[0].rules.of(Type::TrueFalse) = TypeRule{Rule::Deduction, 1, false, false};
    const QByteArray bytes = encodeDocument(doc);
    Document back;
    QVERIFY(decodeDocument(bytes, &back));
    QCOMPARE(encodeDocument(back), bytes);
    QVERIFY(back.papers[0].rules == doc.papers[0].rules);
    QVERIFY(back.isBad(0, 1));
    for (const int cut : {0, 8, int(bytes.size() / 2), int(bytes.size() - 1)})
        QVERIFY(!decodeDocument(bytes.left(cut), &back));
    // A problem naming a question that is not there.
    doc.problems << Problem{1, 0, 99, "越界"};
    QVERIFY(!decodeDocument(encodeDocument(doc), &back));
    QCOMPARE(back.papers.size(), 0);
}

void DocImportTest::previewInTheBankWindow() {
    TestBank tb;
    QTemporaryDir files;
    write(files.filePath("卷.txt"), QStringLiteral("卷\n一、单项选择题（每小题1分，答错扣0.5分）\n1．甲（  ）。\nA．一\nB．二\n"
                                                "2．乙（  ）。\nA．一\nB．二\n答案：B\n").toUtf8());
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();
    BankWindow::setWorkbookChooser([&](QWidget*, bool) { return files.filePath("卷.txt"); });
    const int before = tb.scalar("select count(*) from 试卷").toInt();

    QStringList seen;
    ImportPreview::Decision choice = ImportPreview::Decision::Cancel;
    ImportPreview::setTestDriver([&](ImportPreview& p) {
        seen.clear();
        for (int i = 0; i < p.问题列表框->topLevelItemCount(); ++i)
            seen << p.问题列表框->topLevelItem(i)->text(0) + p.问题列表框->topLevelItem(i)->text(1);
        QTreeWidgetItem* paper = p.题目列表框->topLevelItem(0);
        QVERIFY2(paper->text(0).endsWith(QStringLiteral("评分：单选：答错扣分（扣 0.5 分）")), qPrintable(paper->text(0)));
        QCOMPARE(paper->childCount(), 2);
        QCOMPARE(paper->child(1)->text(1), QStringLiteral("单选"));
        QCOMPARE(paper->child(1)->text(2), QStringLiteral("B"));
        QVERIFY(!p.全部导入按钮->isEnabled()); // a question without an answer cannot be stored
        QVERIFY(p.只导入没有问题的题目按钮->isEnabled());
        if (choice == ImportPreview::Decision::GoodOnly)
            p.只导入没有问题的题目按钮->click();
        else
            p.取消按钮->click();
    });
    bank->导入按钮->click();
    QCOMPARE(seen, QStringList{QStringLiteral("第 3 行（第 1 题）没有答案")});
    QCOMPARE(tb.scalar("select count(*) from 试卷").toInt(), before);
    QCOMPARE(MessageBox::shown().last().text, QStringLiteral("没有导入任何内容。"));

    choice = ImportPreview::Decision::GoodOnly;
    bank->导入按钮->click();
    QVERIFY2(MessageBox::shown().last().text.contains(QStringLiteral("1 道题目")), qPrintable(MessageBox::shown().last().text));
    QCOMPARE(tb.scalar("select count(*) from 试卷").toInt(), before + 1);
    const QString code = bank->currentCode();
    QCOMPARE(tb.scalar("select count(*) from 题库 where code = ?", {code}).toInt(), 1);
    QCOMPARE(tb.scalar("select authority from 题库 where code = ?", {code}).toString(), QStringLiteral("B"));
    QCOMPARE(tb.scalar("select chouti from 试卷 where code = ?", {code}).toInt(), 1);
    QCOMPARE(tb.scalar("select guize || fenzhi from 评分规则 where code = ? and tixing = '单选'", {code}).toString(),
             QStringLiteral("答错扣分0.5"));
}

// A paper whose section headings print the exam's marking keeps it in the bank, and the bank
// gives it back out in every format the way the readers read it again.
void DocImportTest::headingRulesReachTheBank() {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks.db");
    write(dir.filePath("卷.txt"),
          QStringLiteral("模拟卷\n"
                         "一、单项选择题（每小题1分）\n1．甲（  ）。\nA．一\nB．二\n答案：A\n"
                         "二、多项选择题（每小题2分，每小题全部选对得满分，少选得相应分值，多选、错选、不选均不得分）\n"
                         "2．乙（  ）。\nA．一\nB．二\nC．三\n答案：ABC\n"
                         "三、判断题（每小题1分）\n"
                         "答错扣0.5分，本类题最低得分为零分。\n" // the rule on the line after the heading
                         "3．丙。（  ）\n答案：×\n"
                         "四、不定项选择题（每小题2分）\n"
                         "每小题备选答案中，有一个或一个以上符合题意的正确答案，\n"
                         "少选得相应分值，多选、错选、不选均不得分。\n"
                         "4．丁（  ）。\nA．一\nB．二\n答案：AB\n")
              .toUtf8());
    ToolRun r = tool({dir.filePath("卷.txt"), db});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("评分：多选：少选得分（每个正确选项 0.5 分）；判断：答错扣分（扣 0.5 分），"
                                           "最低得分为零分；不定项：少选得分（每个正确选项 0.5 分）")),
             qPrintable(r.out));
    ScoringRules expected;
    expected.of(Type::Multiple) = TypeRule{Rule::PerOption, 0.5, false, false};
    expected.of(Type::TrueFalse) = TypeRule{Rule::Deduction, 0.5, false, true};
    expected.of(Type::Indefinite) = TypeRule{Rule::PerOption, 0.5, false, false};
    {
        Store store;
        QCOMPARE(store.open(db), Store::OpenResult::Ok);
        const QString code = bank::listPapers(store).value(0).paper.code;
        QVERIFY2(scoring::readRules(store, code) == expected, qPrintable(rulesText(scoring::readRules(store, code))));
        QCOMPARE(bank::listQuestions(store, code).size(), 4);
        // Other amounts and the proportional rule come back too.
        expected.of(Type::Multiple) = TypeRule{Rule::PerOption, 0.5, true, true};
        expected.of(Type::Single) = TypeRule{Rule::Deduction, 0.25, false, false};
        QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, code, expected); }));
    }
    for (const QString& format : {QStringLiteral("txt"), QStringLiteral("docx"), QStringLiteral("xml")}) {
        const QString out = dir.filePath("rules." + format);
        r = tool({"--export", db, out});
        QVERIFY2(r.code == 0, qPrintable(format + r.err));
        QTemporaryDir again;
        r = tool({out, again.filePath("ks.db")});
        QVERIFY2(r.code == 0, qPrintable(format + r.out + r.err));
        Store copy;
        QCOMPARE(copy.open(again.filePath("ks.db")), Store::OpenResult::Ok);
        const QString code = bank::listPapers(copy).value(0).paper.code;
        QVERIFY2(scoring::readRules(copy, code) == expected,
                 qPrintable(format + ": " + rulesText(scoring::readRules(copy, code))));
    }
}

// A paper imported with the tool, sat in the exam window with partly right and wrong answers.
// Worked by hand: 单选 (全对得分) 1 + 0 = 1; 多选 (少选 0.5 per option) AB of ABC 1, BCD of BD 0, AC 2
// = 3; 判断 (答错扣0.5, floored) −0.5 −0.5 + 0 (unanswered) = −1 → 0. Total 4.
void DocImportTest::importedPaperSatAsTheExamMarksIt() {
    TestBank tb;
    QTemporaryDir files;
    write(files.filePath("卷.txt"),
          QStringLiteral("模拟卷\n"
                         "一、单项选择题（本类题共2小题，每小题1分，共2分）\n"
                         "1．甲（  ）。\nA．一\nB．二\n答案：A\n2．乙（  ）。\nA．一\nB．二\nC．三\n答案：B\n"
                         "二、多项选择题（本类题共3小题，每小题2分，共6分。每小题全部选对得满分，少选得相应分值，"
                         "多选、错选、不选均不得分）\n"
                         "3．丙（  ）。\nA．一\nB．二\nC．三\nD．四\n答案：ABC\n"
                         "4．丁（  ）。\nA．一\nB．二\nC．三\nD．四\n答案：BD\n"
                         "5．戊（  ）。\nA．一\nB．二\nC．三\n答案：AC\n"
                         "三、判断题（本类题共3小题，每小题1分，共3分。每小题判断正确得1分，答错扣0.5分，"
                         "不答题不得分也不扣分。本类题最低得分为零分）\n"
                         "6．己。（  ）\n答案：√\n7．庚。（  ）\n答案：×\n8．辛。（  ）\n答案：√\n")
              .toUtf8());
    ToolRun r = tool({files.filePath("卷.txt"), tb.dbPath()});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QString code;
    {
        Store store;
        QCOMPARE(store.open(tb.dbPath()), Store::OpenResult::Ok);
        for (const bank::PaperSummary& p : bank::listPapers(store))
            if (p.paper.name == QStringLiteral("模拟卷"))
                code = p.paper.code;
    }
    QVERIFY(!code.isEmpty());

    MainWindow w(tb.dir());
    w.show();
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker(code);
    e->试卷超级按钮->click();
    e->考号组合框->setEditText("s1");
    e->场次组合框->setEditText("1");
    e->姓名编辑框->setText("张三");
    e->开始按钮->click();
    for (const char* given : {"A", "C", "AB", "BCD", "AC", "错", "对"}) {
        e->答案超级编辑框->setBoxText(QString::fromUtf8(given));
        e->保存按钮->click();
    }
    e->考试交卷按钮->click();
    QVERIFY(e->ended());
    InfoWindow* info = w.infoWindow();
    QVERIFY(info);
    QCOMPARE(info->总分编辑框->text(), QStringLiteral("4"));

    Store store;
    QCOMPARE(store.open(tb.dbPath()), Store::OpenResult::Ok);
    Grid grid;
    grid.setGridColumnCount(9);
    const BoundStatement card{Sql::AnswerCard, {{"code", code}, {"student", "s1"}, {"state", "1"}}};
    QCOMPARE(buildAnswerCard(store, card, code, grid, {}), 4.0);
    const QStringList marks{"1", "", "1", "", "2", "-0.5", "-0.5"};
    for (int row = 1; row <= marks.size(); ++row)
        QCOMPARE(grid.cellText(row, 8), marks[row - 1]);
    QCOMPARE(readResults(store, code, "").rows.value(0).marks, 4.0);
}

QTEST_MAIN(DocImportTest)
#include "test_docimport.moc"
