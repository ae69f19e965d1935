#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "bank/BankWindow.h"
#include "bank/BankWorkbook.h"
#include "questions/PaperPicker.h"
#include "shell/WorkHost.h"
#include "access/ChildImport.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace {

struct PaperInput {
    QString code, name;
    int chouti = 5, order = 0, minutes = 30;
};

struct QuestionInput {
    int number = 1;
    QString text = QStringLiteral("题干 A.甲 B.乙");
    QString answer = QStringLiteral("A");
    QString mark = QStringLiteral("1");
    QString picture; // a file to choose
    QString type;    // the 题型 to choose ("按答案" for none); left as it is when null
};

// Every editor that opens is filled in and 确定 pressed.
void fillPaperEditors(const PaperInput& in) {
    BankEditor::setTestDriver([in](BankEditor& e) {
        auto& p = dynamic_cast<PaperEditor&>(e);
        p.试卷编码编辑框->setText(in.code);
        p.试卷名称编辑框->setText(in.name);
        p.抽题编辑框->setValue(in.chouti);
        p.排序组合框->setCurrentIndex(in.order);
        p.考试时间编辑框->setValue(in.minutes);
        p.确定按钮->click();
    });
}

void fillQuestionEditors(const QuestionInput& in) {
    BankEditor::setTestDriver([in](BankEditor& e) {
        auto& q = dynamic_cast<QuestionEditor&>(e);
        q.题号编辑框->setValue(in.number);
        q.题目超级编辑框->setPlainText(in.text);
        q.标准答案编辑框->setText(in.answer);
        q.分值编辑框->setText(in.mark);
        if (!in.type.isNull())
            q.题型组合框->setCurrentIndex(q.题型组合框->findText(in.type));
        if (!in.picture.isEmpty()) {
            QuestionEditor::setPictureChooser([in](QWidget*) { return in.picture; });
            q.选择图片按钮->click();
        }
        q.确定按钮->click();
    });
}

QString lastText() {
    return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text;
}

void selectPaper(BankWindow& w, int row) {
    w.试卷列表框->setCurrentItem(w.试卷列表框->topLevelItem(row));
}

QStringList numbers(BankWindow& w) {
    QStringList out;
    for (int i = 0; i < w.题目列表框->topLevelItemCount(); ++i)
        out << w.题目列表框->topLevelItem(i)->text(0);
    return out;
}

class FakeHost : public WorkHost {
  public:
    QString examPaper;
    void placeAndLayout(WorkWindow& w) override { w.setGeometry(0, 55, 810, 500); }
    void setStatusText(int, const QString&) override {}
    QString statusText(int) const override { return {}; }
    void showExamResult() override {}
    void openMarksWindow() override {}
    bool resultWindowOpen() const override { return false; }
    void showResultTotal(const QString&) override {}
    QString examPaperInProgress() const override { return examPaper; }
};

} // namespace

class BankWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        useRecordingDialogs();
        bankimport::setImportTool(QStringLiteral(VELTARO_IMPORT_TOOL));
    }
    void cleanup() {
        BankEditor::setTestDriver({});
        QuestionEditor::setPictureChooser({});
        BankWindow::setWorkbookChooser({});
        PaperPicker::setTestDriver({});
    }
    void fromAnEmptyFolderToAPractisedAndExportedPaper();
    void editorsRefuseWhatCannotBeSaved();
    void aFailedChangeLeavesTheBankAsItWas();
    void deletingAsksWithCountsAndRenumberingCarriesAnswers();
    void aRunningExamBlocksDeletingAndRenumbering();
    void importAsksBeforeReplacing();
    void questionTypesShownAndChanged();
};

