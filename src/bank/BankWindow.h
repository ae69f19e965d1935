#pragma once

#include "documents/ScoringRules.h"

#include "bank/BankRows.h"
#include "shell/WorkWindow.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// The editors of the bank window. 确定 runs the save the window hands in; the editor stays open
// with the reason shown when the save is refused.
class BankEditor : public QDialog {
    Q_OBJECT
  public:
    using Save = std::function<QString()>;
    BankEditor(QWidget* parent, Save save);

    // Test seam: runs instead of the modal loop when set (receives the open editor).
    static void setTestDriver(std::function<void(BankEditor&)> driver);
    // Opens modally (or runs the test driver); true when saved.
    bool run();
    void accept() override;

    QPushButton* 确定按钮 = nullptr;
    QPushButton* 取消按钮 = nullptr;

  protected:
    void addButtons(int top);

  private:
    Save m_save;
};

class RulesEditor;

class PaperEditor : public BankEditor {
    Q_OBJECT
  public:
    PaperEditor(QWidget* parent, Save save);
    void setPaper(const bank::Paper& p);
    bank::Paper paper() const;

    QLineEdit* 试卷编码编辑框 = nullptr;
    QLineEdit* 试卷名称编辑框 = nullptr;
    QSpinBox* 抽题编辑框 = nullptr;
    QComboBox* 排序组合框 = nullptr;
    QSpinBox* 考试时间编辑框 = nullptr;
    // Only on a classroom server bank.
    QCheckBox* 考试用卷复选框 = nullptr;
    RulesEditor* 评分规则编辑 = nullptr;

  private:
    QVariant m_paixu; // kept as stored while the order is not changed
};

class QuestionEditor : public BankEditor {
    Q_OBJECT
  public:
    QuestionEditor(QWidget* parent, const QString& bankDir, Save save);
    void setQuestion(const bank::Question& q);
    // The question as typed; the picture is the stored value, or the chosen file's (chosenPicture).
    bank::Question question() const;
    // The picture file chosen with "选择图片…" and not saved yet; empty when none.
    QString chosenPicture() const { return m_chosenFile; }
    // Why the mark cannot be read; empty when it can.
    QString markProblem() const;

    void choosePicture();
    void clearPicture();
    void showPreview(const QString& file);

    // Test seam: how a picture file is chosen (a file dialog by default).
    static void setPictureChooser(std::function<QString(QWidget*)> chooser);

    QSpinBox* 题号编辑框 = nullptr;
    QLineEdit* 分值编辑框 = nullptr;
    QLineEdit* 标准答案编辑框 = nullptr;
    // The four types and, first, "按答案": no type of its own, the one its answer implies.
    QComboBox* 题型组合框 = nullptr;
    QPlainTextEdit* 题目超级编辑框 = nullptr;
    QPlainTextEdit* 解析超级编辑框 = nullptr;
    QLineEdit* 图片编辑框 = nullptr;
    QPushButton* 选择图片按钮 = nullptr;
    QPushButton* 清除图片按钮 = nullptr;
    QLabel* 图片框1 = nullptr;

  private:
    QString m_bankDir;
    QString m_pic;        // the stored value ("\pic\name")
    QString m_chosenFile; // a newly chosen file
    QString m_practice;
};

// The bank window ("题库"): the papers and questions of the bank, edited in place, and the
// workbook import and export.
class BankWindow : public WorkWindow {
    Q_OBJECT
  public:
    BankWindow(AppState& app, WorkHost& host, QWidget* parent);

    void setUp();
    void layoutControls(int W, int H) override;
    void receivePaper(const QString& code, const QString& name) override;

    // The code of the paper chosen in the list; empty when none.
    QString currentCode() const;
    // The number of the question chosen in the list, if one is.
    std::optional<qint64> currentNumber() const;
    void refreshPapers(const QString& select = QString());
    void refreshQuestions(std::optional<qint64> select = std::nullopt);

    void addPaper();
    void editPaper();
    // Saves the rules the paper editor shows for paper `code`; an error text, empty on success.
    QString saveRules(const QString& code, const documents::ScoringRules& rules);
    void deletePaper();
    void addQuestion();
    void editQuestion();
    void deleteQuestion();
    void renumber();
    void importWorkbook();
    void exportWorkbook();
    // The tables of a file the user brings, read by the import tool; nothing when it could not
    // be read (the user has been told why) or the reading was cancelled.
    std::optional<bank::Tables> readInChild(const QString& file);

    // Test seam: how a workbook is chosen (file dialogs by default); saving says whether it is
    // for writing.
    static void setWorkbookChooser(std::function<QString(QWidget*, bool saving)> chooser);

    QGroupBox* 试卷分组框 = nullptr;
    QTreeWidget* 试卷列表框 = nullptr;
    QPushButton* 添加试卷按钮 = nullptr;
    QPushButton* 修改试卷按钮 = nullptr;
    QPushButton* 删除试卷按钮 = nullptr;
    QPushButton* 组卷按钮 = nullptr;
    QPushButton* 导入按钮 = nullptr;
    QPushButton* 导出按钮 = nullptr;
    QGroupBox* 题目分组框 = nullptr;
    QTreeWidget* 题目列表框 = nullptr;
    QPushButton* 添加题目按钮 = nullptr;
    QPushButton* 修改题目按钮 = nullptr;
    QPushButton* 删除题目按钮 = nullptr;
    QPushButton* 重新编号按钮 = nullptr;

  private:
    bool requireBank();
    // Why a change to the paper must wait: an exam runs on it. Empty when it need not.
    QString examBlocks(const QString& code, const QString& what) const;
    // False (after telling the user) while an exam runs on the paper.
    bool paperFree(const QString& code, const QString& what);
    bool editQuestionDialog(const bank::Question& start, std::optional<qint64> oldNumber);
};
