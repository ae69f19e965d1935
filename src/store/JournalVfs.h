#pragma once

#include <QString>

// The way the store's connection to a bank file reaches the disk: SQLite's own, except that a
// rollback journal kept between changes (journal_mode=persist) is opened again without syncing
// its folder each time. SQLite syncs the folder whenever it opens a journal it may have to create,
// so that the journal's name is on the disk before the bank is changed; a journal that is already
// there needs that once, not at every save. The first time this program finds a given journal
// file (the same name and the same file) it syncs the folder itself; after that the journal is
// opened as it is.
namespace journalvfs {

// The name to give as "vfs=" in a SQLite URI; registered on first use.
QString name();

} // namespace journalvfs
