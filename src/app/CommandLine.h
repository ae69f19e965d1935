#pragma once

#include <QString>
#include <QStringList>

// The program's command line. Options are declared in one table in CommandLine.cpp; the help text
// is built from that table, so a new option is one entry there and one field here.
namespace commandline {

struct Options {
    // --bank DIR: the bank folder chosen by the user; empty when not given.
    QString bankDir;
    // --database URL: the bank on a PostgreSQL server; empty when not given.
    QString databaseUrl;
};

enum class Action {
    Run,         // start the program with the options
    ShowHelp,    // print text to standard output and end with exit code 0
    ShowVersion, // likewise
    Fail,        // print text (a Chinese message) to standard error and end with exitCode
};

struct Result {
    Action action = Action::Run;
    Options options;
    QString text;
    int exitCode = 0;
    // The command line holds options of the window toolkit (-platform, -style, …) that this
    // parser does not know: read it again once the toolkit has taken its own.
    bool toolkitOptions = false;
};

// Reads the arguments, the first being the program file. Help and version win over everything
// else, so they answer even beside an option the program does not know.
Result parse(const QStringList& arguments);

QString helpText();
QString versionText();
QString version();

} // namespace commandline
