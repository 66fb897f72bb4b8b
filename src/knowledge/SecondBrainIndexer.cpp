#include "knowledge/SecondBrainIndexer.h"

#include <sqlite3.h>

#include <algorithm>
#include <system_error>

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Paths.h"
#include "base/SqlitePageCacheScope.h"
#include "base/SqliteStatement.h"
#include "knowledge/MarkdownText.h"
#include "knowledge/NoteFolderReader.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

}  // namespace

SecondBrainIndexer::SecondBrainIndexer(std::optional<std::filesystem::path> appDataFolder,
                                       UserDefaults& defaults, MainLoop& mainLoop, const Clock& clock)
    : defaults_(defaults), mainLoop_(mainLoop), clock_(clock)
{
    openDatabase(appDataFolder);
    dbQueue_.sync([this] { createTables(); });
    dbQueue_.sync([this] { updateDocumentCount(); });
    triggerAsyncReindex();
}

SecondBrainIndexer::~SecondBrainIndexer()
{
    // Let queued rebuilds and searches finish before the connection goes.
    dbQueue_.sync([this] { insertStatement_.reset(); });
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
    }
}

void SecondBrainIndexer::openDatabase(const std::optional<std::filesystem::path>& appDataFolder)
{
    if (!appDataFolder) {
        Log::print("❌ SQLite Error: Application support directory not found.");
        return;
    }
    std::error_code ignored;
    fs::create_directories(*appDataFolder, ignored);
    const auto file = *appDataFolder / "QuillmarkerKnowledge.db";
    Log::print(fmt::format("📁 QuillmarkerKnowledge.db Path: {}", file.string()));
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) {
        Log::print(
            "❌ SQLite Error: Failed to open QuillmarkerKnowledge.db. Falling back to in-memory database.");
        sqlite3_close(db_);
        db_ = nullptr;
        sqlite3_open(":memory:", &db_);
    }
    sqlite3_busy_timeout(db_, 5000);
}

bool SecondBrainIndexer::createTables()
{
    if (db_ == nullptr) {
        return false;
    }
    char* error = nullptr;
    const char* statement = "CREATE VIRTUAL TABLE IF NOT EXISTS knowledge_fts USING fts5(\n"
                            "    title, content, path, source, tokenize='porter unicode61'\n"
                            ");";
    const bool created = sqlite3_exec(db_, statement, nullptr, nullptr, &error) == SQLITE_OK;
    if (!created && error != nullptr) {
        Log::print(fmt::format("❌ SQLite FTS5 Error: {}", error));
    }
    sqlite3_free(error);
    return created;
}

std::vector<std::string> SecondBrainIndexer::indexedFolders() const
{
    auto folders = defaults_.stringArrayForKey(foldersKey).value_or(std::vector<std::string>{});
    for (auto& folder : folders) {
        folder = paths::expandTilde(folder);
    }
    return folders;
}

void SecondBrainIndexer::setIndexedFolders(const std::vector<std::string>& folders)
{
    defaults_.set(foldersKey, DefaultsValue(folders));
    triggerAsyncReindex();
}

void SecondBrainIndexer::addFolder(const std::string& path)
{
    const auto expanded = paths::expandTilde(path);
    auto folders = defaults_.stringArrayForKey(foldersKey).value_or(std::vector<std::string>{});
    if (std::find(folders.begin(), folders.end(), expanded) != folders.end()) {
        return;
    }
    folders.push_back(expanded);
    setIndexedFolders(folders);
}

void SecondBrainIndexer::removeFolder(const std::string& path)
{
    const auto expanded = paths::expandTilde(path);
    auto folders = defaults_.stringArrayForKey(foldersKey).value_or(std::vector<std::string>{});
    const auto found = std::find(folders.begin(), folders.end(), expanded);
    if (found == folders.end()) {
        return;
    }
    folders.erase(found);
    setIndexedFolders(folders);
}

