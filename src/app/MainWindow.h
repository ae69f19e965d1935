#pragma once

#include "shell/AppState.h"
#include "shell/WorkHost.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QToolBar;
class StatusPanels;
class WorkWindow;
class ExamWindow;
class PracticeWindow;
class MarksWindow;
class BankWindow;
class InfoWindow;

class MainWindow : public QMainWindow, public WorkHost {
    Q_OBJECT
  public:
    explicit MainWindow(const QString& programDir, QWidget* parent = nullptr);
    // The bank on a PostgreSQL server at databaseUrl (empty: as the bank folder says).
    MainWindow(const QString& programDir, const QString& databaseUrl, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& app() { return *m_app; }
    Store& store() { return m_app->store; }
    // Panel 3 names the store in use whenever nothing else is shown there.
    void setStatusText(int panel, const QString& text) override;
    QString statusText(int panel) const override;
    StatusPanels* statusPanels() const { return 状态条1; }

    // Closes the open work window and opens a fresh one for a toolbar caption. Leaving a running
    // exam asks first; false when the user chose to stay (nothing changes then).
    bool switchWorkWindow(const QString& caption);

    ExamWindow* examWindow() const;
    PracticeWindow* practiceWindow() const;
    MarksWindow* marksWindow() const;
    BankWindow* bankWindow() const;
    InfoWindow* infoWindow() const;
    // The first open work window in the order exam, marks, practice, bank.
    WorkWindow* openWorkWindow() const;

    // Work windows lie in the client area, 55 pixels below its top, at its full width and its
    // height less 100 pixels.
    void placeAndLayout(WorkWindow& window) override;
    void showExamResult() override;
    void openMarksWindow() override;
    bool resultWindowOpen() const override;
    void showResultTotal(const QString& total) override;
    QString examPaperInProgress() const override;

    QToolBar* startToolbar() const { return _启动工具条; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // A running exam is left only after the user agrees; it then ends as a hand-in does.
    enum class Leave { NoExam, Stay, Ended };
    Leave leaveExam();
    void bringUp(WorkWindow* w);

    std::unique_ptr<AppState> m_app;
    QString m_storeName;
    QToolBar* _启动工具条 = nullptr;
    StatusPanels* 状态条1 = nullptr;
    QPointer<ExamWindow> m_exam;
    QPointer<PracticeWindow> m_practice;
    QPointer<MarksWindow> m_marks;
    QPointer<BankWindow> m_bank;
    QPointer<InfoWindow> m_info;
    // The user closed the program during an exam: it ends once the result has been seen.
    bool m_closeAfterResult = false;
};
