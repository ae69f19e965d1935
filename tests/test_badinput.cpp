// Awkward text typed into every box of the practice, exam and marks windows and the paper picker,
// followed by each window's actions: nothing crashes or hangs, a text that cannot be used is
// told, and no row of another paper, candidate or sitting changes.
#include "TestSupport.h"

#include "answering/AnswerText.h"
#include "answering/PracticeWindow.h"
#include "shell/AppState.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "printing/PrintHandOver.h"
#include "printing/PrintPreview.h"
#include "printing/PrintSettingsWindow.h"
#include "printing/ProfileFile.h"
#include "printing/SpreadsheetExport.h"
#include "questions/PaperPicker.h"
#include "ui/FileChooser.h"
#include "ui/FontChooser.h"
#include "ui/Gbk.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>

namespace {

struct Input {
    const char* label;
    QString text;
};

QList<Input> badInputs() {
    QString longText;
    while (longText.size() < 10000)
        longText += QStringLiteral("题'%_\\;-- 答A");
    longText.truncate(10000);
    return {
        {"quote", QStringLiteral("'")},
        {"double quote", QStringLiteral("\"")},
        {"percent", QStringLiteral("%")},
        {"underscore", QStringLiteral("_")},
        {"backslash", QStringLiteral("\\")},
        {"comment", QStringLiteral("--")},
        {"semicolon", QStringLiteral(";")},
        {"nul", QString(QChar(0))},
        {"emoji", QStringLiteral("\U0001F600")},
        {"right-to-left", QStringLiteral("\u202E\u05E9\u05DC\u05D5\u05DD\u0639\u0627\u0644\u0645")},
        {"10000 characters", longText},
    };
}

// Every row of every table, by rowid.
using Rows = QMap<qint64, QVariantList>;
using Snapshot = QMap<QString, Rows>;

Snapshot snapshot(const TestBank& bank) {
    Snapshot s;
    for (const QString& table : {QStringLiteral("试卷"), QStringLiteral("题库"), QStringLiteral("评分")})
        for (QVariantList row : bank.rows(QStringLiteral("select rowid, * from %1").arg(table))) {
            const qint64 rowid = row.takeFirst().toLongLong();
            s[table][rowid] = row;
        }
    return s;
}

// Which rows an action may change: (table, row before or null, row after or null).
using MayChange = std::function<bool(const QString&, const QVariantList*, const QVariantList*)>;

QStringList unexpectedChanges(const Snapshot& before, const Snapshot& after, const MayChange& mayChange) {
    QStringList out;
    for (const QString& table : {QStringLiteral("试卷"), QStringLiteral("题库"), QStringLiteral("评分")}) {
        const Rows& b = before.value(table);
        const Rows& a = after.value(table);
        for (auto it = b.begin(); it != b.end(); ++it) {
            const auto found = a.constFind(it.key());
            const QVariantList* now = found == a.end() ? nullptr : &found.value();
            if ((!now || *now != it.value()) && !mayChange(table, &it.value(), now))
                out << QStringLiteral("%1 row %2 changed or went: %3 -> %4")
                           .arg(table)
                           .arg(it.key())
                           .arg(QVariant(it.value()).toStringList().join('|').left(60),
                                now ? QVariant(*now).toStringList().join('|').left(60) : QString());
        }
        for (auto it = a.begin(); it != a.end(); ++it)
            if (!b.contains(it.key()) && !mayChange(table, nullptr, &it.value()))
                out << QStringLiteral("%1 row %2 appeared: %3")
                           .arg(table)
                           .arg(it.key())
                           .arg(QVariant(it.value()).toStringList().join('|').left(60));
    }
    return out;
}

// Column positions of 题库 and 评分 in "select *".
enum QuestionColumn { QCode = 0, QTihao = 1, QPractice = 5 };
enum AnswerColumn { ACode = 0, AStudent = 3, AState = 5 };

QStringList texts() {
    QStringList out;
    for (const auto& m : MessageBox::shown())
        out << m.text;
    return out;
}

QAction* toolbarAction(MainWindow& w, const QString& caption) {
    for (QAction* a : w.startToolbar()->actions())
        if (a->text() == caption)
            return a;
    return nullptr;
}

void choosePaperInPicker(const QString& code) {
    PaperPicker::setTestDriver([code](PaperPicker& p) {
        for (int i = 0; i < p.list()->topLevelItemCount(); ++i)
            if (p.list()->topLevelItem(i)->text(0) == code)
                p.list()->setCurrentItem(p.list()->topLevelItem(i));
        p.choose();
    });
}

// Two papers with practice answers, a paper whose code is a wildcard, and sittings of several
// candidates, some of whose keys look like the awkward texts.
void fillBank(TestBank& bank) {
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 60);
    bank.addNumberedPaper("2", "财务管理", 5, 5, false, 60);
    bank.addNumberedPaper("%", "通配%卷", 2, 2, true, 60);
    bank.exec("update 题库 set practice='B' where code<>'1'");
    bank.exec("update 题库 set practice='C' where code='1' and tihao=5");
    for (int n = 1; n <= 3; ++n)
        bank.addAnswer("1", n, "A", "K1", "张三", "S1");
    bank.addAnswer("1", 1, "B", "K2", "李四", "S1");
    bank.addAnswer("2", 1, "A", "K1", "张三", "S1");
    for (const QString& key :
         {QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("'"), QStringLiteral("\\")}) {
        bank.addAnswer("1", 1, "A", key, "x", key);
        bank.addAnswer("2", 1, "A", key, "x", key);
    }
}

} // namespace

