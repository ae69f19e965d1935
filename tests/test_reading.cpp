#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

class ReadingTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        useRecordingDialogs();
        m_previousDir = QDir::currentPath();
    }
    void cleanup() {
        QDir::setCurrent(m_previousDir);
        PaperPicker::setTestDriver({});
    }
    void controlsAndPlaces();
    void readNavigateStopAndPause();
    void randomOrderPlaysTheFileOfThePosition();
    void missingFolderIsSilent();
    void onlyWholeNumbersNameAFile();

  private:
    static void makeSounds(const QString& dir, int count) {
        QDir(dir).mkpath("wav");
        for (int i = 1; i <= count; ++i) {
            QFile f(QString("%1/wav/%2.wav").arg(dir).arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("RIFF");
        }
    }
    QString m_previousDir;
};

void ReadingTest::controlsAndPlaces() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->朗读按钮->text(), QString("朗读"));
    QCOMPARE(p->朗读按钮->geometry(), QRect(420, 18, 40, 20));
    QCOMPARE(p->暂停按钮->text(), QString("暂停"));
    QCOMPARE(p->暂停按钮->geometry(), QRect(461, 18, 40, 20));
    QCOMPARE(p->停止按钮->text(), QString("停止"));
    QCOMPARE(p->停止按钮->geometry(), QRect(502, 18, 40, 20));
    QCOMPARE(p->滑块条语速->geometry(), QRect(554, 20, 144, 18));
    QCOMPARE(p->输出按钮->text(), QString("输出"));
    QCOMPARE(p->朗读按钮->parentWidget(), static_cast<QWidget*>(p->分组框1));
}

void ReadingTest::readNavigateStopAndPause() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    makeSounds(bank.dir(), 5);
    QDir::setCurrent(bank.dir());
    auto w = std::make_unique<MainWindow>(bank.dir());
    QuestionReader* reader = w->app().reader;
    QVERIFY(!w->app().reading);
    QCOMPARE(reader->lastStarted(), QString()); // start-up plays nothing
    PracticeWindow* p = w->practiceWindow();
    p->题号编辑框->setText("3");
    p->showQuestion();
    p->朗读按钮->click();
    QVERIFY(w->app().reading);
    QCOMPARE(reader->lastStarted(), QString("wav/3.wav"));
    QCOMPARE(w->statusText(1), QString("正在读题...!"));
    p->下一记录按钮->click();
    QCOMPARE(reader->lastStarted(), QString("wav/4.wav"));
    // A save moves on and reads the next question too.
    p->保存按钮->click();
    QCOMPARE(reader->lastStarted(), QString("wav/5.wav"));
    p->暂停按钮->click();
    QCOMPARE(w->statusText(1), QString("暂停朗读!"));
    QVERIFY(w->app().reading);
    QCOMPARE(reader->lastStarted(), QString("wav/5.wav"));
    p->停止按钮->click();
    QVERIFY(!w->app().reading);
    QVERIFY(!reader->playing());
    QCOMPARE(w->statusText(1), QString("停止读题!"));
    p->首记录按钮->click();
    p->下一记录按钮->click();
    QVERIFY(!reader->playing());
    // The reading state outlives the practice window.
    p->朗读按钮->click();
    pressToolbar(*w, "练习");
    QVERIFY(w->app().reading);
    QCOMPARE(reader->lastStarted(), QString("wav/1.wav"));
}

void ReadingTest::randomOrderPlaysTheFileOfThePosition() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    makeSounds(bank.dir(), 5);
    QDir::setCurrent(bank.dir());
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->随机单选框->click();
    pickPaperInPicker();
    p->试卷超级按钮->click();
    p->朗读按钮->click();
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/1.wav"));
    p->下一记录按钮->click();
    QCOMPARE(w.app().reader->lastStarted(), QString("wav/2.wav"));
}

void ReadingTest::missingFolderIsSilent() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    QDir::setCurrent(bank.dir()); // no wav folder here
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->朗读按钮->click();
    QVERIFY(w.app().reading);
    QVERIFY(!w.app().reader->playing());
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
    p->下一记录按钮->click();
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
    QVERIFY(MessageBox::shown().isEmpty());
}

void ReadingTest::onlyWholeNumbersNameAFile() {
    QCOMPARE(QuestionReader::soundFileFor("12"), QString("wav/12.wav"));
    QCOMPARE(QuestionReader::soundFileFor(" 007 "), QString("wav/7.wav"));
    for (const QString& typed : {QString("../ks"), QString("1/../../x"), QString("abc"), QString("-1"),
                                 QString("1.5"), QString(""), QString(10000, '1')})
        QCOMPARE(QuestionReader::soundFileFor(typed), QString());
}

QTEST_MAIN(ReadingTest)
#include "test_reading.moc"
