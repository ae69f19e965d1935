// The work windows as a user meets them, for screenshots and hand checks (never part of the test
// run). On the bank in DIR, with the main window WIDTH × HEIGHT when given:
//   window_driver DIR exam [WIDTH HEIGHT]      an exam running on paper "1": 14 answers saved,
//                                              12 minutes 5 seconds gone, the 15th question ticked
//   window_driver DIR practice|marks|bank [WIDTH HEIGHT]
// With VELTARO_GRAB=OUT.png the window is saved as a picture instead of staying open.
//                                              that work window open
//   window_driver DIR rules [WIDTH HEIGHT]     the bank window's paper editor on paper "1", its
//                                              scoring rules as an accounting exam gives them
//                                              (VELTARO_GRAB=FILE.png: the editor's picture, then exit)
#include "app/MainWindow.h"
#include "bank/BankWindow.h"
#include "bank/RulesEditor.h"
#include "documents/Document.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList modes{"exam", "practice", "marks", "bank", "rules"};
    if ((args.size() != 3 && args.size() != 5) || !modes.contains(args[2])) {
        std::fprintf(stderr, "usage: window_driver DIR exam|practice|marks|bank|rules [WIDTH HEIGHT]\n");
        return 2;
    }
    const QString mode = args[2];
    MainWindow w(args[1]);
    w.show();
    if (args.size() == 5)
        w.resize(args[3].toInt(), args[4].toInt());
    QTimer::singleShot(300, &w, [&w, mode] {
        const QString caption = mode == "exam"       ? QStringLiteral("考试")
                                : mode == "practice" ? QStringLiteral("练习")
                                : mode == "marks"    ? QStringLiteral("评分")
                                                     : QStringLiteral("题库");
        w.switchWorkWindow(caption);
        if (mode == "rules") {
            BankWindow* b = w.bankWindow();
            QTreeWidget* list = b->试卷列表框;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(0) == "1")
                    list->setCurrentItem(list->topLevelItem(i));
            BankEditor::setTestDriver([](BankEditor& editor) {
                documents::ScoringRules rules;
                rules.of(documents::Type::Single) = {documents::Rule::Whole, 0.5, false, false};
                rules.of(documents::Type::Multiple) = {documents::Rule::PerOption, 0.5, false, false};
                rules.of(documents::Type::TrueFalse) = {documents::Rule::Deduction, 0.5, false, true};
                rules.of(documents::Type::Indefinite) = {documents::Rule::PerOption, 0.5, true, false};
                static_cast<PaperEditor&>(editor).评分规则编辑->setRules(rules);
                // With VELTARO_GRAB set, the editor's picture goes into that PNG file and the driver ends.
                if (const QString grab = qEnvironmentVariable("VELTARO_GRAB"); !grab.isEmpty())
                    QTimer::singleShot(500, &editor, [&editor, grab] {
                        editor.grab().save(grab);
                        QApplication::exit(0);
                        editor.reject();
                    });
                editor.exec();
            });
            b->修改试卷按钮->click();
            return;
        }
        if (mode != "exam")
            return;
        ExamWindow* e = w.examWindow();
        PaperPicker::setTestDriver([](PaperPicker& picker) {
            QTreeWidget* list = picker.list();
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(0) == "1")
                    list->setCurrentItem(list->topLevelItem(i));
            picker.choose();
        });
        e->试卷超级按钮->click();
        PaperPicker::setTestDriver({});
        e->考号组合框->setEditText("2024001");
        e->姓名编辑框->setText("张三");
        e->场次组合框->setEditText("1");
        e->开始按钮->click();
        const char* answers = "CDBACDBACDBACD";
        for (int i = 0; answers[i]; ++i) {
            e->答案超级编辑框->setBoxText(QString(QLatin1Char(answers[i])));
            e->保存按钮->click();
        }
        for (int i = 0; i < 12 * 60 + 5; ++i)
            e->tick();
        e->选择框B->click();
    });
    // VELTARO_GRAB=OUT.png: the main window drawn into a picture after a second, then the end
    // (for machines without a screen-capture tool).
    if (const QString out = qEnvironmentVariable("VELTARO_GRAB"); !out.isEmpty())
        QTimer::singleShot(1500, &w, [&w, out] {
            // A message box may be open (its own loop would outlive a quit): the driver ends here.
            const bool saved = w.grab().save(out);
            std::fflush(nullptr);
            std::_Exit(saved ? 0 : 1);
        });
    return QApplication::exec();
}