#define EXPECT_NO_CHANGES(changes)                                                                           \
    do {                                                                                                     \
        const QStringList found = (changes);                                                                 \
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));                                \
    } while (false)

class BadInputTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() {
        PaperPicker::setTestDriver({});
        spreadsheet::setOpener(nullptr);
    }

    void pickerSearchTakesEveryTextLiterally();
    void practiceWindowBoxesAndActions();
    void examWindowBoxesAndActions();
    void marksWindowBoxesAndActions();
    void cardRowsAreDeletedFromTheMarkedPaperOnly();
    void printSettingsBoxesAndActions();
};

void BadInputTest::pickerSearchTakesEveryTextLiterally() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    const Snapshot before = snapshot(bank);
    for (const Input& in : badInputs()) {
        QStringList listed;
        PaperPicker::setTestDriver([&](PaperPicker& p) {
            p.searchBox()->setText(in.text);
            for (int i = 0; i < p.list()->topLevelItemCount(); ++i)
                listed << p.list()->topLevelItem(i)->text(0) + QLatin1Char('/') +
                              p.list()->topLevelItem(i)->text(1);
            p.choose(); // nothing current: nothing chosen
            p.reject();
        });
        w.practiceWindow()->试卷超级按钮->click();
        // SQLite's like reads a pattern up to a NUL, so that search lists every paper: harmless.
        if (!in.text.contains(QChar(0)))
            for (const QString& item : listed)
                QVERIFY2(item.contains(in.text, Qt::CaseInsensitive), in.label);
        if (in.text == QLatin1String("%"))
            QCOMPARE(listed, (QStringList{"%/通配%卷"}));
        QCOMPARE(w.practiceWindow()->试卷编码透明标签->text(), QString("1"));
    }
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(snapshot(bank), before);
}

