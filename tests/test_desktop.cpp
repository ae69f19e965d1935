#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "printing/PrintSettingsWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "ui/FontChooser.h"
#include "ui/Grid.h"
#include "ui/Icons.h"
#include "ui/MessageBox.h"
#include "ui/ModalLoops.h"
#include "ui/PictureView.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"
#include "ui/StatusPanels.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Something was drawn: at least one pixel that is not transparent.
bool drawn(const QIcon& icon) {
    const QImage image = icon.pixmap(24, 24).toImage();
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

// Runs `inspect` on the modal dialog that `open` starts, once it is shown; a dialog that is still
// open afterwards (a check failed) is closed, so the test never hangs.
template <typename Open> void whileModal(Open open, std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        QWidget* modal = nullptr;
        for (int i = 0; i < 100 && !modal; ++i) {
            QTest::qWait(10);
            modal = QApplication::activeModalWidget();
        }
        QVERIFY(modal);
        QPointer<QWidget> guard(modal);
        inspect(modal);
        if (guard && guard->isVisible())
            if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                dialog->reject();
    });
    open();
}

void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, key, mods);
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() {
        PaperPicker::setTestDriver({});
        MessageBox::setRecording(true);
    }

    void toolbarIconsComeFromTheThemeOnlyWhenItHasThemAll();
    void keysReachTheirActionsInThePracticeWindow();
    void keysInTheExamWindowFollowItsButtons();
    void tooltipsNameTheKeys();
    void messageBoxesFitTheirTitleAndTextOverTheirWindow();
    void pickerAndFontDialogAnswerEnterAndEscape();
    void infoPrintAndPictureWindowsCloseOnEscape();
    void mainWindowFitsTheScreenAndRemembersItsPlace();
    void workWindowsNeitherOverlapNorClipAtAnySize();
    void picturesFitWholeAndOpenAtFullSize();
    void practiceProgressAndWrongCardRows();

  private:
    static void fillBank(TestBank& bank) {
        bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
        bank.addNumberedPaper("2", "财务管理", 2, 2, true, 10);
    }
};

void DesktopTest::toolbarIconsComeFromTheThemeOnlyWhenItHasThemAll() {
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    // A theme that has the start toolbar's icons and none of the marks toolbar's.
    QTemporaryDir themes;
    QDir(themes.path()).mkpath("partial/24x24/actions");
    QFile index(themes.filePath("partial/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=partial\nDirectories=24x24/actions\n\n"
                "[24x24/actions]\nSize=24\nType=Fixed\n");
    index.close();
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    for (const char* name :
         {"appointment-soon", "accessories-text-editor", "tools-check-spelling", "accessories-dictionary"})
        QVERIFY(red.save(themes.filePath(QString("partial/24x24/actions/%1.png").arg(name))));

    TestBank bank;
    fillBank(bank);
    for (const QString& theme : {QString("partial"), QString("none")}) {
        // "none": a bare desktop without any icon theme.
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(theme);
        MainWindow w(bank.dir());
        pressToolbar(w, "评分");
        QList<QAction*> actions = w.startToolbar()->actions() + w.marksWindow()->工具条1->actions();
        for (QAction* a : actions) {
            QVERIFY2(drawn(a->icon()), qPrintable(a->text()));
            auto* button = qobject_cast<QToolButton*>(a->associatedObjects().value(0));
            if (button)
                QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        }
        const bool themed = theme == "partial";
        const int start = int(w.startToolbar()->actions().size());
        for (int i = 0; i < start; ++i)
            QCOMPARE(actions[i]->icon().name().isEmpty(), !themed);
        // The marks toolbar's icons are all the program's own: the theme lacks one of them.
        for (int i = start; i < actions.size(); ++i)
            QVERIFY(actions[i]->icon().name().isEmpty());
    }
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);

    // What else the program draws from its own pictures.
    QVERIFY(drawn(icons::program()));
    QVERIFY(!QImage(":/veltaro/icons/arrow-down.svg").isNull());
    QVERIFY(drawn(icons::own("bank")));
}

