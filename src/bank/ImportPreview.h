#pragma once

#include "documents/Document.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QProgressDialog;
class QPushButton;
class QTreeWidget;
class Store;

// The reading of a file by the import tool's child, shown as "正在读取 …" with 取消 once it takes
// longer than a moment.
class ReadingProgress {
  public:
    ReadingProgress(QWidget* parent, const QString& fileName);
    ~ReadingProgress();
    // For the child's progress: moves the bar when the total is known; false once 取消 was pressed.
    bool carryOn(qint64 done, qint64 total);
    void close();

  private:
    std::unique_ptr<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};

// What a document holds, shown before anything of it is stored: its papers, each question with
// its type, answer, mark and a mark when it has a picture, and every problem with its line (or
// paragraph) and reason. The user imports all, only the good questions, or nothing.
class ImportPreview : public QDialog {
    Q_OBJECT
  public:
    enum class Decision { Cancel, All, GoodOnly };

    ImportPreview(QWidget* parent, const QString& fileName, const documents::Document& doc);

    // Opens modally (or runs the test driver) and gives what the user chose.
    Decision run();
    Decision decision() const { return m_decision; }
    // Test seam: runs instead of the modal loop when set (receives the open dialog).
    static void setTestDriver(std::function<void(ImportPreview&)> driver);

    QLabel* 摘要标签 = nullptr;
    QTreeWidget* 题目列表框 = nullptr;
    QTreeWidget* 问题列表框 = nullptr;
    QPushButton* 全部导入按钮 = nullptr;
    QPushButton* 只导入没有问题的题目按钮 = nullptr;
    QPushButton* 取消按钮 = nullptr;

  private:
    Decision m_decision = Decision::Cancel;
};

// The import of a document in the bank window: read by the import tool's child (with a progress
// dialog that can cancel it), shown in the preview, then stored as chosen, the pictures into the
// bank folder's pic/. The user is told how it went. The code of the first paper stored, if any.
std::optional<QString> importDocumentFile(QWidget* parent, Store& store, const QString& bankDir,
                                          const QString& file);

// Writes a paper (code) or, when code is empty, the whole bank to file in the format its name
// gives (.txt, .docx, .xml), replacing a file there (the file dialog has asked), and tells how it went.
void exportDocumentFile(QWidget* parent, Store& store, const QString& bankDir, const QString& file,
                        const QString& code);