void BadInputTest::practiceWindowBoxesAndActions() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    // Only the practice answers of the paper in the window may change.
    const MayChange practiceOfPaper1 = [](const QString& table, const QVariantList* was,
                                          const QVariantList* now) {
        if (table != QStringLiteral("题库") || !was || !now ||
            was->value(QCode).toString() != QLatin1String("1"))
            return false;
        for (int c = 0; c < was->size(); ++c)
            if (c != QPractice && was->value(c) != now->value(c))
                return false;
        return true;
    };
    for (const Input& in : badInputs()) {
        PracticeWindow* p = w.practiceWindow();
        QVERIFY(p);
        const Snapshot before = snapshot(bank);

        // The question box: a text that is no number is told, and the box goes back.
        MessageBox::clear();
        const QString shown = p->题号编辑框->text();
        p->题号编辑框->setText(in.text);
        p->答案超级编辑框->setBoxText(QStringLiteral("A"));
        QTest::keyClick(p->题号编辑框, Qt::Key_Return);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(texts().first().contains(QStringLiteral("题号")), in.label);
        QCOMPARE(p->题号编辑框->text(), shown);
        for (QPushButton* b : {p->上一记录按钮, p->下一记录按钮}) {
            p->题号编辑框->setText(in.text);
            b->click();
        }
        p->首记录按钮->click();
        QCOMPARE(p->题号编辑框->text(), QString("1"));
        p->尾记录按钮->click();
        QCOMPARE(p->题号编辑框->text(), QString("5"));
        p->题号编辑框->setText(in.text);
        for (int tab : {2, 3, 1, 0})
            p->题目区高级选择夹->setCurrentIndex(tab);
        EXPECT_NO_CHANGES(unexpectedChanges(before, snapshot(bank), [](auto&&...) { return false; }));

        // The answer box: saved as the rules normalise it, or told when it cannot be kept.
        MessageBox::clear();
        goToQuestion(*p, 2);
        p->答案超级编辑框->setBoxText(in.text);
        const QString typed = p->答案超级编辑框->boxText();
        p->保存按钮->click();
        // A character GBK has no code for would come back as "?": told, not saved.
        QCOMPARE(MessageBox::shown().size(), gbk::canEncode(typed) ? 0 : 1);
        const QString stored = bank.scalar("select practice from 题库 where code='1' and tihao=2").toString();
        if (MessageBox::shown().isEmpty()) {
            QCOMPARE(stored, answer::normalise(typed));
            QCOMPARE(p->题号编辑框->text(), QString("3"));
        } else {
            QCOMPARE(MessageBox::shown().size(), 1);
            QCOMPARE(stored, QString());
            QCOMPARE(p->题号编辑框->text(), QString("2"));
        }
        for (int tab : {2, 3, 0})
            p->题目区高级选择夹->setCurrentIndex(tab);

        // Redo: Cancel keeps every answer, OK clears this paper's only.
        MessageBox::clear();
        MessageBox::pushAnswer(false);
        p->重做按钮->click();
        MessageBox::pushAnswer(true);
        p->重做按钮->click();
        QCOMPARE(bank.scalar("select count(*) from 题库 where code='1' and practice<>''").toInt(), 0);
        EXPECT_NO_CHANGES(unexpectedChanges(before, snapshot(bank), practiceOfPaper1));
        QCOMPARE(bank.scalar("select count(*) from 题库 where code<>'1' and practice='B'").toInt(), 7);
    }
}