void BankWindowTest::fromAnEmptyFolderToAPractisedAndExportedPaper() {
    QTemporaryDir dir, files, elsewhere;
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QVERIFY(image.save(files.filePath("图.png")));

    MessageBox::pushAnswer(true); // an empty bank, please
    MainWindow w(dir.path());
    w.show();
    QVERIFY(QFileInfo::exists(dir.filePath("ks.db")));
    BankWindow* bank = w.bankWindow();
    QVERIFY(bank);
    QCOMPARE(bank->objectName(), QString("题库窗口"));
    QCOMPARE(bank->geometry(), QRect(0, 55, w.width(), w.height() - 100));
    QCOMPARE(bank->试卷列表框->topLevelItemCount(), 0);

    fillPaperEditors({"K1", "我的试卷", 5, 0, 30});
    bank->添加试卷按钮->click();
    QCOMPARE(bank->试卷列表框->topLevelItemCount(), 1);
    for (int n = 1; n <= 5; ++n) {
        QuestionInput q;
        q.number = n;
        q.text = QStringLiteral("第%1题 题干 A.甲 B.乙 C.丙").arg(n);
        q.answer = QStringLiteral(" b ");
        q.mark = QStringLiteral("2");
        if (n == 3)
            q.picture = files.filePath("图.png");
        fillQuestionEditors(q);
        bank->添加题目按钮->click();
    }
    QCOMPARE(numbers(*bank), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(bank->试卷列表框->topLevelItem(0)->text(2), QString("5"));
    QCOMPARE(bank->题目列表框->topLevelItem(2)->text(3), QString("B"));
    QCOMPARE(bank->题目列表框->topLevelItem(2)->text(5), QString("\\pic\\图.png"));
    QVERIFY(QFileInfo::exists(dir.filePath("pic/图.png")));
    // The same name again gets a new one, and a question not saved takes its picture back.
    QuestionInput sixth{6, "第六题", "对", "1", files.filePath("图.png")};
    fillQuestionEditors(sixth);
    bank->添加题目按钮->click();
    QCOMPARE(bank->题目列表框->topLevelItem(5)->text(5), QString("\\pic\\图-2.png"));
    sixth.number = 5; // taken
    fillQuestionEditors(sixth);
    bank->添加题目按钮->click();
    QVERIFY(lastText().contains("本试卷已经有第 5 题"));
    QCOMPARE(QDir(dir.filePath("pic")).entryList(QDir::Files), (QStringList{"图-2.png", "图.png"}));
    bank->题目列表框->setCurrentItem(bank->题目列表框->topLevelItem(5));
    MessageBox::pushAnswer(true);
    bank->删除题目按钮->click();
    QCOMPARE(numbers(*bank).size(), 5);

    // Practise it.
    pressToolbar(w, "练习");
    PracticeWindow* practice = w.practiceWindow();
    QVERIFY(practice);
    pickPaperInPicker("K1");
    practice->试卷超级按钮->click();
    QCOMPARE(practice->题目超级编辑框->boxText(), QString("第1题 题干 \nA.甲 B.乙 C.丙"));
    goToQuestion(*practice, 3);
    QVERIFY(!practice->图片框1->pixmap().isNull());
    practice->答案超级编辑框->setBoxText("B");
    practice->保存按钮->click();

    // Export it, and make a bank of it elsewhere.
    pressToolbar(w, "题库");
    BankWindow::setWorkbookChooser(
        [&](QWidget*, bool saving) { return saving ? files.filePath("我的题库") : QString(); });
    w.bankWindow()->导出按钮->click();
    QVERIFY2(lastText().startsWith("已导出到"), qPrintable(lastText()));
    const auto made = bankbook::importToNewBank(files.filePath("我的题库.xlsx"), elsewhere.filePath("ks.db"));
    QVERIFY2(made.ok, qPrintable(made.error));
    Store copy;
    QCOMPARE(copy.open(elsewhere.filePath("ks.db")), Store::OpenResult::Ok);
    QCOMPARE(copy.query(Sql::QuestionCount, {{"code", "K1"}}).integer(1), 5);
    const RecordSet third = copy.query(Sql::Question, {{"code", "K1"}, {"n", 3}});
    QCOMPARE(third.text("pic"), QString("\\pic\\图.png"));
    QCOMPARE(third.text("practice"), QString("B"));
    QCOMPARE(third.number("score"), 2.0);
}

void BankWindowTest::editorsRefuseWhatCannotBeSaved() {
    TestBank tb;
    tb.addNumberedPaper("1", "卷一", 2, 2, true, 60);
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();
    QVERIFY(bank);

    const QList<QPair<PaperInput, QString>> papers{
        {{"1", "又一卷"}, "试卷编码“1”已经有了"},
        {{"2", ""}, "试卷名称不能为空"},
        {{"", "无编码"}, "试卷编码不能为空"},
        {{"3", "𠀀卷"}, "试卷名称中有 GBK 编码之外的字符"},
    };
    for (const auto& [in, expected] : papers) {
        fillPaperEditors(in);
        bank->添加试卷按钮->click();
        QVERIFY2(lastText().contains(expected), qPrintable(lastText()));
    }
    QCOMPARE(tb.scalar("select count(*) from 试卷").toInt(), 1);

    bank->题目列表框->setCurrentItem(bank->题目列表框->topLevelItem(0));
    const QList<QPair<QuestionInput, QString>> questions{
        {{1, "题", "AH", "1"}, "标准答案只能由 A–G 组成"},
        {{1, "题", "对错", "1"}, "标准答案只能由 A–G 组成"},
        {{1, "题", "", "1"}, "标准答案不能为空"},
        {{1, "题", "A", "一分"}, "分值必须是数字"},
        {{1, "题", "A", "-1"}, "分值不能小于 0"},
        {{1, "题", "A", ""}, "分值不能为空"},
        {{2, "题", "A", "1"}, "本试卷已经有第 2 题"},
        {{1, "题²", "A", "1"}, "题目中有 GBK 编码之外的字符"},
        {{1, " ", "A", "1"}, "题目不能为空"},
    };
    for (const auto& [in, expected] : questions) {
        fillQuestionEditors(in);
        bank->修改题目按钮->click();
        QVERIFY2(lastText().contains(expected), qPrintable(lastText()));
    }
    QCOMPARE(tb.scalar("select authority from 题库 where tihao=1").toString(), QString("A"));
    // The standard answer is kept in its stored form, and the practice answer stays.
    tb.exec("update 题库 set practice='B' where tihao=1");
    fillQuestionEditors({1, "新题干", " d a ", "0.5"});
    bank->修改题目按钮->click();
    QCOMPARE(tb.rows("select authority, score, practice, question from 题库 where tihao=1").value(0),
             (QVariantList{"DA", 0.5, "B", "新题干"}));
}

void BankWindowTest::aFailedChangeLeavesTheBankAsItWas() {
    TestBank tb;
    tb.addNumberedPaper("1", "卷一", 2, 2, true, 60);
    tb.addAnswer("1", 1, "A", "s", "张三", "上午");
    tb.exec("create trigger refuse before update on 评分 begin select raise(abort, 'refused'); end");
    QTemporaryDir files;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(files.filePath("p.png")));
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();

    // A new code moves the questions, then fails on the answers: nothing of it stays.
    fillPaperEditors({"9", "卷九", 2, 0, 60});
    bank->修改试卷按钮->click();
    QVERIFY2(lastText().contains("没有保存，题库没有改动"), qPrintable(lastText()));
    QCOMPARE(tb.rows("select code, name from 试卷").value(0), (QVariantList{"1", "卷一"}));
    QCOMPARE(tb.scalar("select count(*) from 题库 where code='1'").toInt(), 2);
    // A new number fails the same way, and the picture chosen for it is not left in pic/.
    bank->题目列表框->setCurrentItem(bank->题目列表框->topLevelItem(0));
    fillQuestionEditors({7, "题", "A", "1", files.filePath("p.png")});
    bank->修改题目按钮->click();
    QVERIFY2(lastText().contains("没有保存，题库没有改动"), qPrintable(lastText()));
    QCOMPARE(tb.scalar("select count(*) from 题库 where tihao=7").toInt(), 0);
    QVERIFY(QDir(tb.dir() + "/pic").entryList(QDir::Files).isEmpty());
}

