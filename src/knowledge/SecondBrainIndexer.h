#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "knowledge/KnowledgeRanking.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/SerialQueue.h"

struct sqlite3;

namespace qm {

class Clock;
class MainLoop;
class SqliteStatement;
class UserDefaults;
struct IndexedNote;

// A full-text copy of the user's note folders (markdown, plain text, org) in
// the database "QuillmarkerKnowledge.db", table knowledge_fts, for the
// suggestion overlay's knowledge hits. Only ever rebuilt as a whole.
//
// Every statement on the connection runs on the serial queue
// "com.quillmarker.knowledgeDatabaseQueue"; the observable state (isIndexing,
// lastIndexedTime, documentCount) changes only on the main loop.
class SecondBrainIndexer {
public:
    static constexpr const char* foldersKey = "knowledgeFolders";
    // Larger notes are skipped rather than held whole in memory.
    static constexpr std::uintmax_t maximumFileSize = 16u * 1024u * 1024u;

    // `appDataFolder` is the program's own Application Support folder, absent
    // when there is none (then no statement ever runs). Opens the database,
    // creates the table, counts the rows and starts a first rebuild. The
    // references must outlive the indexer.
    SecondBrainIndexer(std::optional<std::filesystem::path> appDataFolder, UserDefaults& defaults,
                       MainLoop& mainLoop, const Clock& clock);
    ~SecondBrainIndexer();
    SecondBrainIndexer(const SecondBrainIndexer&) = delete;
    SecondBrainIndexer& operator=(const SecondBrainIndexer&) = delete;

    // Main loop only.
    bool isIndexing() const { return isIndexing_; }
    std::optional<double> lastIndexedTime() const { return lastIndexedTime_; }
    int documentCount() const { return documentCount_; }

    // The stored list, each entry with a leading "~" expanded.
    std::vector<std::string> indexedFolders() const;
    // Stores the list and starts a rebuild.
    void setIndexedFolders(const std::vector<std::string>& folders);
    void addFolder(const std::string& path);
    void removeFolder(const std::string& path);

    // Starts a background rebuild unless one is queued or running. Any thread.
    void triggerAsyncReindex();

    // Writes one row as given, on the database queue, and waits for it.
    void indexFileDirectly(const std::string& title, const std::string& content, const std::string& path,
                           const std::string& source);

    // The connection (null without one) and the queue every statement on it
    // must run on. A rebuild replaces the connection: ask for it on the queue.
    sqlite3* getDatabasePointer() const { return db_; }
    SerialQueue& getDatabaseQueue() { return dbQueue_; }
    // The ranking registered on the current connection; null when it could
    // not be. Database queue only.
    KnowledgeRanking* getRanking()
    {
        return ranking_.connection() == db_ && db_ != nullptr ? &ranking_ : nullptr;
    }

    // The single line stored as a note's content.
    static std::string stripMarkdown(const std::string& text);

private:
    void openDatabase(const std::optional<std::filesystem::path>& appDataFolder);
    // The file's connection, or an in-memory database when the file will not
    // open (logged; databaseFile_ is then absent).
    sqlite3* openFile(const std::filesystem::path& file);
    // False when the table could not be made (logged).
    static bool createTable(sqlite3* db);
    void rebuildIndex();
    void insertDoc(const std::string& title, const std::string& content, const std::string& path,
                   const std::string& source);
    static void insertRow(SqliteStatement& statement, const IndexedNote& note);
    // On the database queue: counts, then publishes on the main loop.
    void updateDocumentCount();

    UserDefaults& defaults_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    // Replaced by each rebuild, on the database queue: read it there.
    sqlite3* db_ = nullptr;
    // The database's file; absent for the in-memory stand-in.
    std::optional<std::filesystem::path> databaseFile_;
    // Database queue only.
    std::unique_ptr<SqliteStatement> insertStatement_;
    // Database queue only; follows the connection.
    KnowledgeRanking ranking_;
    // Set from the moment a rebuild is asked for until its completion has
    // reached the main loop: a second request meanwhile does nothing.
    std::atomic<bool> rebuildScheduled_{false};
    bool isIndexing_ = false;
    std::optional<double> lastIndexedTime_;
    int documentCount_ = 0;
    AliveToken alive_;
    // Last: destroyed first, so queued work still finds the members above.
    SerialQueue dbQueue_{"com.quillmarker.knowledgeDatabaseQueue"};
};

}  // namespace qm
