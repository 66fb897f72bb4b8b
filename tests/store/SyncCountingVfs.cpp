#include "store/SyncCountingVfs.h"

#include <cstring>
#include <stdexcept>

#include <sqlite3.h>

namespace qm::test {

struct SyncCountingVfsAccess {
    static void countSync(SyncCountingVfs& owner, bool mainDatabase)
    {
        ++owner.allSyncs_;
        if (mainDatabase) {
            ++owner.databaseSyncs_;
        }
    }
};

namespace {

constexpr const char* kName = "qm-sync-counting";

// Our handle; the platform's own handle follows it in the same allocation.
struct CountingFile {
    sqlite3_file base;
    SyncCountingVfs* owner;
    bool mainDatabase;
    sqlite3_file* real;
};

sqlite3_vfs* platformVfs = nullptr;
sqlite3_vfs countingVfs;

sqlite3_file* real(sqlite3_file* file)
{
    return reinterpret_cast<CountingFile*>(file)->real;
}

int xClose(sqlite3_file* file)
{
    return real(file)->pMethods->xClose(real(file));
}
int xRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    return real(file)->pMethods->xRead(real(file), buffer, amount, offset);
}
int xWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
}
int xTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    return real(file)->pMethods->xTruncate(real(file), size);
}
int xSync(sqlite3_file* file, int flags)
{
    auto* counting = reinterpret_cast<CountingFile*>(file);
    SyncCountingVfsAccess::countSync(*counting->owner, counting->mainDatabase);
    return real(file)->pMethods->xSync(real(file), flags);
}
int xFileSize(sqlite3_file* file, sqlite3_int64* size)
{
    return real(file)->pMethods->xFileSize(real(file), size);
}
int xLock(sqlite3_file* file, int level)
{
    return real(file)->pMethods->xLock(real(file), level);
}
int xUnlock(sqlite3_file* file, int level)
{
    return real(file)->pMethods->xUnlock(real(file), level);
}
int xCheckReservedLock(sqlite3_file* file, int* reserved)
{
    return real(file)->pMethods->xCheckReservedLock(real(file), reserved);
}
int xFileControl(sqlite3_file* file, int op, void* argument)
{
    return real(file)->pMethods->xFileControl(real(file), op, argument);
}
int xSectorSize(sqlite3_file* file)
{
    return real(file)->pMethods->xSectorSize(real(file));
}
int xDeviceCharacteristics(sqlite3_file* file)
{
    return real(file)->pMethods->xDeviceCharacteristics(real(file));
}
int xShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** mapped)
{
    return real(file)->pMethods->xShmMap(real(file), region, size, extend, mapped);
}
int xShmLock(sqlite3_file* file, int offset, int count, int flags)
{
    return real(file)->pMethods->xShmLock(real(file), offset, count, flags);
}
void xShmBarrier(sqlite3_file* file)
{
    real(file)->pMethods->xShmBarrier(real(file));
}
int xShmUnmap(sqlite3_file* file, int deleteFlag)
{
    return real(file)->pMethods->xShmUnmap(real(file), deleteFlag);
}
int xFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** page)
{
    return real(file)->pMethods->xFetch(real(file), offset, amount, page);
}
int xUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* page)
{
    return real(file)->pMethods->xUnfetch(real(file), offset, page);
}

const sqlite3_io_methods kMethods = {
    3,
    xClose,
    xRead,
    xWrite,
    xTruncate,
    xSync,
    xFileSize,
    xLock,
    xUnlock,
    xCheckReservedLock,
    xFileControl,
    xSectorSize,
    xDeviceCharacteristics,
    xShmMap,
    xShmLock,
    xShmBarrier,
    xShmUnmap,
    xFetch,
    xUnfetch,
};

int xOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* counting = reinterpret_cast<CountingFile*>(file);
    counting->owner = static_cast<SyncCountingVfs*>(vfs->pAppData);
    counting->mainDatabase = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    counting->real = reinterpret_cast<sqlite3_file*>(counting + 1);
    const int result = platformVfs->xOpen(platformVfs, name, counting->real, flags, outFlags);
    counting->base.pMethods = counting->real->pMethods ? &kMethods : nullptr;
    return result;
}

}  // namespace

SyncCountingVfs::SyncCountingVfs()
{
    platformVfs = sqlite3_vfs_find(nullptr);
    if (platformVfs == nullptr || std::strcmp(platformVfs->zName, kName) == 0) {
        throw std::logic_error("SyncCountingVfs: no platform VFS, or one counter already installed");
    }
    countingVfs = *platformVfs;
    countingVfs.zName = kName;
    countingVfs.szOsFile = static_cast<int>(sizeof(CountingFile)) + platformVfs->szOsFile;
    countingVfs.pAppData = this;
    countingVfs.xOpen = xOpen;
    sqlite3_vfs_register(&countingVfs, 1);
}

SyncCountingVfs::~SyncCountingVfs()
{
    sqlite3_vfs_unregister(&countingVfs);
    sqlite3_vfs_register(platformVfs, 1);
}

}  // namespace qm::test
