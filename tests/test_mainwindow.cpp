#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/MarksWindow.h"
#include "questions/PaperPicker.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"
#include "ui/StatusPanels.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() { PaperPicker::setTestDriver({}); }
    void startsWithTitleToolbarPanelsAndPractice();
    void missingBankIsToldOnceAndNothingIsCreated();
    void damagedBankIsNeverOverwritten();
    void serverBankThatCannotBeOpenedIsTold();
    void toolbarClosesAndOpensFreshWindows();
    void pickerFillsSearchesAndMovesFocus();
    void pickerChoiceGoesToTheOpenWindow();
    void pickerClosedWithoutChoiceWritesNothing();
    void pickerDoubleClickChoosesAndTypingAfterAClickIsKept();

  private:
    static void fillBank(TestBank& bank);
};

void MainWindowTest::fillBank(TestBank& bank) {
    bank.addPaper("1", "Dalmora", 3, true, 60);
    bank.addQuestion("1", 1, "第一题题干A.甲 B.乙", "A");
    bank.addQuestion("1", 2, "第二题", "B");
    bank.addPaper("2", "财务管理", 2, false, 20);
    bank.addQuestion("2", 1, "x", "A");
    bank.addPaper("10", "审计50%", 1, true, 1);
}

void MainWindowTest::startsWithTitleToolbarPanelsAndPractice() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    QCOMPARE(w.windowTitle(), QString("Veltaro语音读题-提高效率解放眼睛"));
    QVERIFY(MessageBox::shown().isEmpty());

    auto* toolbar = w.findChild<QToolBar*>("_启动工具条");
    QVERIFY(toolbar);
    QStringList captions, tips;
    for (QAction* a : toolbar->actions()) {
        captions << a->text();
        tips << a->toolTip();
    }
    QCOMPARE(captions, (QStringList{"考试", "练习", "评分", "题库"}));
    // The tips begin with their own texts and go on to say more.
    for (int i : {0, 2, 3})
        QVERIFY(tips.at(i).startsWith(captions.at(i)) && tips.at(i).size() > 2);

    auto* status = w.findChild<StatusPanels*>("状态条1");
    QVERIFY(status);
    QCOMPARE(status->panelCount(), 4);
    const int widths[] = {300, 150, 100, 197};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(status->panelWidth(i), widths[i]);
        // Panel 0: the paper the practice window opens on; panel 2: its review count; the last
        // panel names the bank in use.
        const QString expected = i == 0   ? QString("Dalmora")
                                 : i == 2 ? QString("待复习 0 题")
                                 : i == 3 ? QString("题库文件 ks.db")
                                          : QString();
        QCOMPARE(status->text(i), expected);
    }

    PracticeWindow* practice = w.practiceWindow();
    QVERIFY(practice);
    QCOMPARE(practice->windowTitle(), QString("练习"));
    QCOMPARE(w.app().currentWorkWindow.data(), static_cast<QWidget*>(practice));
    QCOMPARE(practice->试卷超级按钮->text(), QString("Dalmora"));
    QCOMPARE(practice->试卷编码透明标签->text(), QString("1"));
    QCOMPARE(practice->题号编辑框->text(), QString("1"));
    QCOMPARE(practice->题目超级编辑框->boxText(), QString("第一题题干\nA.甲 B.乙"));
}

void MainWindowTest::missingBankIsToldOnceAndNothingIsCreated() {
    QTemporaryDir dir;
    // Declining the offer of an empty bank.
    MessageBox::pushAnswer(false);
    MainWindow w(dir.path());
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().buttons, MessageBox::Buttons::YesNo);
    QVERIFY(MessageBox::shown().first().text.contains(QDir::toNativeSeparators(dir.path())));
    QVERIFY(MessageBox::shown().first().text.contains("ks.db"));
    QVERIFY(!QFile::exists(dir.filePath("ks.db")));
    // The program goes on with empty lists.
    QVERIFY(w.practiceWindow());
    QCOMPARE(w.practiceWindow()->题目超级编辑框->boxText(), QString());
    w.practiceWindow()->下一记录按钮->click();
    w.practiceWindow()->保存按钮->click();
}