void BankWindowTest::deletingAsksWithCountsAndRenumberingCarriesAnswers() {
    TestBank tb;
    tb.addPaper("1", "卷一", 3, true, 60);
    for (int n : {2, 5, 9})
        tb.addQuestion("1", n, QStringLiteral("第%1题").arg(n), "A");
    tb.addAnswer("1", 5, "A", "s", "张三", "上午");
    tb.addAnswer("1", 9, "B", "s", "张三", "上午");
    tb.addNumberedPaper("2", "卷二", 1, 1, true, 60);
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();
    selectPaper(*bank, 0);
    QCOMPARE(numbers(*bank), (QStringList{"2", "5", "9"}));

    bank->重新编号按钮->click();
    QCOMPARE(numbers(*bank), (QStringList{"1", "2", "3"}));
    QCOMPARE(tb.rows("select tihao, answer from 评分 order by tihao"),
             (QList<QVariantList>{{2, "A"}, {3, "B"}}));
    QCOMPARE(tb.scalar("select question from 题库 where code='1' and tihao=3").toString(), QString("第9题"));

    bank->题目列表框->setCurrentItem(bank->题目列表框->topLevelItem(2));
    MessageBox::pushAnswer(false);
    bank->删除题目按钮->click();
    QVERIFY(lastText().contains("它的 1 条考试答案也会一起删除"));
    QCOMPARE(numbers(*bank).size(), 3);

    MessageBox::pushAnswer(false);
    bank->删除试卷按钮->click();
    QCOMPARE(MessageBox::shown().last().buttons, MessageBox::Buttons::YesNo);
    QVERIFY2(lastText().contains("它的 3 道题目和 2 条考试答案也会一起删除，共 6 行"),
             qPrintable(lastText()));
    QCOMPARE(tb.scalar("select count(*) from 题库 where code='1'").toInt(), 3);
    MessageBox::pushAnswer(true);
    bank->删除试卷按钮->click();
    QCOMPARE(tb.scalar("select count(*) from 试卷").toInt(), 1);
    QCOMPARE(tb.scalar("select count(*) from 题库 where code='1'").toInt(), 0);
    QCOMPARE(tb.scalar("select count(*) from 评分").toInt(), 0);
    QCOMPARE(bank->试卷列表框->topLevelItemCount(), 1);
    QCOMPARE(bank->currentCode(), QString("2"));
}

