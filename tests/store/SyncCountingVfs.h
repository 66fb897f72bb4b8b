#pragma once

#include <atomic>

namespace qm::test {

// While it lives, every SQLite connection opened without a VFS of its own goes
// through this one, which passes everything to the platform's VFS and counts the
// syncs of main database files: one per commit that wrote to the file. One at
// a time per process.
class SyncCountingVfs {
public:
    SyncCountingVfs();
    ~SyncCountingVfs();
    SyncCountingVfs(const SyncCountingVfs&) = delete;
    SyncCountingVfs& operator=(const SyncCountingVfs&) = delete;

    int databaseSyncs() const { return databaseSyncs_.load(); }
    // Syncs of every file: database, journal, WAL.
    int allSyncs() const { return allSyncs_.load(); }

private:
    friend struct SyncCountingVfsAccess;
    std::atomic<int> databaseSyncs_{0};
    std::atomic<int> allSyncs_{0};
};

}  // namespace qm::test