void MainWindowTest::damagedBankIsNeverOverwritten() {
    QTemporaryDir dir;
    QByteArray junk = "SQLite format 3";
    junk.append(5000, '\x7f');
    {
        QFile f(dir.filePath("ks.db"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    {
        MainWindow w(dir.path());
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().text.contains("ks.db"));
        w.practiceWindow()->保存按钮->click();
        w.practiceWindow()->重做按钮->click();
    }
    QFile f(dir.filePath("ks.db"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), junk);
}

// A classroom computer whose server is out of reach says so, and never falls back to the bank
// file beside it: the answers must not go where nobody looks for them.
void MainWindowTest::serverBankThatCannotBeOpenedIsTold() {
    TestBank bank(StoreKind::File);
    fillBank(bank);
    QFile ini(bank.dir() + "/veltaro.ini");
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[bank]\ndatabase=postgresql://veltaro@/考场?host=/nonexistent-socket-folder\n");
    ini.close();
    {
        MainWindow w(bank.dir());
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString text = MessageBox::shown()[0].text;
        QVERIFY2(text.startsWith("无法打开题库服务器上的题库：无法连接题库服务器"), qPrintable(text));
        QVERIFY(text.contains("veltaro.ini"));
        QVERIFY(!text.contains("\n\n"));
        QVERIFY(!w.store().isOpen());
        QCOMPARE(w.statusText(3), QString("没有打开题库"));
    }
    // Given on the command line, the address wins over the settings file.
    MessageBox::clear();
    MainWindow w(bank.dir(), "postgresql://veltaro@/别的?host=/nonexistent-socket-folder");
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY(MessageBox::shown()[0].text.contains("别的"));
    QVERIFY(MessageBox::shown()[0].text.contains("命令行"));
}

void MainWindowTest::toolbarClosesAndOpensFreshWindows() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    QPointer<PracticeWindow> practice = w.practiceWindow();
    pressToolbar(w, "考试");
    QVERIFY(w.examWindow());
    QVERIFY(!w.practiceWindow());
    QTRY_VERIFY(!practice); // closed and gone
    QPointer<ExamWindow> exam = w.examWindow();
    QCOMPARE(exam->试卷超级按钮->text(), QString("请点击选择试卷"));
    exam->试卷编码透明标签->setText("1");
    exam->试卷超级按钮->setText("Dalmora");

    pressToolbar(w, "考试");
    QVERIFY(w.examWindow());
    QVERIFY(w.examWindow() != exam.data());
    QCOMPARE(w.examWindow()->试卷超级按钮->text(), QString("请点击选择试卷"));
    QCOMPARE(w.app().currentWorkWindow.data(), static_cast<QWidget*>(w.examWindow()));

    pressToolbar(w, "评分");
    QVERIFY(w.marksWindow());
    QVERIFY(!w.examWindow());
    QCOMPARE(w.marksWindow()->windowTitle(), QString("评分"));
    pressToolbar(w, "练习");
    QVERIFY(w.practiceWindow());
    QVERIFY(!w.marksWindow());
    w.switchWorkWindow("其他");
    QVERIFY(w.practiceWindow());
}

void MainWindowTest::pickerFillsSearchesAndMovesFocus() {
    TestBank bank;
    fillBank(bank);
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    PaperPicker picker(store);
    QCOMPARE(picker.windowTitle(), QString("模糊查询"));
    QTreeWidget* list = child<QTreeWidget>(&picker, "查询超级列表框");
    QLineEdit* search = child<QLineEdit>(&picker, "模糊查询编辑框");
    QVERIFY(list && search);
    QCOMPARE(list->headerItem()->text(0), QString("编码"));
    QCOMPARE(list->headerItem()->text(1), QString("名称"));
    QCOMPARE(list->headerItem()->text(2), QString("标准答案"));
    QCOMPARE(list->columnWidth(0), 80);
    QCOMPARE(list->columnWidth(1), 180);
    QCOMPARE(list->columnWidth(2), 80);
    auto codes = [&] {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0) + "/" + list->topLevelItem(i)->text(1);
        return out;
    };
    // By code, as text.
    QCOMPARE(codes(), (QStringList{"1/Dalmora", "10/审计50%", "2/财务管理"}));
    search->setText("财务");
    QCOMPARE(codes(), (QStringList{"2/财务管理"}));
    search->setText("%");
    QCOMPARE(codes(), (QStringList{"10/审计50%"}));
    search->setText("' or '1'='1");
    QCOMPARE(codes(), QStringList());
    search->setText("");
    QCOMPARE(codes().size(), 3);

    picker.show();
    QVERIFY(QTest::qWaitForWindowActive(&picker));
    search->setFocus();
    QTest::keyClick(search, Qt::Key_Down);
    QVERIFY(list->hasFocus());
    QCOMPARE(codes().size(), 3);
    // Moving in the list copies the current code into the search box; the list stays as it is.
    // (An empty search lists the papers in the order the bank holds them: 1, 2, 10.)
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(search->text(), QString("10"));
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(search->text(), QString("2"));
    QCOMPARE(codes().size(), 3);
    QVERIFY(list->currentItem());
    QCOMPARE(list->currentItem()->text(0), QString("2"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QCOMPARE(picker.chosenCode(), QString("2"));
    QCOMPARE(picker.chosenName(), QString("财务管理"));
}

void MainWindowTest::pickerChoiceGoesToTheOpenWindow() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    pressToolbar(w, "评分");
    PaperPicker::setTestDriver([](PaperPicker& p) {
        p.list()->setCurrentItem(p.list()->topLevelItem(1));
        p.choose();
    });
    MarksWindow* marks = w.marksWindow();
    marks->试卷超级按钮->click();
    QCOMPARE(marks->试卷编码透明标签->text(), QString("10"));
    QCOMPARE(marks->试卷超级按钮->text(), QString("审计50%"));
    QCOMPARE(w.statusText(0), QString("审计50%"));
}

void MainWindowTest::pickerClosedWithoutChoiceWritesNothing() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    PaperPicker::setTestDriver([](PaperPicker& p) {
        p.list()->clearSelection();
        p.list()->setCurrentItem(nullptr);
        p.choose(); // Enter with no current row: nothing happens
        p.reject();
    });
    PracticeWindow* practice = w.practiceWindow();
    practice->试卷超级按钮->click();
    QCOMPARE(practice->试卷编码透明标签->text(), QString("1"));
    QCOMPARE(practice->试卷超级按钮->text(), QString("Dalmora"));
    QCOMPARE(w.statusText(0), QString("Dalmora")); // as the window opened
    // The order is built again over the paper the window already had.
    QCOMPARE(practice->题号编辑框->text(), QString("1"));
}

void MainWindowTest::pickerDoubleClickChoosesAndTypingAfterAClickIsKept() {
    TestBank bank;
    fillBank(bank);
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    auto rowCentre = [](QTreeWidget* list, int row) {
        return list->visualItemRect(list->topLevelItem(row)).center();
    };
    {
        PaperPicker picker(store);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTreeWidget* list = picker.list();
        // One double-click (press, release, press, release) on the third row chooses it at once.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 2));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 2));
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.chosenCode(), QString("2"));
    }
    {
        PaperPicker picker(store);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTreeWidget* list = picker.list();
        QLineEdit* search = picker.searchBox();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, 1));
        QCOMPARE(search->text(), QString("10"));
        // What the user types next stays typed, and narrows the list.
        search->setFocus();
        search->selectAll();
        QTest::keyClicks(search, "2");
        QCOMPARE(search->text(), QString("2"));
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("2"));
        search->clear();
        QCOMPARE(search->text(), QString());
        QCOMPARE(list->topLevelItemCount(), 3);
    }
}

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
