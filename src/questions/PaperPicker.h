#pragma once

#include "store/Statements.h"
#include "store/Store.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;

// The modal paper picker ("模糊查询"): every paper, narrowed as the user types.
class PaperPicker : public QDialog {
    Q_OBJECT
  public:
    PaperPicker(Store& store, QWidget* parent = nullptr);

    QString chosenCode() const { return m_code; }
    QString chosenName() const { return m_name; }
    QTreeWidget* list() const { return 查询超级列表框; }
    QLineEdit* searchBox() const { return 模糊查询编辑框; }

    // Test seam: runs instead of the modal loop when set (receives the open picker).
    static void setTestDriver(std::function<void(PaperPicker&)> driver);
    // Opens modally (or runs the test driver); true when a paper was chosen.
    bool run();

    void fill(Sql id, const Params& params = {});
    // Picker choice: the list's current row; nothing happens without one.
    void choose();

  signals:
    void paperChosen(const QString& code, const QString& name);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void search(const QString& text);
    void copyCurrentItem();

    Store& m_store;
    QTreeWidget* 查询超级列表框 = nullptr;
    QLineEdit* 模糊查询编辑框 = nullptr;
    QString m_code;
    QString m_name;
};
