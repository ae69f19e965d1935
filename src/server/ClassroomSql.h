#pragma once

#include <QStringList>

namespace classroom {
// The statements that make a server bank a classroom (roles, grants, row-level security, the
// candidates' view of the questions, the functions that hand in and mark), in order. Each may run
// again on a database that went through them before.
QStringList setUpStatements();
} // namespace classroom
