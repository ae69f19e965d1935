#pragma once

#include "access/AccessImport.h"

#include <QString>

// A shared bank on a PostgreSQL server, made from a bank file.
namespace serverbank {

// Creates the bank's tables and indexes in an empty database at uri (a libpq URI) and copies every
// paper, question and exam answer of the bank file into them: all in one transaction, so that a
// failure leaves the database as it was. A database that holds any of the bank's tables already is
// refused. The bank file is only read (the copy is read from a private copy of it). Numbers stay
// numbers: a number column's text is stored as the program has always read it ("12分" as 12, an
// empty text as nothing). The exam answers must have one row per paper, question, candidate and
// sitting: rows that copy another in full are taken once, and keys held by different answers are
// named and nothing is copied.
bankimport::ImportResult copyToServer(const QString& bankFile, const QString& uri,
                                      const bankimport::Progress& progress = {});

} // namespace serverbank