void BankWindowTest::aRunningExamBlocksDeletingAndRenumbering() {
    TestBank tb;
    tb.addPaper("a1", "卷", 2, true, 60);
    tb.addQuestion("a1", 3, "题", "A");
    AppState app;
    app.programDir = tb.dir();
    QCOMPARE(app.store.open(tb.dbPath()), Store::OpenResult::Ok);
    FakeHost host;
    host.examPaper = "A1"; // codes compare without regard to case
    BankWindow bank(app, host, nullptr);
    bank.setUp();
    bank.题目列表框->setCurrentItem(bank.题目列表框->topLevelItem(0));
    for (QPushButton* b : {bank.删除试卷按钮, bank.重新编号按钮, bank.删除题目按钮}) {
        MessageBox::clear();
        b->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(lastText().startsWith("试卷“a1”正在考试"), qPrintable(lastText()));
    }
    fillQuestionEditors({4, "题", "A", "1"});
    bank.修改题目按钮->click();
    QVERIFY(lastText().startsWith("试卷“a1”正在考试"));
    QCOMPARE(tb.rows("select tihao from 题库"), (QList<QVariantList>{{3}}));
    // Once the exam is over, the same renumbering goes through.
    host.examPaper.clear();
    bank.重新编号按钮->click();
    QCOMPARE(tb.rows("select tihao from 题库"), (QList<QVariantList>{{1}}));
}