void SecondBrainIndexer::triggerAsyncReindex()
{
    bool expected = false;
    if (!rebuildScheduled_.compare_exchange_strong(expected, true)) {
        return;
    }
    const auto alive = alive_.watch();
    mainLoop_.post([this, alive] {
        if (alive) {
            isIndexing_ = true;
        }
    });
    dbQueue_.async([this, alive] {
        rebuildIndex();
        const auto finished = clock_.now();
        mainLoop_.post([this, alive, finished] {
            if (!alive) {
                return;
            }
            isIndexing_ = false;
            lastIndexedTime_ = finished;
            rebuildScheduled_.store(false);
            // The count is published from the queue; the main loop never waits on it.
            dbQueue_.async([this] { updateDocumentCount(); });
        });
    });
}

void SecondBrainIndexer::rebuildIndex()
{
    if (db_ == nullptr) {
        return;
    }
    // Dropping the old table visits every page of it, and the inserts then
    // reuse those pages, each written to the rollback journal first: with the
    // old index in the cache, neither reads it from the file again. The cache
    // goes back to its usual size afterwards, so the memory is lent only for
    // the rebuild.
    const SqlitePageCacheScope cache(db_, rebuildCacheKiB);
    // The files are read from here on, while the old table goes and the notes
    // before them are written.
    NoteFolderReader reader(indexedFolders(), maximumFileSize);
    // One transaction: a search sees the old index or the new one, and the
    // inserts are not each committed to disk.
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        // Without the transaction the table would be dropped for good; the old index stays.
        Log::print(fmt::format("❌ SQLite FTS Insert Error: {}", sqlite3_errmsg(db_)));
        return;
    }
    // The table is made anew rather than emptied: deleting from FTS5 re-reads
    // and re-tokenizes every old row to take its terms out of the index.
    sqlite3_exec(db_, "DROP TABLE IF EXISTS knowledge_fts;", nullptr, nullptr, nullptr);
    if (!createTables()) {
        sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
        return;
    }
    while (auto note = reader.next()) {
        insertDoc(note->title, note->content, note->path, note->source);
    }
    if (sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Log::print(fmt::format("❌ SQLite FTS Insert Error: {}", sqlite3_errmsg(db_)));
        sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    }
}

void SecondBrainIndexer::indexFileDirectly(const std::string& title, const std::string& content,
                                           const std::string& path, const std::string& source)
{
    dbQueue_.sync([&] { insertDoc(title, content, path, source); });
}

void SecondBrainIndexer::insertDoc(const std::string& title, const std::string& content,
                                   const std::string& path, const std::string& source)
{
    // Prepared once for the connection: SQLite prepares it again by itself
    // after a rebuild has made the table anew.
    if (!insertStatement_) {
        insertStatement_ = std::make_unique<SqliteStatement>(
            db_, "INSERT INTO knowledge_fts (title, content, path, source) VALUES (?, ?, ?, ?);");
    }
    auto& statement = *insertStatement_;
    if (!statement) {
        insertStatement_.reset();
        return;
    }
    int index = 1;
    for (const auto* value : {&title, &content, &path, &source}) {
        statement.bindText(index++, *value);
    }
    if (!statement.run()) {
        Log::print(fmt::format("❌ SQLite FTS Insert Error: {}", statement.errorMessage()));
    }
    statement.reset();
}

void SecondBrainIndexer::updateDocumentCount()
{
    int count = 0;
    // FTS5 keeps one row per document in its docsize table: counting those
    // reads a few pages, where counting knowledge_fts itself reads every
    // note's whole text.
    SqliteStatement statement(db_, "SELECT COUNT(*) FROM knowledge_fts_docsize;");
    if (statement.step() == SqliteStatement::Step::row) {
        count = static_cast<int>(statement.columnInt(0));
    }
    const auto alive = alive_.watch();
    mainLoop_.post([this, alive, count] {
        if (alive) {
            documentCount_ = count;
        }
    });
}

std::string SecondBrainIndexer::stripMarkdown(const std::string& text)
{
    return markdown::strippedToOneLine(text);
}

}  // namespace qm
