#pragma once

#include <QWidget>

struct AppState;
class WorkHost;

// One of the work windows (exam, practice, marks, bank): a child widget in the main window's client
// area, placed and laid out by its host.
class WorkWindow : public QWidget {
    Q_OBJECT
  public:
    enum class Kind { Exam, Practice, Marks, Bank };

    WorkWindow(AppState& app, WorkHost& host, Kind kind, QWidget* parent);
    Kind kind() const { return m_kind; }
    AppState& app() const { return m_app; }
    WorkHost& host() const { return m_host; }
    // Open: not closed yet (a window closes once its dialogs have gone).
    bool isOpen() const { return !isHidden(); }

    // Sizes the window's main controls for a window of W × H pixels.
    virtual void layoutControls(int W, int H) = 0;
    // A paper chosen in the picker: its code into the hidden label, its name onto the paper button.
    virtual void receivePaper(const QString& code, const QString& name) = 0;
    // Runs the paper picker; the choice goes to this window and its name to status panel 0.
    bool runPicker();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // The window's title is its accessible name ("练习", "考试", "评分", "题库").
    void changeEvent(QEvent* event) override;
    // A window never goes while one of its dialogs is still in its loop: the dialogs are closed
    // first and the window goes once their loops have returned.
    void closeEvent(QCloseEvent* event) override;

    AppState& m_app;
    WorkHost& m_host;

  private:
    Kind m_kind;
};