void BankWindowTest::importAsksBeforeReplacing() {
    TestBank tb;
    tb.addNumberedPaper("1", "旧卷", 2, 2, true, 60);
    QTemporaryDir files;
    bank::Tables t;
    t.papers << bank::Paper{"1", "新卷", qint64(1), qint64(1), qint64(30)}
             << bank::Paper{"2", "第二卷", qint64(1), qint64(0), qint64(30)};
    t.questions << bank::Question{"1", qint64(1), "新题", "", "C", "", "", qint64(1)}
                << bank::Question{"2", qint64(1), "题", "\\pic\\别处.png", "对", "", "", qint64(1)};
    QCOMPARE(bankbook::writeWorkbook(files.filePath("in.xlsx"), t, false), QString());
    t.questions << bank::Question{"2", qint64(1), "同号", "", "A", "", "", qint64(1)};
    QCOMPARE(bankbook::writeWorkbook(files.filePath("bad.xlsx"), t, false), QString());
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();
    QString chosen = files.filePath("bad.xlsx");
    BankWindow::setWorkbookChooser([&](QWidget*, bool) { return chosen; });

    bank->导入按钮->click();
    QVERIFY2(lastText().contains("没有导入任何内容") && lastText().contains("工作表“题库”第 4 行"),
             qPrintable(lastText()));
    chosen = files.filePath("in.xlsx");
    MessageBox::pushAnswer(false);
    bank->导入按钮->click();
    QCOMPARE(MessageBox::shown().size(), 3);
    QVERIFY(MessageBox::shown()[1].text.startsWith("题库中已经有编码为 1 的试卷"));
    QCOMPARE(lastText(), QString("没有导入任何内容。"));
    QCOMPARE(tb.scalar("select count(*) from 试卷").toInt(), 1);
    MessageBox::pushAnswer(true);
    bank->导入按钮->click();
    QVERIFY(lastText().startsWith("已从 in.xlsx 导入 2 套试卷、2 道题目"));
    // The workbook names a picture the bank folder does not hold.
    QVERIFY2(lastText().contains("其中 1 道题的图片在") &&
                 lastText().contains("试卷“2”第 1 题：\\pic\\别处.png"),
             qPrintable(lastText()));
    QCOMPARE(tb.rows("select code, name from 试卷 order by code"),
             (QList<QVariantList>{{"1", "新卷"}, {"2", "第二卷"}}));
    QCOMPARE(tb.scalar("select count(*) from 题库 where code='1'").toInt(), 1);
    QCOMPARE(bank->试卷列表框->topLevelItemCount(), 2);
}

void BankWindowTest::questionTypesShownAndChanged() {
    TestBank tb;
    tb.addNumberedPaper("1", "卷一", 2, 2, true, 60);
    tb.exec("update 题库 set tixing='案例' where tihao=2");
    MainWindow w(tb.dir());
    pressToolbar(w, "题库");
    BankWindow* bank = w.bankWindow();
    QVERIFY(bank);
    QCOMPARE(bank->题目列表框->headerItem()->text(2), QString("题型"));
    // Without a type of its own a question shows the one its answer implies.
    QCOMPARE(bank->题目列表框->topLevelItem(0)->text(2), QString("（单选）"));
    QCOMPARE(bank->题目列表框->topLevelItem(1)->text(2), QString("案例"));

    QString shown;
    BankEditor::setTestDriver([&](BankEditor& e) {
        shown = dynamic_cast<QuestionEditor&>(e).题型组合框->currentText();
        e.reject();
    });
    bank->题目列表框->setCurrentItem(bank->题目列表框->topLevelItem(0));
    bank->修改题目按钮->click();
    QCOMPARE(shown, QString("按答案"));
    bank->题目列表框->setCurrentItem(bank->题目列表框->topLevelItem(1));
    bank->修改题目按钮->click();
    QCOMPARE(shown, QString("案例")); // as another tool wrote it

    const QList<QPair<QuestionInput, QString>> refused{
        {{2, "题 A.甲 B.乙", "A", "1"}, "题型只能是"},
        {{2, "题 A.甲 B.乙", "A", "1", {}, "判断"}, "判断题的标准答案只能是"},
        {{2, "题 A.甲 B.乙", "AB", "1", {}, "单选"}, "单选题只能有一个标准答案"},
        {{2, "题", "错", "1", {}, "多选"}, "多选题的标准答案要用字母"},
    };
    for (const auto& [in, expected] : refused) {
        fillQuestionEditors(in);
        bank->修改题目按钮->click();
        QVERIFY2(lastText().contains(expected), qPrintable(lastText()));
    }
    QCOMPARE(tb.scalar("select tixing from 题库 where tihao=2").toString(), QString("案例"));
    fillQuestionEditors({2, "题 A.甲 B.乙 C.丙", "AC", "2", {}, "不定项"});
    bank->修改题目按钮->click();
    QCOMPARE(tb.scalar("select tixing from 题库 where tihao=2").toString(), QString("不定项"));
    QCOMPARE(bank->题目列表框->topLevelItem(1)->text(2), QString("不定项"));
    fillQuestionEditors({2, "题 A.甲 B.乙 C.丙", "AC", "2", {}, "按答案"});
    bank->修改题目按钮->click();
    QCOMPARE(tb.scalar("select tixing from 题库 where tihao=2").toString(), QString());
    QCOMPARE(bank->题目列表框->topLevelItem(1)->text(2), QString("（多选）"));
}

QTEST_MAIN(BankWindowTest)
#include "test_bankwindow.moc"
