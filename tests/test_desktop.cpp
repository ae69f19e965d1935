#include "TestSupport.h"

#include "ui/Accessibility.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"
#include "exam/ExamWindow.h"
#include "marking/MarksWindow.h"
#include "printing/PrintSettingsWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "ui/FontChooser.h"
#include "ui/Grid.h"
#include "ui/Icons.h"
#include "ui/MessageBox.h"
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
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace {

// Something was drawn: a pixel that is not transparent.
bool drawn(const QIcon& icon) {
    const QImage image = icon.pixmap(24, 24).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

// Runs `inspect` on the modal dialog that `open` starts; one still open afterwards (a check
// failed) is closed, so the test never hangs.
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
        if (auto* dialog = qobject_cast<QDialog*>(guard.data()); dialog && dialog->isVisible())
            dialog->reject();
    });
    open();
}

void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, key, mods);
}

// What a user would find wrong with the controls of a window: one that sticks out of the box or
// page it lies in (cut off), one that lies over another of the same box (overlapping), or a button
// too narrow for its caption. Edges that meet by a pixel or two (a frame drawn inside its margin)
// do not count. Boxes, pages of tab controls and plain containers are looked into;
// the insides of lists, grids, editors and the like are their own business.
QStringList controlMisfits(QWidget* container) {
    QStringList out;
    // Where a control takes clicks: a toolbar only where its buttons are (the rest is see-through).
    auto footprint = [](QWidget* c) {
        auto* bar = qobject_cast<QToolBar*>(c);
        if (!bar)
            return QList<QRect>{c->geometry()};
        QList<QRect> rects;
        for (QAction* a : bar->actions())
            if (QWidget* b = bar->widgetForAction(a); b && !b->isHidden())
                rects << QRect(b->mapTo(c->parentWidget(), QPoint(0, 0)), b->size());
        return rects;
    };
    auto name = [](const QWidget* c) {
        return c->objectName().isEmpty() ? QString(c->metaObject()->className()) : c->objectName();
    };
    QList<QWidget*> shown;
    for (QWidget* c : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!c->isHidden() && !c->isWindow())
            shown << c;
    for (int i = 0; i < shown.size(); ++i) {
        QWidget* c = shown[i];
        if (!container->rect().contains(c->geometry()))
            out << QString("%1 cut by %2").arg(name(c), name(container));
        for (int j = i + 1; j < shown.size(); ++j)
            for (const QRect& a : footprint(c))
                for (const QRect& b : footprint(shown[j]))
                    if (const QRect common = a & b; common.width() > 2 && common.height() > 2)
                        out << QString("%1 overlaps %2").arg(name(c), name(shown[j]));
        if (auto* b = qobject_cast<QAbstractButton*>(c); b && !b->text().isEmpty()) {
            const int needed = b->fontMetrics().horizontalAdvance(b->text()) +
                               (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b) ? 16 : 4);
            if (b->width() < needed)
                out << QString("%1 too narrow for \"%2\"").arg(name(c), b->text());
            if (b->height() < b->fontMetrics().height() + 2)
                out << QString("%1 too low for \"%2\"").arg(name(c), b->text());
        }
        if (auto* tabs = qobject_cast<QTabWidget*>(c)) {
            for (int p = 0; p < tabs->count(); ++p) {
                const int was = tabs->currentIndex();
                tabs->setCurrentIndex(p);
                QApplication::processEvents();
                out << controlMisfits(tabs->widget(p));
                tabs->setCurrentIndex(was);
            }
        } else if (qobject_cast<QGroupBox*>(c) || c->metaObject() == &QWidget::staticMetaObject) {
            out << controlMisfits(c);
        }
    }
    return out;
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
    void toolbarIconsDrawWithoutAnIconTheme();
    void keysClickTheirButtonsAndTooltipsNameThem();
    void keysWorkFromTextBoxesAndLeaveGridsTheirPaging();
    void messageBoxesFitTheirTitleAndTextOverTheirWindow();
    void dialogsAnswerEnterAndEscape();
    void mainWindowFitsTheScreenAndRemembersItsPlace();
    void workWindowsNeitherOverlapNorClipAtAnySize();
    void picturesFitWholeAndOpenAtFullSize();
    void practiceProgressAndWrongCardRows();
};

