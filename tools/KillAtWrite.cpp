#include "KillAtWrite.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <sqlcipher/sqlite3.h>
#include <string>

namespace {

// Our file: the engine's own one follows it in the same allocation.
struct File
{
    sqlite3_file base;
    sqlite3_file* real;
    bool watched;
};

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
std::string g_name;
std::atomic<int> g_left = 0;

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<File*>(f)->real;
}

int fileClose(sqlite3_file* f)
{
    return real(f)->pMethods->xClose(real(f));
}
int fileRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset)
{
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int fileWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset)
{
    if (reinterpret_cast<File*>(f)->watched && --g_left == 0) {
        std::raise(SIGKILL);
    }
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int fileTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    return real(f)->pMethods->xTruncate(real(f), size);
}
int fileSync(sqlite3_file* f, int flags)
{
    return real(f)->pMethods->xSync(real(f), flags);
}
int fileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int fileLock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xLock(real(f), level);
}
int fileUnlock(sqlite3_file* f, int level)
{
    return real(f)->pMethods->xUnlock(real(f), level);
}
int fileReserved(sqlite3_file* f, int* out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int fileControl(sqlite3_file* f, int op, void* arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int fileSectorSize(sqlite3_file* f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int fileDevice(sqlite3_file* f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int fileShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out)
{
    return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int fileShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void fileShmBarrier(sqlite3_file* f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}
int fileShmUnmap(sqlite3_file* f, int remove)
{
    return real(f)->pMethods->xShmUnmap(real(f), remove);
}
int fileFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out)
{
    return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}
int fileUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page)
{
    return real(f)->pMethods->xUnfetch(real(f), offset, page);
}

const sqlite3_io_methods g_methods = {3,          fileClose,  fileRead,    fileWrite,      fileTruncate, fileSync,
                                      fileSize,   fileLock,   fileUnlock,  fileReserved,   fileControl,  fileSectorSize,
                                      fileDevice, fileShmMap, fileShmLock, fileShmBarrier, fileShmUnmap, fileFetch,
                                      fileUnfetch};

bool endsWith(const char* text, const char* tail)
{
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

int vfsOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->watched = name && (flags & SQLITE_OPEN_MAIN_DB) && endsWith(name, g_name.c_str());
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    file->base.pMethods = file->real->pMethods ? &g_methods : nullptr;
    return rc;
}

} // namespace

void killAtWrite(const char* name, int n)
{
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.zName = "vh-kill-at-write";
    g_vfs.szOsFile = static_cast<int>(sizeof(File)) + g_real->szOsFile;
    g_vfs.xOpen = vfsOpen;
    g_name = name;
    g_left = n;
    sqlite3_vfs_register(&g_vfs, 1);
}
