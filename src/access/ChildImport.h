#pragma once

#include "access/AccessImport.h"

#include <QString>
#include <QStringList>

// libmdb may crash, loop or eat memory on a damaged Access file, so the program never reads one
// itself: the import tool does, in a child process with limits on its memory, CPU time, output and
// time without progress. It reports progress in lines on its standard output; whatever becomes of
// it, the program goes on.
namespace bankimport {

struct ChildLimits {
    qint64 addressSpaceBytes = qint64(1) << 30;
    int cpuSeconds = 600;
    int idleSeconds = 30;    // without a line on standard output
    int totalSeconds = 3600; // the user can cancel long before
    qint64 outputBytes = 4 << 20;
    qint64 fileBytes = qint64(4) << 30;
};

// How a child run ended.
struct ChildRun {
    enum class End { Exited, FailedToStart, Crashed, TimedOut, Stalled, TooMuchOutput, Cancelled };
    End end = End::FailedToStart;
    int exitCode = -1;
    QStringList lines;     // its standard output, line by line (progress lines excluded)
    QString errors;        // the start of its standard error output (libmdb's warnings)
    qint64 errorLines = 0; // the lines of its standard error output, all of them counted

    // What the child said of its own end: the texts of its "error …" lines, and whether it said "ok".
    QStringList saidErrors() const;
    bool saidOk() const { return lines.contains(QStringLiteral("ok")); }
};

// The import tool (veltaro-import beside the running program file unless a test sets another;
// an empty text restores it) and the limits the program runs it under.
void setImportTool(const QString& path);
QString importTool();
void setImportLimits(const ChildLimits& limits);
ChildLimits importLimits();

// Runs tool with args under the limits. Lines "progress DONE TOTAL" go to progress (which cancels
// the run by returning false); every other line is kept.
ChildRun runChild(const QString& tool, const QStringList& args, const Progress& progress = {},
                  const ChildLimits& limits = {});

// Imports the file at path (an Access file, a workbook, a folder of CSV files: whatever the tool
// reads) into a new bank at dbPath through the import tool. The tool
// writes into a temporary folder beside dbPath that is removed whatever happens, so that neither
// a ks.db nor a temporary file is left unless the import got through; an existing dbPath is never
// replaced. A tool that crashes, hits a limit or stops making progress gives one message saying
// that the file is damaged or no bank.
ImportResult importInChild(const QString& tool, const QString& path, const QString& dbPath,
                           const Progress& progress = {}, const ChildLimits& limits = {},
                           ChildRun* run = nullptr);

// What the user is told of a run that did not end by itself (the tool could not start, crashed,
// hit a limit, stalled, was cancelled, or exited in failure without saying why), naming the
// source file; empty for a run that ended by itself.
QString failure(const ChildRun& run, const QString& tool, const QString& source, const ChildLimits& limits);

// What the tool prints in its child mode (veltaro-import --child IN OUT).
namespace childprotocol {
void progress(qint64 done, qint64 total);
// "ok", a "rows TABLE N" line per table and a "note TEXT" line per note, or an "error TEXT" line
// per line of the message.
void result(const ImportResult& r);
} // namespace childprotocol

} // namespace bankimport
