#pragma once

#include "store/AccessImport.h"

struct AppState;
class QWidget;

enum class BankOpened { Opened, CreatedEmpty, NotOpened };

// Opens ks.db in the program directory. When ks.db is missing and an Access bank ks.mdb lies
// beside it, the Access bank is first imported into a new ks.db (with a progress dialog for a
// large file). When there is neither, the user is offered an empty bank there (the three tables,
// no papers). When the bank is missing or unusable the user is told once, naming the folder or
// what is missing, and the program goes on with empty lists; an existing file is never
// overwritten, and a failed import leaves no ks.db behind.
BankOpened openQuestionBank(AppState& app, QWidget* parent);

// Test seam: how the Access file is opened for the import (the libmdb reader by default; an empty
// function restores it).
void setAccessOpener(const bankimport::SourceOpener& opener);

// Imports with at least this many rows show a progress dialog.
constexpr qint64 kImportDialogRows = 2000;
