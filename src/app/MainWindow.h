#pragma once

#include "shell/AppState.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QToolBar;
class StatusPanels;
class WorkWindow;
class ExamWindow;
class PracticeWindow;
class MarksWindow;
class InfoWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(const QString& programDir, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& app() { return *m_app; }
    Store& store() { return m_app->store; }
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;
    StatusPanels* statusPanels() const { return 状态条1; }

    // Closes the open work window and opens a fresh one for a toolbar caption.
    void switchWorkWindow(const QString& caption);
    // Opens a fresh marks window without closing anything (the info window's unattended marking).
    void createMarksWindow();

    ExamWindow* examWindow() const;
    PracticeWindow* practiceWindow() const;
    MarksWindow* marksWindow() const;
    InfoWindow* infoWindow() const;
    void setInfoWindow(InfoWindow* w);
    // The first open work window in the order exam, marks, practice.
    WorkWindow* openWorkWindow() const;

    // Placement of the open work window: 55 pixels below the main window's top, full width.
    void placeWorkWindow();
    void sizeWorkWindow();
    void placeAndLayoutWorkWindow();

    // Writes a paper chosen in the picker into the first open window of exam, practice, marks.
    void applyPaperChoice(const QString& code, const QString& name);

    QToolBar* startToolbar() const { return _启动工具条; }

  protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void openBank();
    void bringUp(QWidget* w);

    std::unique_ptr<AppState> m_app;
    QToolBar* _启动工具条 = nullptr;
    StatusPanels* 状态条1 = nullptr;
    QPointer<ExamWindow> m_exam;
    QPointer<PracticeWindow> m_practice;
    QPointer<MarksWindow> m_marks;
    QPointer<InfoWindow> m_info;
};
