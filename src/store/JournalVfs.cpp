#include "store/JournalVfs.h"

#include <fcntl.h>
#include <map>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace journalvfs {

namespace {

constexpr const char* kName = "veltaro";

sqlite3_vfs g_vfs;
sqlite3_vfs* g_base = nullptr;
std::mutex g_lock;
// Journal files whose folder entry is known to be on the disk: name -> (device, inode).
std::map<std::string, std::pair<dev_t, ino_t>> g_settled;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

// Whether the journal may be opened without creating it (and so without a sync of its folder):
// it is a file that is there now, and its folder has been synced since this program first met it.
bool settled(const char* name) {
    struct stat st;
    if (::lstat(name, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const std::string key(name);
    const std::lock_guard<std::mutex> hold(g_lock);
    const auto it = g_settled.find(key);
    if (it != g_settled.end() && it->second == std::pair{st.st_dev, st.st_ino})
        return true;
    // Met for the first time (left by an earlier run, another program or a copy): its folder is
    // synced once, as SQLite would have done when it made the file.
    const int dir = ::open(folderOf(key).c_str(), O_RDONLY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool synced = ::fsync(dir) == 0;
    ::close(dir);
    if (!synced)
        return false;
    g_settled[key] = {st.st_dev, st.st_ino};
    return true;
}

int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    const bool journal = name && (flags & SQLITE_OPEN_MAIN_JOURNAL) && (flags & SQLITE_OPEN_CREATE) &&
                         !(flags & SQLITE_OPEN_EXCLUSIVE);
    if (journal && settled(name)) {
        const int rc = g_base->xOpen(g_base, name, file, flags & ~SQLITE_OPEN_CREATE, outFlags);
        if (rc == SQLITE_OK)
            return rc;
        // Removed in the meantime (another program deletes its journal after each change).
    }
    return g_base->xOpen(g_base, name, file, flags, outFlags);
}

} // namespace

QString name() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_base = sqlite3_vfs_find(nullptr);
        if (!g_base)
            return;
        g_vfs = *g_base;
        g_vfs.zName = kName;
        g_vfs.pNext = nullptr;
        g_vfs.xOpen = open;
        if (sqlite3_vfs_register(&g_vfs, 0) != SQLITE_OK)
            g_base = nullptr;
    });
    return g_base ? QString::fromLatin1(kName) : QString();
}

} // namespace journalvfs