void DesktopTest::keysReachTheirActionsInThePracticeWindow() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    PracticeWindow* p = w.practiceWindow();
    RichBox* answer = p->答案超级编辑框;
    answer->setFocus();

    press(answer, Qt::Key_PageDown);
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    press(answer, Qt::Key_PageUp);
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    // The text box would keep Ctrl+End and Ctrl+Home for itself.
    press(answer, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    press(p->题目超级编辑框, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(p->题号编辑框->text(), QString("1"));

    // Options tick as clicks do, and Ctrl+Enter saves and moves on.
    answer->setBoxText(QString());
    press(answer, Qt::Key_C, Qt::AltModifier);
    press(answer, Qt::Key_A, Qt::AltModifier);
    press(answer, Qt::Key_Y, Qt::AltModifier);
    press(answer, Qt::Key_N, Qt::AltModifier);
    QCOMPARE(answer->boxText(), QString("CA对错"));
    QVERIFY(p->选择框C->isChecked() && p->选择框对->isChecked());
    press(answer, Qt::Key_Y, Qt::AltModifier);
    QCOMPARE(answer->boxText(), QString("CA错"));
    press(answer, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(bank.scalar("select practice from 题库 where code='1' and tihao=1").toString(), QString("CA错"));
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QVERIFY(!p->选择框C->isChecked());
    press(answer, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(p->题号编辑框->text(), QString("3"));

    // A number typed in the question box is gone to first, as a click on ">" would.
    p->题号编辑框->setFocus();
    p->题号编辑框->setText("4");
    press(p->题号编辑框, Qt::Key_PageDown);
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    QVERIFY(p->题目超级编辑框->boxText().contains("第5题"));

    // F5 and F6 press the reading buttons, whatever reading does.
    QSignalSpy read(p->朗读按钮, &QPushButton::clicked);
    QSignalSpy stop(p->停止按钮, &QPushButton::clicked);
    press(answer, Qt::Key_F5);
    press(answer, Qt::Key_F6);
    QCOMPARE(read.count(), 1);
    QCOMPARE(stop.count(), 1);

    // The wrong-answer grid pages through its own rows.
    p->题目区高级选择夹->setCurrentIndex(2);
    p->错题高级表格->setFocus();
    press(p->错题高级表格, Qt::Key_PageUp);
    press(p->错题高级表格, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    // Alt+A still ticks there.
    press(p->错题高级表格, Qt::Key_A, Qt::AltModifier);
    QVERIFY(p->选择框A->isChecked());
}

void DesktopTest::keysInTheExamWindowFollowItsButtons() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    QCOMPARE(e->题号编辑框->text(), QString("1"));
    e->答案超级编辑框->setFocus();
    press(e->答案超级编辑框, Qt::Key_B, Qt::AltModifier);
    // Nothing is saved before the start: 保存 is disabled, and so is its key.
    press(e->答案超级编辑框, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(e->题号编辑框->text(), QString("1"));
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 0);
    // F5 reads aloud in the practice window only.
    press(e->答案超级编辑框, Qt::Key_F5);
    QVERIFY(!w.app().reader->reading());

    e->考号组合框->setEditText("1001");
    e->场次组合框->setEditText("1");
    e->开始按钮->click();
    e->答案超级编辑框->setFocus();
    press(e->答案超级编辑框, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(bank.scalar("select answer from 评分 where tihao=1").toString(), QString("B"));
    QCOMPARE(e->题号编辑框->text(), QString("2"));
    press(e->答案超级编辑框, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(e->题号编辑框->text(), QString("5"));
    e->时钟1->stop();
}

void DesktopTest::tooltipsNameTheKeys() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    auto native = [](const QKeySequence& k) { return k.toString(QKeySequence::NativeText); };
    struct Tip {
        const char* control;
        QKeySequence key;
    };
    const Tip shared[] = {
        {"首记录按钮", Qt::CTRL | Qt::Key_Home}, {"上一记录按钮", Qt::Key_PageUp},
        {"下一记录按钮", Qt::Key_PageDown},      {"尾记录按钮", Qt::CTRL | Qt::Key_End},
        {"保存按钮", Qt::CTRL | Qt::Key_Enter},  {"选择框A", Qt::ALT | Qt::Key_A},
        {"选择框G", Qt::ALT | Qt::Key_G},        {"选择框对", Qt::ALT | Qt::Key_Y},
        {"选择框错", Qt::ALT | Qt::Key_N},
    };
    auto check = [&](QWidget* window) {
        for (const Tip& t : shared) {
            auto* c = child<QWidget>(window, QString::fromUtf8(t.control));
            QVERIFY2(c && c->toolTip().contains(native(t.key)), t.control);
        }
    };
    check(w.practiceWindow());
    QVERIFY(w.practiceWindow()->朗读按钮->toolTip().contains("F5"));
    QVERIFY(w.practiceWindow()->停止按钮->toolTip().contains("F6"));
    for (QAction* a : w.startToolbar()->actions())
        QVERIFY(a->toolTip().contains(native(a->shortcut())) && a->toolTip().startsWith(a->text()));
    pressToolbar(w, "考试");
    check(w.examWindow());
}

void DesktopTest::messageBoxesFitTheirTitleAndTextOverTheirWindow() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    // Within the screen (the offscreen one is 800 × 600): a box is kept on the screen.
    w.setGeometry(0, 40, 800, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    MessageBox::setRecording(false);
    const QString longText = QString("答案没有保存：").repeated(30);
    const QString cases[][2] = {{"系统消息", "请填考号"},
                                {"注意", longText},
                                {"一个相当长的标题，用来看标题是否完整显示在标题栏上", "好"}};
    for (const auto& c : cases) {
        whileModal(
            [&] {
                MessageBox::show(w.practiceWindow(), c[0], c[1], MessageBox::Icon::Information,
                                 MessageBox::Buttons::OkCancel);
            },
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                QVERIFY(!(box->windowFlags() & Qt::WindowMinimizeButtonHint));
                QVERIFY(!(box->windowFlags() & Qt::WindowMaximizeButtonHint));
                QFont bold = box->font();
                bold.setBold(true);
                QVERIFY(box->width() >= QFontMetrics(bold).horizontalAdvance(c[0]) + 100);
                // The text is shown whole.
                auto* label = box->findChild<QLabel*>("qt_msgbox_label");
                QVERIFY(label);
                QVERIFY(label->width() >= (label->wordWrap() ? 100 : label->sizeHint().width()));
                if (label->wordWrap())
                    QVERIFY(label->height() >= label->heightForWidth(label->width()));
                QVERIFY(box->geometry().bottom() <= box->screen()->availableGeometry().bottom());
                // Over the middle of the main window.
                const QPoint offset = box->frameGeometry().center() - w.frameGeometry().center();
                QVERIFY2(offset.manhattanLength() <= 4,
                         qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
                box->button(QMessageBox::Ok)->click();
            });
    }
    QCOMPARE(ModalLoops::depth(), 0);
}

void DesktopTest::pickerAndFontDialogAnswerEnterAndEscape() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PracticeWindow* p = w.practiceWindow();
    // Enter in the search box chooses the first paper listed; Escape chooses none.
    whileModal([&] { p->试卷超级按钮->click(); },
               [](QWidget* modal) {
                   auto* picker = qobject_cast<PaperPicker*>(modal);
                   QVERIFY(picker);
                   QTest::sendKeyEvent(QTest::KeyAction::Click, picker->searchBox(), Qt::Key_unknown,
                                       QString("财务"), Qt::NoModifier);
                   QCOMPARE(picker->list()->topLevelItemCount(), 1);
                   press(picker->searchBox(), Qt::Key_Return);
               });
    QCOMPARE(p->试卷编码透明标签->text(), QString("2"));
    whileModal(
        [&] { p->试卷超级按钮->click(); },
        [](QWidget* modal) { press(modal->focusWidget() ? modal->focusWidget() : modal, Qt::Key_Escape); });
    QCOMPARE(p->试卷编码透明标签->text(), QString("2"));

    // The font dialog answers Enter and Escape in its boxes and in its lists, and closes whole
    // (left to itself, its inner dialog would only hide its lists, or do nothing).
    struct Case {
        bool inList;
        Qt::Key key;
    };
    for (const Case c : {Case{false, Qt::Key_Return}, Case{true, Qt::Key_Return}, Case{false, Qt::Key_Escape},
                         Case{true, Qt::Key_Escape}}) {
        std::optional<FontChooser::Choice> choice;
        bool closed = false;
        whileModal([&] { choice = FontChooser::choose(p, QFont("WenQuanYi Zen Hei", 20), QColor(Qt::red)); },
                   [&](QWidget* modal) {
                       QWidget* target = c.inList ? static_cast<QWidget*>(modal->findChild<QListView*>())
                                                  : modal->findChild<QLineEdit*>();
                       QVERIFY(target);
                       press(target, c.key);
                       closed = !modal->isVisible();
                       if (!closed)
                           static_cast<QDialog*>(modal)->reject();
                   });
        QVERIFY(closed);
        QCOMPARE(choice.has_value(), c.key == Qt::Key_Return);
        if (choice)
            QCOMPARE(choice->color, QColor(Qt::red));
    }
}

void DesktopTest::infoPrintAndPictureWindowsCloseOnEscape() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // The info window: Enter is 确定, Escape closes it too.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        w.app().handIn = {"1", "1001", "1", "张三"};
        w.showExamResult();
        InfoWindow* info = w.infoWindow();
        QVERIFY(info);
        QSignalSpy finished(info, &QDialog::finished);
        press(info->确定按钮, key);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(),
                 int(key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected));
    }

    // The print settings window: Escape closes it without a preview.
    PracticeWindow* p = w.practiceWindow();
    p->题目区高级选择夹->setCurrentIndex(2);
    p->导出按钮->click();
    auto* settings = qobject_cast<PrintSettingsWindow*>(w.app().print.settingsWindow.data());
    QVERIFY(settings);
    QPointer<PrintSettingsWindow> guard(settings);
    press(settings->标题编辑框, Qt::Key_Escape);
    QTRY_VERIFY(!guard);

    // A picture at full size: Escape closes it.
    QPixmap picture(300, 200);
    picture.fill(Qt::blue);
    bool shownWhole = false;
    whileModal([&] { PictureView::showFullSize(p, picture, "图片"); },
               [&](QWidget* modal) {
                   auto* view = qobject_cast<PictureView*>(modal);
                   QVERIFY(view);
                   const QWidget* viewport = view->findChild<QScrollArea*>()->viewport();
                   shownWhole = view->pictureLabel()->pixmap().size() == QSize(300, 200) &&
                                viewport->width() >= 300 && viewport->height() >= 200;
                   press(view, Qt::Key_Escape);
               });
    QVERIFY(shownWhole);
    QCOMPARE(ModalLoops::depth(), 0);
}

