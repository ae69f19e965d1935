#pragma once

#include <QString>

class WorkWindow;

// What a work window may ask of the window that hosts it. The main window implements it; the
// work windows know nothing else of it.
class WorkHost {
  public:
    virtual ~WorkHost() = default;

    // Places the window in the host's client area and lays out its controls.
    virtual void placeAndLayout(WorkWindow& window) = 0;
    virtual void setStatusText(int panel, const QString& text) = 0;
    virtual QString statusText(int panel) const = 0;

    // The exam that ended (its hand-in context is in the program-wide state): show its result.
    virtual void showExamResult() = 0;
    // The info window's unattended marking: a marks window that marks the handed-in sitting.
    virtual void openMarksWindow() = 0;
    // True while the info window of an ended exam is open.
    virtual bool resultWindowOpen() const = 0;
    // The total of the handed-in sitting, for the info window; empty when it could not be marked.
    virtual void showResultTotal(const QString& total) = 0;
    // The code of the paper an exam is being sat on right now; empty when none is.
    virtual QString examPaperInProgress() const = 0;
};
