// The wrong-answer drill as a learner meets it, for screenshots and hand checks (never part of the
// test run). On the bank in DIR, paper "1": questions 1 and 3 are answered wrong and 2 right, then
//   review_driver DIR drill      the 错题 order on question 1
//   review_driver DIR stats      the same with the 统计 tab open
//   review_driver DIR done       questions 1 and 3 answered right in the drill: the message that
//                                says when the next one is due
//   review_driver DIR verdict    only question 6 answered, A and B ticked: the verdict in the
//                                status bar after the save
#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "questions/PaperPicker.h"
#include "ui/RichBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

namespace {

void answer(PracticeWindow* p, bool right) {
    const QString standard =
        p->app()
            .store.query(Sql::Question, {{"code", p->paperCode()}, {"n", *p->displayedQuestion()}})
            .text("authority");
    p->答案超级编辑框->setBoxText(right ? standard : (standard == "A" ? QString("B") : QString("A")));
    p->保存按钮->click();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || !QStringList({"drill", "stats", "done", "verdict"}).contains(args[2])) {
        std::fprintf(stderr, "usage: review_driver DIR drill|stats|done|verdict\n");
        return 2;
    }
    const QString mode = args[2];
    MainWindow w(args[1]);
    w.show();
    QTimer::singleShot(300, &w, [&w, mode] {
        PracticeWindow* p = w.practiceWindow();
        if (mode == "verdict") {
            p->题号编辑框->setText("6");
            p->showQuestion();
            p->选择框A->click();
            p->选择框B->click();
            p->保存按钮->click();
            return;
        }
        answer(p, false);
        answer(p, true);
        answer(p, false);
        PaperPicker::setTestDriver([](PaperPicker& picker) {
            QTreeWidget* list = picker.list();
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(0) == "1")
                    list->setCurrentItem(list->topLevelItem(i));
            picker.choose();
        });
        p->错题单选框->click();
        p->试卷超级按钮->click();
        if (mode == "stats")
            p->题目区高级选择夹->setCurrentIndex(4);
        if (mode == "done") {
            answer(p, true);
            answer(p, true);
        }
    });
    return app.exec();
}