void DesktopTest::mainWindowFitsTheScreenAndRemembersItsPlace() {
    // The free area of a screen: 1280 × 900, 1366 × 768 at 100 % and at 150 % (less a panel).
    const QRect screens[] = {{0, 0, 1280, 870}, {0, 0, 1366, 738}, {0, 0, 911, 492}, {1366, 0, 911, 492}};
    for (const QRect& available : screens) {
        const QRect r = placement::firstGeometry(available);
        QVERIFY(available.contains(r));
        QVERIFY(r.top() - available.top() >= 20); // room for a title bar
        QVERIFY(r.width() >= placement::minimumSize().width() &&
                r.height() >= placement::minimumSize().height());
        QVERIFY(qAbs(r.center().x() - available.center().x()) <= 2);
        // Where there is room, the practice window (800 × 500 below the 55-pixel band) shows whole.
        if (available.height() >= 700)
            QVERIFY(r.width() >= 810 && r.height() >= 600);
    }

    TestBank bank;
    fillBank(bank);
    QTemporaryDir dir;
    const QString file = dir.filePath("veltaro.conf");
    {
        MainWindow w(bank.dir());
        QSettings settings(file, QSettings::IniFormat);
        QVERIFY(!placement::restore(w, settings)); // nothing remembered yet
        w.show();
        w.setGeometry(120, 80, 900, 650);
        placement::save(w, settings);
    }
    MainWindow again(bank.dir());
    QSettings settings(file, QSettings::IniFormat);
    QVERIFY(placement::restore(again, settings));
    again.show();
    QCOMPARE(again.geometry(), QRect(120, 80, 900, 650));
    QCOMPARE(again.minimumSize(), placement::minimumSize());
}

