#include "knowledge/SecondBrainIndexer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fmt/format.h>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/SqliteStatement.h"
#include "knowledge/MarkdownText.h"
#include "knowledge/NoteFolderReader.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

constexpr const char* insertSql =
    "INSERT INTO knowledge_fts (title, content, path, source) VALUES (?, ?, ?, ?);";

void makePrivate(const fs::path& file)
{
    if (const std::error_code error = file::createPrivateDatabaseFiles(file)) {
        // SQLite reports the file it cannot open; this says why it is not private.
        Log::print(
            fmt::format("❌ SQLite Error: Could not make {} private: {}", file.string(), error.message()));
    }
}

}  // namespace

SecondBrainIndexer::SecondBrainIndexer(std::optional<std::filesystem::path> appDataFolder,
                                       UserDefaults& defaults, MainLoop& mainLoop, const Clock& clock)
    : defaults_(defaults), mainLoop_(mainLoop), clock_(clock)
{
    openDatabase(appDataFolder);
    dbQueue_.sync([this] { createTable(db_); });
    dbQueue_.sync([this] { updateDocumentCount(); });
    triggerAsyncReindex();
}

SecondBrainIndexer::~SecondBrainIndexer()
{
    // Let queued rebuilds and searches finish before the connection goes.
    dbQueue_.sync([this] {
        insertStatement_.reset();
        ranking_.release();
    });
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
    // The index holds the text of the user's notes: like the rules database,
    // its folder and every file of it are the user's alone.
    if (const std::error_code error = file::createPrivateFolder(*appDataFolder)) {
        Log::print(fmt::format("❌ SQLite Error: Could not create the folder {}: {}", appDataFolder->string(),
                               error.message()));
    }
    const auto file = *appDataFolder / "QuillmarkerKnowledge.db";
    Log::print(fmt::format("📁 QuillmarkerKnowledge.db Path: {}", file.string()));
    db_ = openFile(file);
    ranking_.install(db_);
}

sqlite3* SecondBrainIndexer::openFile(const std::filesystem::path& file)
{
    makePrivate(file);
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK) {
        databaseFile_ = file;
    } else {
        Log::print(
            "❌ SQLite Error: Failed to open QuillmarkerKnowledge.db. Falling back to in-memory database.");
        sqlite3_close(db);
        db = nullptr;
        databaseFile_.reset();
        sqlite3_open(":memory:", &db);
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

bool SecondBrainIndexer::createTable(sqlite3* db)
{
    if (db == nullptr) {
        return false;
    }
    char* error = nullptr;
    const char* statement = "CREATE VIRTUAL TABLE IF NOT EXISTS knowledge_fts USING fts5(\n"
                            "    title, content, path, source, tokenize='porter unicode61'\n"
                            ");";
    const bool created = sqlite3_exec(db, statement, nullptr, nullptr, &error) == SQLITE_OK;
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
    // The files are read from here on, while the notes before them are written.
    NoteFolderReader reader(indexedFolders(), maximumFileSize);
    // The new index is written whole into a database of its own and then takes
    // the old one's place in one step, so a search sees the old index or the
    // new one. Emptying the old table in place would cost more than writing
    // the new one: every page of it is read to be freed, and each freed page
    // is copied to the rollback journal before a new row reuses it.
    const auto beside = databaseFile_ ? databaseFile_->string() + "-rebuild" : std::string(":memory:");
    std::error_code ignored;
    if (databaseFile_) {
        // Left by a rebuild that never finished.
        fs::remove(beside, ignored);
        // It takes the index's place, mode and all.
        makePrivate(beside);
    }
    sqlite3* fresh = nullptr;
    // The table is made in the same transaction as its rows: the new file
    // is synced to disk once, at the end.
    bool written = sqlite3_open(beside.c_str(), &fresh) == SQLITE_OK &&
                   sqlite3_exec(fresh, "BEGIN;", nullptr, nullptr, nullptr) == SQLITE_OK &&
                   createTable(fresh);
    if (written) {
        SqliteStatement insert(fresh, insertSql);
        while (auto note = reader.next()) {
            insertRow(insert, *note);
        }
    }
    written = written && sqlite3_exec(fresh, "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!written) {
        Log::print(fmt::format("❌ SQLite FTS Insert Error: {}", sqlite3_errmsg(fresh)));
    } else if (databaseFile_ && std::rename(beside.c_str(), databaseFile_->c_str()) != 0) {
        Log::print(fmt::format("❌ SQLite FTS Insert Error: {}", std::strerror(errno)));
        written = false;
    }
    if (!written) {
        // The old index stays.
        sqlite3_close_v2(fresh);
        if (databaseFile_) {
            fs::remove(beside, ignored);
        }
        return;
    }
    if (databaseFile_) {
        // SQLite will not write through a connection whose file has been
        // moved: the index is opened again under its own name.
        sqlite3_close_v2(fresh);
        fresh = openFile(*databaseFile_);
        if (!databaseFile_) {
            createTable(fresh);
        }
    } else {
        sqlite3_busy_timeout(fresh, 5000);
    }
    insertStatement_.reset();
    ranking_.release();
    sqlite3_close_v2(db_);
    db_ = fresh;
    ranking_.install(db_);
}

void SecondBrainIndexer::indexFileDirectly(const std::string& title, const std::string& content,
                                           const std::string& path, const std::string& source)
{
    dbQueue_.sync([&] { insertDoc(title, content, path, source); });
}

void SecondBrainIndexer::insertDoc(const std::string& title, const std::string& content,
                                   const std::string& path, const std::string& source)
{
    // Prepared once for the connection; a rebuild brings a new connection.
    if (!insertStatement_) {
        insertStatement_ = std::make_unique<SqliteStatement>(db_, insertSql);
    }
    if (!*insertStatement_) {
        insertStatement_.reset();
        return;
    }
    insertRow(*insertStatement_, {title, content, path, source});
}

void SecondBrainIndexer::insertRow(SqliteStatement& statement, const IndexedNote& note)
{
    // The note outlives the step, and the texts are bound again before the
    // next one: SQLite reads them in place instead of copying every note.
    int index = 1;
    for (const auto* value : {&note.title, &note.content, &note.path, &note.source}) {
        sqlite3_bind_text64(statement.handle(), index++, value->data(), value->size(), SQLITE_STATIC,
                            SQLITE_UTF8);
    }
    if (!statement.run()) {
        Log::print(fmt::format("❌ SQLite FTS Insert Error: {}", statement.errorMessage()));
    }
    statement.reset();
    sqlite3_clear_bindings(statement.handle());
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
