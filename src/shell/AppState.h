#pragma once

#include "server/ClassroomSeat.h"
#include "store/Store.h"
#include "ui/TextFormat.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class Grid;
class QuestionReader;

// The exam settings taken from the paper chosen last in the exam window.
struct ExamSettings {
    int questionCount = 0; // chouti
    QString orderMode;     // "顺序" or "随机"
    int minutes = 0;       // kstime
};

// Paper, candidate, sitting and name of the exam that ended last.
struct HandInContext {
    QString code;
    QString student;
    QString state;
    QString name;
};

// Which rows and columns of a source grid are printed as what: the first column offered (the
// answer card's column 0 is hidden, the wrong-answer list's holds 题号), and whether the last row
// sums up the others (a total, a count of rows) and so gets no serial number.
struct PrintShape {
    int firstColumn = 1;
    bool lastRowSummary = true;
};

// What the caller of the print-settings window handed over.
struct PrintHandOver {
    QPointer<QWidget> sourceWindow;
    QPointer<Grid> sourceGrid;
    QString caption;
    QString extraText;
    QString settingsFile;
    // What the spreadsheet export's suggested file name is made of: the kind of grid, then the
    // paper, candidate and sitting it shows (empty parts are left out).
    QStringList exportName;
    PrintShape shape;
    // The open print-settings window (one at a time).
    QPointer<QWidget> settingsWindow;
};

// The paper, candidate and sitting chosen last in the marks window, for its next opening.
struct MarksChoice {
    QString code;
    QString student;
    QString state;
};

// Program-wide values, created at start-up and kept until exit.
struct AppState {
    QString programDir;
    // The PostgreSQL bank given with --database; empty: veltaro.ini of the bank folder decides,
    // and without it ks.db in the bank folder is the bank.
    QString databaseUrl;
    Store store;
    // Who the store is logged in as: on a classroom server a candidate sits and practises as
    // themselves only.
    seat::Login login;
    QPointer<QWidget> currentWorkWindow;

    ExamSettings exam;
    QList<int> examOrder;
    QList<int> practiceOrder;
    SharedTextFormat textFormat;

    int clockSeconds = 0;
    int clockTotal = 0;
    HandInContext handIn;

    BoundStatement currentSql;
    QList<double> markShares;
    MarksChoice marksChoice;
    double lastTotal = 0;
    PrintHandOver print;

    QuestionReader* reader = nullptr; // owned by the main window; it keeps the reading state

    // Random seeding: a 32-bit millisecond tick since system start (a seam tests can fix) and
    // the program-wide counter that keeps two seedings in the same millisecond apart.
    std::function<quint32()> tickSource;
    quint32 seedCounter = 0;

    // The local date and time: when a practice answer was given, and which review questions are
    // due today. A seam tests set.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};