void DesktopTest::workWindowsNeitherOverlapNorClipAtAnySize() {
    TestBank bank;
    fillBank(bank);
    MainWindow w(bank.dir());
    w.show();
    auto inside = [](QWidget* parent) {
        for (QWidget* c : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!c->isHidden() && !parent->rect().contains(c->geometry()))
                return c->objectName();
        return QString();
    };
    for (const QSize& size : {placement::minimumSize(), QSize(1920, 1040)}) {
        w.resize(size);
        for (const char* caption : {"练习", "考试", "评分", "题库"}) {
            pressToolbar(w, caption);
            WorkWindow* work = w.openWorkWindow();
            QVERIFY(w.rect().contains(work->geometry()));
            if (auto* a = qobject_cast<AnswerWindow*>(work)) {
                const QRect tabs = a->题目区高级选择夹->geometry();
                const QRect answerArea = a->答题区分组框->geometry();
                // The group's frame starts below its title margin: its box may touch the tabs.
                QVERIFY(answerArea.top() >= tabs.bottom() - 1 && work->rect().contains(answerArea));
                QCOMPARE(inside(a->答题区分组框), QString());
                QCOMPARE(inside(a->findChild<QGroupBox*>("分组框1")), QString());
                for (int i = 0; i < a->题目区高级选择夹->count(); ++i) {
                    a->题目区高级选择夹->setCurrentIndex(i);
                    QApplication::processEvents();
                    QWidget* page = a->题目区高级选择夹->widget(i);
                    QCOMPARE(inside(page), QString());
                    // Every box on the page keeps room for a line of text.
                    for (RichBox* box : page->findChildren<RichBox*>())
                        QVERIFY2(box->height() >= 40, qPrintable(box->objectName()));
                }
                a->题目区高级选择夹->setCurrentIndex(0);
            } else if (auto* m = qobject_cast<MarksWindow*>(work)) {
                // The toolbar's buttons end before the paper button begins.
                for (QAction* action : m->工具条1->actions()) {
                    QWidget* b = m->工具条1->widgetForAction(action);
                    QVERIFY(b->mapTo(m, QPoint(b->width(), 0)).x() <= m->试卷超级按钮->x());
                }
                QVERIFY(work->rect().contains(m->高级表格1->geometry()));
            } else {
                QCOMPARE(inside(work), QString());
            }
        }
    }
}