void DesktopTest::toolbarIconsDrawWithoutAnIconTheme() {
    const QStringList paths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName("none");
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    pressToolbar(w, "评分");
    for (QAction* a : w.startToolbar()->actions() + w.marksWindow()->工具条1->actions())
        QVERIFY2(drawn(a->icon()) && a->toolTip().startsWith(a->text()), qPrintable(a->text()));
    QCOMPARE(w.startToolbar()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    QVERIFY(drawn(icons::program()));
    QVERIFY(!QImage(":/veltaro/icons/arrow-down.svg").isNull()); // the skin's combo box arrow
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QString());
}

void DesktopTest::keysClickTheirButtonsAndTooltipsNameThem() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    struct Key {
        const char* control;
        QKeyCombination key;
    };
    const QList<Key> shared = {
        {"首记录按钮", Qt::CTRL | Qt::Key_Home}, {"上一记录按钮", Qt::Key_PageUp},
        {"下一记录按钮", Qt::Key_PageDown},      {"尾记录按钮", Qt::CTRL | Qt::Key_End},
        {"保存按钮", Qt::CTRL | Qt::Key_Enter},  {"选择框A", Qt::ALT | Qt::Key_A},
        {"选择框G", Qt::ALT | Qt::Key_G},        {"选择框对", Qt::ALT | Qt::Key_Y},
        {"选择框错", Qt::ALT | Qt::Key_N}};
    auto check = [](AnswerWindow* window, const QList<Key>& keys) {
        for (const Key& k : keys) {
            auto* button = child<QAbstractButton>(window, QString::fromUtf8(k.control));
            QVERIFY2(button->toolTip().contains(QKeySequence(k.key).toString(QKeySequence::NativeText)),
                     k.control);
            QSignalSpy clicked(button, &QAbstractButton::clicked);
            // From the answer box, which would keep Ctrl+Home and Ctrl+End for itself.
            press(window->答案超级编辑框, k.key.key(), k.key.keyboardModifiers());
            QVERIFY2(clicked.count() == 1, k.control);
        }
    };
    check(w.practiceWindow(), shared + QList<Key>{{"朗读按钮", Qt::Key_F5}, {"停止按钮", Qt::Key_F6}});
    for (QAction* a : w.startToolbar()->actions())
        QVERIFY(a->toolTip().contains(a->shortcut().toString(QKeySequence::NativeText)));

    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    // Before the start 保存 is disabled, and so is its key; F5 reads aloud in the practice window only.
    e->答案超级编辑框->setBoxText("B");
    press(e->答案超级编辑框, Qt::Key_Return, Qt::ControlModifier);
    press(e->答案超级编辑框, Qt::Key_F5);
    QCOMPARE(e->题号编辑框->text(), QString("1"));
    QVERIFY(!w.app().reader->reading());
    e->考号组合框->setEditText("1001");
    e->场次组合框->setEditText("1");
    e->开始按钮->click();
    press(e->答案超级编辑框, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(bank.scalar("select answer from 评分 where tihao=1").toString(), QString("B"));
    check(e, shared);
    e->时钟1->stop();
}

void DesktopTest::keysWorkFromTextBoxesAndLeaveGridsTheirPaging() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    PracticeWindow* p = w.practiceWindow();
    press(p->题目超级编辑框, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    // A number typed in the question box is gone to first, as a click on "<" would.
    p->题号编辑框->setText("3");
    press(p->题号编辑框, Qt::Key_PageUp);
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QVERIFY(p->题目超级编辑框->boxText().contains("第2题"));
    // The wrong-answer grid pages through its own rows; other keys still reach the window.
    p->题目区高级选择夹->setCurrentIndex(2);
    p->错题高级表格->setFocus();
    press(p->错题高级表格, Qt::Key_PageDown);
    press(p->错题高级表格, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    press(p->错题高级表格, Qt::Key_B, Qt::AltModifier);
    QVERIFY(p->选择框B->isChecked());
}

void DesktopTest::messageBoxesFitTheirTitleAndTextOverTheirWindow() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.setGeometry(0, 40, 800, 500); // within the offscreen screen of 800 × 600
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    MessageBox::setRecording(false);
    const QString cases[][2] = {{"系统消息", "请填考号"},
                                {"注意", QString("答案没有保存：").repeated(30)},
                                {"一个相当长的标题，看它是否完整地显示在标题栏上", "好"}};
    for (const auto& c : cases)
        whileModal(
            [&] {
                MessageBox::show(w.practiceWindow(), c[0], c[1], MessageBox::Icon::Question,
                                 MessageBox::Buttons::OkCancel);
            },
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box && !(box->windowFlags() &
                                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
                QFont bold = box->font();
                bold.setBold(true);
                QVERIFY(box->width() >= QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 100);
                auto* label = box->findChild<QLabel*>("qt_msgbox_label");
                QVERIFY(label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                          : label->width() >= label->sizeHint().width());
                const QPoint offset = box->frameGeometry().center() - w.frameGeometry().center();
                QVERIFY(offset.manhattanLength() <= 4);
                box->button(QMessageBox::Ok)->click();
            });
}