void BadInputTest::examWindowBoxesAndActions() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    choosePaperInPicker("1");
    int sitting = 0;
    for (const Input& in : badInputs()) {
        for (int box = 0; box < 3; ++box) {
            const Snapshot before = snapshot(bank);
            ++sitting;
            const QString student = box == 0 ? in.text : QStringLiteral("K9");
            const QString state = box == 1 ? in.text : QStringLiteral("S%1").arg(sitting);
            const QString name = box == 2 ? in.text : QStringLiteral("王五");
            // Only new rows of this sitting may appear.
            const MayChange thisSitting = [&](const QString& table, const QVariantList* was,
                                              const QVariantList* now) {
                return table == QStringLiteral("评分") && !was && now->value(ACode).toString() == "1" &&
                       now->value(AStudent).toString() == examKey(student) &&
                       now->value(AState).toString() == examKey(state);
            };

            toolbarAction(w, "考试")->trigger();
            ExamWindow* e = w.examWindow();
            QVERIFY(e);
            e->试卷超级按钮->click();
            MessageBox::clear();
            e->考号组合框->setEditText(student);
            e->场次组合框->setEditText(state);
            e->姓名编辑框->setText(name);
            e->考号组合框->showPopup();
            e->考号组合框->hidePopup();
            e->场次组合框->showPopup();
            e->场次组合框->hidePopup();
            e->考号组合框->setEditText(student);
            e->场次组合框->setEditText(state);
            e->开始按钮->click();
            QVERIFY2(e->running(),
                     qPrintable(QString("%1 in box %2: %3").arg(in.label).arg(box).arg(texts().join('|'))));

            // The question box.
            MessageBox::clear();
            e->题号编辑框->setText(in.text);
            e->答案超级编辑框->setBoxText(QStringLiteral("A"));
            QTest::keyClick(e->题号编辑框, Qt::Key_Return);
            QCOMPARE(MessageBox::shown().size(), 1);
            QVERIFY2(texts().first().contains(QStringLiteral("题号")), in.label);
            for (QPushButton* b : {e->上一记录按钮, e->下一记录按钮, e->首记录按钮, e->尾记录按钮}) {
                e->题号编辑框->setText(in.text);
                b->click();
            }
            // The answer box.
            MessageBox::clear();
            goToQuestion(*e, 1);
            e->答案超级编辑框->setBoxText(in.text);
            const QString typed = e->答案超级编辑框->boxText();
            e->保存按钮->click();
            QCOMPARE(MessageBox::shown().size(), gbk::canEncode(typed) ? 0 : 1);
            const auto stored =
                bank.rows("select answer from 评分 where code='1' and tihao=1 and student=? and state=?",
                          {examKey(student), examKey(state)});
            if (MessageBox::shown().isEmpty() && answer::strip(typed).isEmpty()) {
                QCOMPARE(stored.size(), 0); // an empty answer is not saved
            } else if (MessageBox::shown().isEmpty()) {
                QCOMPARE(stored.size(), 1);
                QCOMPARE(stored.first().value(0).toString(), answer::normalise(typed));
            } else {
                QCOMPARE(MessageBox::shown().size(), 1);
                QCOMPARE(stored.size(), 0);
            }
            goToQuestion(*e, 2);
            e->答案超级编辑框->setBoxText(QStringLiteral("B"));
            e->保存按钮->click();
            QCOMPARE(bank.rows("select answer from 评分 where code='1' and tihao=2 and student=? and state=?",
                               {examKey(student), examKey(state)}),
                     (QList<QVariantList>{{QString("B")}}));

            // Hand-in: Cancel goes on, OK ends the sitting and marks it.
            MessageBox::clear();
            MessageBox::pushAnswer(false);
            e->考试交卷按钮->click();
            QVERIFY(e->running());
            MessageBox::pushAnswer(true);
            e->考试交卷按钮->click();
            QVERIFY(e->ended());
            QVERIFY(w.infoWindow());
            QCOMPARE(w.infoWindow()->身份证编辑框->text(), examKey(student));
            w.infoWindow()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_NO_CHANGES(unexpectedChanges(before, snapshot(bank), thisSitting));
        }
    }
}