void DesktopTest::picturesFitWholeAndOpenAtFullSize() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 1, true, 10);
    bank.addQuestion("1", 1, "看图", "A", 1, "\\pic\\big.png");
    QDir(bank.dir()).mkpath("pic");
    QImage big(1200, 600, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    QVERIFY(big.save(bank.dir() + "/pic/big.png"));
    MainWindow w(bank.dir());
    w.setGeometry(100, 100, 1000, 700);
    w.show();
    PracticeWindow* p = w.practiceWindow();
    auto fits = [p] {
        const QSize shown = p->图片框1->pixmap().size();
        const QSize room = p->图片框1->size();
        return shown.width() <= room.width() && shown.height() <= room.height() &&
               (shown.width() == room.width() || shown.height() == room.height()) &&
               qAbs(shown.width() - 2 * shown.height()) <= 2;
    };
    QVERIFY(fits());
    // The picture follows the box as the window grows.
    const QSize before = p->图片框1->pixmap().size();
    w.resize(1200, 900);
    QVERIFY(fits());
    QVERIFY(p->图片框1->pixmap().width() > before.width());

    bool full = false;
    p->题目区高级选择夹->setCurrentIndex(1);
    whileModal([&] { QTest::mouseClick(p->图片框1, Qt::LeftButton); },
               [&](QWidget* modal) {
                   auto* view = qobject_cast<PictureView*>(modal);
                   QVERIFY(view);
                   full = view->pictureLabel()->pixmap().size() == QSize(1200, 600);
                   press(view, Qt::Key_Escape);
               });
    QVERIFY(full);
}

void DesktopTest::practiceProgressAndWrongCardRows() {
    TestBank bank;
    fillBank(bank);
    bank.addAnswer("1", 1, "A", "1001", "张三", "1");
    bank.addAnswer("1", 2, "B", "1001", "张三", "1");
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    p->答案超级编辑框->setBoxText("a");
    p->保存按钮->click();
    p->答案超级编辑框->setBoxText("BC");
    p->保存按钮->click();
    QCOMPARE(w.statusText(2), QString("已答 2/5，错 1"));
    // The panel shows the text whole.
    auto* panel = w.statusPanels()->findChild<QLabel*>("状态栏面板2");
    QTRY_VERIFY(panel->width() >= panel->sizeHint().width());
    MessageBox::pushAnswer(true);
    p->重做按钮->click();
    QCOMPARE(w.statusText(2), QString("已答 0/5，错 0"));
    pressToolbar(w, "考试");
    QCOMPARE(w.statusText(2), QString());
    QTRY_COMPARE(w.statusPanels()->panelWidth(2), 100);

    // The answer card: the wrong answer's row is lightly red, its mark stays empty.
    pressToolbar(w, "评分");
    MarksWindow* m = w.marksWindow();
    pickPaperInPicker("1");
    m->试卷超级按钮->click();
    m->考号组合框->setEditText("1001");
    m->场次组合框->setEditText("1");
    m->toolbarCommand("评分");
    Grid* g = m->高级表格1;
    QCOMPARE(g->gridRowCount(), 4);
    QCOMPARE(g->cellText(2, 8), QString());
    for (int c = 2; c <= 8; ++c) {
        QCOMPARE(g->cellBackground(2, c), QColor(253, 228, 228));
        QVERIFY(g->cellBackground(1, c) != QColor(253, 228, 228));
    }
    QCOMPARE(g->cellBackground(2, 1), QColor(236, 236, 236));
    QCOMPARE(g->cellBackground(3, 8), QColor(192, 192, 192));
}

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