void DesktopTest::dialogsAnswerEnterAndEscape() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.addNumberedPaper("2", "财务管理", 2, 2, true, 10);
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    // The picker: Enter in the search box chooses the first paper listed.
    whileModal([&] { p->试卷超级按钮->click(); },
               [](QWidget* modal) {
                   auto* picker = qobject_cast<PaperPicker*>(modal);
                   QTest::sendKeyEvent(QTest::Click, picker->searchBox(), Qt::Key_unknown, "财务",
                                       Qt::NoModifier);
                   press(picker->searchBox(), Qt::Key_Return);
               });
    QCOMPARE(p->试卷编码透明标签->text(), QString("2"));

    // The font dialog closes whole on Enter and Escape, in its boxes and in its lists (left alone,
    // its inner dialog would only hide the lists, or do nothing).
    for (bool inList : {false, true})
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            std::optional<FontChooser::Choice> choice;
            bool closed = false;
            whileModal([&] { choice = FontChooser::choose(p, QFont("WenQuanYi Zen Hei", 20), Qt::red); },
                       [&](QWidget* modal) {
                           press(inList ? static_cast<QWidget*>(modal->findChild<QListView*>())
                                        : modal->findChild<QLineEdit*>(),
                                 key);
                           closed = !modal->isVisible();
                       });
            QVERIFY(closed);
            QCOMPARE(choice.has_value(), key == Qt::Key_Return);
        }

    // The print settings: Escape closes them without a preview.
    p->题目区高级选择夹->setCurrentIndex(2);
    p->导出按钮->click();
    QPointer<QWidget> settings = w.app().print.settingsWindow;
    QVERIFY(settings);
    press(settings->findChild<QLineEdit*>("标题编辑框"), Qt::Key_Escape);
    QTRY_VERIFY(!settings);
}

void DesktopTest::mainWindowFitsTheScreenAndRemembersItsPlace() {
    // Free screen areas: 1280 × 900, and 1366 × 768 at 100 % and 150 % (less a panel).
    for (const QRect& available :
         {QRect(0, 0, 1280, 870), QRect(0, 0, 1366, 738), QRect(1366, 0, 911, 492)}) {
        const QRect r = placement::firstGeometry(available);
        QVERIFY(available.contains(r) && r.top() - available.top() >= 20); // room for a title bar
        QVERIFY(r.width() >= placement::minimumSize().width() &&
                r.height() >= placement::minimumSize().height());
        QVERIFY(qAbs(r.center().x() - available.center().x()) <= 2);
        // Where there is room, the practice window (800 × 500 below the 55-pixel band) shows whole.
        QVERIFY(available.height() < 700 || (r.width() >= 810 && r.height() >= 600));
    }
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    QTemporaryDir dir;
    QSettings settings(dir.filePath("veltaro.conf"), QSettings::IniFormat);
    {
        MainWindow w(bank.dir());
        QVERIFY(!placement::restore(w, settings)); // nothing remembered yet
        w.show();
        w.setGeometry(120, 80, 900, 650);
        placement::save(w, settings);
    }
    MainWindow again(bank.dir());
    QVERIFY(placement::restore(again, settings));
    again.show();
    QCOMPARE(again.geometry(), QRect(120, 80, 900, 650));
}

