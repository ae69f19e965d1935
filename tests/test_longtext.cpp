// Very long texts in the question and answer boxes: a question of a megabyte is shown a part at a
// time, yet the box holds all of it, and the user reaches all of it by scrolling, going to the end
// or selecting everything.
#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "questions/QuestionText.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {
QString asShown(const QString& question) {
    return formatQuestionText(question).replace("\r\n", "\n");
}
} // namespace

class LongTextTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void megabyteQuestionIsShownInParts();
    void partlyShownTextStaysWholeWhenEdited();
};

void LongTextTest::megabyteQuestionIsShownInParts() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 2, true, 10);
    QString longText;
    while (longText.size() < 512 * 1024)
        longText += QStringLiteral("借贷记账法的记账规则是有借必有贷，借贷必相等。\r\n");
    longText += QStringLiteral("A.对 B.错");
    bank.addQuestion("1", 1, longText, "A");
    bank.addQuestion("1", 2, "第2题 A.甲 B.乙", "B");
    MainWindow w(bank.dir());
    w.resize(810, 600);
    w.show();
    RichBox* box = w.practiceWindow()->题目超级编辑框;
    QVERIFY(box->pendingLength() > 0);
    QVERIFY(box->document()->characterCount() <= RichBox::kPartLength + 1);
    QCOMPARE(box->boxText(), asShown(longText));
    // Scrolling down brings the rest, a part at a time.
    int steps = 0;
    while (box->pendingLength() > 0 && steps++ < 1000)
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    QCOMPARE(box->pendingLength(), 0);
    QVERIFY(steps > 4);
    QCOMPARE(box->toPlainText(), asShown(longText));
    // The next question replaces all of it.
    w.practiceWindow()->下一记录按钮->click();
    QCOMPARE(box->boxText(), asShown("第2题 A.甲 B.乙"));
    QCOMPARE(box->pendingLength(), 0);
    QVERIFY(MessageBox::shown().isEmpty());
}

void LongTextTest::partlyShownTextStaysWholeWhenEdited() {
    RichBox box;
    box.resize(400, 100);
    box.show();
    // Letters without a single break across the part boundaries.
    const QString text = QString(100001, QChar('x')) + " end";
    box.setBoxText(text);
    QCOMPARE(box.wordWrapMode(), QTextOption::WrapAnywhere);
    QVERIFY(box.pendingLength() > 0);
    QCOMPARE(box.boxText(), text);
    box.moveCursor(QTextCursor::Start);
    QTest::keyClick(&box, Qt::Key_Y);
    QCOMPARE(box.boxText(), "y" + text);
    QVERIFY(box.pendingLength() > 0);
    // Going to the end reaches the real end.
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(box.pendingLength(), 0);
    QCOMPARE(box.toPlainText(), "y" + text);
    // Everything selected is everything, not just the part shown.
    box.setBoxText(text);
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Z);
    QCOMPARE(box.boxText(), QString("z"));
    // An ordinary text wraps at word boundaries again.
    box.setBoxText("debit and credit");
    QCOMPARE(box.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    QCOMPARE(box.boxText(), QString("debit and credit"));
}

QTEST_MAIN(LongTextTest)
#include "test_longtext.moc"
