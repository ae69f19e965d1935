#pragma once

#include <QString>
#include <QStringList>

// Where the question bank lives: the folder holding ks.db (or an Access ks.mdb to import), the
// pictures in pic/, the recordings in wav/ and the print-settings files. No widgets here.
namespace bankfolder {

enum class Source {
    Option,        // --bank DIR
    ProgramFolder, // the program file's folder holds a bank (portable use)
    UserFolder,    // $XDG_DATA_HOME/veltaro
};

struct Choice {
    QString path; // absolute and clean
    Source source = Source::UserFolder;
};

// True when the folder holds ks.db, or an Access bank ks.mdb in any letter case.
bool holdsBank(const QString& dir);
// The settings file of a bank folder, and the server bank it names ([bank] database=URL); empty
// when it names none.
QString settingsFile(const QString& dir);
QString configuredDatabase(const QString& dir);

// $XDG_DATA_HOME/veltaro; ~/.local/share/veltaro when XDG_DATA_HOME is unset, empty or not an
// absolute path (such a value is to be ignored).
QString userFolder();

// In order: the folder given on the command line; else the program file's folder when it holds a
// bank or names a server bank in its veltaro.ini; else the user's folder.
Choice choose(const QString& optionDir, const QString& programDir);

// The installed demo bank (share/veltaro beside the program's bin/), else the folder the build
// was configured to install it into; empty when neither holds a ks.db.
QString demoFolder(const QString& programDir);

struct SeedResult {
    QStringList copied; // paths relative to the bank folder
    QString error;      // Chinese, with the system's reason as a second line
    bool ok() const { return error.isEmpty(); }
};

// Fills a folder that holds no bank yet with a copy of the demo folder's tree, creating it when
// needed. A file already there is never replaced, and a folder that holds a bank gets nothing, so
// the user's answers, and an Access bank waiting to be imported, are safe. ks.db comes last and in
// one step: a folder with ks.db is completely seeded, and an interrupted seeding resumes at the
// next start. The copies are the user's: writable whatever the installed files' modes.
SeedResult seed(const QString& bankDir, const QString& demoDir);

struct Prepared {
    Choice choice;
    QString error;   // the folder cannot be used (a --bank folder that does not exist)
    QString warning; // the user's folder could not be made or filled; the program goes on
    QStringList seeded;
};

// Chooses the bank folder and, when it is the user's folder, makes and seeds it.
Prepared prepare(const QString& optionDir, const QString& programDir);

} // namespace bankfolder