void BadInputTest::marksWindowBoxesAndActions() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    toolbarAction(w, "评分")->trigger();
    MarksWindow* m = w.marksWindow();
    QVERIFY(m);
    choosePaperInPicker("1");
    m->试卷超级按钮->click();
    QCOMPARE(m->paperCode(), QString("1"));
    for (const Input& in : badInputs()) {
        const QString key = examKey(in.text);
        // Answers of this key on paper 1 (each question once), on paper 2, and of a key only nearly
        // the same.
        bank.addAnswer("1", 2, "A", key, "x", key);
        bank.addAnswer("1", 3, "B", key, "x", key);
        bank.addAnswer("2", 1, "A", key, "x", key);
        bank.addAnswer("1", 3, "A", key + "x", "x", key);
        const int answers =
            bank.scalar("select count(*) from 评分 where code='1' and student=? and state=?", {key, key})
                .toInt();
        const Snapshot before = snapshot(bank);
        const MayChange thisKeyOfPaper1 = [&](const QString& table, const QVariantList* was,
                                              const QVariantList* now) {
            return table == QStringLiteral("评分") && was && !now && was->value(ACode).toString() == "1" &&
                   was->value(AStudent).toString() == key && was->value(AState).toString() == key;
        };

        // Each box alone: the other one is asked for.
        MessageBox::clear();
        m->考号组合框->setEditText(in.text);
        m->场次组合框->setEditText(QString());
        m->toolbarCommand(QStringLiteral("评分"));
        QCOMPARE(texts(), QStringList{"请选择场次"});
        MessageBox::clear();
        m->考号组合框->setEditText(QString());
        m->场次组合框->setEditText(in.text);
        m->toolbarCommand(QStringLiteral("评分"));
        QCOMPARE(texts(), QStringList{"请选择考号"});

        m->考号组合框->setEditText(in.text);
        m->考号组合框->showPopup();
        m->考号组合框->hidePopup();
        m->考号组合框->setEditText(in.text);
        m->场次组合框->showPopup();
        m->场次组合框->hidePopup();
        m->场次组合框->setEditText(in.text);
        MessageBox::clear();
        m->toolbarCommand(QStringLiteral("评分"));
        QVERIFY(MessageBox::shown().isEmpty());
        Grid* g = m->高级表格1;
        // The answers of this key on paper 1 and the total.
        QCOMPARE(g->gridRowCount(), answers + 2);
        QCOMPARE(g->cellText(1, 5), key);
        QCOMPARE(g->cellText(answers + 1, 1), QString("总分"));

        // Clear, answered Cancel: nothing goes.
        MessageBox::pushAnswer(false);
        m->toolbarCommand(QStringLiteral("清空"));
        QCOMPARE(snapshot(bank), before);
        // Delete the first card row, then clear the rest.
        g->clearSelection();
        g->selectGridRows(1, 1);
        m->删除行->trigger();
        QCOMPARE(bank.scalar("select count(*) from 评分 where code='1' and student=? and state=?", {key, key})
                     .toInt(),
                 answers - 1);
        MessageBox::pushAnswer(true);
        m->toolbarCommand(QStringLiteral("清空"));
        QCOMPARE(bank.scalar("select count(*) from 评分 where code='1' and student=? and state=?", {key, key})
                     .toInt(),
                 0);
        EXPECT_NO_CHANGES(unexpectedChanges(before, snapshot(bank), thisKeyOfPaper1));
    }
    QCOMPARE(bank.scalar("select count(*) from 评分 where code='2'").toInt(), 5 + badInputs().size());
}

void BadInputTest::cardRowsAreDeletedFromTheMarkedPaperOnly() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    toolbarAction(w, "评分")->trigger();
    MarksWindow* m = w.marksWindow();
    choosePaperInPicker("1");
    m->试卷超级按钮->click();
    m->考号组合框->setEditText("K1");
    m->场次组合框->setEditText("S1");
    m->toolbarCommand(QStringLiteral("评分"));
    QCOMPARE(m->高级表格1->gridRowCount(), 5);
    // Another paper chosen after marking: the card on show is still paper 1's.
    choosePaperInPicker("2");
    m->试卷超级按钮->click();
    QCOMPARE(m->paperCode(), QString("2"));
    m->高级表格1->selectGridRows(1, 3);
    m->删除行->trigger();
    QCOMPARE(bank.scalar("select count(*) from 评分 where code='2' and student='K1'").toInt(), 1);
    QCOMPARE(bank.scalar("select count(*) from 评分 where code='1' and student='K1'").toInt(), 0);
}