void DesktopTest::workWindowsNeitherOverlapNorClipAtAnySize() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    auto outside = [](QWidget* parent) {
        for (QWidget* c : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!c->isHidden() && !parent->rect().contains(c->geometry()))
                return c->objectName();
        return QString();
    };
    // Also in the high-contrast look with the largest text (its frames are thicker).
    for (const bool contrast : {false, true})
    for (const QSize& size : {placement::minimumSize(), QSize(1920, 1040)}) {
        a11y::setHighContrast(contrast);
        a11y::setTextZoom(contrast ? a11y::kMaxZoom : 0);
        w.resize(size);
        for (const char* caption : {"练习", "考试", "评分", "题库"}) {
            pressToolbar(w, caption);
            WorkWindow* work = w.openWorkWindow();
            QVERIFY(w.rect().contains(work->geometry()));
            // Below the start toolbar and above the status bar: nothing lies under them.
            QVERIFY(work->y() >= w.startToolbar()->geometry().bottom());
            QVERIFY(work->geometry().bottom() < w.statusBar()->y());
            QCOMPARE(outside(work), QString());
            const QStringList misfits = controlMisfits(work);
            QVERIFY2(misfits.isEmpty(), qPrintable(QString("%1 at %2×%3: %4")
                                                       .arg(caption)
                                                       .arg(size.width())
                                                       .arg(size.height())
                                                       .arg(misfits.join("; "))));
            if (auto* a = qobject_cast<AnswerWindow*>(work)) {
                // The answer area's frame starts below its title margin: its box may touch the tabs.
                QVERIFY(a->答题区分组框->y() >= a->题目区高级选择夹->geometry().bottom() - 1);
                for (int i = 0; i < a->题目区高级选择夹->count(); ++i) {
                    a->题目区高级选择夹->setCurrentIndex(i);
                    QApplication::processEvents();
                    // Every box on the page keeps room for a line of text.
                    for (RichBox* box : a->题目区高级选择夹->widget(i)->findChildren<RichBox*>())
                        QVERIFY2(box->height() >= 40, qPrintable(box->objectName()));
                }
            } else if (auto* m = qobject_cast<MarksWindow*>(work)) {
                // The toolbar's buttons show their whole captions and end before the paper
                // button begins.
                for (QAction* action : m->工具条1->actions()) {
                    QWidget* b = m->工具条1->widgetForAction(action);
                    QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(action->text()));
                    QVERIFY(b->mapTo(m, QPoint(b->width(), 0)).x() <= m->试卷超级按钮->x());
                }
            }
        }
    }
    a11y::setHighContrast(false);
    a11y::setTextZoom(0);
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
    w.setGeometry(0, 0, 1000, 700);
    w.show();
    PracticeWindow* p = w.practiceWindow();
    auto fits = [p] {
        const QSize shown = p->图片框1->pixmap().size(), room = p->图片框1->size();
        return shown.boundedTo(room) == shown &&
               (shown.width() == room.width() || shown.height() == room.height()) &&
               qAbs(shown.width() - 2 * shown.height()) <= 2;
    };
    QVERIFY(fits());
    const int before = p->图片框1->pixmap().width();
    w.resize(1200, 900); // the picture follows the box as the window grows
    QVERIFY(fits() && p->图片框1->pixmap().width() > before);
    p->题目区高级选择夹->setCurrentIndex(1);
    QSize full;
    whileModal([&] { QTest::mouseClick(p->图片框1, Qt::LeftButton); },
               [&](QWidget* modal) {
                   full = qobject_cast<PictureView*>(modal)->pictureLabel()->pixmap().size();
                   press(modal, Qt::Key_Escape);
               });
    QCOMPARE(full, QSize(1200, 600));
}

void DesktopTest::practiceProgressAndWrongCardRows() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    bank.addAnswer("1", 1, "A", "1001", "张三", "1");
    bank.addAnswer("1", 2, "B", "1001", "张三", "1");
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    for (const char* given : {"a", "BC"}) {
        p->答案超级编辑框->setBoxText(given);
        p->保存按钮->click();
    }
    QCOMPARE(w.statusText(2), QString("已答 2/5，错 1，待复习 1 题"));
    auto* panel = w.statusPanels()->findChild<QLabel*>("状态栏面板2");
    QTRY_VERIFY(panel->width() >= panel->sizeHint().width()); // shown whole
    MessageBox::pushAnswer(true);
    p->重做按钮->click();
    QCOMPARE(w.statusText(2), QString("已答 0/5，错 0，待复习 1 题"));
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
    QCOMPARE(g->cellText(2, 8), QString());
    for (int c = 2; c <= 8; ++c)
        QVERIFY(g->cellBackground(2, c) == QColor(253, 228, 228) &&
                g->cellBackground(1, c) != QColor(253, 228, 228));
    QCOMPARE(g->cellBackground(2, 1), QColor(236, 236, 236));
    QCOMPARE(g->cellBackground(3, 8), QColor(192, 192, 192));
}

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
