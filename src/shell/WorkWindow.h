#pragma once

#include <QWidget>

struct AppState;

// One of the three work windows (exam, practice, marks) that lie over the main window.
class WorkWindow : public QWidget {
    Q_OBJECT
  public:
    enum class Kind { Exam, Practice, Marks };

    WorkWindow(AppState& app, Kind kind, QWidget* mainWindow);
    Kind kind() const { return m_kind; }
    AppState& app() const { return m_app; }

    // Sizes the window's main controls for a window of W × H pixels.
    virtual void layoutControls(int W, int H) = 0;
    // A paper chosen in the picker: its code into the hidden label, its name onto the paper button.
    virtual void receivePaper(const QString& code, const QString& name) = 0;
    // Runs the paper picker; the choice goes to the first open work window (this one).
    bool runPicker();

  protected:
    void resizeEvent(QResizeEvent* event) override;

    AppState& m_app;

  private:
    Kind m_kind;
};