// The print-settings window: every text in the title, rows-per-page, font-size and title-font boxes
// is saved and comes back, previews quickly and exports; numbers that cannot be used print as if
// the box were empty.
void BadInputTest::printSettingsBoxesAndActions() {
    QTemporaryDir dir;
    AppState app;
    app.programDir = dir.path();
    Grid source;
    source.setGridColumnCount(4);
    source.setGridRowCount(1);
    for (int r = 0; r <= 6; ++r) {
        if (r > 0)
            source.appendRow();
        for (int c = 0; c < 4; ++c)
            source.setCell(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    const QString ini = dir.filePath(QStringLiteral("练习.ini"));
    const QString section = QString::fromUtf8(PrintSettingsWindow::kSection);
    const QByteArray otherSection("; 打印设置\n[其他]\n甲=乙\n");
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(otherSection);
    }
    QString exported;
    spreadsheet::setOpener([&exported](const QString& path) {
        exported = path;
        return true;
    });
    auto open = [&] {
        openPrintSettings(app, nullptr, &source, QStringLiteral("练习.ini"), QStringLiteral("自由打印"),
                          QString());
        attachSpreadsheet(app, nullptr, &source, QStringLiteral("练习.ini"));
        return qobject_cast<PrintSettingsWindow*>(app.print.settingsWindow.data());
    };
    // Title, rows per page, font size, title font.
    auto fill = [](PrintSettingsWindow* w, const QString& title, const QString& rows, const QString& size,
                   const QString& font) {
        w->标题编辑框->setText(title);
        w->行数编辑框->setText(rows);
        w->字体大小->setText(size);
        w->字体编辑框->setText(font);
    };
    // Builds the preview: soon, without a message; the window then waits for the preview to close.
    auto preview = [](PrintSettingsWindow* w, const char* label) {
        MessageBox::clear();
        QElapsedTimer clock;
        clock.start();
        w->打印按钮->click();
        QVERIFY2(clock.elapsed() < 20000, label);
        QVERIFY2(MessageBox::shown().isEmpty(), label);
        QVERIFY2(w->lastTable().has_value(), label);
        QCOMPARE(w->lastTable()->text(3, 2), w->标题编辑框->text().trimmed());
        QWidget* open = printpreview::findOpen();
        QVERIFY2(open, label);
        delete open;
    };

    for (const Input& in : badInputs()) {
        MessageBox::clear();
        PrintSettingsWindow* w = open();
        QVERIFY(w);
        // In the number boxes the text is refused: said once, nothing saved, the window stays.
        auto iniBytes = [&ini] {
            QFile f(ini);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray iniBefore = iniBytes();
        fill(w, in.text, in.text, in.text, in.text);
        QPointer<PrintSettingsWindow> alive(w);
        w->保存配置按钮->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown()[0].text.startsWith(QStringLiteral("“每页行数”只能填写数字")), in.label);
        QVERIFY2(alive && w->isVisible() && iniBytes() == iniBefore, in.label);
        QCoreApplication::processEvents(); // a text put in a box is not told as a key refused
        QCOMPARE(MessageBox::shown().size(), 1);
        MessageBox::clear();

        fill(w, in.text, QString(), QString(), in.text);
        FontChooser::preset(std::nullopt); // the font dialog cancelled keeps the text
        w->按钮3->click();
        QCOMPARE(w->字体编辑框->text(), in.text);
        w->保存配置按钮->click();
        QTRY_VERIFY2(!alive, in.label);
        QVERIFY2(MessageBox::shown().isEmpty(), in.label);

        // The file still reads: the other keys and sections are as they were.
        const QByteArray bytes = [&] {
            QFile f(ini);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY2(bytes.startsWith(otherSection), in.label);
        for (const auto& [key, value] : QList<QPair<const char*, const char*>>{{"纸型", "1"},
                                                                               {"打印方向", "1"},
                                                                               {"线型", "1"},
                                                                               {"是否序号", "假"},
                                                                               {"保存配置", "真"},
                                                                               {"打印字段", "1,2,3"}})
            QCOMPARE(ProfileFile::read(ini, section, QString::fromUtf8(key)), QString::fromUtf8(value));

        // Reopened, each box shows what was typed (trimmed; a text longer than the settings file
        // reads is cut to that length).
        w = open();
        const QString typed = in.text.trimmed();
        QVERIFY(w->行数编辑框->text().isEmpty() && w->字体大小->text().isEmpty());
        for (QLineEdit* box : {w->标题编辑框, w->字体编辑框}) {
            const QString shown = box->text();
            QVERIFY2(typed.startsWith(shown), in.label);
            QVERIFY2(shown == typed || shown.toUtf8().size() > ProfileFile::kMaxValueBytes - 4, in.label);
        }
        QVERIFY(w->保存配置选择框->isChecked());

        fill(w, in.text, QString(), QString(), in.text);
        preview(w, in.label);
        delete w;

        // Export writes the spreadsheet whatever the title and font boxes hold, and says where.
        w = open();
        fill(w, in.text, QString(), QString(), in.text);
        exported.clear();
        alive = w;
        FileChooser::preset(dir.filePath(QStringLiteral("导出.xlsx")));
        w->导出按钮->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown()[0].text.startsWith(QStringLiteral("已导出到 ")), in.label);
        QVERIFY2(QFile::exists(exported), in.label);
        QFile::remove(exported);
        QTRY_VERIFY(!alive);
    }

    // Numbers that cannot be used print as if their boxes were empty: rows break by height and
    // fonts keep their sizes. (Signs, exponents and letters are refused before.)
    const QString longTitle = badInputs().last().text;
    PrintSettingsWindow* w = open();
    fill(w, longTitle, QString(), QString(), QString());
    preview(w, "empty");
    if (QTest::currentTestFailed())
        return;
    const PrintTable plain = *w->lastTable();
    delete w;
    const QList<QStringList> unusable{{"", "", "黑体,-1"},
                                      {"0", "0", "黑体,0"},
                                      {"99999999999", "99999999999", "黑体,1e9"},
                                      {"", "", ",abc"}};
    for (const QStringList& n : unusable) {
        w = open();
        fill(w, longTitle, n[0], n[1], n[2]);
        preview(w, qPrintable(n.join('|')));
        if (QTest::currentTestFailed())
            return;
        const PrintTable& t = *w->lastTable();
        QCOMPARE(t.pageSettings().rowsPerPage, plain.pageSettings().rowsPerPage);
        QCOMPARE(t.cell(6, 2).fontSize, plain.cell(6, 2).fontSize);
        QCOMPARE(t.cell(3, 2).fontSize, plain.cell(3, 2).fontSize);
        QCOMPARE(t.cell(3, 2).font, plain.cell(3, 2).font);
        delete w;
    }
    for (const char* notANumber : {"-5", "1e9", "abc"}) { // refused before they are used
        w = open();
        fill(w, longTitle, QString(), QString::fromUtf8(notANumber), QString());
        MessageBox::clear();
        w->打印按钮->click();
        QVERIFY(MessageBox::shown().size() == 1 && !printpreview::findOpen());
        delete w;
    }

    // The largest numbers: letters 2 m tall at most, one page per row, and the PDF is written soon.
    // (5 × 858993460 points would wrap round to 4 in an int.)
    w = open();
    fill(w, longTitle, QStringLiteral("1"), QStringLiteral("2147483647"), QStringLiteral("黑体,858993460"));
    preview(w, "largest");
    if (QTest::currentTestFailed())
        return;
    const PrintTable largest = *w->lastTable();
    delete w;
    QCOMPARE(largest.cell(6, 2).fontSize, 20000);
    QCOMPARE(largest.cell(3, 2).fontSize, 20000);
    QCOMPARE(largest.paginate(QSizeF(2970, 2100)).size(), 6);
    QElapsedTimer clock;
    clock.start();
    const QString pdf = dir.filePath(QStringLiteral("表.pdf"));
    QVERIFY(printpreview::writePdf(largest, pdf));
    QVERIFY(clock.elapsed() < 20000);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.count("/Type /Page") - bytes.count("/Type /Pages") >= 1);
}

QTEST_MAIN(BadInputTest)
#include "test_badinput.moc"
