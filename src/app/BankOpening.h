#pragma once

#include "access/ChildImport.h"

struct AppState;
class QWidget;

enum class BankOpened { Opened, CreatedEmpty, NotOpened };

// Opens the bank: the server bank given with --database or named in veltaro.ini of the program
// directory ([bank] database=URL), otherwise ks.db in the program directory. When ks.db is missing and an
// Access bank ks.mdb lies beside it, the Access bank is first imported into a new ks.db by the import tool in
// a child process, with a progress dialog. When there is neither, the user is offered an empty bank there
// (the three tables, no papers). When the bank is missing or unusable the user is told once,
// naming the folder or what is missing, and the program goes on with empty lists; an existing file
// is never overwritten, and a failed import leaves no ks.db behind. A bank that can only be read,
// and whatever the store had to put right in the file, are told once as well.
BankOpened openQuestionBank(AppState& app, QWidget* parent);

// The import tool and its limits, shared with the bank window's import (ChildImport.h).
using bankimport::importTool;
using bankimport::setImportLimits;
using bankimport::setImportTool;
