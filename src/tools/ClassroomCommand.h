#pragma once

#include <QStringList>

// The import tool's classroom commands (--classroom, --add-candidates, --add-teacher,
// --remove-candidate, --release-answers, --hide-answers). Returns the exit status, or -1 when the
// arguments are not one of them.
int classroomCommand(const QStringList& args);
// Their lines of the help text.
QString classroomHelp();
